// Resource and command ids. Plain ASCII: windres and the compilers share it.
#pragma once

// Menus, accelerators, bitmaps, icons
#define IDR_MAINMENU        101
#define IDR_ACCELERATORS    102
#define IDB_TOOLBAR         103
#define IDR_FILELISTMENU    104
#define IDI_APP             105
#define IDR_TASKPOPUP       106
#define IDR_FILEPOPUP       107

// Dialogs
#define IDD_ABOUT           9
#define IDD_SETTINGS        107
#define IDD_EXTRACTSETTINGS 108
#define IDD_LIBRARIES       110

// Settings dialog (IDD_SETTINGS); the folder radios below are shared
#define IDC_DEFAULT_FORMAT  1002
#define IDC_OVERWRITE_ASK   1016
#define IDC_OVERWRITE_NEVER 1007
#define IDC_ERROR_CONTINUE  1015
#define IDC_ERROR_SHOW      1014

// Settings dialog and extraction settings dialog (IDD_EXTRACTSETTINGS):
// the folder rule, one radio per AutoFolderMode
#define IDC_AUTO_ALWAYS     1005
#define IDC_AUTO_NEVER      1003
#define IDC_AUTO_UNLESS_ONE 1004

// Extraction settings dialog (IDD_EXTRACTSETTINGS)
#define IDC_DESTINATION     1010
#define IDC_DEST_BROWSE     1011

// Library list (IDD_LIBRARIES)
#define IDC_LIBRARY_LIST    1100
#define IDC_LIBRARY_NOTE    1101

// Child windows
#define IDC_TOOLBAR         11
#define IDC_STATUSBAR       12
#define IDC_TASKLIST        13
#define IDC_FILELIST        14

// Commands, shared by menus, toolbars, accelerators and tooltip strings
#define IDM_NEW_ARCHIVE     4001
#define IDM_CLOSE           4002
#define IDM_OPEN_FOLDER     4003
#define IDM_OPEN_FILES      4004
#define IDM_EDIT_TASK       4005
#define IDM_DELETE          4006
#define IDM_DELETE_DONE     4007
#define IDM_MOVE_UP         4008
#define IDM_MOVE_DOWN       4009
#define IDM_SELECT_ALL      4010
#define IDM_INVERT          4011
#define IDM_START           4012
#define IDM_STOP            4013
#define IDM_START_ALL       4014
#define IDM_STOP_ALL        4015
#define IDM_REFRESH         4021
#define IDM_OPEN_ARCHIVES   4027
#define IDM_ABOUT           4030
#define IDM_SETTINGS        4031
#define IDM_NEW_LIST        4038
#define IDM_OPEN_LIST       4039
#define IDM_SAVE_LIST       4040
#define IDM_RETRY           4041
#define IDM_ERROR_DETAILS   4042
#define IDM_LIBRARIES       4043

// File-list window controls
#define IDC_BROWSE          15
#define IDC_FORMATBOX       16

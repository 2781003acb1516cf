// The few entries of the shell and common-dialog libraries the program
// uses, loaded on first use. Importing them made every start load shell32,
// comdlg32 (with the print spooler) and ole32 before the first window, for
// a drop or a dialog most starts never see. An entry whose library cannot
// be loaded fails as the entry itself fails (0, FALSE or nullptr).
#pragma once
#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>
#include <shlobj.h>

UINT Shell_DragQueryFile(HDROP drop, UINT index, char* path, UINT size);
void Shell_DragFinish(HDROP drop);
BOOL Shell_GetOpenFileName(OPENFILENAMEA* dialog);
BOOL Shell_GetSaveFileName(OPENFILENAMEA* dialog);
PIDLIST_ABSOLUTE Shell_BrowseForFolder(BROWSEINFOA* info);
BOOL Shell_PathFromIdList(PCIDLIST_ABSOLUTE list, char* path);
void Shell_FreeIdList(PIDLIST_ABSOLUTE list);

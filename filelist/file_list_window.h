// The one file-list window: the editor of the compression task at
// CurrentTaskIndex, with its archive path, format and file list. Only this
// window writes CurrentTaskIndex: when it shows a task and when it commits
// (and when the table removes tasks under it).
#pragma once
#include <windows.h>

#include <cstddef>

extern short CurrentTaskIndex;
extern HWND FileListWindow;
extern HWND FileListToolbar;
extern HWND FileListStatusBar;
extern HWND ArchivePathField;
extern HWND FormatBox;
extern unsigned char FileSortFlags[4];

extern const char FileListWindowClass[];

bool CreateFileListWindow(HWND owner);
HWND FileListOwner();
bool ShowTaskFileList(short index);
short OpenNewCompressionTask(const char* name);
void CommitFileList(short taskIndex);
HWND CurrentFileList();
int SelectedFormatIndex();
void ReadArchivePathField(char* text, size_t size);
void SetArchivePathField(const char* text);
void SortFileListByColumn(HWND list, int column);

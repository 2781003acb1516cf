// The one file-list window: the editor of the compression task at
// CurrentTaskIndex, with its archive path, format and file list.
#pragma once
#include <windows.h>

#include <cstddef>

extern HWND FileListWindow;
extern HWND FileListToolbar;
extern HWND FileListStatusBar;
extern HWND ArchivePathField;
extern HWND FormatBox;
extern unsigned char FileSortFlags[4];

extern const char FileListWindowClass[];

bool CreateFileListWindow(HWND owner);
HWND CreateTaskFileListView();
bool ShowTaskFileList(short index);
void CommitFileList(short taskIndex);
HWND CurrentFileList();
int SelectedFormatIndex();
void ReadArchivePathField(char* text, size_t size);
void SetArchivePathField(const char* text);

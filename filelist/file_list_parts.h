// The compression task the file-list window edits, and the window's
// controls that show it. Only these functions write CurrentTaskIndex: when
// a task is shown, when it is committed and when the table removes tasks
// under it. The handles are written by the window's creation and destruction.
#pragma once
#include <windows.h>

#include <cstddef>

extern short CurrentTaskIndex;
extern HWND FileListWindow;
extern HWND FileListToolbar;
extern HWND FileListStatusBar;
extern HWND ArchivePathField;
extern HWND FormatBox;

HWND FileListOwner();
HWND CurrentFileList();
int SelectedFormatIndex();
void ReadArchivePathField(char* text, size_t size);
void SetArchivePathField(const char* text);
void BeginEditingTask(short index);
void FollowRemovedTask(short index);
void CommitFileList(short taskIndex);

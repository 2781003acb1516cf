// The one file-list window: the editor of the compression task at
// CurrentTaskIndex, with its archive path, format and file list.
#pragma once
#include <windows.h>

#include "filelist/file_list_parts.h"
#include "filelist/file_list_status.h"

extern unsigned char FileSortFlags[4];

extern const char FileListWindowClass[];

bool CreateFileListWindow(HWND owner);
bool ShowTaskFileList(short index);
short OpenNewCompressionTask(const char* name);
void SortFileListByColumn(HWND list, int column);

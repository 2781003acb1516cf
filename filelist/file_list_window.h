// The one file-list window: the editor of the compression task at
// CurrentTaskIndex, with its archive path, format and file list.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "filelist/file_list_parts.h"
#include "filelist/file_list_status.h"

extern unsigned char FileSortFlags[4];

extern const char FileListWindowClass[];

void PrepareFileListWindow(HWND owner);
HWND EnsureFileListWindow();
bool ShowTaskFileList(short index);
short OpenNewCompressionTask(const char* name);
short CompressPathsUnedited(const char* name, const std::vector<std::string>& paths);
void SortFileListByColumn(HWND list, int column);

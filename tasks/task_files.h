// A compression task's file rows: the task's own list view with its four
// columns, one row per file or folder with its size and time, folder sizes
// and the list's totals. Each function takes the task or list it works on.
#pragma once
#include <windows.h>

#include <cstdint>

// File list columns
enum FileColumn { FileColumnName = 0, FileColumnSize = 1, FileColumnTime = 2, FileColumnPath = 3 };
constexpr int FileColumnCount = 4;

HWND CreateTaskFileListView(HWND parent);
HWND TaskFileList(short index);
bool AddPathToTask(short index, const char* path, uint32_t* rows, uint32_t* total);
void RewriteFileRow(HWND list, const char* path, int row);
uint32_t FolderSize(const char* folder);
void FileListTotals(HWND list, uint32_t* rows, uint32_t* total);
void RecountFileList(HWND list, uint32_t* rows, uint32_t* total);

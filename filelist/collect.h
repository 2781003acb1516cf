// Putting files and folders into the current compression task's list, and
// the figures of a list: row sizes and times, file count and total size.
#pragma once
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// File list columns
enum FileColumn { FileColumnName = 0, FileColumnSize = 1, FileColumnTime = 2, FileColumnPath = 3 };

extern uint32_t NextFileRowId;

void AddPathToCurrentTask(const char* path);
bool AddPathsToCurrentTask(const char* const* paths, size_t count);
bool AddPathListToCurrentTask(const std::vector<std::string>& paths);
void RefreshCurrentRows();
void AddFolderContents(const char* folder);
void FillRowInfo(const char* path, int row);
uint32_t FolderSize(const char* folder);
void FileListTotals(HWND list, uint32_t* rows, uint32_t* total);
void RefreshFileListTotals();
void RefreshFileSelectionCount();

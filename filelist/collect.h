// Putting files and folders into the compression task the file-list window
// edits, with the archive name proposed from them and the window's totals
// and selection count kept up to date.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "tasks/task_files.h"

void AddPathToCurrentTask(const char* path);
bool AddPathsToCurrentTask(const char* const* paths, size_t count);
bool AddPathListToCurrentTask(const std::vector<std::string>& paths);
void RefreshCurrentRows();
void AddFolderContents(const char* folder);
void FillRowInfo(const char* path, int row);

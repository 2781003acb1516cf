// Putting files and folders into the compression task the file-list window
// edits, with the archive name proposed from them and the window's totals
// and selection count kept up to date.
#pragma once
#include "tasks/task_files.h"

void AddPathToCurrentTask(const char* path);
void AddFolderContents(const char* folder);
void FillRowInfo(const char* path, int row);
void RefreshFileListTotals();
void RefreshFileSelectionCount();

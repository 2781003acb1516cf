// Saving the task list to a task list file and loading one into it.
#pragma once
#include <windows.h>

bool SaveTaskList(const char* path);
bool LoadTaskList(const char* path, HWND fileListParent);
void MarkTaskListSaved();
bool TaskListChanged();

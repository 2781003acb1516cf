// Commands of the main window's menu, toolbar, context menu and keys.
#pragma once
#include "app/text.h"

extern char CurrentListName[PathSize];   // the task list file's path, "NewTaskList" before one is opened or saved

void ExecuteMainCommand(int command);
bool SaveChangedTaskList();
bool OpenTaskListNamed(const char* path);
bool OpenTaskListInPlaceOfChanged(const char* path);

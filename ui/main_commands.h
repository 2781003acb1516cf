// Commands of the main window's menu, toolbar, context menu and keys.
#pragma once

void ExecuteMainCommand(int command);
bool SaveChangedTaskList();
bool OpenTaskListNamed(const char* path);

// The main window's task list: its notifications, its replaced window
// procedure, the task context menu and the row operations of the commands.
#pragma once
#include <windows.h>

void AttachTaskListProcedure(HWND list);
LRESULT OnTaskListNotify(const NMHDR* header);
void ShowTaskContextMenu(POINT screen);
void MoveSelectedTasks(bool up);
void SelectAllTasks();
void InvertTaskSelection();

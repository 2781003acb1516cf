// The main window's task list: its notifications, its replaced window
// procedure, the task context menu and the row operations of the commands.
#pragma once
#include <windows.h>

#include "app/list_sort.h"
#include "tasks/task_rows.h"

extern unsigned char ColumnSortFlags[TaskColumnCount];   // direction of each column's next sort, 0 descending
extern const ListSortRule TaskListSortRule;

void AttachTaskListProcedure(HWND list);
LRESULT OnTaskListNotify(const NMHDR* header);
void ShowTaskContextMenu(POINT screen);
void MoveSelectedTasks(bool up);
void SelectAllTasks();
void InvertTaskSelection();
void SortTaskListByColumn(int column);
void ResetTaskSortFlags();

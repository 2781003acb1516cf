// Sorting the task list and the file lists by a column.
#pragma once
#include <windows.h>

extern HWND SortedList;

int CALLBACK CompareRows(LPARAM id1, LPARAM id2, LPARAM column);
void SortListByColumn(HWND list, int column);
void SortTaskListByColumn(int column);
void SortFileListByColumn(HWND list, int column);

// Sorting the task list and the file lists by a column.
#pragma once
#include <windows.h>

extern HWND SortedList;
extern unsigned char FileSortFlags[4];   // shared by the file lists of all tasks; 0 descending

int CALLBACK CompareRows(LPARAM id1, LPARAM id2, LPARAM column);
void SortListByColumn(HWND list, int column);
void SortTaskListByColumn(int column);
void SortFileListByColumn(HWND list, int column);

// Sorting a file list by one column, in the direction of the window's
// shared FileSortFlags.
#pragma once
#include <windows.h>

void SortFileListByColumn(HWND list, int column);

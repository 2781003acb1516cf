// Row operations shared by the task list and the file lists: moving the
// selected rows, inverting the selection, and the list's context menu.
#pragma once
#include <windows.h>

void MoveSelectedListRows(HWND list, bool up);
void InvertListSelection(HWND list);
void ShowListMenu(HWND list, int menuId, POINT screen, HWND owner);
POINT SelectionMarkPoint(HWND list);

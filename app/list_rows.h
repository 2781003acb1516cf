// Row operations shared by the task list and the file lists: moving and
// deleting the selected rows, selecting, and the list's context menu. The
// bulk ones take each row as a step of the caller's long work.
#pragma once
#include <windows.h>

#include <vector>

bool MoveSelectedListRows(HWND list, bool up);
std::vector<int> SelectedListRows(HWND list);
bool DeleteSelectedListRows(HWND list);
bool SelectListRows(HWND list, bool invert);
void ShowListMenu(HWND list, int menuId, POINT screen, HWND owner);
POINT SelectionMarkPoint(HWND list);

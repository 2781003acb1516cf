// The file-list window's status bar: totals in part 0, the selection count
// in part 1.
#pragma once
#include <windows.h>

#include <cstdint>

void ShowFileListTotals(uint32_t rows, uint32_t total);
void RefreshFileListTotals();
void RefreshFileSelectionCount();
bool BeginFileListWork(HWND list, const char* progressFormat);
bool EndFileListWork(bool rowsChanged);

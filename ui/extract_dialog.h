// The extraction settings of one extraction task, or of every selected
// extraction task at once: destination folder and folder rule.
#pragma once
#include <windows.h>

void ShowExtractionSettingsDialog(HWND owner, short index);
void ShowBatchExtractionSettingsDialog(HWND owner, int rowCount, short shownIndex);

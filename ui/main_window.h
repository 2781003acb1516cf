// The main window: toolbar, task list and status bar.
#pragma once
#include <windows.h>

#include "app/instance.h"
#include "app/text.h"

extern HWND MainToolbar;
extern HWND MainStatusBar;
extern HWND TaskListView;
extern char SettingsPath[PathSize];

extern const char MainWindowClass[];

bool RegisterMainWindowClass(HINSTANCE instance);
HWND CreateMainWindow(HINSTANCE instance);
void SetMainTitle(const char* listName);
void RefreshSelectionCount();
void RefreshStatusBar();
void HoldStatusCounts(bool hold);
void ShowQueueEnded();
void CenterOnMainWindow(HWND dialog);

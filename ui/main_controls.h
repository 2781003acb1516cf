// The main window's controls and what every part of the main window reads:
// the handles are written once, when the main window creates its children.
#pragma once
#include <windows.h>

#include "app/text.h"

extern HWND MainToolbar;
extern HWND MainStatusBar;
extern HWND TaskListView;
extern char SettingsPath[PathSize];

void SetMainTitle(const char* listName);

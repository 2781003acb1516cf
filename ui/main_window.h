// The main window: toolbar, task list and status bar.
#pragma once
#include <windows.h>

#include "app/instance.h"
#include "ui/main_controls.h"
#include "ui/status_bar.h"

extern const char MainWindowClass[];

bool RegisterMainWindowClass(HINSTANCE instance);
HWND CreateMainWindow(HINSTANCE instance);

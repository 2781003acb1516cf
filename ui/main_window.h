// The main window: toolbar, task list and status bar.
#pragma once
#include <windows.h>

#include "app/instance.h"
#include "ui/main_controls.h"
#include "ui/status_bar.h"

extern const char MainWindowClass[];
extern const char JobWindowClass[];

bool RegisterMainWindowClass(HINSTANCE instance, const char* className = MainWindowClass);
HWND CreateMainWindow(HINSTANCE instance, const char* className = MainWindowClass);

#include "ui/main_controls.h"

#include <cstdio>

#include "app/instance.h"

HWND MainToolbar = nullptr;
HWND MainStatusBar = nullptr;
HWND TaskListView = nullptr;
char SettingsPath[PathSize] = "";

void SetMainTitle(const char* listName) {
    char title[PathSize + 16];
    snprintf(title, sizeof(title), "%s - %s", listName, "fardelix");
    SetWindowTextA(MainWindow, title);
}

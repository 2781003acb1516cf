// The main window: toolbar, task list and status bar.
#pragma once
#include <windows.h>

#include "app/text.h"

extern HINSTANCE AppInstance;
extern HWND MainWindow;
extern HWND MainToolbar;
extern HWND MainStatusBar;
extern HWND TaskListView;
extern unsigned char ColumnSortFlags[6];
extern char CurrentListName[PathSize];
extern char SettingsPath[PathSize];
extern char ArchivePatternList[256];
extern char ArchiveFilter[300];

extern const char MainWindowClass[];

bool RegisterProgramWindowClass(const char* name, WNDPROC procedure, int menuId);
bool RegisterMainWindowClass(HINSTANCE instance);
HWND CreateMainWindow(HINSTANCE instance);
void SetMainTitle();
void RefreshSelectionCount();
void CenterOnMainWindow(HWND dialog);
void BuildArchivePatternList(char* text, size_t size);
void BuildArchiveFilter(char* filter, size_t size, const char* patterns);

// The program's instance and its main window: the module every window and
// dialog is made from, and the owner of the program's message boxes. Both
// are written only by the functions below.
#pragma once
#include <windows.h>

extern HINSTANCE AppInstance;
extern HWND MainWindow;   // from the main window's creation to its destruction

void SetAppInstance(HINSTANCE instance);
void SetMainWindow(HWND window);
void SetProgramAccelerators(HACCEL shared, HACCEL mainWindow);
HACCEL ProgramAcceleratorsFor(HWND window);
bool IsProgramWindow(HWND window);
bool RegisterProgramWindowClass(const char* name, WNDPROC procedure, int menuId);
void CenterOnMainWindow(HWND dialog);

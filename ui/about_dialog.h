// The About box: the program's name and version.
#pragma once
#include <windows.h>

void ShowAboutBox(HWND owner);

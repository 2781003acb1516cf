// The library list: for every library file of the format table, the formats
// it serves, where it was found and the version it reports. It answers "why
// is this task an エラー?" and changes no task.
#pragma once
#include <windows.h>

void ShowLibraryDialog(HWND owner);

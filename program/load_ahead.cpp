#include "program/load_ahead.h"

#include <windows.h>

// Only from the system folder, whatever the search order says.
static DWORD WINAPI LoadAhead(void*) {
    static const wchar_t* const names[] = {L"ole32.dll", L"msimg32.dll"};
    for (const wchar_t* name : names) LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    return 0;
}

void LoadShowLibrariesAhead() {
    HANDLE thread = CreateThread(nullptr, 0, LoadAhead, nullptr, 0, nullptr);
    if (thread != nullptr) CloseHandle(thread);
}

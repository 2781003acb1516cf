// Command lines handed over by a second start of the program (WM_COPYDATA),
// kept until the main window can take them.
#pragma once
#include <windows.h>

#include <cstddef>

constexpr ULONG_PTR HandoffTag = 0x31484446;   // "FDH1": data of a second start
constexpr UINT_PTR HandoffTimerId = 26;

using HandoffHandler = void (*)(const char* data, size_t size);

void SetHandoffHandler(HandoffHandler handler);
LRESULT OnHandoffData(HWND window, const COPYDATASTRUCT* data);
void OnHandoffTimer(HWND window);

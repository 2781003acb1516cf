// Work that may take seconds on the user-interface thread, such as adding
// thousands of rows: it calls KeepWorking() before each step, which now and
// then handles the thread's messages, so the windows stay painted and show
// the progress, and which takes Escape as the user's stop.
#pragma once
#include <windows.h>

#include <cstdint>

using ProgressShower = void (*)(uint32_t steps);

bool BeginLongWork(ProgressShower showProgress, HWND list);
bool KeepWorking();
bool EndLongWork();
bool LongWorkRunning();

extern DWORD LongWorkPumpInterval;

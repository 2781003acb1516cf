// The message loop and the run step that follows every message.
#pragma once
#include <windows.h>

void RunStep();
int RunMessageLoop(HACCEL accelerators);

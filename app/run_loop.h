// The message loop and the run switch.
#pragma once
#include <windows.h>

// 0 idle; 1 the loop looks for a Waiting task after every message;
// 2 an archiver library call is in progress.
enum RunSwitchValue : unsigned char { RunIdle = 0, RunOn = 1, RunInLibrary = 2 };
extern unsigned char RunSwitch;

void RunStep();
int RunMessageLoop(HACCEL accelerators);

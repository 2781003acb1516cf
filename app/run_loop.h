// The message loop and the run switch.
#pragma once
#include <windows.h>

// 0 idle; 1 the loop looks for a Waiting task after every message;
// 2 an archiver library call is in progress.
enum RunSwitchValue : unsigned char { RunIdle = 0, RunOn = 1, RunInLibrary = 2 };
extern unsigned char RunSwitch;

// The shared accelerator table (resource 102) serves the file-list window;
// the main window gets the same keys without the file-list window's own
// commands.
struct ProgramKeys {
    HACCEL shared;
    HACCEL mainWindow;
};

void RunStep();
bool LoadProgramKeys(HINSTANCE instance, ProgramKeys* keys);
void FreeProgramKeys(ProgramKeys* keys);
bool TranslateProgramKey(const ProgramKeys& keys, HWND active, MSG* msg);
int RunMessageLoop(const ProgramKeys* keys);

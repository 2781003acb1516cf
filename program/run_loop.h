// The message loop and the run step that follows every message.
#pragma once
#include <windows.h>

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
int RunMessageLoop(const ProgramKeys* keys, void (*afterStep)() = nullptr);

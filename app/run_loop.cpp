#include "app/run_loop.h"

unsigned char RunSwitch = RunIdle;

// Accelerators go to whichever window of the program is active, so the main
// window and the file-list window receive the same keys as commands.
int RunMessageLoop(HACCEL accelerators) {
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        HWND active = GetActiveWindow();
        if (accelerators == nullptr || active == nullptr || !TranslateAcceleratorA(active, accelerators, &msg)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
    }
    return static_cast<int>(msg.wParam);
}

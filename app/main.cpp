#include <windows.h>

#include "app/run_loop.h"
#include "app/startup.h"
#include "resources/resource.h"
#include "ui/main_window.h"

// One instance: a second start brings the first to the front and ends; its
// command line is dropped.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
    HWND running = FindWindowA(MainWindowClass, nullptr);
    if (running != nullptr) {
        SetForegroundWindow(running);
        return 0;
    }
    if (!RegisterMainWindowClass(instance)) return 0;
    HWND window = CreateMainWindow(instance);
    if (window == nullptr) return 0;
    HandleCommandLine(commandLine);
    HACCEL accelerators = LoadAcceleratorsA(instance, MAKEINTRESOURCEA(IDR_ACCELERATORS));
    ShowWindow(window, show);
    UpdateWindow(window);
    return RunMessageLoop(accelerators);
}

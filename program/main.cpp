#include <windows.h>

#include "archivers/library_search.h"
#include "program/run_loop.h"
#include "program/startup.h"
#include "filelist/file_list_window.h"
#include "ui/main_window.h"

// One instance: a second start brings the first to the front and ends; its
// command line is dropped.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
    KeepCurrentFolderOutOfLibrarySearch();
    HWND running = FindWindowA(MainWindowClass, nullptr);
    if (running != nullptr) {
        SetForegroundWindow(running);
        return 0;
    }
    if (!RegisterMainWindowClass(instance)) return 0;
    HWND window = CreateMainWindow(instance);
    if (window == nullptr) return 0;
    HandleCommandLine(commandLine);
    ProgramKeys keys;
    LoadProgramKeys(instance, &keys);
    ShowWindow(window, show);
    UpdateWindow(window);
    // A command line that made a compression task opened its file-list
    // window before the main window was shown; showing the main window can
    // stack it above its owned window (Wine without a window manager does),
    // hiding the only window that takes input while the main one is disabled.
    if (FileListWindow != nullptr && IsWindowVisible(FileListWindow)) {
        SetWindowPos(FileListWindow, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
        SetForegroundWindow(FileListWindow);
    }
    int exitCode = RunMessageLoop(&keys);
    FreeProgramKeys(&keys);
    return exitCode;
}

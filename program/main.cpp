#include <windows.h>

#include "archivers/library_search.h"
#include "program/job_options.h"
#include "program/job_run.h"
#include "program/run_loop.h"
#include "program/startup.h"
#include "filelist/file_list_window.h"
#include "ui/main_window.h"

// One instance: a second start brings the first to the front and ends; its
// command line is dropped. A job without a person ("/run") is a start of
// its own: it never looks for a running window, and runs in a window that
// a later start does not find.
int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
    KeepCurrentFolderOutOfLibrarySearch();
    JobOptions options;
    ReadJobOptions(commandLine, &options);
    if (JobCommandLineRefused(options)) return RefuseCommandLine(options);
    if (options.run) return RunJob(instance, options, commandLine, show);
    HWND running = FindWindowA(MainWindowClass, nullptr);
    if (running != nullptr) {
        SetForegroundWindow(running);
        return 0;
    }
    if (!RegisterMainWindowClass(instance)) return 0;
    HWND window = CreateMainWindow(instance);
    if (window == nullptr) return 0;
    HandleCommandLine(options.paths.c_str());
    ProgramKeys keys;
    LoadProgramKeys(instance, &keys);
    ShowWindow(window, options.minimised ? SW_SHOWMINIMIZED : show);
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

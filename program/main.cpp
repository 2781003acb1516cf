#include <windows.h>

#include <string>

#include "app/first_activation.h"
#include "app/text.h"
#include "archivers/library_search.h"
#include "program/command_line.h"
#include "program/job_options.h"
#include "program/job_run.h"
#include "program/run_loop.h"
#include "program/startup.h"
#include "filelist/file_list_window.h"
#include "ui/handoff.h"
#include "ui/main_window.h"

// The running window copies the data and answers at once; it turns it
// into tasks from its own loop. A window that does not answer in time
// (hung) gets nothing.
static void HandOver(HWND running, const char* commandLine) {
    if (commandLine != nullptr && commandLine[0] != '\0') {
        char folder[PathSize] = "";
        DWORD length = GetCurrentDirectoryA(sizeof(folder), folder);
        if (length == 0 || length >= sizeof(folder)) folder[0] = '\0';
        std::string data = PackHandoff(folder, commandLine);
        COPYDATASTRUCT copy = {HandoffTag, static_cast<DWORD>(data.size()), &data[0]};
        DWORD_PTR answer = 0;
        if (!data.empty()) {
            SendMessageTimeoutA(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&copy), SMTO_ABORTIFHUNG, 10000,
                                &answer);
        }
    }
    if (IsIconic(running)) ShowWindow(running, SW_RESTORE);
    SetForegroundWindow(running);
}

// One instance: a second start hands its command line to the first, brings
// it to the front and ends. A job without a person ("/run") is a start of
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
        HandOver(running, options.paths.c_str());
        return 0;
    }
    PrepareFirstActivation();
    if (!RegisterMainWindowClass(instance)) return 0;
    SetHandoffHandler(HandleHandedCommandLine);
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

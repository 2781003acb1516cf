// The real program as a job without a person, as tests/e2e/job.sh
// prepares it. The script names a folder in FARDELIX_JOB_DIR holding
// "arguments.txt", the job's command line, and optionally
// "interactive.txt", the command line of an interactive fardelix started
// first in the subfolder "interactive", and "stop.txt", present when a
// person is to stop the job (すべて停止) once its first task runs. The job runs in the folder; what the
// driver saw goes to "results.txt" as key=value lines for the script:
// the exit code, the dialogs the job showed (dismissed here so a failure
// cannot hang the test), whether its window was seen minimised or with its
// file-list window, whether a later start would have taken it for the
// program, and how the interactive program fared. Without the variable the
// test is skipped.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "filelist/file_list_window.h"
#include "resources/resource.h"
#include "tests/win/program_process.h"
#include "tests/win/test_support.h"
#include "ui/main_window.h"

namespace {

constexpr int StartDeadlineMs = 30000;
constexpr int JobDeadlineMs = 60000;
constexpr int StatusColumn = 2;

std::string FirstLine(const std::string& path) {
    std::string text = ReadFileBytes(path);
    size_t end = text.find_first_of("\r\n");
    return end == std::string::npos ? text : text.substr(0, end);
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string Statuses(const ProgramProcess& program, HWND tasks) {
    std::string text;
    LRESULT rows = SendMessageA(tasks, LVM_GETITEMCOUNT, 0, 0);
    for (int row = 0; row < rows; ++row) {
        text += (row > 0 ? "," : "") + RemoteCell(program.Handle(), tasks, row, StatusColumn);
    }
    return text;
}

struct JobSightings {
    int dialogs = 0;
    bool window = false;
    bool minimised = false;
    bool fileList = false;
    bool foundByClass = false;
    bool stopped = false;
};

// The stop command, as a person gives it, once the top task runs.
void StopWhenRunning(const ProgramProcess& job, HWND window, JobSightings* seen) {
    HWND tasks = GetDlgItem(window, IDC_TASKLIST);
    if (seen->stopped || tasks == nullptr) return;
    if (RemoteCell(job.Handle(), tasks, 0, StatusColumn).rfind("実行", 0) != 0) return;
    PostMessageA(window, WM_COMMAND, IDM_STOP_ALL, 0);
    seen->stopped = true;
}

// One look at the job's windows; a dialog is counted once and dismissed.
void LookAtJob(const ProgramProcess& job, bool stop, JobSightings* seen, HWND* lastDialog) {
    HWND dialog = WindowOf(job.Id(), "#32770");
    if (dialog != nullptr) {
        if (dialog != *lastDialog) ++seen->dialogs;
        *lastDialog = dialog;
        PostMessageA(dialog, WM_COMMAND, IDOK, 0);
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    }
    HWND window = WindowOf(job.Id(), JobWindowClass);
    if (window != nullptr && IsWindowVisible(window)) {
        if (!seen->window) seen->minimised = IsIconic(window) != FALSE;
        seen->window = true;
        if (stop) StopWhenRunning(job, window, seen);
    }
    HWND fileList = WindowOf(job.Id(), FileListWindowClass);
    if (fileList != nullptr && IsWindowVisible(fileList)) seen->fileList = true;
    if (WindowOf(job.Id(), MainWindowClass) != nullptr) seen->foundByClass = true;
}

}  // namespace

TEST(JobTest, RunsWithoutAPerson) {
    const std::string folder = FolderFromEnvironment("FARDELIX_JOB_DIR");
    if (folder.empty()) GTEST_SKIP() << "FARDELIX_JOB_DIR names no prepared folder (tests/e2e/job.sh sets it)";
    PutAwayTestMainWindow();
    std::string results;

    ProgramProcess interactive;
    HWND interactiveMain = nullptr;
    HWND interactiveTasks = nullptr;
    std::string before;
    if (FileExists(folder + "interactive.txt")) {
        ASSERT_TRUE(interactive.Start(FirstLine(folder + "interactive.txt"), folder + "interactive\\"));
        ASSERT_TRUE(PumpUntil([&] {
            interactiveMain = WindowOf(interactive.Id(), MainWindowClass);
            interactiveTasks = interactiveMain != nullptr ? GetDlgItem(interactiveMain, IDC_TASKLIST) : nullptr;
            return interactiveTasks != nullptr && IsWindowVisible(interactiveMain) &&
                   SendMessageA(interactiveTasks, LVM_GETITEMCOUNT, 0, 0) > 0;
        }, StartDeadlineMs));
        before = Statuses(interactive, interactiveTasks);
    }

    ProgramProcess job;
    ASSERT_TRUE(job.Start(FirstLine(folder + "arguments.txt"), folder));
    JobSightings seen;
    HWND lastDialog = nullptr;
    const bool stop = FileExists(folder + "stop.txt");
    bool ended = PumpUntil([&] {
        LookAtJob(job, stop, &seen, &lastDialog);
        return WaitForSingleObject(job.Handle(), 0) == WAIT_OBJECT_0;
    }, JobDeadlineMs);
    DWORD exitCode = 0;
    GetExitCodeProcess(job.Handle(), &exitCode);
    results += "ended=" + std::to_string(ended ? 1 : 0) + "\n";
    results += "exit=" + std::to_string(ended ? static_cast<int>(exitCode) : -1) + "\n";
    results += "dialogs=" + std::to_string(seen.dialogs) + "\n";
    results += "window=" + std::to_string(seen.window ? 1 : 0) + "\n";
    results += "minimised=" + std::to_string(seen.minimised ? 1 : 0) + "\n";
    results += "filelist=" + std::to_string(seen.fileList ? 1 : 0) + "\n";
    results += "found_by_class=" + std::to_string(seen.foundByClass ? 1 : 0) + "\n";
    results += "stopped=" + std::to_string(seen.stopped ? 1 : 0) + "\n";

    if (interactiveMain != nullptr) {
        DWORD_PTR answer = 0;
        bool responds = SendMessageTimeoutA(interactiveMain, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &answer) != 0;
        results += "interactive_responds=" + std::to_string(responds ? 1 : 0) + "\n";
        results += "interactive_before=" + before + "\n";
        results += "interactive_after=" + Statuses(interactive, interactiveTasks) + "\n";
        results += "interactive_found=" +
                   std::to_string(FindWindowA(MainWindowClass, nullptr) == interactiveMain ? 1 : 0) + "\n";
        EXPECT_TRUE(interactive.Close(interactiveMain, StartDeadlineMs));
    }
    WriteFileBytes(folder + "results.txt", results);
    EXPECT_TRUE(ended) << results;
}

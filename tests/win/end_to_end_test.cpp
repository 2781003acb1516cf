// The real program with the archiver libraries installed on the machine,
// as tests/e2e/end_to_end.sh prepares them. The script names a folder in
// FARDELIX_E2E_DIR holding fardelix.ini and "arguments.txt": the kind of
// run ("compression" or "extraction") and then one path a line. The program
// starts there with the paths on its command line, every task is started
// with Ctrl+Shift+G and, once all have ended, "results.txt" receives each
// task row's status and count, one row a line, for the script to check.
// FARDELIX_E2E_PROGRAM may name the fardelix.exe to start (an unpacked
// release); else the one built beside this program starts.
// Without the variable the test is skipped.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filelist/file_list_window.h"
#include "resources/resource.h"
#include "tests/win/program_process.h"
#include "tests/win/test_support.h"
#include "ui/main_window.h"

namespace {

constexpr int StartDeadlineMs = 30000;
constexpr int RunDeadlineMs = 90000;
constexpr int StatusColumn = 2;
constexpr int CountColumn = 3;
constexpr int FilePathColumn = 3;

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::string text = ReadFileBytes(path);
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
        start = end + 1;
    }
    return lines;
}

bool Ended(const std::string& status) { return status == "完了" || status == "エラー"; }

std::string PreparedFolder() { return FolderFromEnvironment("FARDELIX_E2E_DIR"); }

}  // namespace

TEST(EndToEndTest, CommandLineTasksRunToTheirEnd) {
    const std::string folder = PreparedFolder();
    if (folder.empty()) GTEST_SKIP() << "FARDELIX_E2E_DIR names no prepared folder (tests/e2e/end_to_end.sh sets it)";
    std::vector<std::string> lines = ReadLines(folder + "arguments.txt");
    ASSERT_GE(lines.size(), 2u) << folder << "arguments.txt";
    const bool compression = lines[0] == "compression";
    ASSERT_TRUE(compression || lines[0] == "extraction") << lines[0];
    const std::vector<std::string> paths(lines.begin() + 1, lines.end());
    std::string arguments;
    for (const std::string& path : paths) arguments += (arguments.empty() ? "\"" : " \"") + path + "\"";
    const LRESULT rows = compression ? 1 : static_cast<LRESULT>(paths.size());

    char programPath[MAX_PATH] = "";
    DWORD programLength = GetEnvironmentVariableA("FARDELIX_E2E_PROGRAM", programPath, sizeof(programPath));
    if (programLength >= sizeof(programPath)) programPath[0] = '\0';
    ProgramProcess program;
    ASSERT_TRUE(program.Start(arguments, folder, programPath));
    HWND main = nullptr;
    HWND tasks = nullptr;
    // The command line is handled before the main window is shown.
    ASSERT_TRUE(PumpUntil([&] {
        main = WindowOf(program.Id(), MainWindowClass);
        tasks = main != nullptr ? GetDlgItem(main, IDC_TASKLIST) : nullptr;
        return tasks != nullptr && IsWindowVisible(main);
    }, StartDeadlineMs));
    // No message box met the user at start: every library was found.
    EXPECT_EQ(WindowOf(program.Id(), "#32770"), nullptr);
    ASSERT_EQ(SendMessageA(tasks, LVM_GETITEMCOUNT, 0, 0), rows);

    if (compression) {
        HWND fileWindow = WindowOf(program.Id(), FileListWindowClass);
        ASSERT_TRUE(fileWindow != nullptr && IsWindowVisible(fileWindow));
        HWND files = FindWindowExA(fileWindow, nullptr, WC_LISTVIEWA, nullptr);
        ASSERT_EQ(SendMessageA(files, LVM_GETITEMCOUNT, 0, 0), static_cast<LRESULT>(paths.size()));
        for (size_t row = 0; row < paths.size(); ++row) {
            SCOPED_TRACE(row);
            EXPECT_EQ(RemoteCell(program.Handle(), files, static_cast<int>(row), FilePathColumn), paths[row]);
        }
        PostMessageA(fileWindow, WM_CLOSE, 0, 0);
        ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(fileWindow) && IsWindowEnabled(main); }, StartDeadlineMs));
    }
    // Tasks are Stopped, or Error when their archive could not be counted.
    for (int row = 0; row < rows; ++row) {
        std::string status = RemoteCell(program.Handle(), tasks, row, StatusColumn);
        EXPECT_TRUE(status == "停止" || status == "エラー") << row << ": " << status;
    }

    // Pressed again should the input go astray: it only makes Stopped rows Waiting.
    auto noneStopped = [&] {
        for (int row = 0; row < rows; ++row) {
            if (RemoteCell(program.Handle(), tasks, row, StatusColumn) == "停止") return false;
        }
        return true;
    };
    bool started = false;
    for (int attempt = 0; attempt < 3 && !started; ++attempt) {
        SetForegroundWindow(main);
        ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == main; }, StartDeadlineMs));
        PressKeys({VK_CONTROL, VK_SHIFT, 'G'});
        started = PumpUntil(noneStopped, 5000);
    }
    ASSERT_TRUE(started) << "Ctrl+Shift+G started no task";
    std::vector<std::string> statuses(static_cast<size_t>(rows));
    bool ended = PumpUntil([&] {
        for (int row = 0; row < rows; ++row) {
            statuses[static_cast<size_t>(row)] = RemoteCell(program.Handle(), tasks, row, StatusColumn);
            if (!Ended(statuses[static_cast<size_t>(row)])) return false;
        }
        return true;
    }, RunDeadlineMs);
    std::string results;
    for (int row = 0; row < rows; ++row) {
        results += statuses[static_cast<size_t>(row)] + "\t" + RemoteCell(program.Handle(), tasks, row, CountColumn) +
                   "\n";
    }
    WriteFileBytes(folder + "results.txt", results);
    EXPECT_TRUE(ended) << results;
    EXPECT_TRUE(program.Close(main, StartDeadlineMs));
}

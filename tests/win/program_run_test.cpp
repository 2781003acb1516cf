// The real program from its command line to a finished task: start-up, the
// file-list window, the accelerator table, the run step and a library call.
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

class ProgramRunTest : public testing::Test {
protected:
    void SetUp() override { PutAwayTestMainWindow(); }
};

// Whether upper stands above lower in the z-order of top-level windows.
bool IsAbove(HWND upper, HWND lower) {
    for (HWND next = GetWindow(upper, GW_HWNDNEXT); next != nullptr; next = GetWindow(next, GW_HWNDNEXT)) {
        if (next == lower) return true;
    }
    return false;
}

}  // namespace

TEST_F(ProgramRunTest, CommandLineFilesRunToDoneWithCtrlShiftG) {
    std::string folder = TempFolder("run");
    CreateDirectoryA("C:\\in", nullptr);
    WriteFileBytes("C:\\in\\a.txt", "alpha");
    WriteFileBytes("C:\\in\\b.txt", "beta");
    // Beside a copy of the program, which is started in its own folder.
    std::string copy = CopyProgramInto(folder);
    ASSERT_FALSE(copy.empty());
    InstallStandin(folder, "ZIP32J.DLL");

    ProgramProcess program;
    ASSERT_TRUE(program.Start("C:\\in\\a.txt C:\\in\\b.txt", folder, copy));
    HWND main = nullptr;
    HWND fileWindow = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        main = WindowOf(program.Id(), MainWindowClass);
        fileWindow = WindowOf(program.Id(), FileListWindowClass);
        return main != nullptr && fileWindow != nullptr && IsWindowVisible(fileWindow);
    }, 20000));
    HWND files = FindWindowExA(fileWindow, nullptr, WC_LISTVIEWA, nullptr);
    ASSERT_NE(files, nullptr);
    EXPECT_EQ(SendMessageA(files, LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(RemoteCell(program.Handle(), files, 0, 3), "C:\\in\\a.txt");
    EXPECT_EQ(RemoteCell(program.Handle(), files, 1, 3), "C:\\in\\b.txt");
    EXPECT_FALSE(IsWindowEnabled(main));
    // The main window is shown after the file-list window opened; the one
    // window that takes input must not end up hidden behind it.
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(main) && IsAbove(fileWindow, main); }, 10000));

    PostMessageA(fileWindow, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(fileWindow) && IsWindowEnabled(main); }, 10000));
    HWND tasks = GetDlgItem(main, IDC_TASKLIST);
    ASSERT_EQ(SendMessageA(tasks, LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(RemoteCell(program.Handle(), tasks, 0, 2), "停止");

    SetForegroundWindow(main);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == main; }, 5000));
    PressKeys({VK_CONTROL, VK_SHIFT, 'G'});
    EXPECT_TRUE(PumpUntil([&] { return RemoteCell(program.Handle(), tasks, 0, 2) == "完了"; }, 20000))
        << RemoteCell(program.Handle(), tasks, 0, 2);
    std::vector<StandinCall> calls = ReadStandinCalls(folder, "main");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_NE(calls[0].listFile.find("a.txt"), std::string::npos);

    EXPECT_TRUE(program.Close(main, 20000));
}

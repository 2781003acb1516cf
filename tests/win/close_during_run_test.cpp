// Closing the main window while a library call pumps messages.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "program/run_loop.h"
#include "runs/runs.h"
#include "settings/settings.h"
#include "tasks/task_table.h"
#include "tests/win/test_support.h"
#include "ui/main_window.h"
#include "tasks/run_switch.h"
#include "tasks/task_rows.h"

namespace {

// The main window's destruction posts the quit message. Takes it out again,
// so later tests' message loops are not ended by it, and says whether one
// was waiting: the program's loop must still see it after a library that
// swallowed it (the stand-in's pump does) has returned.
bool TakeQuitMessage() {
    bool found = false;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) found = true;
    return found;
}

// The close asks first while a task runs: はい stops the run (the library
// that has the progress callback stops) and the window closes once the run
// has ended, after the changed list was let go; いいえ lets it run on.
TEST(CloseDuringRun, AsksStopsTheRunThenCloses) {
    struct Case {
        const char* name;
        bool compression;
        int answer;
        const char* script;
        int status;          // the task's status after the run
        size_t mainCalls;    // main entry calls made
    };
    const Case cases[] = {
        {"compression, two groups, stopped", true, IDYES, "pump=1\nprogress=2\n", Stopped, 1},
        {"extraction, stopped", false, IDYES, "pump=1\nprogress=2\n", Stopped, 1},
        {"compression, kept running", true, IDNO, "pump=1\nprogress=2\n", Done, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetTasks();
        Fake.messages.clear();
        SettingsRecord saved = Settings;
        char savedPath[PathSize];
        CopyText(savedPath, sizeof(savedPath), SettingsPath);
        Settings.DefError = 1;
        std::string lib = TempFolder("lib");
        std::string work = TempFolder("work");
        ASSERT_TRUE(SetDllDirectoryA(lib.c_str()));
        InstallStandin(lib, c.compression ? "ZIP32J.DLL" : "UNZIP32.DLL");
        WriteStandinScript(lib, c.script);
        std::string ini = work + "fardelix.ini";
        CopyText(SettingsPath, sizeof(SettingsPath), ini.c_str());

        short index = c.compression
                          ? AddTestCompressionTask("C:\\out\\x.zip", 0, {"C:\\d\\a.txt", "C:\\e\\b.txt"})
                          : AddTestExtractionTask("C:\\in\\p.zip", "C:\\out\\", AutoFolderNever);
        const uint32_t id = TaskTable[index].id;
        SetTaskStatus(index, Waiting);
        int row = TaskIndexToRow(index);
        RunSwitch = RunOn;
        HWND window = MainWindow;
        Fake.answers = {c.answer, IDNO};  // the changed list is not saved
        PostTestCallback([&] { SendMessageA(MainWindow, WM_CLOSE, 0, 0); });
        if (c.compression) {
            RunCompressionTask(row);
        } else {
            RunExtractionTask(row);
        }
        EXPECT_EQ(TaskTable[FindTaskById(id)].status, c.status);
        EXPECT_EQ(ReadStandinCalls(lib, "main").size(), c.mainCalls);
        EXPECT_EQ(GetModuleHandleA(c.compression ? "ZIP32J.DLL" : "UNZIP32.DLL"), nullptr);
        EXPECT_NE(RunSwitch, RunInLibrary);
        ASSERT_GE(Fake.messages.size(), 1u);
        EXPECT_EQ(Fake.messages[0].text, "実行中のタスクがあります。中止して終了しますか？");
        if (c.answer == IDYES) {
            // The window goes once the run has ended, not during the call.
            EXPECT_TRUE(PumpUntil([&] { return !IsWindow(window); }, 5000));
            TakeQuitMessage();  // the pump above may have taken it already
            EXPECT_EQ(MainWindow, nullptr);
            ASSERT_EQ(Fake.messages.size(), 2u);
            EXPECT_EQ(Fake.messages[1].text, "タスクリストは変更されています。保存しますか？");
            EXPECT_EQ(GetPrivateProfileIntA("CONFIG", "DefError", -1, ini.c_str()), 1);
        } else {
            PumpPending();
            EXPECT_TRUE(IsWindow(window));
            EXPECT_EQ(Fake.messages.size(), 1u);
        }

        SetDllDirectoryA(nullptr);
        Settings = saved;
        CopyText(SettingsPath, sizeof(SettingsPath), savedPath);
        ResetTasks();  // makes a new main window for the next case
    }
}

}  // namespace

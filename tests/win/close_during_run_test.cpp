// Closing the main window while a library call pumps messages: once the
// changed list is let go, the settings are written, the run ends quietly and
// nothing touches the gone window.
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

TEST(CloseDuringRun, WritesSettingsAndEndsTheRunQuietly) {
    struct Case {
        const char* name;
        bool compression;
        const char* script;
    };
    const Case cases[] = {
        {"compression, two groups", true, "pump=1\n"},
        {"compression, failing call", true, "pump=1\nresult=7\n"},
        {"extraction", false, "pump=1\n"},
        {"extraction, failing call", false, "pump=1\nresult=7\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetTasks();
        Fake.messages.clear();
        SettingsRecord saved = Settings;
        char savedPath[PathSize];
        CopyText(savedPath, sizeof(savedPath), SettingsPath);
        Settings.DefError = 1;  // a message would show if the run touched the gone window
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
        SetTaskStatus(index, Waiting);
        int row = TaskIndexToRow(index);
        RunSwitch = RunOn;
        HWND window = MainWindow;
        Fake.answers = {IDNO};  // the changed list is not saved
        PostTestCallback([&] { SendMessageA(MainWindow, WM_CLOSE, 0, 0); });
        if (c.compression) {
            RunCompressionTask(row);
        } else {
            RunExtractionTask(row);
        }
        EXPECT_TRUE(TakeQuitMessage());

        EXPECT_FALSE(IsWindow(window));
        EXPECT_EQ(MainWindow, nullptr);
        ASSERT_EQ(Fake.messages.size(), 1u);
        EXPECT_EQ(Fake.messages[0].text, "タスクリストは変更されています。保存しますか？");
        EXPECT_EQ(GetPrivateProfileIntA("CONFIG", "DefError", -1, ini.c_str()), 1);
        // The first call closed the window: no further group was sent.
        EXPECT_EQ(ReadStandinCalls(lib, "main").size(), 1u);
        EXPECT_EQ(GetModuleHandleA(c.compression ? "ZIP32J.DLL" : "UNZIP32.DLL"), nullptr);
        EXPECT_NE(RunSwitch, RunInLibrary);

        SetDllDirectoryA(nullptr);
        Settings = saved;
        CopyText(SettingsPath, sizeof(SettingsPath), savedPath);
        ResetTasks();  // makes a new main window for the next case
    }
}

}  // namespace

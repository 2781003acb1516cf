#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program/run_loop.h"
#include "settings/settings.h"
#include "app/list_sort.h"
#include "tasks/run_switch.h"
#include "tasks/task_rows.h"
#include "ui/main_window.h"
#include "ui/task_list_view.h"
#include "tests/win/task_rows.h"
#include "tests/win/test_support.h"

// The run step against the stand-in library: it runs the topmost Waiting
// row, one task per step, and switches itself off.
class RunLoopTest : public testing::Test {
protected:
    void SetUp() override {
        ResetTasks();
        saved = Settings;
        Settings.DefError = 1;
        lib = TempFolder("lib");
        work = TempFolder("work");
        ASSERT_TRUE(SetDllDirectoryA(lib.c_str()));
        InstallStandin(lib, "ZIP32J.DLL");
        WriteFileBytes(work + "in.txt", "data");
    }
    void TearDown() override {
        SetDllDirectoryA(nullptr);
        Settings = saved;
        ResetTasks();
    }

    short AddZipTask(const char* name, int status) {
        short index = AddTestCompressionTask((work + name).c_str(), 0, {work + "in.txt"});
        Lv_SetCell(TaskListView, TaskIndexToRow(index), ColumnName, name);
        SetTaskStatus(index, status);
        return index;
    }

    // The archives the library was asked to make, in call order.
    std::vector<std::string> ArchivesMade() {
        std::vector<std::string> names;
        for (const StandinCall& call : ReadStandinCalls(lib, "main")) {
            for (const char* name : {"a.zip", "b.zip", "c.zip"}) {
                if (call.argument.find(name) != std::string::npos) names.push_back(name);
            }
        }
        return names;
    }

    SettingsRecord saved;
    std::string lib;
    std::string work;
};

TEST_F(RunLoopTest, RunsTheTopmostWaitingTaskOnePerStep) {
    AddZipTask("a.zip", Done);
    AddZipTask("b.zip", Waiting);
    AddZipTask("c.zip", Waiting);
    RunSwitch = RunOn;
    RunStep();
    EXPECT_EQ(RowStatuses(), "完了 完了 待機");
    EXPECT_EQ(RunSwitch, RunOn);
    RunStep();
    EXPECT_EQ(RowStatuses(), "完了 完了 完了");
    RunStep();
    EXPECT_EQ(RunSwitch, RunIdle);
    EXPECT_EQ(ArchivesMade(), (std::vector<std::string>{"b.zip", "c.zip"}));
    EXPECT_TRUE(Fake.messages.empty());
}

// The switch falling after the queue took tasks is said once in part 1 of
// the status bar, until the selection changes; a start that finds nothing
// to run says nothing.
TEST_F(RunLoopTest, EndOfTheQueueIsToldOnce) {
    RunSwitch = RunOn;
    RunStep();   // forget any queue an earlier test left half-run
    RefreshSelectionCount();
    RunSwitch = RunOn;
    RunStep();
    EXPECT_EQ(StatusText(MainStatusBar, 1), "選択数 =    0");

    WriteStandinScript(lib, "result=0\nresult=7\n");
    AddZipTask("a.zip", Waiting);
    AddZipTask("b.zip", Waiting);
    AddZipTask("c.zip", Done);
    RunSwitch = RunOn;
    RunStep();
    EXPECT_EQ(StatusText(MainStatusBar, 1), "選択数 =    0");
    RunStep();   // the last Waiting task: its run sets the switch to 0
    EXPECT_EQ(RunSwitch, RunIdle);
    EXPECT_EQ(StatusText(MainStatusBar, 1), "すべてのタスクが終了しました（完了 2・エラー 1）");
    RunSwitch = RunOn;
    RunStep();
    EXPECT_EQ(StatusText(MainStatusBar, 1), "すべてのタスクが終了しました（完了 2・エラー 1）");
    SelectRows({0});
    EXPECT_EQ(StatusText(MainStatusBar, 1), "選択数 =    1");
    RunSwitch = RunOn;
    RunStep();
    EXPECT_EQ(StatusText(MainStatusBar, 1), "選択数 =    1");
}

// The row order is the run order: after a sort the new top row goes first.
TEST_F(RunLoopTest, SortedRowsRunInTheirNewOrder) {
    AddZipTask("a.zip", Waiting);
    AddZipTask("b.zip", Waiting);
    AddZipTask("c.zip", Waiting);
    ColumnSortFlags[ColumnName] = 1;
    SortTaskListByColumn(ColumnName);   // descending: c, b, a
    RunSwitch = RunOn;
    for (int step = 0; step < 4; ++step) RunStep();
    EXPECT_EQ(ArchivesMade(), (std::vector<std::string>{"c.zip", "b.zip", "a.zip"}));
    EXPECT_EQ(RunSwitch, RunIdle);
}

TEST_F(RunLoopTest, StepDoesNothingUnlessTheSwitchIsExactlyOne) {
    struct Case {
        const char* name;
        RunSwitchValue before;
        RunSwitchValue after;
    };
    const Case cases[] = {{"idle", RunIdle, RunIdle}, {"library call in progress", RunInLibrary, RunInLibrary}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetTasks();
        AddZipTask("a.zip", Waiting);
        RunSwitch = c.before;
        RunStep();
        EXPECT_EQ(RowStatuses(), "待機");
        EXPECT_EQ(RunSwitch, c.after);
    }
    EXPECT_TRUE(ArchivesMade().empty());
    ResetTasks();
    RunSwitch = RunOn;   // an empty list switches itself off
    RunStep();
    EXPECT_EQ(RunSwitch, RunIdle);
}

// A start command that arrives while the library works (it dispatches the
// thread's messages) only queues: the second task runs at a later step.
TEST_F(RunLoopTest, StartDuringALibraryCallQueuesForLater) {
    WriteStandinScript(lib, "pump=1\n");
    AddZipTask("a.zip", Waiting);
    AddZipTask("b.zip", Stopped);
    SelectRows({1});
    RunSwitch = RunOn;
    PostMessageA(MainWindow, WM_COMMAND, 4012, 0);   // start the selected tasks
    RunStep();
    EXPECT_EQ(RowStatuses(), "完了 待機");
    EXPECT_EQ(RunSwitch, RunOn);
    RunStep();
    EXPECT_EQ(RowStatuses(), "完了 完了");
    EXPECT_EQ(ArchivesMade(), (std::vector<std::string>{"a.zip", "b.zip"}));
}

// The message loop calls the step after every message it dispatches.
TEST_F(RunLoopTest, MessageLoopRunsTheStepAfterAMessage) {
    AddZipTask("a.zip", Waiting);
    RunSwitch = RunOn;
    PostMessageA(MainWindow, WM_NULL, 0, 0);
    PostQuitMessage(5);
    EXPECT_EQ(RunMessageLoop(nullptr), 5);
    EXPECT_EQ(RowStatuses(), "完了");
}

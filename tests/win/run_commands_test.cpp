#include <windows.h>

#include <gtest/gtest.h>

#include "program/run_loop.h"
#include "resources/resource.h"
#include "tests/win/task_rows.h"
#include "tests/win/test_support.h"
#include "ui/main_commands.h"
#include "tasks/run_switch.h"
#include "ui/main_window.h"

class RunCommandsTest : public testing::Test {
protected:
    void SetUp() override { ResetTasks(); }
};

// Rows Stopped, Waiting, Done, Error, Stopped; each case selects some rows,
// sets the switch and sends one command.
TEST_F(RunCommandsTest, CommandsChangeOnlyTheirStatuses) {
    struct Case {
        const char* name;
        int command;
        std::vector<int> selected;
        RunSwitchValue switchBefore;
        const char* statuses;
        RunSwitchValue switchAfter;
    };
    const Case cases[] = {
        {"start selected: Done stays, Stopped waits", IDM_START, {2, 4}, RunIdle, "停止 待機 完了 エラー 待機", RunOn},
        {"start with no selection changes nothing", IDM_START, {}, RunIdle, "停止 待機 完了 エラー 停止", RunIdle},
        {"start during a library call keeps 2", IDM_START, {0}, RunInLibrary, "待機 待機 完了 エラー 停止", RunInLibrary},
        {"stop selected", IDM_STOP, {0, 1, 2}, RunOn, "停止 停止 完了 エラー 停止", RunOn},
        {"stop with no selection", IDM_STOP, {}, RunOn, "停止 待機 完了 エラー 停止", RunOn},
        {"start all", IDM_START_ALL, {}, RunIdle, "待機 待機 完了 エラー 待機", RunOn},
        {"start all during a library call", IDM_START_ALL, {}, RunInLibrary, "待機 待機 完了 エラー 待機", RunInLibrary},
        {"stop all leaves the switch", IDM_STOP_ALL, {}, RunOn, "停止 停止 完了 エラー 停止", RunOn},
        {"retry queues Done and Error only", IDM_RETRY, {0, 1, 2, 3, 4}, RunIdle, "停止 待機 待機 待機 停止", RunOn},
        {"retry only the selected", IDM_RETRY, {3}, RunIdle, "停止 待機 完了 待機 停止", RunOn},
        {"retry with no selection", IDM_RETRY, {}, RunIdle, "停止 待機 完了 エラー 停止", RunIdle},
        {"retry during a library call keeps 2", IDM_RETRY, {2}, RunInLibrary, "停止 待機 待機 エラー 停止",
         RunInLibrary},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetTasks();
        const int statuses[] = {Stopped, Waiting, Done, Error, Stopped};
        for (int status : statuses) AddRowTask("t", TaskCompression, status);
        SelectRows({});
        for (int row : c.selected) Lv_SetSelected(TaskListView, row, true);
        RunSwitch = c.switchBefore;
        ExecuteMainCommand(c.command);
        EXPECT_EQ(RowStatuses(), c.statuses);
        EXPECT_EQ(RunSwitch, c.switchAfter);
        RunSwitch = RunIdle;
    }
}

TEST_F(RunCommandsTest, StopDuringARunLeavesTheRunningTask) {
    AddRowTask("a", TaskCompression, Running);
    AddRowTask("b", TaskCompression, Waiting);
    AddRowTask("c", TaskExtraction, Waiting);
    SelectRows({0, 1, 2});
    RunSwitch = RunInLibrary;
    ExecuteMainCommand(IDM_STOP);
    EXPECT_EQ(RowStatuses(), "実行 停止 停止");
    EXPECT_EQ(RunSwitch, RunInLibrary);
}

TEST_F(RunCommandsTest, StopAllThenStartAllQueuesEveryStoppedTask) {
    AddRowTask("a", TaskCompression, Waiting);
    AddRowTask("b", TaskExtraction, Stopped);
    AddRowTask("c", TaskCompression, Done);
    ExecuteMainCommand(IDM_STOP_ALL);
    EXPECT_EQ(RowStatuses(), "停止 停止 完了");
    ExecuteMainCommand(IDM_START_ALL);
    EXPECT_EQ(RowStatuses(), "待機 待機 完了");
    EXPECT_EQ(RunSwitch, RunOn);
}

TEST_F(RunCommandsTest, StartAllOnAnEmptyListKeepsTheSwitchOff) {
    ExecuteMainCommand(IDM_START_ALL);
    EXPECT_EQ(RunSwitch, RunIdle);
}

// A running task is left alone by a retry, and the counts follow at once.
TEST_F(RunCommandsTest, RetryLeavesTheRunningTaskAndUpdatesTheCounts) {
    AddRowTask("a", TaskCompression, Running);
    AddRowTask("b", TaskExtraction, Error);
    AddRowTask("c", TaskCompression, Done);
    SelectRows({0, 1, 2});
    RunSwitch = RunInLibrary;
    ExecuteMainCommand(IDM_RETRY);
    EXPECT_EQ(RowStatuses(), "実行 待機 待機");
    EXPECT_EQ(StatusText(MainStatusBar, 0),
              "  総数 =    3  実行 =    1  待機 =    2  完了 =    0  停止 =    0  エラー =    0");
    RunSwitch = RunIdle;
}

// A key that does nothing says why in part 1 of the status bar; one that
// did something leaves the selection count there.
TEST_F(RunCommandsTest, KeysThatDoNothingSayWhy) {
    struct Case {
        const char* name;
        int command;
        int row;
        const char* partOne;
    };
    const Case cases[] = {
        {"F5 on a stopped task", IDM_RETRY, 0, "やり直せるのは完了・エラーのタスクです"},
        {"F5 on a done task", IDM_RETRY, 2, "選択数 =    1"},
        {"Ctrl+G on a done task", IDM_START, 2, "開始できるのは停止中のタスクです"},
        {"Ctrl+G on a stopped task", IDM_START, 0, "選択数 =    1"},
        {"Del on a running task", IDM_DELETE, 1, "実行中のタスクは削除できません"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetTasks();
        for (int status : {Stopped, Running, Done}) AddRowTask("t", TaskCompression, status);
        SelectRows({c.row});
        RunSwitch = RunInLibrary;
        ExecuteMainCommand(c.command);
        EXPECT_EQ(StatusText(MainStatusBar, 1), c.partOne);
        RunSwitch = RunIdle;
    }
}

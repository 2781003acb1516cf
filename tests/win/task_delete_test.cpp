#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "program/run_loop.h"
#include "tasks/task_delete.h"
#include "tasks/run_switch.h"
#include "tasks/task_rows.h"
#include "filelist/file_list_window.h"
#include "tests/win/task_rows.h"
#include "tests/win/test_support.h"

class TaskDeleteTest : public testing::Test {
protected:
    void SetUp() override { ResetTasks(); }
};

static std::string StatusBarText() {
    char text[256] = "";
    SendMessageA(MainStatusBar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    return text;
}

TEST_F(TaskDeleteTest, MiddleTaskGoesWithItsRowAndFileList) {
    AddRowTask("a");
    short middle = AddRowTask("b");
    AddRowTask("c", TaskExtraction);
    uint32_t lastId = TaskTable[2].id;
    HWND fileList = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 1, 1, MainWindow, nullptr, nullptr, nullptr);
    TaskTable[middle].fileList = fileList;

    ASSERT_TRUE(DeleteTask(middle));
    EXPECT_FALSE(IsWindow(fileList));
    EXPECT_EQ(TaskCount, 2);
    EXPECT_EQ(TaskTable[1].id, lastId);
    EXPECT_EQ(RowNames(TaskListView), "a c");
    EXPECT_EQ(TaskIndexToRow(1), 1);   // the row of the last task is found through its id
    EXPECT_EQ(StatusBarText(), "  総数 =    2  実行 =    0  待機 =    0  完了 =    0  停止 =    2  エラー =    0");
    EXPECT_TRUE(Fake.messages.empty());
}

TEST_F(TaskDeleteTest, DeletingTheOnlyTaskLeavesZerosAndIdsGoOn) {
    short only = AddRowTask("a");
    uint32_t id = TaskTable[only].id;
    ASSERT_TRUE(DeleteTask(only));
    EXPECT_EQ(TaskCount, 0);
    EXPECT_EQ(Lv_RowCount(TaskListView), 0);
    EXPECT_EQ(StatusBarText(), "  総数 =    0  実行 =    0  待機 =    0  完了 =    0  停止 =    0  エラー =    0");
    short next = AddRowTask("b");
    EXPECT_EQ(TaskTable[next].id, id + 1);
}

TEST_F(TaskDeleteTest, CurrentTaskIndexFollowsItsTask) {
    struct Case {
        const char* name;
        short current;
        short deleted;
        short expected;
    };
    const Case cases[] = {
        {"earlier task deleted", 2, 0, 1},
        {"the current task deleted", 1, 1, -1},
        {"later task deleted", 0, 2, 0},
        {"none current", -1, 1, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetTasks();
        AddRowTask("a");
        AddRowTask("b");
        AddRowTask("c");
        CurrentTaskIndex = c.current;
        ASSERT_TRUE(DeleteTask(c.deleted));
        EXPECT_EQ(CurrentTaskIndex, c.expected);
    }
    CurrentTaskIndex = -1;
}

// A run finds its task again by id after each library call; only the task
// being run must stay. Clearing the whole list waits for the run to end.
TEST_F(TaskDeleteTest, ARunningTaskIsNeverDeleted) {
    struct Case {
        const char* name;
        int firstStatus;
        RunSwitchValue runSwitch;
        short deleted;
        bool deletes;
        bool clears;
    };
    const Case cases[] = {
        {"the running task itself", Running, RunInLibrary, 0, false, false},
        {"another task during the library call", Running, RunInLibrary, 1, true, false},
        {"running status between calls", Running, RunOn, 0, false, false},
        {"library call without a Running task", Waiting, RunInLibrary, 0, true, false},
        {"nothing running", Done, RunOn, 0, true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetTasks();
        AddRowTask("a", TaskCompression, c.firstStatus);
        AddRowTask("b", TaskCompression, Done);
        AddRowTask("c", TaskCompression, Done);
        RunSwitch = c.runSwitch;
        EXPECT_EQ(DeleteTask(c.deleted), c.deletes);
        short left = c.deletes ? 2 : 3;
        EXPECT_EQ(TaskCount, left);
        EXPECT_EQ(Lv_RowCount(TaskListView), TaskCount);
        EXPECT_EQ(ClearTaskList(), c.clears);
        EXPECT_EQ(TaskCount, c.clears ? 0 : left);
        EXPECT_EQ(Lv_RowCount(TaskListView), TaskCount);
        RunSwitch = RunIdle;
    }
}

TEST_F(TaskDeleteTest, ClearTaskListEmptiesTableAndRows) {
    AddRowTask("a");
    AddRowTask("b", TaskExtraction, Done);
    AddRowTask("c", TaskCompression, Error);
    ASSERT_TRUE(ClearTaskList());
    EXPECT_EQ(TaskCount, 0);
    EXPECT_EQ(TaskTable, nullptr);
    EXPECT_EQ(Lv_RowCount(TaskListView), 0);
    EXPECT_TRUE(Fake.messages.empty());
}

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "tasks/task_table.h"
#include "tests/win/test_support.h"
#include "app/controls.h"
#include "ui/main_window.h"
#include "tasks/task_rows.h"

// Adds a record and its row the way task creation does.
static short AddTaskWithRow(const char* name) {
    short index = AppendTaskRecord(TaskCompression, 0);
    EXPECT_GE(index, 0);
    int row = Lv_InsertRow(TaskListView, Lv_RowCount(TaskListView), name, TaskTable[index].id);
    Lv_SetCell(TaskListView, row, ColumnStatus, TaskStatusLabel(Stopped));
    return index;
}

class TaskTableTest : public testing::Test {
protected:
    void SetUp() override { ResetTasks(); }
};

TEST_F(TaskTableTest, IdsKeepGrowingAcrossDeletions) {
    uint32_t first = NextTaskId;
    AddTaskWithRow("a");
    AddTaskWithRow("b");
    AddTaskWithRow("c");
    EXPECT_EQ(TaskCount, 3);
    EXPECT_EQ(TaskTable[0].id, first);
    EXPECT_EQ(TaskTable[2].id, first + 2);

    RemoveTaskRecord(0);  // the gap closes: later indices drop by one
    ASSERT_EQ(TaskCount, 2);
    EXPECT_EQ(TaskTable[0].id, first + 1);
    EXPECT_EQ(TaskTable[1].id, first + 2);

    RemoveTaskRecord(1);
    RemoveTaskRecord(0);
    EXPECT_EQ(TaskCount, 0);
    EXPECT_EQ(TaskTable, nullptr);  // an empty table holds no storage
    short index = AppendTaskRecord(TaskExtraction, 2);
    ASSERT_EQ(index, 0);
    EXPECT_EQ(TaskTable[0].id, first + 3);  // never reused
    EXPECT_EQ(TaskTable[0].status, Stopped);
    EXPECT_EQ(TaskTable[0].fileList, nullptr);
    EXPECT_STREQ(TaskTable[0].destination, "");
}

TEST_F(TaskTableTest, RemovingOutOfRangeChangesNothing) {
    AddTaskWithRow("a");
    RemoveTaskRecord(-1);
    RemoveTaskRecord(1);
    EXPECT_EQ(TaskCount, 1);
}

static int CALLBACK ReverseById(LPARAM a, LPARAM b, LPARAM) { return a < b ? 1 : (a > b ? -1 : 0); }

TEST_F(TaskTableTest, RowsAndIndicesAgreeAfterReordering) {
    AddTaskWithRow("a");
    AddTaskWithRow("b");
    AddTaskWithRow("c");
    SendMessageA(TaskListView, LVM_SORTITEMS, 0, reinterpret_cast<LPARAM>(ReverseById));
    EXPECT_EQ(CellText(TaskListView, 0, 0), "c");
    EXPECT_EQ(RowToTaskIndex(0), 2);
    EXPECT_EQ(RowToTaskIndex(2), 0);
    EXPECT_EQ(TaskIndexToRow(0), 2);
    EXPECT_EQ(TaskIndexToRow(1), 1);
    EXPECT_TRUE(Fake.messages.empty());
}

TEST_F(TaskTableTest, MissingRecordOrRowIsReported) {
    AddTaskWithRow("a");
    Lv_InsertRow(TaskListView, 1, "orphan", 999999);
    EXPECT_EQ(RowToTaskIndex(1), -1);
    ASSERT_EQ(Fake.messages.size(), 1u);
    EXPECT_EQ(Fake.messages[0].text, "ファイルリストウィンドウが見つかりません。");
    EXPECT_EQ(Fake.messages[0].caption, "error");
    EXPECT_EQ(Fake.messages[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));

    SendMessageA(TaskListView, LVM_DELETEALLITEMS, 0, 0);
    EXPECT_EQ(TaskIndexToRow(0), -1);
    EXPECT_EQ(Fake.messages.size(), 2u);
}

static std::string StatusPart(int part) {
    char text[256] = "";
    SendMessageA(MainStatusBar, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(text));
    return text;
}

TEST_F(TaskTableTest, StatusChangesRowAndCountsOnRefresh) {
    RefreshStatusBar();
    EXPECT_EQ(StatusPart(0), "  総数 =    0  実行 =    0  待機 =    0  完了 =    0  停止 =    0  エラー =    0");
    AddTaskWithRow("a");
    AddTaskWithRow("b");
    AddTaskWithRow("c");
    SetTaskStatus(0, Waiting);
    SetTaskStatus(2, Error);
    EXPECT_EQ(TaskTable[0].status, Waiting);
    EXPECT_EQ(CellText(TaskListView, 0, ColumnStatus), "待機");
    EXPECT_EQ(CellText(TaskListView, 2, ColumnStatus), "エラー");
    // The bar follows only when refreshed.
    EXPECT_EQ(StatusPart(0), "  総数 =    0  実行 =    0  待機 =    0  完了 =    0  停止 =    0  エラー =    0");
    RefreshStatusBar();
    EXPECT_EQ(StatusPart(0), "  総数 =    3  実行 =    0  待機 =    1  完了 =    0  停止 =    1  エラー =    1");
    SetTaskStatus(1, 7);  // not a status: ignored
    EXPECT_EQ(TaskTable[1].status, Stopped);
}

TEST_F(TaskTableTest, SelectionCountFollowsTheList) {
    AddTaskWithRow("a");
    AddTaskWithRow("b");
    Lv_SetSelected(TaskListView, 0, true);
    Lv_SetSelected(TaskListView, 1, true);
    EXPECT_EQ(StatusPart(1), "選択数 =    2");
    Lv_SetSelected(TaskListView, 0, false);
    EXPECT_EQ(StatusPart(1), "選択数 =    1");
}

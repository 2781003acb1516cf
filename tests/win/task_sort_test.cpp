#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "filelist/file_list_window.h"
#include "app/list_sort.h"
#include "tasks/task_rows.h"
#include "ui/task_list_view.h"
#include "tests/win/task_rows.h"
#include "tests/win/test_support.h"

class TaskSortTest : public testing::Test {
protected:
    void SetUp() override {
        ResetTasks();
        for (unsigned char& flag : ColumnSortFlags) flag = 0;
        for (unsigned char& flag : FileSortFlags) flag = 0;
    }
};

TEST_F(TaskSortTest, CountsSortByValueAndTheNextClickReverses) {
    const char* counts[] = {"1,200", "950", "12"};
    const char* names[] = {"x", "y", "z"};
    for (int i = 0; i < 3; ++i) {
        AddRowTask(names[i]);
        Lv_SetCell(TaskListView, i, ColumnCount, counts[i]);
    }
    SortTaskListByColumn(ColumnCount);
    EXPECT_EQ(RowNames(TaskListView), "z y x");
    EXPECT_EQ(ColumnSortFlags[ColumnCount], 1);
    EXPECT_EQ(CellText(TaskListView, 2, ColumnCount), "1,200");   // the cells keep their separators
    SortTaskListByColumn(ColumnCount);
    EXPECT_EQ(RowNames(TaskListView), "x y z");
    EXPECT_EQ(ColumnSortFlags[ColumnCount], 0);
    EXPECT_EQ(ColumnSortFlags[ColumnSize], 0);   // one flag per column
}

TEST_F(TaskSortTest, TextColumnsSortByBytes) {
    AddRowTask("B.zip");
    AddRowTask("a.zip");
    AddRowTask("A.zip");
    AddRowTask("表.zip");
    SortTaskListByColumn(ColumnName);
    EXPECT_EQ(RowNames(TaskListView), "A.zip B.zip a.zip 表.zip");
    // The table order is untouched; only the rows moved.
    EXPECT_EQ(RowToTaskIndex(0), 2);
    EXPECT_EQ(RowToTaskIndex(3), 3);
    SortTaskListByColumn(ColumnName);
    EXPECT_EQ(RowNames(TaskListView), "表.zip a.zip B.zip A.zip");
}

// Rows that no longer stand in table order are still found: a status set
// after sorting and after a row moved lands on the task's own row.
TEST_F(TaskSortTest, CellsOfATaskFollowItsRowAfterSortingAndMoving) {
    const char* names[] = {"c.zip", "a.zip", "d.zip", "b.zip"};
    for (const char* name : names) AddRowTask(name);
    SortTaskListByColumn(ColumnName);
    ASSERT_EQ(RowNames(TaskListView), "a.zip b.zip c.zip d.zip");
    for (short index = 0; index < 4; ++index) {
        int row = TaskIndexToRow(index);
        ASSERT_GE(row, 0);
        EXPECT_EQ(CellText(TaskListView, row, ColumnName), names[index]);
    }
    SetTaskStatus(2, Waiting);   // d.zip, now the last row
    EXPECT_EQ(CellText(TaskListView, 3, ColumnStatus), "待機");
    EXPECT_EQ(CellText(TaskListView, 2, ColumnStatus), "停止");
    Lv_SetSelected(TaskListView, 3, true);
    MoveSelectedTasks(true);   // d.zip one row up, past c.zip
    ASSERT_EQ(RowNames(TaskListView), "a.zip b.zip d.zip c.zip");
    SetTaskStatus(0, Error);   // c.zip
    EXPECT_EQ(CellText(TaskListView, 3, ColumnStatus), "エラー");
    EXPECT_EQ(TaskIndexToRow(2), 2);
}

// The file lists share one set of flags: a click in one task's list decides
// the direction of the next click in another's.
TEST_F(TaskSortTest, FileListsShareTheirFlags) {
    HWND lists[2];
    for (HWND& list : lists) {
        list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 0, 0, 100, 100, MainWindow, nullptr,
                               nullptr, nullptr);
        for (int column = 0; column < 4; ++column) Lv_AddColumn(list, column, "h", 50, LVCFMT_LEFT);
        const char* rows[][3] = {{"b", "2,000", "2024/01/02 10:00:00"},
                                 {"c", "フォルダ", "アクセス不可"},
                                 {"a", "300", "2023/12/31 23:59:59"}};
        for (int row = 0; row < 3; ++row) {
            Lv_InsertRow(list, row, rows[row][0], row + 1);
            Lv_SetCell(list, row, 1, rows[row][1]);
            Lv_SetCell(list, row, 2, rows[row][2]);
        }
    }
    SortFileListByColumn(lists[0], 1);
    EXPECT_EQ(RowNames(lists[0]), "c a b");   // "フォルダ" reads as 0
    SortFileListByColumn(lists[1], 1);
    EXPECT_EQ(RowNames(lists[1]), "b a c");   // second click anywhere: descending
    SortFileListByColumn(lists[0], 2);
    EXPECT_EQ(RowNames(lists[0]), "a b c");   // dates in order, then the bytes of "アクセス不可"
    EXPECT_EQ(FileSortFlags[2], 1);
    EXPECT_EQ(ColumnSortFlags[1], 0);        // the task list's flags are untouched
    for (HWND list : lists) DestroyWindow(list);
}

TEST_F(TaskSortTest, CompareRowsReadsTheListWhenCalledDirectly) {
    AddRowTask("b");
    AddRowTask("a");
    SortedList = {TaskListView, &TaskListSortRule};
    ColumnSortFlags[0] = 1;
    EXPECT_EQ(CompareRows(TaskTable[0].id, TaskTable[1].id, 0), 1);
    ColumnSortFlags[0] = 0;
    EXPECT_EQ(CompareRows(TaskTable[0].id, TaskTable[1].id, 0), -1);
    EXPECT_EQ(CompareRows(TaskTable[0].id, TaskTable[1].id, 6), 0);   // no such column
}

// The task list's context menu, keys, and the row commands of the main window.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "resources/resource.h"
#include "tasks/task_table.h"
#include "tests/win/test_support.h"
#include "app/controls.h"
#include "ui/main_window.h"
#include "tasks/task_rows.h"

static POINT ScreenPoint(int x, int y) {
    POINT point = {x, y};
    ClientToScreen(TaskListView, &point);
    return point;
}

static void ExpectTaskMenuAt(POINT point) {
    ASSERT_EQ(Fake.popups.size(), 1u);
    EXPECT_EQ(Fake.popups[0].firstCommand, IDM_NEW_ARCHIVE);
    EXPECT_EQ(Fake.popups[0].itemCount, 19);  // with retry and the error details
    EXPECT_EQ(Fake.popups[0].x, point.x);
    EXPECT_EQ(Fake.popups[0].y, point.y);
    EXPECT_EQ(Fake.popups[0].owner, MainWindow);
}

// Rows named "1".."n"; selected rows given as a mask, bit 0 for the top row.
static void MakeRows(int count, unsigned selected) {
    ResetTasks();
    for (int i = 0; i < count; ++i) {
        char name[4] = {static_cast<char>('1' + i), '\0'};
        AddTestTask(TaskCompression, Stopped, name);
        Lv_SetSelected(TaskListView, i, (selected >> i) & 1);
    }
}

// "2* 1 3*": names top to bottom, '*' after a selected row.
static std::string Rows() {
    std::string text;
    for (int row = 0; row < Lv_RowCount(TaskListView); ++row) {
        if (!text.empty()) text += ' ';
        text += CellText(TaskListView, row, ColumnName);
        if (Lv_IsSelected(TaskListView, row)) text += '*';
    }
    return text;
}

static void Command(int id) { SendMessageA(MainWindow, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

TEST(TaskListView, ContextMenuKeyShowsTheTaskMenuAtTheSelectionMark) {
    MakeRows(3, 0b100);
    SendMessageA(TaskListView, LVM_SETSELECTIONMARK, 0, 2);
    POINT item = {};
    SendMessageA(TaskListView, LVM_GETITEMPOSITION, 2, reinterpret_cast<LPARAM>(&item));
    ASSERT_GT(item.y, 0);
    SendMessageA(TaskListView, WM_KEYDOWN, VK_APPS, 0);
    ExpectTaskMenuAt(ScreenPoint(item.x, item.y));
    EXPECT_EQ(GetFocus(), TaskListView);
}

TEST(TaskListView, OtherKeysKeepTheListsOwnHandling) {
    MakeRows(3, 0b001);
    SetFocus(TaskListView);
    LVITEMA focus = {};
    focus.stateMask = LVIS_FOCUSED | LVIS_SELECTED;
    focus.state = LVIS_FOCUSED | LVIS_SELECTED;
    SendMessageA(TaskListView, LVM_SETITEMSTATE, 0, reinterpret_cast<LPARAM>(&focus));
    SendMessageA(TaskListView, WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_TRUE(Fake.popups.empty());
    EXPECT_EQ(SendMessageA(TaskListView, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_FOCUSED), 1);
}

TEST(TaskListView, RightClickShowsTheMenuAtTheClickPointAlsoOnEmptySpace) {
    struct Case {
        const char* name;
        int item;
        POINT click;
    };
    const Case cases[] = {{"on a row", 0, {20, 5}}, {"empty space", -1, {200, 300}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MakeRows(1, 0);
        Fake.popups.clear();
        NMITEMACTIVATE click = {};
        click.hdr.hwndFrom = TaskListView;
        click.hdr.idFrom = IDC_TASKLIST;
        click.hdr.code = NM_RCLICK;
        click.iItem = c.item;
        click.ptAction = c.click;
        SendMessageA(MainWindow, WM_NOTIFY, IDC_TASKLIST, reinterpret_cast<LPARAM>(&click));
        ExpectTaskMenuAt(ScreenPoint(c.click.x, c.click.y));
    }
}

TEST(TaskListView, NotificationsOfOtherChildrenAreIgnored) {
    MakeRows(1, 0);
    NMITEMACTIVATE click = {};
    click.hdr.hwndFrom = MainToolbar;
    click.hdr.idFrom = IDC_TOOLBAR;
    click.hdr.code = NM_RCLICK;
    SendMessageA(MainWindow, WM_NOTIFY, IDC_TOOLBAR, reinterpret_cast<LPARAM>(&click));
    EXPECT_TRUE(Fake.popups.empty());
}

TEST(TaskListView, MoveCommandsFollowTheMoveRules) {
    struct Case {
        int count;
        unsigned selected;
        int command;
        const char* before;
        const char* after;
    };
    const Case cases[] = {
        {3, 0b110, IDM_MOVE_UP, "1 2* 3*", "2* 3* 1"},
        {3, 0b011, IDM_MOVE_DOWN, "1* 2* 3", "3 1* 2*"},
        {3, 0b101, IDM_MOVE_UP, "1* 2 3*", "1* 3* 2"},  // the top row stays, the other still moves
        {3, 0b011, IDM_MOVE_UP, "1* 2* 3", "1* 2* 3"},  // held by the edge
        {5, 0b01010, IDM_MOVE_DOWN, "1 2* 3 4* 5", "1 3 2* 5 4*"},
        {3, 0b000, IDM_MOVE_UP, "1 2 3", "1 2 3"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.before);
        MakeRows(c.count, c.selected);
        ASSERT_EQ(Rows(), c.before);
        Command(c.command);
        EXPECT_EQ(Rows(), c.after);
        // The table keeps its order: only the rows (the run order) moved.
        for (short i = 0; i < TaskCount; ++i) EXPECT_EQ(TaskTable[i].id, TaskTable[0].id + i);
    }
}

// The rule itself named with the tasks of the issue: T2*, T1, T3* up.
TEST(TaskListView, MoveUpWithTheTopRowSelected) {
    ResetTasks();
    short t1 = AddTestTask(TaskCompression, Stopped, "T1");
    short t2 = AddTestTask(TaskCompression, Stopped, "T2");
    short t3 = AddTestTask(TaskExtraction, Done, "T3");
    Command(IDM_MOVE_DOWN);  // nothing selected: nothing moves
    Lv_SetSelected(TaskListView, 1, true);
    Command(IDM_MOVE_UP);
    Lv_SetSelected(TaskListView, 2, true);
    ASSERT_EQ(Rows(), "T2* T1 T3*");
    Command(IDM_MOVE_UP);
    EXPECT_EQ(Rows(), "T2* T3* T1");
    Command(IDM_MOVE_UP);
    EXPECT_EQ(Rows(), "T2* T3* T1");
    EXPECT_EQ(TaskIndexToRow(t1), 2);
    EXPECT_EQ(TaskIndexToRow(t2), 0);
    EXPECT_EQ(TaskIndexToRow(t3), 1);
    EXPECT_EQ(CellText(TaskListView, 1, ColumnStatus), "完了");
}

TEST(TaskListView, SelectAllAndInvert) {
    struct Case {
        unsigned selected;
        int command;
        const char* after;
    };
    const Case cases[] = {
        {0b000, IDM_SELECT_ALL, "1* 2* 3*"},
        {0b010, IDM_SELECT_ALL, "1* 2* 3*"},
        {0b010, IDM_INVERT, "1* 2 3*"},
        {0b111, IDM_INVERT, "1 2 3"},
        {0b000, IDM_INVERT, "1* 2* 3*"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.after);
        MakeRows(3, c.selected);
        Command(c.command);
        EXPECT_EQ(Rows(), c.after);
        char count[32];
        snprintf(count, sizeof(count), "選択数 = %4d", Lv_SelectedCount(TaskListView));
        char shown[32] = "";
        SendMessageA(MainStatusBar, SB_GETTEXTA, 1, reinterpret_cast<LPARAM>(shown));
        EXPECT_STREQ(shown, count);
    }
}

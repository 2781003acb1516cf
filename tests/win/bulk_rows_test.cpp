#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/controls.h"
#include "app/long_work.h"
#include "filelist/collect.h"
#include "filelist/file_list_window.h"
#include "resources/resource.h"
#include "tasks/task_delete.h"
#include "tasks/task_rows.h"
#include "tasks/task_table.h"
#include "tests/win/test_support.h"
#include "ui/main_controls.h"
#include "ui/main_window.h"
#include "ui/status_bar.h"

namespace {

// Escape is pressed when the progress in part 0 of the bar reads `text`:
// the long work shows it just before it handles the messages, so the work
// stops after exactly that many steps.
struct StopWatch {
    WNDPROC previous = nullptr;
    HWND bar = nullptr;
    HWND list = nullptr;
    std::string text;
};
StopWatch Stop;

LRESULT CALLBACK StoppingBarProc(HWND bar, UINT message, WPARAM wp, LPARAM lp) {
    if (message == SB_SETTEXTA && LOWORD(wp) == 0 && Stop.text == reinterpret_cast<const char*>(lp)) {
        PostMessageA(Stop.list, WM_KEYDOWN, VK_ESCAPE, 0);
    }
    return CallWindowProcA(Stop.previous, bar, message, wp, lp);
}

void StopAfter(HWND bar, HWND list, const char* verb, int steps) {
    Stop.bar = bar;
    Stop.list = list;
    Stop.text = "  " + std::to_string(steps) + " 件" + verb + " (Escで中止)";
    Stop.previous = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(StoppingBarProc)));
}

void EndStopWatch() {
    if (Stop.previous != nullptr) SetWindowLongPtrA(Stop.bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(Stop.previous));
    Stop = StopWatch();
}

// What a user sees of a list and its window: every cell with its selection
// mark, and both parts of the status bar.
std::vector<std::string> See(HWND list, int columns, HWND bar) {
    std::vector<std::string> seen;
    for (int row = 0; row < Lv_RowCount(list); ++row) {
        std::string line = Lv_IsSelected(list, row) ? "*" : "-";
        for (int column = 0; column < columns; ++column) line += "|" + CellText(list, row, column);
        seen.push_back(line);
    }
    seen.push_back(StatusText(bar, 0));
    seen.push_back(StatusText(bar, 1));
    return seen;
}

void Select(HWND list, const std::string& marks) {
    for (size_t row = 0; row < marks.size(); ++row) Lv_SetSelected(list, static_cast<int>(row), marks[row] == '*');
}

int FirstSelected(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED)); }

int LastSelected(HWND list) {
    int last = -1;
    for (int row = 0; row < Lv_RowCount(list); ++row) {
        if (Lv_IsSelected(list, row)) last = row;
    }
    return last;
}

class BulkRowsTest : public testing::Test {
protected:
    void SetUp() override {
        ResetTasks();
        folder = TempFolder("bulk");
        for (int i = 0; i < 6; ++i) {
            paths.push_back(folder + "f" + std::to_string(i) + ".txt");
            WriteFileBytes(paths.back(), std::string(10 * (i + 1), 'x'));
        }
        LongWorkPumpInterval = 0;  // messages are handled before every step
    }
    void TearDown() override {
        EndStopWatch();
        LongWorkPumpInterval = 100;
        if (CurrentTaskIndex >= 0) CommitFileList(CurrentTaskIndex);
        ResetTasks();
    }

    // A shown compression task holding the six files.
    HWND ShownFileList(const std::string& marks) {
        short index = NewCompressionTask();
        EXPECT_TRUE(ShowTaskFileList(index));
        for (const std::string& path : paths) AddPathToCurrentTask(path.c_str());
        HWND list = CurrentFileList();
        Select(list, marks);
        return list;
    }

    // Six tasks T0..T5, each a compression task of one file, not edited.
    void SixTasks(const std::string& marks) {
        for (int i = 0; i < 6; ++i) {
            short index = NewCompressionTask();
            AddPathToCurrentTask(paths[i].c_str());
            SetTaskCell(index, ColumnName, ("T" + std::to_string(i)).c_str());
        }
        CurrentTaskIndex = -1;
        Select(TaskListView, marks);
        RefreshStatusBar();
    }

    std::string folder;
    std::vector<std::string> paths;
};

// A bulk delete or move, run to its end or stopped with Escape after some
// steps, leaves what the one-row path leaves: deleting the selected rows one
// at a time (all of them, or the bottom ones the bulk work reached first),
// and a stopped move nothing moved. Compared: every cell, the selection, the
// totals line or status counts, the selection count; for tasks also that
// each remaining task still has its file list and the table matches the rows.
TEST_F(BulkRowsTest, StoppedOrNotTheResultIsTheOneRowPaths) {
    struct Case {
        const char* name;
        bool tasks;        // the main window's task list, else a file list
        int command;
        const char* marks;
        int stopAt;        // steps taken before Escape; -1 runs to the end
    };
    const Case cases[] = {
        {"files: delete scattered rows", false, IDM_DELETE, "-*-**-", -1},
        {"files: delete stopped before the first row", false, IDM_DELETE, "-*-**-", 0},
        {"files: delete stopped after two rows", false, IDM_DELETE, "-*-**-", 2},
        {"files: delete every row", false, IDM_DELETE, "******", -1},
        {"files: delete every row stopped at once", false, IDM_DELETE, "******", 0},
        {"files: move stopped while reading", false, IDM_MOVE_UP, "-*-**-", 3},
        {"files: select all stopped after two rows", false, IDM_SELECT_ALL, "-*----", 2},
        {"tasks: delete scattered rows", true, IDM_DELETE, "-*-**-", -1},
        {"tasks: delete stopped after two tasks", true, IDM_DELETE, "-*-**-", 2},
        {"tasks: delete every task", true, IDM_DELETE, "******", -1},
        {"tasks: delete every task stopped after five", true, IDM_DELETE, "******", 5},
        {"tasks: move stopped while reading", true, IDM_MOVE_DOWN, "*--*--", 4},
    };
    const char* verbs[] = {"削除", "移動", "選択"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const char* verb = c.command == IDM_DELETE ? verbs[0] : (c.command == IDM_SELECT_ALL ? verbs[2] : verbs[1]);
        int selected = static_cast<int>(std::count(c.marks, c.marks + 6, '*'));
        int oneRowSteps = c.command != IDM_DELETE ? 0 : (c.stopAt < 0 ? selected : c.stopAt);

        // The one-row path.
        std::vector<std::string> expected;
        if (c.tasks) {
            ResetTasks();
            SixTasks(c.marks);
            for (int i = 0; i < oneRowSteps; ++i) ASSERT_TRUE(DeleteTask(RowToTaskIndex(c.stopAt < 0 ? FirstSelected(TaskListView) : LastSelected(TaskListView))));
            RefreshSelectionCount();
            expected = See(TaskListView, TaskColumnCount, MainStatusBar);
        } else {
            HWND list = ShownFileList(c.marks);
            for (int i = 0; i < oneRowSteps; ++i) SendMessageA(list, LVM_DELETEITEM, c.stopAt < 0 ? FirstSelected(list) : LastSelected(list), 0);
            if (c.command == IDM_SELECT_ALL) {
                for (int row = 0; row < c.stopAt; ++row) Lv_SetSelected(list, row, true);
            }
            if (c.command == IDM_DELETE) RefreshFileListTotals();
            RefreshFileSelectionCount();
            expected = See(list, FileColumnCount, FileListStatusBar);
            CommitFileList(CurrentTaskIndex);
        }

        // The bulk path, through the command.
        ResetTasks();
        HWND list = TaskListView;
        HWND window = MainWindow;
        HWND bar = MainStatusBar;
        if (c.tasks) {
            SixTasks(c.marks);
        } else {
            list = ShownFileList(c.marks);
            window = FileListWindow;
            bar = FileListStatusBar;
        }
        if (c.stopAt >= 0) StopAfter(bar, list, verb, c.stopAt);
        SendMessageA(window, WM_COMMAND, MAKEWPARAM(c.command, 0), 0);
        EndStopWatch();
        EXPECT_FALSE(LongWorkRunning());
        EXPECT_EQ(See(list, c.tasks ? TaskColumnCount : FileColumnCount, bar), expected);
        if (c.tasks) {
            ASSERT_EQ(Lv_RowCount(TaskListView), TaskCount);
            for (int row = 0; row < TaskCount; ++row) {
                short index = RowToTaskIndex(row);
                ASSERT_GE(index, 0);
                EXPECT_TRUE(IsWindow(TaskTable[index].fileList));
                EXPECT_EQ(Lv_RowCount(TaskTable[index].fileList), 1);
            }
        } else {
            CommitFileList(CurrentTaskIndex);
        }
        EXPECT_TRUE(Fake.messages.empty());
    }
}

}  // namespace

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/controls.h"
#include "app/instance.h"
#include "app/long_work.h"
#include "filelist/collect.h"
#include "filelist/file_list_window.h"
#include "resources/resource.h"
#include "tasks/task_rows.h"
#include "tasks/task_table.h"
#include "tests/win/test_support.h"
#include "ui/main_commands.h"
#include "ui/main_window.h"

namespace {

std::string Field() {
    char text[PathSize];
    ReadArchivePathField(text, sizeof(text));
    return text;
}

// What a user sees of a list: every cell of every row, the totals line, the
// selection count and the archive path.
struct ListView {
    std::vector<std::vector<std::string>> rows;
    std::string totals;
    std::string selection;
    std::string archive;
};

ListView See(HWND list) {
    ListView seen;
    for (int row = 0; row < Lv_RowCount(list); ++row) {
        std::vector<std::string> cells;
        for (int column = 0; column < 4; ++column) cells.push_back(CellText(list, row, column));
        seen.rows.push_back(cells);
    }
    seen.totals = StatusText(FileListStatusBar, 0);
    seen.selection = StatusText(FileListStatusBar, 1);
    seen.archive = Field();
    return seen;
}

void ExpectSame(const ListView& one, const ListView& other) {
    EXPECT_EQ(one.rows, other.rows);
    EXPECT_EQ(one.totals, other.totals);
    EXPECT_EQ(one.selection, other.selection);
    EXPECT_EQ(one.archive, other.archive);
}

std::vector<const char*> Pointers(const std::vector<std::string>& paths) {
    std::vector<const char*> pointers;
    for (const std::string& path : paths) pointers.push_back(path.c_str());
    return pointers;
}

// A new task shown in the file-list window, zip selected, its list holding
// the given rows first with its first row selected.
HWND NewTaskWith(const std::vector<std::string>& before) {
    if (NewCompressionTask() < 0) return nullptr;
    ShowTaskFileList(CurrentTaskIndex);
    SendMessageA(FormatBox, CB_SETCURSEL, 0, 0);
    HWND list = CurrentFileList();
    for (const std::string& path : before) AddPathToCurrentTask(path.c_str());
    if (!before.empty()) Lv_SetSelected(list, 0, true);
    return list;
}

// Watches the rows being inserted into the current list (the file-list
// window is told of each one) and runs a step at a chosen row.
struct InsertWatch {
    int rows = 0;
    int at = -1;
    std::function<void()> step;
};
InsertWatch Watch;
WNDPROC WindowProcedure = nullptr;

LRESULT CALLBACK WatchingProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == WM_NOTIFY && reinterpret_cast<const NMHDR*>(lp)->code == LVN_INSERTITEM) {
        if (++Watch.rows == Watch.at && Watch.step) Watch.step();
    }
    return CallWindowProcA(WindowProcedure, window, message, wp, lp);
}

class FileAdditionTest : public testing::Test {
protected:
    void SetUp() override {
        ResetTasks();
        folder = TempFolder("addition");
        WriteFileBytes(folder + "a.txt", std::string(10, 'a'));
        WriteFileBytes(folder + "表示.txt", std::string(2000, 'b'));
        CreateDirectoryA((folder + "ソフト").c_str(), nullptr);
        WriteFileBytes(folder + "ソフト\\inner.txt", std::string(300, 'c'));
        for (int i = 0; i < 40; ++i) WriteFileBytes(folder + "many" + std::to_string(i) + ".bin", std::string(i, 'm'));
    }
    void TearDown() override {
        if (WindowProcedure != nullptr) {
            SetWindowLongPtrA(FileListWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WindowProcedure));
            WindowProcedure = nullptr;
        }
        Watch = InsertWatch();
        LongWorkPumpInterval = 100;
        ResetTasks();
    }
    void WatchInserts(int at, std::function<void()> step) {
        Watch = InsertWatch();
        Watch.at = at;
        Watch.step = std::move(step);
        WindowProcedure = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(FileListWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchingProc)));
    }
    std::string folder;
};

// Adding many paths at once leaves what adding them one at a time leaves:
// rows, totals line, selection count and archive path, also after rows
// already in the list (a folder row among them) and when the first path
// names no archive.
TEST_F(FileAdditionTest, ManyAtOnceMatchOneAtATime) {
    struct Case {
        const char* name;
        std::vector<std::string> before;
        std::vector<std::string> paths;
    };
    const Case cases[] = {
        {"empty list", {}, {folder + "a.txt", folder + "ソフト", folder + "missing", folder + "表示.txt", folder + "a.txt"}},
        {"after rows", {folder + "ソフト", folder + "a.txt"}, {folder + "表示.txt", folder + "ソフト", folder + "gone"}},
        {"root first", {}, {"C:\\", folder + "a.txt"}},
        // No archive name fits beside a path of 259 bytes: the next one names it.
        {"long first", {}, {folder + std::string(259 - folder.size(), 'x'), folder + "a.txt"}},
        {"nothing", {folder + "a.txt"}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HWND single = NewTaskWith(c.before);
        ASSERT_NE(single, nullptr);
        for (const std::string& path : c.paths) AddPathToCurrentTask(path.c_str());
        ListView one = See(single);

        HWND batch = NewTaskWith(c.before);
        ASSERT_NE(batch, nullptr);
        std::vector<const char*> pointers = Pointers(c.paths);
        EXPECT_TRUE(AddPathsToCurrentTask(pointers.data(), pointers.size()));
        ListView many = See(batch);
        ExpectSame(one, many);
        EXPECT_EQ(many.rows.size(), c.before.size() + c.paths.size());
        // Row ids go on from the rows before, one per row.
        for (int row = 1; row < Lv_RowCount(batch); ++row) {
            EXPECT_EQ(Lv_RowId(batch, row), Lv_RowId(batch, row - 1) + 1);
        }
        EXPECT_FALSE(LongWorkRunning());
    }
}

// The open-folder command and the refresh command give the rows and totals
// that adding the same paths one at a time gives.
TEST_F(FileAdditionTest, FolderAndRefreshMatchOneAtATime) {
    HWND list = NewTaskWith({});
    ASSERT_NE(list, nullptr);
    AddFolderContents(folder.c_str());
    ListView added = See(list);
    ASSERT_EQ(added.rows.size(), 43u);
    std::vector<std::string> paths;
    for (const std::vector<std::string>& row : added.rows) paths.push_back(row[3]);

    HWND single = NewTaskWith(paths);
    Lv_SetSelected(single, 0, false);
    ListView one = See(single);
    EXPECT_EQ(one.rows, added.rows);
    EXPECT_EQ(one.totals, added.totals);
    EXPECT_EQ(one.selection, added.selection);

    // A grown file and a removed one show after the refresh, in the totals too.
    WriteFileBytes(folder + "a.txt", std::string(5000, 'a'));
    ASSERT_TRUE(DeleteFileA((folder + "表示.txt").c_str()));
    SendMessageA(FileListWindow, WM_COMMAND, MAKEWPARAM(IDM_REFRESH, 0), 0);
    ListView refreshed = See(single);
    EXPECT_NE(refreshed.rows, one.rows);
    NewTaskWith(paths);
    ListView expected = See(CurrentFileList());
    EXPECT_EQ(refreshed.rows, expected.rows);
    EXPECT_EQ(refreshed.totals, expected.totals);
}

// Escape in the middle of an addition keeps the rows added so far, with the
// totals of those rows; the progress showed in the status bar while it ran,
// and commands and closing that would change the list did nothing.
TEST_F(FileAdditionTest, EscapeKeepsAConsistentList) {
    HWND list = NewTaskWith({folder + "a.txt"});
    ASSERT_NE(list, nullptr);
    std::vector<std::string> paths;
    for (int i = 0; i < 40; ++i) paths.push_back(folder + "many" + std::to_string(i) + ".bin");
    paths.insert(paths.begin() + 1, folder + "ソフト");
    LongWorkPumpInterval = 0;  // messages are handled before every row
    std::string progress;
    bool browsed = false;
    Fake.browse = [&browsed](const char*, const char*, char*, size_t) { return browsed = true; };
    WatchInserts(5, [&] {
        progress = StatusText(FileListStatusBar, 0);  // four rows added by now
        Lv_SetSelected(list, -1, true);
        PostMessageA(FileListWindow, WM_COMMAND, MAKEWPARAM(IDM_DELETE, 0), 0);
        PostMessageA(FileListWindow, WM_COMMAND, MAKEWPARAM(IDM_OPEN_FOLDER, 0), 0);
        PostMessageA(FileListWindow, WM_CLOSE, 0, 0);
        PostMessageA(MainWindow, WM_COMMAND, MAKEWPARAM(IDM_NEW_LIST, 0), 0);
        PostMessageA(list, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    std::vector<const char*> pointers = Pointers(paths);
    EXPECT_FALSE(AddPathsToCurrentTask(pointers.data(), pointers.size()));
    EXPECT_FALSE(LongWorkRunning());
    EXPECT_EQ(progress, "  4 件追加 (Escで中止)");

    // The six rows, the one before and the five inserted, stay with their
    // cells; nothing was deleted, browsed, asked or closed.
    ASSERT_EQ(Lv_RowCount(list), 6);
    EXPECT_EQ(CellText(list, 5, 3), paths[4]);
    EXPECT_EQ(CellText(list, 5, 1), "3");
    EXPECT_EQ(StatusText(FileListStatusBar, 0), "  ファイル数 = 6  サイズ合計 = 316");
    EXPECT_EQ(StatusText(FileListStatusBar, 1), "選択数 =    6");
    EXPECT_TRUE(IsWindowVisible(FileListWindow));
    EXPECT_EQ(TaskCount, 1);
    EXPECT_FALSE(browsed);
    EXPECT_TRUE(Fake.messages.empty());

    // Afterwards the list takes commands again.
    SendMessageA(FileListWindow, WM_COMMAND, MAKEWPARAM(IDM_DELETE, 0), 0);
    EXPECT_EQ(Lv_RowCount(list), 0);
}

// Escape while a task list file loads through the open command: the task
// being filled keeps the rows added so far, its count and size cells match
// them, no later task is made, and the list does not take the file's name.
TEST_F(FileAdditionTest, EscapeStopsATaskListLoad) {
    std::string file = "#fardelix\r\n";
    for (int task = 0; task < 3; ++task) {
        file += "#TASKSTART\r\narcpath=" + folder + "out" + std::to_string(task) + ".zip\r\ntask=0\r\nflag=0\r\n";
        for (int i = 0; i < 20; ++i) file += folder + "many" + std::to_string(i) + ".bin\r\n";
        file += "#TASKEND\r\n";
    }
    std::string path = folder + "list.fdl";
    WriteFileBytes(path, file);
    Fake.openFile = [&path](OPENFILENAMEA* dialog) { return static_cast<BOOL>(CopyText(dialog->lpstrFile, dialog->nMaxFile, path.c_str())); };
    std::string before = CurrentListName;
    LongWorkPumpInterval = 0;
    std::string progress;
    WatchInserts(25, [&] {
        progress = StatusText(MainStatusBar, 0);  // 24 rows added by now
        PostMessageA(MainWindow, WM_COMMAND, MAKEWPARAM(IDM_NEW_LIST, 0), 0);
        PostMessageA(TaskListView, WM_KEYDOWN, VK_ESCAPE, 0);
    });
    SendMessageA(MainWindow, WM_COMMAND, MAKEWPARAM(IDM_OPEN_LIST, 0), 0);
    EXPECT_FALSE(LongWorkRunning());
    EXPECT_EQ(progress, "  24 件追加 (Escで中止)");
    ASSERT_EQ(TaskCount, 2);
    ASSERT_EQ(Lv_RowCount(TaskListView), 2);
    EXPECT_EQ(Lv_RowCount(TaskTable[0].fileList), 20);
    EXPECT_EQ(CellText(TaskListView, 0, ColumnCount), "20");
    EXPECT_EQ(CellText(TaskListView, 0, ColumnSize), "190");  // 0 + 1 + ... + 19
    ASSERT_EQ(Lv_RowCount(TaskTable[1].fileList), 5);
    EXPECT_EQ(CellText(TaskListView, 1, ColumnCount), "5");
    EXPECT_EQ(CellText(TaskListView, 1, ColumnSize), "10");  // 0 + 1 + 2 + 3 + 4
    EXPECT_EQ(CurrentTaskIndex, -1);
    EXPECT_EQ(CurrentListName, before);
    EXPECT_TRUE(Fake.messages.empty());  // neither the new-list question nor a failure
    EXPECT_EQ(StatusText(MainStatusBar, 0).find("  総数 =    2"), 0u);
}

}  // namespace

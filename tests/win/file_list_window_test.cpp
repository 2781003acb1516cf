#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "filelist/collect.h"
#include "filelist/file_list_window.h"
#include "resources/resource.h"
#include "tasks/task_table.h"
#include "tests/win/test_support.h"
#include "app/controls.h"
#include "ui/main_window.h"
#include "tasks/task_rows.h"

static RECT ChildRect(HWND child) {
    RECT rect;
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, FileListWindow, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

static int ClientHeightOf(HWND window) {
    RECT rect;
    GetClientRect(window, &rect);
    return rect.bottom;
}

static HWND ChildWithText(const char* text) {
    for (HWND child = GetWindow(FileListWindow, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
        char buffer[64];
        GetWindowTextA(child, buffer, sizeof(buffer));
        if (std::string(buffer) == text) return child;
    }
    return nullptr;
}

class FileListWindowTest : public testing::Test {
protected:
    void SetUp() override { ResetTasks(); }
    void TearDown() override { ResetTasks(); }
};

TEST_F(FileListWindowTest, CreatedHiddenWithItsControls) {
    ASSERT_NE(FileListWindow, nullptr);
    EXPECT_FALSE(IsWindowVisible(FileListWindow));
    char text[64];
    GetClassNameA(FileListWindow, text, sizeof(text));
    EXPECT_STREQ(text, "fdfilelistclass");
    GetWindowTextA(FileListWindow, text, sizeof(text));
    EXPECT_STREQ(text, "圧縮するファイルの一覧");
    EXPECT_EQ(GetWindow(FileListWindow, GW_OWNER), MainWindow);
    EXPECT_NE(GetMenu(FileListWindow), nullptr);

    int top = ClientHeightOf(FileListToolbar) + 2;
    struct Case {
        const char* name;
        HWND control;
        int x, y, width, height;
    };
    const Case cases[] = {
        {"archive label", ChildWithText("圧縮ファイル名"), 5, top + 5, 100, 16},
        {"browse", GetDlgItem(FileListWindow, IDC_BROWSE), 410, top + 5, 40, 18},
        {"path field", ArchivePathField, 5, top + 25, 400, 16},
        {"format label", ChildWithText("圧縮形式"), 480, top + 5, 100, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_NE(c.control, nullptr);
        RECT rect = ChildRect(c.control);
        EXPECT_EQ(rect.left, c.x);
        EXPECT_EQ(rect.top, c.y);
        EXPECT_EQ(rect.right - rect.left, c.width);
        EXPECT_EQ(rect.bottom - rect.top, c.height);
    }
    GetWindowTextA(GetDlgItem(FileListWindow, IDC_BROWSE), text, sizeof(text));
    EXPECT_STREQ(text, "参照");
    EXPECT_EQ(GetDlgItem(FileListWindow, IDC_FORMATBOX), FormatBox);
    EXPECT_EQ(ChildRect(FormatBox).left, 480);
    EXPECT_EQ(ChildRect(FormatBox).top, top + 25);

    const char* extensions[] = {"zip", "lzh", "cab", "tar", "7z", "bga", "yz1"};
    ASSERT_EQ(SendMessageA(FormatBox, CB_GETCOUNT, 0, 0), 7);
    for (int i = 0; i < 7; ++i) {
        SendMessageA(FormatBox, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        EXPECT_STREQ(text, extensions[i]);
    }

    const int commands[] = {IDM_OPEN_FILES, IDM_OPEN_FOLDER, 0, IDM_DELETE, IDM_MOVE_UP, IDM_MOVE_DOWN};
    ASSERT_EQ(SendMessageA(FileListToolbar, TB_BUTTONCOUNT, 0, 0), 6);
    for (int i = 0; i < 6; ++i) {
        TBBUTTON button = {};
        SendMessageA(FileListToolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        EXPECT_EQ((button.fsStyle & BTNS_SEP) != 0, commands[i] == 0) << i;
        if (commands[i] != 0) {
            EXPECT_EQ(button.idCommand, commands[i]) << i;
        }
    }
}

TEST_F(FileListWindowTest, ShowingATaskSelectsItsFormatAndDisablesTheMainWindow) {
    short index = NewCompressionTask();
    ASSERT_GE(index, 0);
    TaskTable[index].flag = 4;
    SetArchivePathField("C:\\keep\\me.zip");
    ASSERT_TRUE(ShowTaskFileList(index));
    EXPECT_TRUE(IsWindowVisible(FileListWindow));
    EXPECT_TRUE(IsWindowVisible(TaskTable[index].fileList));
    EXPECT_EQ(GetFocus(), TaskTable[index].fileList);
    EXPECT_FALSE(IsWindowEnabled(MainWindow));
    EXPECT_EQ(SendMessageA(FormatBox, CB_GETCURSEL, 0, 0), 4);
    char field[PathSize];
    ReadArchivePathField(field, sizeof(field));
    EXPECT_STREQ(field, "C:\\keep\\me.zip");
    EXPECT_FALSE(ShowTaskFileList(-1));
    EXPECT_FALSE(ShowTaskFileList(TaskCount));
}

TEST_F(FileListWindowTest, ResizeGivesTheListTheRest) {
    short index = NewCompressionTask();
    ASSERT_TRUE(ShowTaskFileList(index));
    HWND list = TaskTable[index].fileList;
    const int widths[] = {700, 450, 900};
    for (int width : widths) {
        SCOPED_TRACE(width);
        SetWindowPos(FileListWindow, nullptr, 0, 0, width, 500, SWP_NOMOVE | SWP_NOZORDER);
        RECT client;
        GetClientRect(FileListWindow, &client);
        int top = ClientHeightOf(FileListToolbar) + 2;
        RECT rect = ChildRect(list);
        EXPECT_EQ(rect.left, 0);
        EXPECT_EQ(rect.top, top + 50);
        EXPECT_EQ(rect.right, client.right);
        EXPECT_EQ(rect.bottom, client.bottom - ClientHeightOf(FileListStatusBar));
        int parts[2];
        SendMessageA(FileListStatusBar, SB_GETPARTS, 2, reinterpret_cast<LPARAM>(parts));
        RECT bar;
        GetClientRect(FileListStatusBar, &bar);
        EXPECT_EQ(parts[0], bar.right - 90 > 400 ? bar.right - 90 : 400);
        EXPECT_EQ(ChildRect(ArchivePathField).left, 5);  // labels keep their places
    }
    SetWindowPos(FileListWindow, nullptr, 0, 0, 640, 480, SWP_NOMOVE | SWP_NOZORDER);
}

TEST_F(FileListWindowTest, ClosingAnEmptyListRemovesTheTask) {
    NewCompressionTask();
    short index = NewCompressionTask();
    ASSERT_EQ(index, 1);
    uint32_t keptId = TaskTable[0].id;
    ASSERT_TRUE(ShowTaskFileList(index));
    SendMessageA(FileListWindow, WM_CLOSE, 0, 0);
    EXPECT_EQ(TaskCount, 1);
    EXPECT_EQ(TaskTable[0].id, keptId);
    EXPECT_EQ(Lv_RowCount(TaskListView), 1);
    EXPECT_EQ(CurrentTaskIndex, -1);
    EXPECT_TRUE(IsWindowEnabled(MainWindow));
    EXPECT_FALSE(IsWindowVisible(FileListWindow));
    EXPECT_TRUE(Fake.messages.empty());
    EXPECT_EQ(StatusText(MainStatusBar, 0),
              "  総数 =    1  実行 =    0  待機 =    0  完了 =    0  停止 =    1  エラー =    0");
}

// The name is completed with the format the task had; the box's selection
// becomes the task's format. The status is not touched.
TEST_F(FileListWindowTest, ClosingCommitsIntoTheTaskRow) {
    std::string folder = TempFolder("commit");
    WriteFileBytes(folder + "a.txt", std::string(1000, 'a'));
    WriteFileBytes(folder + "表.txt", std::string(234, 'b'));
    short index = NewCompressionTask();
    TaskTable[index].flag = 1;
    ASSERT_TRUE(ShowTaskFileList(index));
    AddPathToCurrentTask((folder + "a.txt").c_str());
    AddPathToCurrentTask((folder + "表.txt").c_str());
    SetArchivePathField((folder + "backup").c_str());
    SendMessageA(FormatBox, CB_SETCURSEL, 4, 0);
    SetTaskStatus(index, Done);
    HWND list = TaskTable[index].fileList;

    SendMessageA(FileListWindow, WM_COMMAND, IDM_CLOSE, 0);
    ASSERT_EQ(TaskCount, 1);
    EXPECT_EQ(CellText(TaskListView, 0, ColumnName), "backup.lzh");
    EXPECT_EQ(CellText(TaskListView, 0, ColumnPath), folder + "backup");
    EXPECT_EQ(CellText(TaskListView, 0, ColumnCount), "2");
    EXPECT_EQ(CellText(TaskListView, 0, ColumnSize), "1,234");
    EXPECT_EQ(CellText(TaskListView, 0, ColumnStatus), "完了");
    EXPECT_EQ(TaskTable[0].flag, 4);
    EXPECT_FALSE(IsWindowVisible(list));
    EXPECT_EQ(Lv_RowCount(list), 2);
    EXPECT_FALSE(IsWindowVisible(FileListWindow));
    EXPECT_TRUE(IsWindowEnabled(MainWindow));
    EXPECT_EQ(CurrentTaskIndex, -1);

    // A relative name goes below the current folder.
    char saved[MAX_PATH];
    GetCurrentDirectoryA(sizeof(saved), saved);
    SetCurrentDirectoryA(folder.c_str());
    CurrentTaskIndex = 0;
    ASSERT_TRUE(ShowTaskFileList(0));
    SetArchivePathField("out.cab");
    CommitFileList(0);
    SetCurrentDirectoryA(saved);
    EXPECT_EQ(CellText(TaskListView, 0, ColumnName), "out.cab");
    EXPECT_EQ(CellText(TaskListView, 0, ColumnPath), folder + "out.cab");
}

// Shows a task with a few rows; with FARDELIX_HOLD_MS set it stays on screen
// that long, for a screenshot.
TEST_F(FileListWindowTest, ShowsRowsReadably) {
    std::string folder = TempFolder("look");
    WriteFileBytes(folder + "report.doc", std::string(123456, 'r'));
    WriteFileBytes(folder + "表示.txt", std::string(42, 't'));
    CreateDirectoryA((folder + "ソフト").c_str(), nullptr);
    short index = NewCompressionTask();
    ASSERT_TRUE(ShowTaskFileList(index));
    AddPathToCurrentTask((folder + "report.doc").c_str());
    AddPathToCurrentTask((folder + "表示.txt").c_str());
    AddPathToCurrentTask((folder + "ソフト").c_str());
    AddPathToCurrentTask((folder + "missing.bin").c_str());
    Lv_SetSelected(TaskTable[index].fileList, 1, true);
    EXPECT_EQ(StatusText(FileListStatusBar, 0), "  ファイル数 = 4  サイズ合計 = 123,498");
    EXPECT_EQ(StatusText(FileListStatusBar, 1), "選択数 =    1");
    const char* hold = getenv("FARDELIX_HOLD_MS");
    if (hold != nullptr) {
        SetWindowPos(FileListWindow, HWND_TOP, 20, 20, 0, 0, SWP_NOSIZE);
        PumpUntil([] { return false; }, atoi(hold));
    }
}

#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "resources/resource.h"
#include "settings/settings.h"
#include "tests/win/test_support.h"
#include "app/controls.h"
#include "ui/main_window.h"
#include "app/layout.h"

TEST(MainWindow, ColumnsHeadersWidthsAndAlignment) {
    EnsureMainWindow();
    struct Column {
        const char* header;
        int width;
        int format;
    };
    const Column columns[6] = {{"圧縮ファイル名", 150, LVCFMT_LEFT}, {"タスク種別", 65, LVCFMT_LEFT},
                               {"状態", 60, LVCFMT_LEFT},           {"ファイル数", 80, LVCFMT_RIGHT},
                               {"サイズ合計", 80, LVCFMT_RIGHT},    {"圧縮ファイルパス", 402, LVCFMT_LEFT}};
    for (int i = 0; i < 6; ++i) {
        SCOPED_TRACE(i);
        char header[64] = "";
        LVCOLUMNA column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
        column.pszText = header;
        column.cchTextMax = sizeof(header);
        ASSERT_TRUE(SendMessageA(TaskListView, LVM_GETCOLUMNA, i, reinterpret_cast<LPARAM>(&column)));
        EXPECT_STREQ(header, columns[i].header);
        EXPECT_GE(column.cx, columns[i].width);  // wider where a text needs it
        EXPECT_EQ(column.fmt & LVCFMT_JUSTIFYMASK, columns[i].format);
    }
    DWORD extended = static_cast<DWORD>(SendMessageA(TaskListView, LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
    EXPECT_TRUE(extended & LVS_EX_FULLROWSELECT);
    EXPECT_EQ(GetDlgCtrlID(TaskListView), 13);
    EXPECT_EQ(GetDlgCtrlID(MainStatusBar), 12);
    EXPECT_EQ(GetDlgCtrlID(MainToolbar), 11);
}

TEST(MainWindow, ToolbarHasSeventeenPositionsWithTips) {
    EnsureMainWindow();
    const int commands[17] = {IDM_NEW_LIST, IDM_OPEN_LIST, IDM_SAVE_LIST, 0, IDM_NEW_ARCHIVE, IDM_OPEN_ARCHIVES, 0,
                              IDM_EDIT_TASK, IDM_DELETE, IDM_DELETE_DONE, 0, IDM_MOVE_UP, IDM_MOVE_DOWN, IDM_START,
                              IDM_STOP, IDM_START_ALL, IDM_STOP_ALL};
    ASSERT_EQ(SendMessageA(MainToolbar, TB_BUTTONCOUNT, 0, 0), 17);
    for (int i = 0; i < 17; ++i) {
        SCOPED_TRACE(i);
        TBBUTTON button = {};
        SendMessageA(MainToolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&button));
        if (commands[i] == 0) {
            EXPECT_TRUE(button.fsStyle & BTNS_SEP);
            continue;
        }
        EXPECT_EQ(button.idCommand, commands[i]);
        EXPECT_TRUE(button.fsState & TBSTATE_ENABLED);
        char tip[64] = "";
        EXPECT_GT(LoadStringA(GetModuleHandleA(nullptr), commands[i], tip, sizeof(tip)), 0);
    }
    char tip[64] = "";
    LoadStringA(GetModuleHandleA(nullptr), IDM_DELETE_DONE, tip, sizeof(tip));
    EXPECT_STREQ(tip, "全ての完了を削除");
    // The tip window may be made only when first needed; once made it shows
    // its tips also while the window is inactive.
    HWND tips = reinterpret_cast<HWND>(SendMessageA(MainToolbar, TB_GETTOOLTIPS, 0, 0));
    ASSERT_NE(tips, nullptr);
    EXPECT_TRUE(GetWindowLongPtrA(tips, GWL_STYLE) & TTS_ALWAYSTIP);
}

TEST(MainWindow, ResizeMovesStatusPartAndFillsList) {
    EnsureMainWindow();
    struct Case {
        int outerWidth;
    };
    for (int width : {400, 800, 1000}) {
        SCOPED_TRACE(width);
        SetWindowPos(MainWindow, nullptr, 0, 0, width, 500, SWP_NOMOVE | SWP_NOZORDER);
        RECT bar;
        GetClientRect(MainStatusBar, &bar);
        int parts[2] = {};
        SendMessageA(MainStatusBar, SB_GETPARTS, 2, reinterpret_cast<LPARAM>(parts));
        // Both parts' longest texts fit when the bar has room for both.
        int zero = TextWidthIn(MainStatusBar, "  総数 = 9999  実行 = 9999  待機 = 9999  完了 = 9999  停止 = 9999  エラー = 9999");
        int one = TextWidthIn(MainStatusBar, "すべてのタスクが終了しました（完了 9999・エラー 9999）");
        EXPECT_GE(parts[0], 400);
        EXPECT_GE(parts[0], zero);
        if (bar.right >= zero + one + 32) {
            EXPECT_GE(bar.right - parts[0], one + 8);
        }
        RECT client, list;
        GetClientRect(MainWindow, &client);
        GetWindowRect(TaskListView, &list);
        EXPECT_EQ(list.right - list.left, client.right);
    }
    SetWindowPos(MainWindow, nullptr, 0, 0, 800, 600, SWP_NOMOVE | SWP_NOZORDER);
}

TEST(MainWindow, MenuBarHasFourPopups) {
    EnsureMainWindow();
    HMENU menu = GetMenu(MainWindow);
    ASSERT_NE(menu, nullptr);
    ASSERT_EQ(GetMenuItemCount(menu), 4);
    const char* labels[4] = {"ファイル(&F)", "編集(&E)", "実行(&R)", "その他(&O)"};
    for (int i = 0; i < 4; ++i) {
        char text[64] = "";
        GetMenuStringA(menu, i, text, sizeof(text), MF_BYPOSITION);
        EXPECT_STREQ(text, labels[i]);
    }
    char item[64] = "";
    GetMenuStringA(menu, IDM_START_ALL, item, sizeof(item), MF_BYCOMMAND);
    EXPECT_STREQ(item, "すべて開始(&O)\tCtrl+Shift+G");
}

// Every column of the task list is wide enough for its header and for its
// longest short text: "タスク種別" and "314,572,800" are not cut.
TEST(MainWindow, TaskColumnsFitTheirTexts) {
    EnsureMainWindow();
    struct Case {
        int column;
        const char* text;
    };
    const Case cases[] = {
        {0, "圧縮ファイル名"}, {1, "タスク種別"}, {2, "実行 100%"},  {3, "ファイル数"},
        {3, "4,294,967,295"},  {4, "サイズ合計"}, {4, "314,572,800"}, {5, "圧縮ファイルパス"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        int width = static_cast<int>(SendMessageA(TaskListView, LVM_GETCOLUMNWIDTH, c.column, 0));
        int text = static_cast<int>(SendMessageA(TaskListView, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(c.text)));
        EXPECT_GE(width, text + 12);
    }
}

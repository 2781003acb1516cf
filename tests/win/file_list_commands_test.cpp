#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "program/run_loop.h"
#include "archivers/formats.h"
#include "filelist/collect.h"
#include "filelist/file_list_window.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "tasks/task_table.h"
#include "tests/native/literal_bytes.h"
#include "tests/win/test_support.h"
#include "app/controls.h"
#include "ui/main_window.h"
#include "tasks/run_switch.h"

// A shown compression task whose rows name the given paths (missing paths
// still become rows: they read "不明").
class FileListCommandsTest : public testing::Test {
protected:
    void SetUp() override {
        ResetTasks();
        savedSettings = Settings;
    }
    void TearDown() override {
        if (CurrentTaskIndex >= 0) CommitFileList(CurrentTaskIndex);
        ResetTasks();
        SetKeyboardState(std::vector<BYTE>(256, 0).data());
        Settings = savedSettings;
    }

    HWND ShowNewTask(const std::vector<std::string>& paths = {}) {
        short index = NewCompressionTask();
        EXPECT_GE(index, 0);
        EXPECT_TRUE(ShowTaskFileList(index));
        for (const std::string& path : paths) AddPathToCurrentTask(path.c_str());
        return TaskTable[index].fileList;
    }

    SettingsRecord savedSettings;
};

static void Command(int id, int notification = 0) {
    SendMessageA(FileListWindow, WM_COMMAND, MAKEWPARAM(id, notification), 0);
}

static std::vector<std::string> Column(HWND list, int column) {
    std::vector<std::string> texts;
    for (int row = 0; row < Lv_RowCount(list); ++row) texts.push_back(CellText(list, row, column));
    return texts;
}

static std::string SelectedNames(HWND list) {
    std::string names;
    for (int row = 0; row < Lv_RowCount(list); ++row) {
        if (Lv_IsSelected(list, row)) names += CellText(list, row, FileColumnName) + " ";
    }
    return names;
}

static void SelectRows(HWND list, const std::string& marks) {
    for (size_t row = 0; row < marks.size(); ++row) Lv_SetSelected(list, static_cast<int>(row), marks[row] == '*');
}

TEST_F(FileListCommandsTest, MovesSelectedRowsAsBlocksStoppedAtTheEdges) {
    struct Case {
        const char* name;
        const char* marks;  // '*' selected, one mark per row R1..R4
        int command;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"R1 R2* R3* up", "-**-", IDM_MOVE_UP, {"R2", "R3", "R1", "R4"}},
        {"R1* R2* R3 down", "**--", IDM_MOVE_DOWN, {"R3", "R1", "R2", "R4"}},
        {"R1* R2 R3* up", "*-*-", IDM_MOVE_UP, {"R1", "R3", "R2", "R4"}},
        {"block at the top stays", "**--", IDM_MOVE_UP, {"R1", "R2", "R3", "R4"}},
        {"block at the bottom stays", "--**", IDM_MOVE_DOWN, {"R1", "R2", "R3", "R4"}},
        {"edge row holds the row behind it", "**-*", IDM_MOVE_UP, {"R1", "R2", "R4", "R3"}},
        {"two rows down, apart", "*-*-", IDM_MOVE_DOWN, {"R2", "R1", "R4", "R3"}},
        {"nothing selected", "----", IDM_MOVE_DOWN, {"R1", "R2", "R3", "R4"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetTasks();
        HWND list = ShowNewTask({"Q:\\x\\R1", "Q:\\x\\R2", "Q:\\x\\R3", "Q:\\x\\R4"});
        SelectRows(list, c.marks);
        std::string selected = SelectedNames(list);
        std::string totals = StatusText(FileListStatusBar, 0);
        Command(c.command);
        EXPECT_EQ(Column(list, FileColumnName), c.expected);
        for (size_t row = 0; row < c.expected.size(); ++row) {
            EXPECT_EQ(CellText(list, static_cast<int>(row), FileColumnPath), "Q:\\x\\" + c.expected[row]);
        }
        std::string after;
        for (const std::string& name : c.expected) {
            if (selected.find(name + " ") != std::string::npos) after += name + " ";
        }
        EXPECT_EQ(SelectedNames(list), after);
        EXPECT_EQ(StatusText(FileListStatusBar, 0), totals);
    }
}

TEST_F(FileListCommandsTest, DeleteRemovesTheSelectedRowsAndRewritesTheTotals) {
    std::string folder = TempFolder("delete");
    const char* names[] = {"a.txt", "b.txt", "c.txt", "d.txt"};
    const int sizes[] = {1000, 2000, 30, 400};
    std::vector<std::string> paths;
    for (int i = 0; i < 4; ++i) {
        WriteFileBytes(folder + names[i], std::string(sizes[i], 'x'));
        paths.push_back(folder + names[i]);
    }
    HWND list = ShowNewTask(paths);
    SetArchivePathField("C:\\out\\keep.zip");

    // Nothing selected: only the totals line is written again.
    Sb_SetPart(FileListStatusBar, 0, "stale");
    Command(IDM_DELETE);
    EXPECT_EQ(Lv_RowCount(list), 4);
    EXPECT_EQ(StatusText(FileListStatusBar, 0), "  ファイル数 = 4  サイズ合計 = 3,430");

    SelectRows(list, "*-*-");
    EXPECT_EQ(StatusText(FileListStatusBar, 1), "選択数 =    2");
    Command(IDM_DELETE);
    EXPECT_EQ(Column(list, FileColumnName), (std::vector<std::string>{"b.txt", "d.txt"}));
    EXPECT_EQ(StatusText(FileListStatusBar, 0), "  ファイル数 = 2  サイズ合計 = 2,400");
    EXPECT_EQ(StatusText(FileListStatusBar, 1), "選択数 =    0");

    SelectRows(list, "**");
    Command(IDM_DELETE);
    EXPECT_EQ(Lv_RowCount(list), 0);
    EXPECT_EQ(StatusText(FileListStatusBar, 0), "  ファイル数 = 0  サイズ合計 = 0");
    char field[PathSize];
    ReadArchivePathField(field, sizeof(field));
    EXPECT_STREQ(field, "C:\\out\\keep.zip");
}

TEST_F(FileListCommandsTest, SelectAllAndInvert) {
    HWND list = ShowNewTask({"Q:\\R1", "Q:\\R2", "Q:\\R3", "Q:\\R4"});
    SelectRows(list, "-*--");
    struct Step {
        int command;
        const char* selected;
        const char* count;
    };
    const Step steps[] = {
        {IDM_INVERT, "R1 R3 R4 ", "選択数 =    3"},
        {IDM_SELECT_ALL, "R1 R2 R3 R4 ", "選択数 =    4"},
        {IDM_INVERT, "", "選択数 =    0"},
        {IDM_INVERT, "R1 R2 R3 R4 ", "選択数 =    4"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.selected);
        Command(step.command);
        EXPECT_EQ(SelectedNames(list), step.selected);
        EXPECT_EQ(StatusText(FileListStatusBar, 1), step.count);
    }
}

// Only the user's selection change counts, and an empty field stays empty.
TEST_F(FileListCommandsTest, FormatChangeFollowsInTheArchivePath) {
    struct Case {
        const char* field;
        int format;
        int notification;
        const char* expected;
    };
    const Case cases[] = {
        {"", 1, CBN_SELCHANGE, ""},
        {"C:\\data\\report.zip", 1, CBN_SELCHANGE, "C:\\data\\report.lzh"},
        {"C:\\\x95\x5c\\\x83\x5c" "ft.zip", 4, CBN_SELCHANGE, "C:\\\x95\x5c\\\x83\x5c" "ft.7z"},
        {"C:\\data\\noext", 3, CBN_SELCHANGE, "C:\\data\\noext.tar"},
        {"C:\\\x95\x5c\\report.lzh", 2, CBN_SELCHANGE, "C:\\\x95\x5c\\report.cab"},
        {"C:\\data\\\x97\x5c.cab", 1, CBN_SELCHANGE, "C:\\data\\\x97\x5c.lzh"},
        {"C:\\data\\report.zip", 1, CBN_DROPDOWN, "C:\\data\\report.zip"},
    };
    ShowNewTask();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expected);
        SetArchivePathField(c.field);
        SendMessageA(FormatBox, CB_SETCURSEL, c.format, 0);
        SendMessageA(FileListWindow, WM_COMMAND, MAKEWPARAM(IDC_FORMATBOX, c.notification),
                     reinterpret_cast<LPARAM>(FormatBox));
        char field[PathSize];
        ReadArchivePathField(field, sizeof(field));
        EXPECT_STREQ(field, c.expected);
        EXPECT_EQ(SelectedFormatIndex(), c.format);
    }
}

static HGLOBAL MakeDrop(const std::vector<std::string>& paths) {
    std::string list;
    for (const std::string& path : paths) list += path + std::string(1, '\0');
    list.push_back('\0');
    HGLOBAL memory = GlobalAlloc(GHND, sizeof(DROPFILES) + list.size());
    auto* drop = static_cast<DROPFILES*>(GlobalLock(memory));
    drop->pFiles = sizeof(DROPFILES);
    drop->fWide = FALSE;
    memcpy(reinterpret_cast<char*>(drop) + sizeof(DROPFILES), list.data(), list.size());
    GlobalUnlock(memory);
    return memory;
}

// A dropped folder is one folder row; the open-folder command lists what
// is inside it instead, and remembers the folder.
TEST_F(FileListCommandsTest, DroppedFolderIsOneRowOpenFolderListsItsEntries) {
    std::string folder = TempFolder("ソフト");
    WriteFileBytes(folder + "a.txt", std::string(10, 'a'));
    WriteFileBytes(folder + "表示.txt", std::string(20, 'b'));
    CreateDirectoryA((folder + "sub").c_str(), nullptr);
    std::string bare = folder.substr(0, folder.size() - 1);

    HWND list = ShowNewTask();
    SendMessageA(list, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeDrop({bare, folder + "a.txt"})), 0);
    ASSERT_EQ(Lv_RowCount(list), 2);
    EXPECT_EQ(CellText(list, 0, FileColumnSize), "フォルダ");
    EXPECT_EQ(CellText(list, 0, FileColumnPath), bare);
    EXPECT_EQ(CellText(list, 1, FileColumnPath), folder + "a.txt");
    EXPECT_EQ(StatusText(FileListStatusBar, 0), "  ファイル数 = 2  サイズ合計 = 40");

    CommitFileList(CurrentTaskIndex);
    list = ShowNewTask();
    CopyText(Settings.OpenFolder, sizeof(Settings.OpenFolder), "C:\\before\\");
    std::string title;
    std::string start;
    Fake.browse = [&](const char* t, const char* s, char* chosen, size_t size) {
        title = t;
        start = s;
        return CopyText(chosen, size, bare.c_str());
    };
    Command(IDM_OPEN_FOLDER);
    EXPECT_EQ(title, "指定したフォルダ以下のファイル、フォルダが登録されます");
    EXPECT_EQ(start, "C:\\before\\");
    std::vector<std::string> paths = Column(list, FileColumnPath);
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(paths, (std::vector<std::string>{folder + "a.txt", folder + "sub", folder + "表示.txt"}));
    EXPECT_STREQ(Settings.OpenFolder, folder.c_str());

    // Cancelled: nothing added, the folder stays.
    Fake.browse = [](const char*, const char*, char*, size_t) { return false; };
    Command(IDM_OPEN_FOLDER);
    EXPECT_EQ(Lv_RowCount(list), 3);
    EXPECT_STREQ(Settings.OpenFolder, folder.c_str());
    EXPECT_TRUE(Fake.messages.empty());
}

TEST_F(FileListCommandsTest, OpenFilesAddsEveryChoiceThroughTheDialog) {
    struct Case {
        const char* name;
        std::string result;  // what the dialog writes back, with the offset
        WORD nameOffset;     // of the first name, as the system does
        bool ok;
        std::vector<std::string> paths;
        const char* openFolder;
    };
    const Case cases[] = {
        {"several in a folder", Bytes("C:\\data\0a.txt\0\x95\x5c" "b.txt\0\0"), 8, true,
         {"C:\\data\\a.txt", "C:\\data\\\x95\x5c" "b.txt"}, "C:\\data\\"},
        {"several in a drive's root", Bytes("D:\\\0x.txt\0y.txt\0\0"), 4, true,
         {"D:\\x.txt", "D:\\y.txt"}, "D:\\"},
        {"one file, the initial name longer", Bytes("E:\\one.txt\0"), 3, true, {"E:\\one.txt"}, "E:\\"},
        {"cancelled", std::string(), 0, false, {}, "C:\\a rather long starting folder name\\"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetTasks();
        HWND list = ShowNewTask();
        CopyText(Settings.OpenFolder, sizeof(Settings.OpenFolder), "C:\\a rather long starting folder name\\");
        OPENFILENAMEA seen = {};
        std::string initial;
        std::string filter;
        Fake.openFile = [&](OPENFILENAMEA* dialog) {
            seen = *dialog;
            initial = dialog->lpstrFile;
            filter.assign(dialog->lpstrFilter, 21);
            // The system writes the choice over the initial name, leaving
            // what lies beyond it.
            memcpy(dialog->lpstrFile, c.result.data(), c.result.size());
            dialog->nFileOffset = c.nameOffset;
            return c.ok ? TRUE : FALSE;
        };
        Command(IDM_OPEN_FILES);
        EXPECT_EQ(seen.hwndOwner, FileListWindow);
        EXPECT_STREQ(seen.lpstrTitle, "ファイルを開く");
        EXPECT_EQ(filter, Bytes("全てのﾌｧｲﾙ(*.*)\0*.*\0\0"));
        EXPECT_EQ(seen.nMaxFile, 1300u);
        EXPECT_EQ(seen.Flags & (OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY),
                  static_cast<DWORD>(OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY));
        EXPECT_EQ(initial, "C:\\a rather long starting folder name\\*.*");
        EXPECT_EQ(Column(list, FileColumnPath), c.paths);
        EXPECT_STREQ(Settings.OpenFolder, c.openFolder);
        EXPECT_TRUE(Fake.messages.empty());
    }
}

// A choice longer than the buffer fails the dialog, as the system does:
// the needed size lands in the buffer's first bytes and nothing is added.
TEST_F(FileListCommandsTest, OpenFilesChoiceTooLongForTheBufferAddsNothing) {
    HWND list = ShowNewTask();
    std::string choice = "C:\\data";
    for (int i = 0; i < 200; ++i) choice += std::string(1, '\0') + "file" + std::to_string(i) + ".txt";
    choice += std::string(2, '\0');
    Fake.openFile = [&](OPENFILENAMEA* dialog) {
        if (choice.size() > dialog->nMaxFile) {
            WORD needed = static_cast<WORD>(choice.size());
            memcpy(dialog->lpstrFile, &needed, sizeof(needed));
            return FALSE;
        }
        memcpy(dialog->lpstrFile, choice.data(), choice.size());
        dialog->nFileOffset = 8;
        return TRUE;
    };
    CopyText(Settings.OpenFolder, sizeof(Settings.OpenFolder), "C:\\start\\");
    Command(IDM_OPEN_FILES);
    EXPECT_EQ(Lv_RowCount(list), 0);
    EXPECT_STREQ(Settings.OpenFolder, "C:\\start\\");
    EXPECT_TRUE(Fake.messages.empty());
}

// The save dialog offers the selected format; the chosen path goes into the
// field as it is, and the format box does not follow a typed extension.
TEST_F(FileListCommandsTest, BrowseChoosesTheArchivePathInASaveDialog) {
    struct Case {
        int format;
        const char* chosen;  // nullptr: cancelled
        std::string filter;
        const char* expected;
    };
    const Case cases[] = {
        {0, "D:\\out\\x.lzh", Bytes("zipﾌｧｲﾙ(*.zip)\0*.zip\0\0"), "D:\\out\\x.lzh"},
        {4, "D:\\\x83\x5c\\y.7z", Bytes("7zﾌｧｲﾙ(*.7z)\0*.7z\0\0"), "D:\\\x83\x5c\\y.7z"},
        {1, nullptr, Bytes("lzhﾌｧｲﾙ(*.lzh)\0*.lzh\0\0"), "C:\\was\\here.zip"},
    };
    ShowNewTask();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        SetArchivePathField("C:\\was\\here.zip");
        SendMessageA(FormatBox, CB_SETCURSEL, c.format, 0);
        OPENFILENAMEA seen = {};
        std::string initial;
        std::string filter;
        Fake.saveFile = [&](OPENFILENAMEA* dialog) {
            seen = *dialog;
            initial = dialog->lpstrFile;
            filter.assign(dialog->lpstrFilter, c.filter.size());
            if (c.chosen == nullptr) return FALSE;
            CopyText(dialog->lpstrFile, dialog->nMaxFile, c.chosen);
            return TRUE;
        };
        Command(IDC_BROWSE, BN_CLICKED);
        EXPECT_EQ(seen.hwndOwner, FileListWindow);
        EXPECT_STREQ(seen.lpstrTitle, "圧縮先を指定");
        EXPECT_EQ(filter, c.filter);
        EXPECT_STREQ(seen.lpstrDefExt, FormatTable[c.format].Extension);
        EXPECT_EQ(seen.nMaxFile, 1300u);
        EXPECT_EQ(seen.Flags & (OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY),
                  static_cast<DWORD>(OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY));
        EXPECT_EQ(initial, "C:\\was\\here.zip");
        char field[PathSize];
        ReadArchivePathField(field, sizeof(field));
        EXPECT_STREQ(field, c.expected);
        EXPECT_EQ(SelectedFormatIndex(), c.format);
    }
}

static void ClickHeader(HWND list, int column) {
    NMLISTVIEW click = {};
    click.hdr.hwndFrom = list;
    click.hdr.idFrom = IDC_FILELIST;
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = column;
    SendMessageA(FileListWindow, WM_NOTIFY, IDC_FILELIST, reinterpret_cast<LPARAM>(&click));
}

// The flags belong to the window: after one click on the size header in
// one task, the first click on it in another task sorts descending.
TEST_F(FileListCommandsTest, ColumnSortFlagsAreSharedByEveryTasksList) {
    std::string folder = TempFolder("sort");
    const char* names[] = {"b.txt", "a.txt", "c.txt"};
    const int sizes[] = {300, 2000, 10};
    std::vector<std::string> paths;
    for (int i = 0; i < 3; ++i) {
        WriteFileBytes(folder + names[i], std::string(sizes[i], 'x'));
        paths.push_back(folder + names[i]);
    }
    unsigned char before[4];
    memcpy(before, FileSortFlags, sizeof(before));
    FileSortFlags[1] = 0;
    FileSortFlags[0] = 0;

    HWND first = ShowNewTask(paths);
    ClickHeader(first, FileColumnSize);
    EXPECT_EQ(Column(first, FileColumnSize), (std::vector<std::string>{"10", "300", "2,000"}));
    ClickHeader(first, FileColumnName);
    EXPECT_EQ(Column(first, FileColumnName), (std::vector<std::string>{"a.txt", "b.txt", "c.txt"}));
    ClickHeader(first, FileColumnName);
    EXPECT_EQ(Column(first, FileColumnName), (std::vector<std::string>{"c.txt", "b.txt", "a.txt"}));
    CommitFileList(CurrentTaskIndex);

    HWND second = ShowNewTask(paths);
    ClickHeader(second, FileColumnSize);
    EXPECT_EQ(Column(second, FileColumnSize), (std::vector<std::string>{"2,000", "300", "10"}));
    ClickHeader(second, FileColumnSize);
    EXPECT_EQ(Column(second, FileColumnSize), (std::vector<std::string>{"10", "300", "2,000"}));
    // The sort moves whole rows.
    EXPECT_EQ(Column(second, FileColumnPath), (std::vector<std::string>{paths[2], paths[0], paths[1]}));
    memcpy(FileSortFlags, before, sizeof(before));
}

// F8 reads sizes and times from the disk again.
TEST_F(FileListCommandsTest, RefreshShowsAFileThatGrew) {
    std::string folder = TempFolder("refresh");
    std::string path = folder + "grows.log";
    WriteFileBytes(path, std::string(10, 'x'));
    HWND list = ShowNewTask({path, folder + "gone.txt"});
    EXPECT_EQ(CellText(list, 0, FileColumnSize), "10");

    WriteFileBytes(path, std::string(5000, 'y'));
    SYSTEMTIME local = {2030, 1, 3, 2, 3, 4, 5, 0};
    FILETIME localTime;
    FILETIME fileTime;
    SystemTimeToFileTime(&local, &localTime);
    LocalFileTimeToFileTime(&localTime, &fileTime);
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SetFileTime(file, nullptr, nullptr, &fileTime);
    CloseHandle(file);

    Command(IDM_REFRESH);
    EXPECT_EQ(CellText(list, 0, FileColumnSize), "5,000");
    EXPECT_EQ(CellText(list, 0, FileColumnTime), "2030/01/02 03:04:05");
    EXPECT_EQ(CellText(list, 1, FileColumnSize), "不明");
    EXPECT_EQ(CellText(list, 1, FileColumnTime), "アクセス不可");
    EXPECT_EQ(StatusText(FileListStatusBar, 0), "  ファイル数 = 2  サイズ合計 = 5,000");
}

// Sends a key through the program's accelerator table to the file-list
// window, as the message loop does for the active window.
static bool PressKey(HACCEL table, HWND list, UINT key, bool control, bool shift, bool alt) {
    std::vector<BYTE> state(256, 0);
    if (control) state[VK_CONTROL] = 0x80;
    if (shift) state[VK_SHIFT] = 0x80;
    if (alt) state[VK_MENU] = 0x80;
    SetKeyboardState(state.data());
    MSG msg = {};
    msg.hwnd = list;
    msg.message = alt ? WM_SYSKEYDOWN : WM_KEYDOWN;
    msg.wParam = key;
    msg.lParam = alt ? (1 << 29) : 0;
    bool translated = TranslateAcceleratorA(FileListWindow, table, &msg) != 0;
    SetKeyboardState(std::vector<BYTE>(256, 0).data());
    return translated;
}

TEST_F(FileListCommandsTest, MainWindowKeysDoNothingHereTheWindowsOwnKeysWork) {
    HACCEL table = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    ASSERT_NE(table, nullptr);
    AddTestTask(TaskCompression, Stopped, "other");
    HWND list = ShowNewTask({"Q:\\R1", "Q:\\R2", "Q:\\R3"});
    short current = CurrentTaskIndex;
    int openDialogs = 0;
    Fake.openFile = [&](OPENFILENAMEA*) {
        ++openDialogs;
        return FALSE;
    };
    struct Key {
        const char* name;
        UINT key;
        bool control, shift;
    };
    const Key mainKeys[] = {
        {"Ctrl+N", 'N', true, false},        {"Ctrl+E", 'E', true, false},  {"Ctrl+G", 'G', true, false},
        {"Ctrl+Shift+G", 'G', true, true},   {"Ctrl+Z", 'Z', true, false},  {"Ctrl+Shift+Z", 'Z', true, true},
        {"Shift+Del", VK_DELETE, false, true}, {"Ctrl+L", 'L', true, false}, {"Ctrl+S", 'S', true, false},
        {"Ctrl+M", 'M', true, false},
    };
    for (const Key& k : mainKeys) {
        SCOPED_TRACE(k.name);
        SelectRows(list, "*--");
        EXPECT_TRUE(PressKey(table, list, k.key, k.control, k.shift, false));
        EXPECT_EQ(TaskCount, 2);
        EXPECT_EQ(Lv_RowCount(TaskListView), 2);
        EXPECT_EQ(TaskTable[0].status, Stopped);
        EXPECT_EQ(TaskTable[1].status, Stopped);
        EXPECT_EQ(RunSwitch, RunIdle);
        EXPECT_EQ(CurrentTaskIndex, current);
        EXPECT_TRUE(IsWindowVisible(FileListWindow));
        EXPECT_FALSE(IsWindowEnabled(MainWindow));
        EXPECT_EQ(Lv_RowCount(list), 3);
        EXPECT_TRUE(Fake.messages.empty());
        EXPECT_TRUE(Fake.dialogIds.empty());
    }
    EXPECT_EQ(openDialogs, 0);

    // Ctrl+O is this window's open file, not the main window's open list.
    EXPECT_TRUE(PressKey(table, list, 'O', true, false, false));
    EXPECT_EQ(openDialogs, 1);
    SelectRows(list, "--*");
    EXPECT_TRUE(PressKey(table, list, VK_UP, false, false, true));
    EXPECT_EQ(Column(list, FileColumnName), (std::vector<std::string>{"R1", "R3", "R2"}));
    EXPECT_TRUE(PressKey(table, list, VK_DELETE, false, false, false));
    EXPECT_EQ(Column(list, FileColumnName), (std::vector<std::string>{"R1", "R2"}));
    EXPECT_TRUE(PressKey(table, list, 'A', true, false, false));
    EXPECT_EQ(SelectedNames(list), "R1 R2 ");
    EXPECT_TRUE(PressKey(table, list, 'R', true, false, false));
    EXPECT_EQ(SelectedNames(list), "");
    DestroyAcceleratorTable(table);
}

// Right click and the context-menu key show menu 107, owned by this window,
// and give the focus back to the list.
TEST_F(FileListCommandsTest, ContextMenuAtTheClickAndAtTheSelectionMark) {
    HWND list = ShowNewTask({"Q:\\R1", "Q:\\R2", "Q:\\R3"});
    NMITEMACTIVATE click = {};
    click.hdr.hwndFrom = list;
    click.hdr.idFrom = IDC_FILELIST;
    click.hdr.code = NM_RCLICK;
    click.iItem = 1;
    click.ptAction = {30, 20};
    SendMessageA(FileListWindow, WM_NOTIFY, IDC_FILELIST, reinterpret_cast<LPARAM>(&click));
    ASSERT_EQ(Fake.popups.size(), 1u);
    POINT expected = {30, 20};
    ClientToScreen(list, &expected);
    EXPECT_EQ(Fake.popups[0].firstCommand, IDM_OPEN_FILES);
    EXPECT_EQ(Fake.popups[0].itemCount, 11);
    EXPECT_EQ(Fake.popups[0].x, expected.x);
    EXPECT_EQ(Fake.popups[0].y, expected.y);
    EXPECT_EQ(Fake.popups[0].owner, FileListWindow);
    EXPECT_EQ(GetFocus(), list);

    SetFocus(FormatBox);
    Lv_SetSelected(list, 2, true);
    SendMessageA(list, LVM_SETSELECTIONMARK, 0, 2);
    SendMessageA(list, WM_KEYDOWN, VK_APPS, 0);
    ASSERT_EQ(Fake.popups.size(), 2u);
    POINT row = {};
    SendMessageA(list, LVM_GETITEMPOSITION, 2, reinterpret_cast<LPARAM>(&row));
    ClientToScreen(list, &row);
    EXPECT_EQ(Fake.popups[1].x, row.x);
    EXPECT_EQ(Fake.popups[1].y, row.y);
    EXPECT_EQ(Fake.popups[1].owner, FileListWindow);
    EXPECT_EQ(GetFocus(), list);
}

// Menu 104: the commands and their key hints.
TEST_F(FileListCommandsTest, WindowMenuNamesTheCommandsAndTheirKeys) {
    HMENU menu = GetMenu(FileListWindow);
    ASSERT_EQ(GetMenuItemCount(menu), 2);
    struct Item {
        int popup;
        int command;
        const char* label;
    };
    const Item items[] = {
        {0, IDM_OPEN_FILES, "ファイルを開く(&O)\tCtrl+O"},  {0, IDM_OPEN_FOLDER, "フォルダを開く(&F)\tCtrl+Shift+O"},
        {0, IDM_CLOSE, "終了(&X)"},                          {1, IDM_DELETE, "削除(&D)\tDel"},
        {1, IDM_MOVE_UP, "上へ移動(&U)\tAlt+Up"},            {1, IDM_MOVE_DOWN, "下へ移動(&D)\tAlt+Down"},
        {1, IDM_SELECT_ALL, "すべて選択(&A)\tCtrl+A"},       {1, IDM_INVERT, "反転選択(&R)\tCtrl+R"},
        {1, IDM_REFRESH, "最新の情報に更新(&N)\tF8"},
    };
    for (const Item& item : items) {
        SCOPED_TRACE(item.label);
        char label[64] = "";
        GetMenuStringA(GetSubMenu(menu, item.popup), item.command, label, sizeof(label), MF_BYCOMMAND);
        EXPECT_STREQ(label, item.label);
    }
}

// The window passes the focus on to the shown list; its labels use the
// window's own font.
TEST_F(FileListCommandsTest, FocusGoesToTheListAndLabelsUseTheWindowFont) {
    HWND list = ShowNewTask({"Q:\\R1"});
    SetFocus(FormatBox);
    SetFocus(FileListWindow);
    EXPECT_EQ(GetFocus(), list);

    HFONT font = reinterpret_cast<HFONT>(SendMessageA(ArchivePathField, WM_GETFONT, 0, 0));
    ASSERT_NE(font, nullptr);
    LOGFONTA face = {};
    GetObjectA(font, sizeof(face), &face);
    EXPECT_EQ(face.lfHeight, 12);
    EXPECT_EQ(face.lfWeight, FW_NORMAL);
    EXPECT_EQ(face.lfCharSet, SHIFTJIS_CHARSET);
    EXPECT_STREQ(face.lfFaceName, "標準ゴシック");
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(FormatBox, WM_GETFONT, 0, 0)), font);
}

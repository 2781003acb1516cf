// The main window's commands on the task list as a whole: task list files,
// new and opened archives, editing, deleting, the drop rule and sorting.
#include <windows.h>
#include <commctrl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "filelist/file_list_window.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "tasks/task_table.h"
#include "tasks/tasklist_file.h"
#include "tests/win/test_support.h"
#include "app/controls.h"
#include "ui/main_window.h"
#include "tasks/task_rows.h"
#include "ui/main_commands.h"
#include "ui/task_list_view.h"

static void Command(int id) { SendMessageA(MainWindow, WM_COMMAND, MAKEWPARAM(id, 0), 0); }

static std::string Title() {
    char text[PathSize + 32] = "";
    GetWindowTextA(MainWindow, text, sizeof(text));
    return text;
}

static short Task(unsigned char kind, unsigned char status, const char* path) {
    short index = AddTestTask(kind, status, path);
    Lv_SetCell(TaskListView, TaskIndexToRow(index), ColumnPath, path);
    if (kind == TaskExtraction) {
        CopyText(TaskTable[index].destination, sizeof(TaskTable[index].destination), "C:\\out\\");
        TaskTable[index].flag = AutoFolderNever;
    }
    return index;
}

static std::vector<std::string> RowPaths() {
    std::vector<std::string> paths;
    for (int row = 0; row < Lv_RowCount(TaskListView); ++row) paths.push_back(CellText(TaskListView, row, ColumnPath));
    return paths;
}

static void Focus(int row) {
    LVITEMA item = {};
    item.stateMask = LVIS_FOCUSED;
    item.state = LVIS_FOCUSED;
    SendMessageA(TaskListView, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

// The file-list window opened by a command is put away again.
static void CloseFileListWindow() {
    if (FileListWindow != nullptr) ShowWindow(FileListWindow, SW_HIDE);
    EnableWindow(MainWindow, TRUE);
}

class MainCommandTest : public testing::Test {
protected:
    SettingsRecord saved;
    void SetUp() override {
        ResetTasks();
        saved = Settings;
        CopyText(CurrentListName, sizeof(CurrentListName), "NewTaskList");
        SetMainTitle(CurrentListName);
    }
    void TearDown() override {
        CloseFileListWindow();
        ResetTasks();
        Settings = saved;
        CopyText(CurrentListName, sizeof(CurrentListName), "NewTaskList");
        SetMainTitle(CurrentListName);
    }
};

// ---- Task list files ----

TEST_F(MainCommandTest, BusyListIsNeitherReplacedNorSaved) {
    struct Case {
        int command;
        unsigned char status;
    };
    const Case cases[] = {
        {IDM_NEW_LIST, Waiting}, {IDM_NEW_LIST, Running},  {IDM_OPEN_LIST, Waiting},
        {IDM_OPEN_LIST, Running}, {IDM_SAVE_LIST, Waiting}, {IDM_SAVE_LIST, Running},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.command << " " << int(c.status));
        ResetTasks();
        Fake.messages.clear();
        bool dialogShown = false;
        Fake.openFile = Fake.saveFile = [&](OPENFILENAMEA*) { return dialogShown = true, FALSE; };
        Task(TaskExtraction, Stopped, "C:\\a.zip");
        Task(TaskExtraction, c.status, "C:\\b.zip");
        Command(c.command);
        ASSERT_EQ(Fake.messages.size(), 1u);
        EXPECT_EQ(Fake.messages[0].text, "実行中のタスクが存在するため、操作できません");
        EXPECT_EQ(Fake.messages[0].caption, "error");
        EXPECT_FALSE(dialogShown);
        EXPECT_EQ(Lv_RowCount(TaskListView), 2);
        EXPECT_EQ(Title(), "NewTaskList - fardelix");
    }
}

// New list and open ask only about a list changed since it was saved or
// loaded: はい saves it (in place, or through the save dialog when it was
// never saved) and goes on only when it was saved, いいえ goes on,
// キャンセル keeps everything.
TEST_F(MainCommandTest, NewAndOpenAskToSaveAChangedList) {
    std::string folder = TempFolder("lists");
    struct Case {
        const char* name;
        int command;
        bool changed;
        bool named;       // the list has a file of its own
        int answer;
        bool dialogSaves; // the save dialog, if shown, chooses a file
        bool proceeds;
    };
    const Case cases[] = {
        {"new, cancel", IDM_NEW_LIST, true, true, IDCANCEL, false, false},
        {"new, no", IDM_NEW_LIST, true, true, IDNO, false, true},
        {"new, yes, in place", IDM_NEW_LIST, true, true, IDYES, false, true},
        {"new, yes, never saved, dialog", IDM_NEW_LIST, true, false, IDYES, true, true},
        {"new, yes, never saved, dialog cancelled", IDM_NEW_LIST, true, false, IDYES, false, false},
        {"new, unchanged", IDM_NEW_LIST, false, true, IDCANCEL, false, true},
        {"open, cancel", IDM_OPEN_LIST, true, true, IDCANCEL, false, false},
        {"open, no", IDM_OPEN_LIST, true, true, IDNO, false, true},
        {"open, yes, in place", IDM_OPEN_LIST, true, true, IDYES, false, true},
        {"open, unchanged", IDM_OPEN_LIST, false, true, IDCANCEL, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetTasks();
        Fake.messages.clear();
        std::string own = folder + "own.fdl";
        std::string chosen = folder + "chosen.fdl";
        DeleteFileA(own.c_str());
        DeleteFileA(chosen.c_str());
        CopyText(CurrentListName, sizeof(CurrentListName), c.named ? own.c_str() : "NewTaskList");
        SetMainTitle(CurrentListName);
        Task(TaskExtraction, Done, "C:\\a.zip");
        if (!c.changed) MarkTaskListSaved();
        Task(TaskExtraction, Done, "C:\\b.zip");
        if (!c.changed) MarkTaskListSaved();
        Fake.answers = {c.answer};
        int saveDialogs = 0;
        Fake.saveFile = [&](OPENFILENAMEA* dialog) {
            ++saveDialogs;
            if (!c.dialogSaves) return FALSE;
            CopyText(dialog->lpstrFile, dialog->nMaxFile, chosen.c_str());
            return TRUE;
        };
        int openDialogs = 0;
        Fake.openFile = [&](OPENFILENAMEA*) { return ++openDialogs, FALSE; };
        Command(c.command);
        ASSERT_EQ(Fake.messages.size(), c.changed ? 1u : 0u);
        if (c.changed) {
            EXPECT_EQ(Fake.messages[0].text, "タスクリストは変更されています。保存しますか？");
            EXPECT_EQ(Fake.messages[0].caption, "動作の確認");
            EXPECT_EQ(Fake.messages[0].type & 0xF, static_cast<UINT>(MB_YESNOCANCEL));
            EXPECT_EQ(Fake.messages[0].owner, MainWindow);
        }
        bool yes = c.changed && c.answer == IDYES;
        EXPECT_EQ(saveDialogs, yes && !c.named ? 1 : 0);
        bool savedOwn = yes && c.named;
        bool savedChosen = yes && !c.named && c.dialogSaves;
        EXPECT_EQ(GetFileAttributesA(own.c_str()) != INVALID_FILE_ATTRIBUTES, savedOwn);
        EXPECT_EQ(GetFileAttributesA(chosen.c_str()) != INVALID_FILE_ATTRIBUTES, savedChosen);
        if (savedOwn || savedChosen) {
            std::string bytes = ReadFileBytes(savedOwn ? own : chosen);
            EXPECT_NE(bytes.find("arcpath=C:\\b.zip"), std::string::npos);
        }
        if (c.command == IDM_OPEN_LIST) {
            EXPECT_EQ(openDialogs, c.proceeds ? 1 : 0);
            EXPECT_EQ(Lv_RowCount(TaskListView), 2);  // the open dialog was cancelled
        } else {
            EXPECT_EQ(Lv_RowCount(TaskListView), c.proceeds ? 0 : 2);
        }
    }
}

// An empty list is never asked about.
TEST_F(MainCommandTest, EmptyListIsNotAskedAbout) {
    Task(TaskExtraction, Done, "C:\\a.zip");
    Command(IDM_DELETE_DONE);
    ASSERT_EQ(Lv_RowCount(TaskListView), 0);
    Command(IDM_NEW_LIST);
    int openDialogs = 0;
    Fake.openFile = [&](OPENFILENAMEA*) { return ++openDialogs, FALSE; };
    Command(IDM_OPEN_LIST);
    EXPECT_TRUE(Fake.messages.empty());
    EXPECT_EQ(openDialogs, 1);
}

// What a list file keeps is a change; a status, which it does not keep, is
// not. A list just saved or loaded is unchanged.
TEST_F(MainCommandTest, ChangesAreWhatTheListFileKeeps) {
    std::string file = TempFolder("kept") + "list.fdl";
    short a = Task(TaskExtraction, Stopped, "C:\\a.zip");
    short b = Task(TaskExtraction, Stopped, "C:\\b.zip");
    ASSERT_TRUE(SaveTaskList(file.c_str()));
    EXPECT_FALSE(TaskListChanged());
    SetTaskStatus(a, Done);
    SetTaskStatus(b, Error);
    EXPECT_FALSE(TaskListChanged());
    SetTaskStatus(a, Stopped);
    SetTaskStatus(b, Stopped);

    struct Change {
        const char* name;
        std::function<void()> make;
    };
    const Change changes[] = {
        {"destination", [&] { CopyText(TaskTable[a].destination, PathSize, "C:\\elsewhere\\"); }},
        {"folder rule", [&] { TaskTable[b].flag = AutoFolderAlways; }},
        {"row order", [&] {
             Lv_SetSelected(TaskListView, 1, true);
             Command(IDM_MOVE_UP);
         }},
        {"deleted", [&] {
             Lv_SetSelected(TaskListView, 0, true);
             Command(IDM_DELETE);
         }},
        {"added", [&] { Task(TaskExtraction, Stopped, "C:\\c.zip"); }},
    };
    for (const Change& change : changes) {
        SCOPED_TRACE(change.name);
        ResetTasks();
        CopyText(CurrentListName, sizeof(CurrentListName), file.c_str());
        ASSERT_TRUE(LoadTaskList(file.c_str(), FileListWindow));
        a = RowToTaskIndex(0);
        b = RowToTaskIndex(1);
        EXPECT_FALSE(TaskListChanged());
        change.make();
        EXPECT_TRUE(TaskListChanged());
    }
}

TEST_F(MainCommandTest, OpenAsksFirstAndACancelledDialogKeepsTheList) {
    Task(TaskExtraction, Done, "C:\\a.zip");
    Task(TaskExtraction, Error, "C:\\b.zip");
    CopyText(Settings.OpenFolder, sizeof(Settings.OpenFolder), "C:\\ソフト\\");
    std::vector<std::string> order;
    Fake.answers = {IDNO};
    Fake.openFile = [&](OPENFILENAMEA* dialog) {
        order.push_back("dialog");
        EXPECT_STREQ(dialog->lpstrTitle, "タスクリストファイルを開く");
        EXPECT_STREQ(dialog->lpstrFile, "C:\\ソフト\\");  // never opened or saved: the remembered folder
        EXPECT_EQ(dialog->nMaxFile, static_cast<DWORD>(DialogPathSize));
        EXPECT_EQ(std::string(dialog->lpstrFilter, 24), std::string("ﾀｽｸﾘｽﾄﾌｧｲﾙ(*.fdl)\0*.fdl\0\0", 24));
        EXPECT_TRUE(dialog->Flags & OFN_FILEMUSTEXIST);
        EXPECT_TRUE(dialog->Flags & OFN_HIDEREADONLY);
        EXPECT_EQ(dialog->hwndOwner, MainWindow);
        return FALSE;
    };
    Command(IDM_OPEN_LIST);
    ASSERT_EQ(Fake.messages.size(), 1u);
    EXPECT_EQ(Fake.messages[0].text, "タスクリストは変更されています。保存しますか？");
    EXPECT_EQ(order.size(), 1u);
    EXPECT_EQ(RowPaths(), (std::vector<std::string>{"C:\\a.zip", "C:\\b.zip"}));
    EXPECT_EQ(Title(), "NewTaskList - fardelix");
    EXPECT_STREQ(Settings.OpenFolder, "C:\\ソフト\\");

    Fake.messages.clear();
    Fake.answers = {IDCANCEL};
    order.clear();
    Command(IDM_OPEN_LIST);
    EXPECT_TRUE(order.empty());  // the question was answered with Cancel
    EXPECT_EQ(Lv_RowCount(TaskListView), 2);
}

TEST_F(MainCommandTest, SaveThenOpenSetsTitleAndRemembersTheFolder) {
    std::string folder = TempFolder("表");
    std::string file = folder + "list.fdl";
    Task(TaskExtraction, Done, "C:\\ソフト\\a.zip");
    Task(TaskExtraction, Stopped, "C:\\b.lzh");
    Fake.saveFile = [&](OPENFILENAMEA* dialog) {
        EXPECT_STREQ(dialog->lpstrTitle, "タスクリストファイルを保存");
        EXPECT_STREQ(dialog->lpstrDefExt, "fdl");
        EXPECT_TRUE(dialog->Flags & OFN_OVERWRITEPROMPT);
        CopyText(dialog->lpstrFile, dialog->nMaxFile, file.c_str());
        return TRUE;
    };
    Command(IDM_SAVE_LIST);
    EXPECT_TRUE(Fake.messages.empty());
    EXPECT_EQ(ReadFileBytes(file).compare(0, 9, "#fardelix"), 0);
    EXPECT_EQ(Title(), file + " - fardelix");
    EXPECT_EQ(std::string(Settings.OpenFolder), folder);

    // The next dialog starts at the list's own file.
    std::string initial;
    Fake.answers = {IDOK};
    Fake.openFile = [&](OPENFILENAMEA* dialog) {
        initial = dialog->lpstrFile;
        return TRUE;  // the same file, still in the buffer
    };
    Command(IDM_OPEN_LIST);
    EXPECT_EQ(initial, file);
    EXPECT_EQ(RowPaths(), (std::vector<std::string>{"C:\\ソフト\\a.zip", "C:\\b.lzh"}));
    EXPECT_EQ(Title(), file + " - fardelix");
}

TEST_F(MainCommandTest, SavingAnEmptyListIsRefused) {
    bool dialogShown = false;
    Fake.saveFile = [&](OPENFILENAMEA*) { return dialogShown = true, FALSE; };
    Command(IDM_SAVE_LIST);
    ASSERT_EQ(Fake.messages.size(), 1u);
    EXPECT_EQ(Fake.messages[0].text, "タスクが存在しません");
    EXPECT_FALSE(dialogShown);
}

// ---- Archives ----

TEST_F(MainCommandTest, ThreeArchivesChosenInOneFolder) {
    CopyText(Settings.OpenFolder, sizeof(Settings.OpenFolder), "C:\\start\\");
    Fake.openFile = [](OPENFILENAMEA* dialog) {
        EXPECT_STREQ(dialog->lpstrTitle, "圧縮ファイルを開く");
        EXPECT_STREQ(dialog->lpstrFile, "C:\\start\\*.zip;*.lzh;*.cab;*.tar;*.7z;*.bga;*.yz1;*.rar;*.ace;*.gca;*.arj;"
              "*.tgz;*.gz;*.tbz;*.bz2;*.txz;*.xz");
        EXPECT_STREQ(dialog->lpstrFilter, "すべての圧縮ﾌｧｲﾙ");
        EXPECT_STREQ(dialog->lpstrFilter + strlen(dialog->lpstrFilter) + 1,
                     "*.zip;*.lzh;*.cab;*.tar;*.7z;*.bga;*.yz1;*.rar;*.ace;*.gca;*.arj;*.tgz;*.gz;*.tbz;*.bz2;*.txz;*.xz");
        EXPECT_TRUE(dialog->Flags & OFN_ALLOWMULTISELECT);
        EXPECT_TRUE(dialog->Flags & OFN_EXPLORER);
        EXPECT_TRUE(dialog->Flags & OFN_FILEMUSTEXIST);
        EXPECT_EQ(dialog->nMaxFile, static_cast<DWORD>(DialogPathSize));
        static const char result[] = "D:\\ソフト\\表\0c.zip\0a.lzh\0b.7z\0";
        memcpy(dialog->lpstrFile, result, sizeof(result));
        return TRUE;
    };
    Command(IDM_OPEN_ARCHIVES);
    EXPECT_EQ(RowPaths(), (std::vector<std::string>{"D:\\ソフト\\表\\c.zip", "D:\\ソフト\\表\\a.lzh",
                                                    "D:\\ソフト\\表\\b.7z"}));
    for (short i = 0; i < TaskCount; ++i) EXPECT_EQ(TaskTable[i].kind, TaskExtraction);
    EXPECT_STREQ(Settings.OpenFolder, "D:\\ソフト\\表\\");
}

TEST_F(MainCommandTest, CancelledArchiveDialogMakesNothing) {
    CopyText(Settings.OpenFolder, sizeof(Settings.OpenFolder), "C:\\start\\");
    Fake.openFile = [](OPENFILENAMEA*) { return FALSE; };
    Command(IDM_OPEN_ARCHIVES);
    EXPECT_EQ(TaskCount, 0);
    EXPECT_STREQ(Settings.OpenFolder, "C:\\start\\");
}

TEST_F(MainCommandTest, NewArchiveOpensTheNewTasksFileList) {
    Task(TaskExtraction, Done, "C:\\a.zip");
    Command(IDM_NEW_ARCHIVE);
    ASSERT_EQ(TaskCount, 2);
    EXPECT_EQ(CurrentTaskIndex, 1);
    EXPECT_EQ(TaskTable[1].kind, TaskCompression);
    EXPECT_EQ(CellText(TaskListView, 1, ColumnName), "名称未設定");
    EXPECT_TRUE(IsWindowVisible(FileListWindow));
    EXPECT_FALSE(IsWindowEnabled(MainWindow));
}

// ---- Drops ----

static void Drop(const std::vector<std::string>& paths) {
    size_t bytes = sizeof(DROPFILES) + 1;
    for (const std::string& path : paths) bytes += path.size() + 1;
    HGLOBAL memory = GlobalAlloc(GHND, bytes);
    auto* files = static_cast<DROPFILES*>(GlobalLock(memory));
    files->pFiles = sizeof(DROPFILES);
    char* at = reinterpret_cast<char*>(files + 1);
    for (const std::string& path : paths) {
        memcpy(at, path.c_str(), path.size() + 1);
        at += path.size() + 1;
    }
    GlobalUnlock(memory);
    SendMessageA(TaskListView, WM_DROPFILES, reinterpret_cast<WPARAM>(memory), 0);
}

TEST_F(MainCommandTest, DroppingAnArchiveWithAnotherFileMakesOneCompressionTask) {
    std::string folder = TempFolder("drop");
    WriteFileBytes(folder + "a.zip", "not really an archive");
    WriteFileBytes(folder + "表示.txt", "text");
    Drop({folder + "a.zip", folder + "表示.txt"});
    ASSERT_EQ(TaskCount, 1);
    EXPECT_EQ(TaskTable[0].kind, TaskCompression);
    EXPECT_EQ(CellText(TaskListView, 0, ColumnKind), "圧縮");
    HWND files = TaskTable[0].fileList;
    ASSERT_EQ(Lv_RowCount(files), 2);
    EXPECT_EQ(CellText(files, 0, 3), folder + "a.zip");
    EXPECT_EQ(CellText(files, 1, 3), folder + "表示.txt");
    EXPECT_TRUE(IsWindowVisible(FileListWindow));
}

TEST_F(MainCommandTest, DroppingThreeArchivesMakesThreeExtractionTasks) {
    std::string folder = TempFolder("drop");
    const std::vector<std::string> paths = {folder + "c.zip", folder + "ソフト.lzh", folder + "a.7z"};
    for (const std::string& path : paths) WriteFileBytes(path, "x");
    Drop(paths);
    EXPECT_EQ(RowPaths(), paths);
    for (short i = 0; i < TaskCount; ++i) EXPECT_EQ(TaskTable[i].kind, TaskExtraction);
    EXPECT_FALSE(FileListWindow != nullptr && IsWindowVisible(FileListWindow));
    EXPECT_TRUE(IsWindowEnabled(MainWindow));
}

// ---- Editing and deleting ----

TEST_F(MainCommandTest, DoubleClickOnADoneExtractionTaskStopsItAndOpensItsDialog) {
    Task(TaskCompression, Done, "C:\\x.zip");
    short task = Task(TaskExtraction, Done, "C:\\a.zip");
    Lv_SetSelected(TaskListView, 1, true);
    Focus(1);
    std::string statusWhenShown;
    Fake.dialog = [&](int id, DLGPROC, LPARAM) {
        EXPECT_EQ(id, IDD_EXTRACTSETTINGS);
        statusWhenShown = CellText(TaskListView, 1, ColumnStatus);
        return static_cast<INT_PTR>(1);
    };
    NMITEMACTIVATE click = {};
    click.hdr.hwndFrom = TaskListView;
    click.hdr.idFrom = IDC_TASKLIST;
    click.hdr.code = NM_DBLCLK;
    click.iItem = 1;
    SendMessageA(MainWindow, WM_NOTIFY, IDC_TASKLIST, reinterpret_cast<LPARAM>(&click));
    EXPECT_EQ(Fake.dialogIds, std::vector<int>{IDD_EXTRACTSETTINGS});
    EXPECT_EQ(statusWhenShown, "停止");
    EXPECT_EQ(TaskTable[task].status, Stopped);
    EXPECT_EQ(CurrentTaskIndex, -1);   // an extraction task is edited in its dialog, not in the file-list window
}

TEST_F(MainCommandTest, EditChoosesByTheSelection) {
    struct Case {
        const char* name;
        unsigned selected;  // bit per row: rows are extraction, compression, extraction, extraction
        int focused;
        std::vector<int> dialogs;
        bool fileListShown;
        short current;      // the task edited; the batch: the one whose rule is shown first
    };
    const Case cases[] = {
        {"nothing selected", 0b0000, 0, {}, false, -1},
        {"two extraction and one compression: the focused row", 0b0111, 2, {IDD_EXTRACTSETTINGS}, false, 2},
        {"mixed, focus on the compression task", 0b0011, 1, {}, true, 1},
        {"extraction only: the batch dialog", 0b1101, 0, {IDD_EXTRACTSETTINGS}, false, 3},
        {"one row", 0b0010, 1, {}, true, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetTasks();
        Fake.dialogIds.clear();
        Task(TaskExtraction, Done, "C:\\a.zip");
        Command(IDM_NEW_ARCHIVE);  // a compression task with its own file list
        CloseFileListWindow();
        SetTaskStatus(1, Error);
        Lv_SetCell(TaskListView, 1, ColumnPath, "C:\\ソフト\\x.zip");
        Task(TaskExtraction, Waiting, "C:\\b.zip");
        Task(TaskExtraction, Done, "C:\\c.zip");
        CurrentTaskIndex = -1;
        for (int row = 0; row < 4; ++row) Lv_SetSelected(TaskListView, row, (c.selected >> row) & 1);
        Focus(c.focused);
        std::string title;
        Fake.dialog = [&](int id, DLGPROC procedure, LPARAM data) {
            return DriveDialog(id, procedure, data, [&](HWND dialog) {
                char text[128] = "";
                GetWindowTextA(dialog, text, sizeof(text));
                title = text;
                PressButton(dialog, IDCANCEL);
            });
        };
        Command(IDM_EDIT_TASK);
        EXPECT_EQ(Fake.dialogIds, c.dialogs);
        EXPECT_EQ(FileListWindow != nullptr && IsWindowVisible(FileListWindow), c.fileListShown);
        if (c.fileListShown) {
            char field[PathSize] = "";
            ReadArchivePathField(field, sizeof(field));
            EXPECT_STREQ(field, "C:\\ソフト\\x.zip");
        }
        EXPECT_EQ(CurrentTaskIndex, c.fileListShown ? c.current : -1);
        if (c.selected == 0b1101) {
            EXPECT_EQ(title, "圧縮ファイルの一括解凍設定");
            EXPECT_EQ(TaskTable[0].status, Done);  // a cancelled batch changes nothing
        } else if (c.current >= 0) {
            EXPECT_EQ(TaskTable[c.current].status, Stopped);
        }
        CloseFileListWindow();
    }
}

TEST_F(MainCommandTest, EditOnARunningTaskDoesNothing) {
    short task = Task(TaskExtraction, Running, "C:\\a.zip");
    Lv_SetSelected(TaskListView, 0, true);
    Focus(0);
    Command(IDM_EDIT_TASK);
    EXPECT_TRUE(Fake.dialogIds.empty());
    EXPECT_TRUE(Fake.messages.empty());
    EXPECT_EQ(TaskTable[task].status, Running);
}

TEST_F(MainCommandTest, DeleteRemovesTheSelectedTasksButNotARunningOne) {
    Task(TaskExtraction, Done, "C:\\1.zip");
    Task(TaskExtraction, Running, "C:\\2.zip");
    Task(TaskExtraction, Waiting, "C:\\3.zip");
    Task(TaskExtraction, Stopped, "C:\\4.zip");
    Task(TaskExtraction, Error, "C:\\5.zip");
    for (int row : {0, 1, 2, 4}) Lv_SetSelected(TaskListView, row, true);
    Command(IDM_DELETE);
    EXPECT_EQ(RowPaths(), (std::vector<std::string>{"C:\\2.zip", "C:\\4.zip"}));
    EXPECT_EQ(TaskCount, 2);
    Command(IDM_DELETE);  // only the Running task is still selected
    EXPECT_EQ(TaskCount, 2);
}

TEST_F(MainCommandTest, DeleteDoneRemovesEveryDoneTaskOfBothKinds) {
    Task(TaskExtraction, Done, "C:\\1.zip");
    Task(TaskCompression, Done, "C:\\2.zip");
    Task(TaskExtraction, Stopped, "C:\\3.zip");
    Task(TaskExtraction, Done, "C:\\4.zip");
    Task(TaskCompression, Error, "C:\\5.zip");
    Task(TaskExtraction, Done, "C:\\6.zip");
    Command(IDM_DELETE_DONE);
    EXPECT_EQ(RowPaths(), (std::vector<std::string>{"C:\\3.zip", "C:\\5.zip"}));
    EXPECT_EQ(TaskCount, 2);
}

// ---- Sorting and the status bar ----

TEST_F(MainCommandTest, ColumnClicksSortBothWaysAndKeepAFlagPerColumn) {
    Task(TaskExtraction, Done, "C:\\b.zip");
    Task(TaskExtraction, Stopped, "C:\\c.zip");
    Task(TaskExtraction, Error, "C:\\a.zip");
    for (unsigned char& flag : ColumnSortFlags) flag = 0;
    NMLISTVIEW click = {};
    click.hdr.hwndFrom = TaskListView;
    click.hdr.idFrom = IDC_TASKLIST;
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = ColumnPath;
    SendMessageA(MainWindow, WM_NOTIFY, IDC_TASKLIST, reinterpret_cast<LPARAM>(&click));
    std::vector<std::string> first = RowPaths();
    EXPECT_EQ(ColumnSortFlags[ColumnPath], 1);
    SendMessageA(MainWindow, WM_NOTIFY, IDC_TASKLIST, reinterpret_cast<LPARAM>(&click));
    std::vector<std::string> second = RowPaths();
    EXPECT_EQ(ColumnSortFlags[ColumnPath], 0);
    EXPECT_EQ(ColumnSortFlags[ColumnName], 0);
    std::vector<std::string> ascending = {"C:\\a.zip", "C:\\b.zip", "C:\\c.zip"};
    std::vector<std::string> descending = {"C:\\c.zip", "C:\\b.zip", "C:\\a.zip"};
    EXPECT_TRUE((first == ascending && second == descending) || (first == descending && second == ascending));
}

// A bar too narrow for both parts' texts keeps part 0's: the counts are not
// cut for the sake of part 1, and part 0 never ends before 400.
TEST_F(MainCommandTest, StatusPartZeroKeepsItsTextAtNarrowWidths) {
    const int zero = TextWidthIn(MainStatusBar, "  総数 = 9999  実行 = 9999  待機 = 9999  完了 = 9999  停止 = 9999  エラー = 9999");
    for (int statusWidth : {450, 490, 600}) {
        SCOPED_TRACE(statusWidth);
        RECT outer, client;
        GetWindowRect(MainWindow, &outer);
        GetClientRect(MainWindow, &client);
        int frame = (outer.right - outer.left) - client.right;
        SetWindowPos(MainWindow, nullptr, 0, 0, statusWidth + frame, 500, SWP_NOMOVE | SWP_NOZORDER);
        RECT bar;
        GetClientRect(MainStatusBar, &bar);
        ASSERT_EQ(bar.right, statusWidth);
        int parts[2] = {};
        SendMessageA(MainStatusBar, SB_GETPARTS, 2, reinterpret_cast<LPARAM>(parts));
        EXPECT_GE(parts[0], 400);
        EXPECT_GE(parts[0], zero);
        EXPECT_LE(parts[0], std::max(400, zero + 40));  // not wider than its text needs
        EXPECT_EQ(parts[1], -1);
    }
    SetWindowPos(MainWindow, nullptr, 0, 0, 800, 600, SWP_NOMOVE | SWP_NOZORDER);
}

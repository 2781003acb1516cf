#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "program/run_loop.h"
#include "filelist/file_list_window.h"
#include "settings/settings.h"
#include "tasks/task_delete.h"
#include "app/list_sort.h"
#include "tasks/tasklist_file.h"
#include "tasks/run_switch.h"
#include "tasks/task_rows.h"
#include "ui/task_list_view.h"
#include "tests/win/task_rows.h"
#include "tests/win/test_support.h"

class TaskListLoadTest : public testing::Test {
protected:
    void SetUp() override {
        ResetTasks();
        saved = Settings;
        folder = TempFolder("load");
        path = folder + "list.fdl";
    }
    void TearDown() override {
        Settings = saved;
        ResetTasks();
    }

    bool Load(const std::string& bytes) {
        WriteFileBytes(path, bytes);
        return LoadTaskList(path.c_str(), FileListWindow);
    }

    SettingsRecord saved;
    std::string folder;
    std::string path;
};

// Every task's row and record agree, each compression task owns a file
// list and each extraction task none, and no block is left half open.
static void ExpectTableAndRowsAgree() {
    ASSERT_EQ(Lv_RowCount(TaskListView), TaskCount);
    for (int row = 0; row < TaskCount; ++row) {
        LPARAM id = Lv_RowId(TaskListView, row);
        int owners = 0;
        for (short i = 0; i < TaskCount; ++i) {
            if (static_cast<LPARAM>(TaskTable[i].id) == id) ++owners;
        }
        ASSERT_EQ(owners, 1) << "row " << row;
    }
    for (short i = 0; i < TaskCount; ++i) {
        const TaskRecord& task = TaskTable[i];
        if (task.kind == TaskCompression) {
            ASSERT_TRUE(IsWindow(task.fileList));
            // Filled with its redraw off, then on again: still hidden.
            ASSERT_EQ(GetWindowLongPtrA(task.fileList, GWL_STYLE) & WS_VISIBLE, 0) << "task " << i;
            ASSERT_LE(task.flag, 6);
        } else {
            ASSERT_EQ(task.kind, TaskExtraction);
            ASSERT_EQ(task.fileList, nullptr);
            ASSERT_LE(task.flag, 2);
        }
    }
    ASSERT_EQ(CurrentTaskIndex, -1);
}

static std::string Block(const std::string& archive, int kind, int flag, const std::vector<std::string>& body) {
    std::string text = "#TASKSTART\r\narcpath=" + archive + "\r\ntask=" + std::to_string(kind) + "\r\nflag=" +
                       std::to_string(flag) + "\r\n";
    for (const std::string& line : body) text += line + "\r\n";
    return text + "#TASKEND\r\n";
}

TEST_F(TaskListLoadTest, EdgeCasesOfTheFile) {
    std::string real = folder + "real.txt";
    WriteFileBytes(real, std::string(1234, 'r'));
    struct Case {
        const char* name;
        std::string bytes;
        bool loaded;
        const char* message;   // "%s" stands for the file's path
        std::string rows;      // column 0 of every row
    };
    const std::string head = "#fardelix\r\n";
    const Case cases[] = {
        {"magic only", head, true, nullptr, ""},
        {"magic with trailing blank", "#fardelix \r\n" + Block("C:\\x.zip", 0, 0, {}), false, "%sは不正なリストファイルです", ""},
        {"magic in capitals", "#FARDELIX\r\n", false, "%sは不正なリストファイルです", ""},
        {"empty file", "", false, "%sは不正なリストファイルです", ""},
        {"no paths", head + Block("C:\\out\\x.zip", 0, 0, {}), true, nullptr, "x.zip"},
        {"kind 2 ends the load", head + Block("C:\\a.zip", 0, 0, {real}) + Block("C:\\b.zip", 2, 0, {real}) +
                                     Block("C:\\c.zip", 0, 0, {real}),
         true, nullptr, "a.zip"},
        {"two lines after the destination", head + Block("C:\\a.zip", 0, 0, {real}) + Block("C:\\y.zip", 1, 0, {"C:\\d\\", "C:\\e\\"}),
         false, "%sは不正なリストファイルです", "a.zip y.zip"},
        {"end of extraction block without line end",
         head + "#TASKSTART\r\narcpath=C:\\y.zip\r\ntask=1\r\nflag=0\r\nC:\\d\\\r\n#TASKEND", false,
         "%sは不正なリストファイルです", "y.zip"},
        {"file cut inside a compression block", head + "#TASKSTART\r\narcpath=C:\\x.zip\r\ntask=0\r\nflag=0\r\n" + real,
         false, "%sは不正なリストファイルです", "x.zip"},
        {"flag out of range", head + Block("C:\\x.zip", 0, 9, {real}), false, "%sは不正なリストファイルです", ""},
        {"bare LF", "#fardelix\n#TASKSTART\narcpath=C:\\out\\x.zip\ntask=0\nflag=1\n" + real + "\n#TASKEND\n", true,
         nullptr, "x.zip"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetTasks();
        InstallFakeModal();
        EXPECT_EQ(Load(c.bytes), c.loaded);
        std::vector<std::string> expected;
        if (c.message != nullptr) {
            std::string text = c.message;
            size_t at = text.find("%s");
            if (at != std::string::npos) text.replace(at, 2, path);
            expected.push_back(text);
        }
        std::vector<std::string> shown;
        for (const ShownMessage& m : Fake.messages) {
            if (m.text.find("DLL") == std::string::npos && m.text.find("dll") == std::string::npos) shown.push_back(m.text);
        }
        EXPECT_EQ(shown, expected);
        EXPECT_EQ(RowNames(TaskListView), c.rows);
        ExpectTableAndRowsAgree();
    }
}

TEST_F(TaskListLoadTest, CompressionTaskComesBackWithItsFilesAndFigures) {
    std::string a = folder + "a.txt";
    std::string b = folder + "表示.txt";
    WriteFileBytes(a, std::string(1000, 'a'));
    WriteFileBytes(b, std::string(234, 'b'));
    std::string missing = folder + "gone.txt";
    Settings.DefCompType = 0;
    ASSERT_TRUE(Load("#fardelix\r\n" + Block("C:\\out\\書庫.lzh", 0, 1, {a, missing, b})));
    ASSERT_EQ(TaskCount, 1);
    EXPECT_EQ(CellText(TaskListView, 0, ColumnName), "書庫.lzh");
    EXPECT_EQ(CellText(TaskListView, 0, ColumnPath), "C:\\out\\書庫.lzh");
    EXPECT_EQ(CellText(TaskListView, 0, ColumnCount), "3");
    EXPECT_EQ(CellText(TaskListView, 0, ColumnSize), "1,234");
    EXPECT_EQ(CellText(TaskListView, 0, ColumnStatus), "停止");
    EXPECT_EQ(TaskTable[0].flag, 1);   // from the file, not the default format
    HWND list = TaskTable[0].fileList;
    ASSERT_EQ(Lv_RowCount(list), 3);
    EXPECT_EQ(CellText(list, 0, 3), a);
    EXPECT_EQ(CellText(list, 1, 3), missing);
    EXPECT_EQ(CellText(list, 1, 1), "不明");
    EXPECT_EQ(CellText(list, 1, 2), "アクセス不可");
    EXPECT_EQ(CellText(list, 2, 3), b);
    EXPECT_FALSE(IsWindowVisible(list));
    EXPECT_EQ(CurrentTaskIndex, -1);
}

TEST_F(TaskListLoadTest, ExtractionTaskKeepsItsDestinationAndFolderRule) {
    Settings.DefMeltAuto = 2;
    ASSERT_TRUE(Load("#fardelix\r\n" + Block("D:\\in\\data.zip", 1, 1, {"E:\\ソフト\\"})));
    ASSERT_EQ(TaskCount, 1);
    EXPECT_EQ(TaskTable[0].kind, TaskExtraction);
    EXPECT_STREQ(TaskTable[0].destination, "E:\\ソフト\\");
    EXPECT_EQ(TaskTable[0].flag, 1);
    EXPECT_EQ(CellText(TaskListView, 0, ColumnName), "data.zip");
    EXPECT_EQ(CellText(TaskListView, 0, ColumnPath), "D:\\in\\data.zip");
}

TEST_F(TaskListLoadTest, SavedSortedListLoadsBackTheSame) {
    std::string a = folder + "a.txt";
    std::string b = folder + "b.txt";
    WriteFileBytes(a, "aa");
    WriteFileBytes(b, "bbb");
    ASSERT_TRUE(Load("#fardelix\r\n" + Block("C:\\out\\b.zip", 0, 0, {b, a}) + Block("D:\\in\\c.lzh", 1, 2, {"E:\\x\\"}) +
                     Block("C:\\out\\a.cab", 0, 2, {a})));
    for (unsigned char& flag : ColumnSortFlags) flag = 0;
    SortTaskListByColumn(ColumnName);   // a.cab, b.zip, c.lzh
    SetTaskStatus(RowToTaskIndex(0), Done);
    std::string saved = folder + "saved.fdl";
    ASSERT_TRUE(SaveTaskList(saved.c_str()));
    std::string first = ReadFileBytes(saved);
    ASSERT_TRUE(ClearTaskList());
    ASSERT_TRUE(LoadTaskList(saved.c_str(), FileListWindow));
    EXPECT_EQ(RowNames(TaskListView), "a.cab b.zip c.lzh");
    EXPECT_EQ(RowStatuses().substr(0, std::string("停止 停止").size()), "停止 停止");
    EXPECT_EQ(CellText(TaskTable[RowToTaskIndex(1)].fileList, 0, 3), b);
    EXPECT_EQ(CellText(TaskTable[RowToTaskIndex(1)].fileList, 1, 3), a);
    EXPECT_EQ(TaskTable[RowToTaskIndex(0)].flag, 2);
    EXPECT_STREQ(TaskTable[RowToTaskIndex(2)].destination, "E:\\x\\");
    EXPECT_EQ(TaskTable[RowToTaskIndex(2)].flag, 2);
    ASSERT_TRUE(SaveTaskList(saved.c_str()));
    EXPECT_EQ(ReadFileBytes(saved), first);
}

TEST_F(TaskListLoadTest, MissingFileAndRunningTaskAreRefused) {
    EXPECT_FALSE(LoadTaskList((folder + "none.fdl").c_str(), FileListWindow));
    ASSERT_EQ(Fake.messages.size(), 1u);
    EXPECT_EQ(Fake.messages[0].text, "タスクリストファイルの読み込みに失敗しました");

    InstallFakeModal();
    AddRowTask("busy", TaskCompression, Running);
    RunSwitch = RunInLibrary;
    EXPECT_FALSE(Load("#fardelix\r\n" + Block("C:\\x.zip", 0, 0, {})));
    ASSERT_EQ(Fake.messages.size(), 1u);
    EXPECT_EQ(Fake.messages[0].text, "実行中のタスクが存在するため、操作できません");
    EXPECT_EQ(TaskCount, 1);
    RunSwitch = RunIdle;
}

// Thousands of damaged files through the real loader: whatever they hold,
// the program never crashes and its task table and rows always agree.
TEST_F(TaskListLoadTest, DamagedFilesNeverBreakTheTaskList) {
    std::string real = folder + "r.txt";
    WriteFileBytes(real, "12345");
    const std::string seeds[] = {
        "#fardelix\r\n" + Block("C:\\out\\x.zip", 0, 0, {real, folder}) + Block("D:\\y.lzh", 1, 2, {"E:\\d\\"}),
        "#fardelix\n" + Block("C:\\a.tar", 0, 3, {real}) + Block("C:\\b.zip", 2, 0, {real}) + Block("C:\\c.7z", 0, 4, {}),
        "#fardelix\r\n" + Block("C:\\表\\能.lzh", 0, 1, {"C:\\ソフト\\表示.txt", ""}) + Block("C:\\z.cab", 1, 0, {"C:\\"}),
    };
    std::mt19937 random(5);
    auto number = [&](int limit) { return static_cast<int>(random() % static_cast<unsigned>(limit)); };
    const int files = 2000;
    for (int round = 0; round < files; ++round) {
        std::string bytes = seeds[round % 3];
        int mutations = 1 + number(4);
        for (int m = 0; m < mutations; ++m) {
            size_t at = bytes.empty() ? 0 : static_cast<size_t>(number(static_cast<int>(bytes.size())));
            switch (number(8)) {
            case 0: bytes.resize(at); break;                                               // truncated
            case 1: bytes.insert(at, 1, static_cast<char>(number(256))); break;             // binary byte
            case 2: bytes.insert(at, std::string(200 + number(900), 'L')); break;           // huge line
            case 3: {                                                                       // a line goes
                size_t end = bytes.find('\n', at);
                bytes.erase(at, end == std::string::npos ? std::string::npos : end - at + 1);
                break;
            }
            case 4: bytes.insert(at, std::to_string(static_cast<int>(random()))); break;   // random number
            case 5: bytes.insert(at, "\r\n#TASKSTART\r\n"); break;
            case 6: bytes.insert(at, "\r\ntask=" + std::to_string(number(5) - 1) + "\n"); break;
            default: bytes.insert(at, std::string(1, static_cast<char>(number(3) == 0 ? '\0' : '\n'))); break;
            }
        }
        SCOPED_TRACE(round);
        InstallFakeModal();
        Load(bytes);
        ExpectTableAndRowsAgree();
        for (const ShownMessage& m : Fake.messages) {
            ASSERT_NE(m.text, "ファイルリストウィンドウが見つかりません。");
        }
        if (HasFatalFailure()) return;
        if (TaskCount > 200 || round % 10 == 9) {
            ASSERT_TRUE(ClearTaskList());
        }
    }
}

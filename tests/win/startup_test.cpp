#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program/startup.h"
#include "filelist/file_list_window.h"
#include "tasks/task_rows.h"
#include "tasks/tasklist_file.h"
#include "tests/win/task_rows.h"
#include "tests/win/test_support.h"
#include "ui/main_commands.h"

class StartupTest : public testing::Test {
protected:
    void SetUp() override { ResetTasks(); }
    void TearDown() override { ResetTasks(); }
};

// Kinds and archive paths of every row, and what the one compression
// task's file list holds.
TEST_F(StartupTest, CommandLineBecomesTasks) {
    struct Case {
        const char* line;
        std::vector<std::string> extractions;
        std::vector<std::string> files;   // of one compression task "名称未設定"
    };
    const Case cases[] = {
        {"\"C:\\a b\\x.zip\" C:\\y.lzh", {"C:\\a b\\x.zip", "C:\\y.lzh"}, {}},
        {"C:\\docs\\report.txt C:\\y.lzh", {}, {"C:\\docs\\report.txt", "C:\\y.lzh"}},
        {"-r C:\\y.lzh", {"C:\\y.lzh"}, {}},
        {"C:\\a.ZIP", {"C:\\a.ZIP"}, {}},
        {"C:\\backup.tar.gz", {"C:\\backup.tar.gz"}, {}},
        {"C:\\backup.tar.Z", {}, {"C:\\backup.tar.Z"}},
        {"x.zip \\\\server\\share\\x.zip", {}, {}},
        {"\"C:\\x.zip\"C:\\y.zip", {"C:\\x.zip"}, {}},
        {"\"C:\\unclosed x.zip", {}, {}},
        {"", {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        ResetTasks();
        InstallFakeModal();
        HandleCommandLine(c.line);
        bool compression = !c.files.empty();
        ASSERT_EQ(TaskCount, static_cast<short>(c.extractions.size() + (compression ? 1 : 0)));
        for (size_t i = 0; i < c.extractions.size(); ++i) {
            EXPECT_EQ(TaskTable[i].kind, TaskExtraction);
            EXPECT_EQ(CellText(TaskListView, static_cast<int>(i), ColumnPath), c.extractions[i]);
        }
        if (compression) {
            EXPECT_EQ(TaskTable[0].kind, TaskCompression);
            EXPECT_EQ(CellText(TaskListView, 0, ColumnName), "名称未設定");
            HWND list = TaskTable[0].fileList;
            ASSERT_EQ(Lv_RowCount(list), static_cast<int>(c.files.size()));
            for (size_t i = 0; i < c.files.size(); ++i) EXPECT_EQ(CellText(list, static_cast<int>(i), 3), c.files[i]);
            EXPECT_TRUE(IsWindowVisible(FileListWindow));
            EXPECT_TRUE(IsWindowVisible(list));
            EXPECT_FALSE(IsWindowEnabled(MainWindow));
            EXPECT_EQ(CurrentTaskIndex, 0);
        } else {
            EXPECT_FALSE(IsWindowVisible(FileListWindow));
            EXPECT_TRUE(IsWindowEnabled(MainWindow));
        }
        for (short i = 0; i < TaskCount; ++i) {
            EXPECT_NE(TaskTable[i].status, Waiting);   // nothing starts by itself
        }
    }
}

// An archive among other files: the compression task never names its
// archive after a path it packs.
TEST_F(StartupTest, ArchiveAmongFilesIsNotPackedIntoItself) {
    InstallFakeModal();
    HandleCommandLine("C:\\in\\a.zip C:\\in\\b.txt");
    ASSERT_EQ(TaskCount, 1);
    ASSERT_EQ(TaskTable[0].kind, TaskCompression);
    CommitFileList(CurrentTaskIndex);
    std::string archive = CellText(TaskListView, 0, ColumnPath);
    EXPECT_NE(archive, "C:\\in\\a.zip");
    EXPECT_NE(archive, "C:\\in\\b.txt");
    EXPECT_EQ(archive, "C:\\in\\a (2).zip");
    EXPECT_EQ(CellText(TaskListView, 0, ColumnName), "a (2).zip");
}

// A task list file alone on the command line, as the shell passes one it
// opens, is loaded as the open command loads it: its tasks, its name in the
// title, and nothing to save. With another path it is a file to pack.
TEST_F(StartupTest, TaskListFileAloneIsLoaded) {
    std::string folder = TempFolder("予定");
    std::string list = folder + "週末.fdl";
    WriteFileBytes(list, "#fardelix\r\n#TASKSTART\r\narcpath=C:\\out\\x.zip\r\ntask=0\r\nflag=3\r\n"
                         "C:\\d\\表.txt\r\n#TASKEND\r\n");
    InstallFakeModal();
    HandleCommandLine(("\"" + list + "\"").c_str());
    ASSERT_EQ(TaskCount, 1);
    EXPECT_EQ(TaskTable[0].kind, TaskCompression);
    EXPECT_EQ(TaskTable[0].flag, 3);
    EXPECT_EQ(CellText(TaskListView, 0, ColumnName), "x.zip");
    EXPECT_EQ(CellText(TaskListView, 0, ColumnPath), "C:\\out\\x.zip");
    ASSERT_EQ(Lv_RowCount(TaskTable[0].fileList), 1);
    EXPECT_EQ(CellText(TaskTable[0].fileList, 0, 3), "C:\\d\\表.txt");
    EXPECT_STREQ(CurrentListName, list.c_str());
    char title[PathSize + 32] = "";
    GetWindowTextA(MainWindow, title, sizeof(title));
    EXPECT_EQ(std::string(title), list + " - fardelix");
    EXPECT_FALSE(IsWindowVisible(FileListWindow));
    EXPECT_TRUE(IsWindowEnabled(MainWindow));
    EXPECT_FALSE(TaskListChanged());
    EXPECT_TRUE(Fake.messages.empty());

    ResetTasks();
    HandleCommandLine(("\"" + list + "\" C:\\in\\b.txt").c_str());
    ASSERT_EQ(TaskCount, 1);
    ASSERT_EQ(Lv_RowCount(TaskTable[0].fileList), 2);
    EXPECT_EQ(CellText(TaskTable[0].fileList, 0, 3), list);
    CopyText(CurrentListName, sizeof(CurrentListName), "NewTaskList");
    SetMainTitle(CurrentListName);
}

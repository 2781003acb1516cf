#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "program/startup.h"
#include "filelist/file_list_window.h"
#include "tasks/task_rows.h"
#include "tests/win/task_rows.h"
#include "tests/win/test_support.h"

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
        {"C:\\backup.tar.gz", {}, {"C:\\backup.tar.gz"}},
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

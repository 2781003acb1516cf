#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "filelist/file_list_window.h"
#include "resources/resource.h"
#include "settings/settings.h"
#include "tasks/task_create.h"
#include "tasks/task_table.h"
#include "tests/win/program_process.h"
#include "tests/win/test_support.h"
#include "app/controls.h"
#include "ui/main_window.h"
#include "tasks/task_rows.h"


class TaskCreateTest : public testing::Test {
protected:
    void SetUp() override {
        ResetTasks();
        GetCurrentDirectoryA(sizeof(savedFolder), savedFolder);
        saved = Settings;
    }
    void TearDown() override {
        SetDllDirectoryA(nullptr);
        SetCurrentDirectoryA(savedFolder);
        Settings = saved;
        ResetTasks();
    }
    // A folder holding a test library under the given file name and, when
    // count is not null, the count it answers.
    std::string LibraryFolder(const char* source, const char* libraryName, const char* count) {
        std::string folder = TempFolder("lib");
        EXPECT_TRUE(CopyFileA((ProgramFolder() + source).c_str(), (folder + libraryName).c_str(), FALSE)) << source;
        if (count != nullptr) WriteFileBytes(folder + "count.txt", count);
        SetDllDirectoryA(folder.c_str());
        return folder;
    }
    char savedFolder[MAX_PATH] = "";
    SettingsRecord saved;
};

TEST_F(TaskCreateTest, TwoCompressionTasksGetConsecutiveIdsAndOwnLists) {
    uint32_t firstId = NextTaskId;
    short first = NewCompressionTask();
    short second = NewCompressionTask();
    ASSERT_EQ(first, 0);
    ASSERT_EQ(second, 1);
    EXPECT_EQ(TaskTable[0].id, firstId);
    EXPECT_EQ(TaskTable[1].id, firstId + 1);
    EXPECT_EQ(NextTaskId, firstId + 2);
    ASSERT_EQ(Lv_RowCount(TaskListView), 2);
    for (int row = 0; row < 2; ++row) {
        SCOPED_TRACE(row);
        EXPECT_EQ(Lv_RowId(TaskListView, row), static_cast<LPARAM>(firstId + row));
        EXPECT_EQ(CellText(TaskListView, row, ColumnName), "名称未設定");
        EXPECT_EQ(CellText(TaskListView, row, ColumnKind), "圧縮");
        EXPECT_EQ(CellText(TaskListView, row, ColumnStatus), "停止");
        EXPECT_EQ(CellText(TaskListView, row, ColumnCount), "");
        EXPECT_EQ(CellText(TaskListView, row, ColumnSize), "");
        EXPECT_EQ(TaskTable[row].kind, TaskCompression);
        EXPECT_EQ(TaskTable[row].status, Stopped);
        EXPECT_STREQ(TaskTable[row].destination, "");
        ASSERT_NE(TaskTable[row].fileList, nullptr);
        EXPECT_EQ(GetParent(TaskTable[row].fileList), FileListWindow);
        EXPECT_EQ(GetDlgCtrlID(TaskTable[row].fileList), IDC_FILELIST);
        EXPECT_EQ(Lv_RowCount(TaskTable[row].fileList), 0);
        EXPECT_FALSE(IsWindowVisible(TaskTable[row].fileList));
    }
    EXPECT_NE(TaskTable[0].fileList, TaskTable[1].fileList);
    EXPECT_EQ(StatusText(MainStatusBar, 0),
              "  総数 =    2  実行 =    0  待機 =    0  完了 =    0  停止 =    2  エラー =    0");
    EXPECT_EQ(StatusText(FileListStatusBar, 0), "  ファイル数 = 0  サイズ合計 = 0");
    EXPECT_EQ(StatusText(FileListStatusBar, 1), "選択数 =    0");

    ASSERT_TRUE(ShowTaskFileList(second));
    EXPECT_TRUE(IsWindowVisible(TaskTable[1].fileList));
    EXPECT_FALSE(IsWindowVisible(TaskTable[0].fileList));
    EXPECT_TRUE(Fake.messages.empty());
}

TEST_F(TaskCreateTest, DefaultArchivePathFromCurrentFolderAndFormat) {
    std::string folder = TempFolder("work");
    ASSERT_TRUE(SetCurrentDirectoryA(folder.c_str()));
    struct Case {
        unsigned char format;
        const char* extension;
    };
    const Case cases[] = {{1, "lzh"}, {0, "zip"}, {6, "yz1"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extension);
        Settings.DefCompType = c.format;
        SetArchivePathField("C:\\left\\over.zip");
        short index = NewCompressionTask();
        ASSERT_GE(index, 0);
        // The folder ends in a backslash already: no second one.
        EXPECT_EQ(CellText(TaskListView, TaskIndexToRow(index), ColumnPath),
                  folder + "名称未設定." + c.extension);
        EXPECT_EQ(TaskTable[index].flag, c.format);
        char field[PathSize];
        ReadArchivePathField(field, sizeof(field));
        EXPECT_STREQ(field, "");  // cleared, so the first added path names the archive
    }
}

TEST_F(TaskCreateTest, ExtractionTaskCountsEntries) {
    struct Case {
        const char* archive;
        const char* count;
        const char* shown;
        int status;
    };
    const Case cases[] = {
        {"data.zip", "1234567", "1,234,567", Stopped},
        {"表.zip", "0", "0", Stopped},
        {"x.TAR", "999", "999", Stopped},
        // A negative count is the library's failure, not 4,294,967,295.
        {"bad.zip", "-1", "", Error},
    };
    Settings.DefMeltAuto = AutoFolderUnlessSingle;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.archive);
        ResetTasks();
        const char* library = c.archive[0] == 'x' ? "tar32.dll" : "UNZIP32.DLL";
        std::string folder = LibraryFolder("countlib.dll", library, c.count);
        std::string archive = folder + "in\\" + c.archive;
        uint32_t id = NextTaskId;
        ASSERT_EQ(CreateExtractionTask(archive.c_str()), 0);
        EXPECT_TRUE(Fake.messages.empty());
        EXPECT_EQ(TaskTable[0].kind, TaskExtraction);
        EXPECT_EQ(TaskTable[0].id, id);
        EXPECT_EQ(TaskTable[0].flag, AutoFolderUnlessSingle);
        EXPECT_EQ(TaskTable[0].fileList, nullptr);
        EXPECT_EQ(TaskTable[0].destination, folder + "in\\");
        EXPECT_EQ(TaskTable[0].status, c.status);
        EXPECT_EQ(CellText(TaskListView, 0, ColumnName), c.archive);
        EXPECT_EQ(CellText(TaskListView, 0, ColumnKind), "解凍");
        EXPECT_EQ(CellText(TaskListView, 0, ColumnStatus), TaskStatusLabel(c.status));
        EXPECT_EQ(CellText(TaskListView, 0, ColumnCount), c.shown);
        EXPECT_EQ(CellText(TaskListView, 0, ColumnSize), "");
        EXPECT_EQ(CellText(TaskListView, 0, ColumnPath), archive);
        EXPECT_EQ(GetModuleHandleA(library), nullptr);  // released again
    }
}

TEST_F(TaskCreateTest, ExtractionTaskWithoutUsableLibraryIsAnError) {
    std::string folder = LibraryFolder("countlib_none.dll", "UNLHA32.DLL", nullptr);
    // No library of that name is anywhere on the search path.
    HMODULE arj = LoadLibraryA("UNARJ32J.DLL");
    ASSERT_EQ(arj, nullptr);
    struct Case {
        const char* archive;
        const char* message;
        const char* reason;   // kept for the tooltip and the error details
    };
    const Case cases[] = {
        {"old.arj", "UNARJ32J.DLLを読み込めませんでした。\nUNARJ32J.DLLをプログラムと同じフォルダかシステムフォルダに置いてください。",
         "UNARJ32J.DLLを読み込めませんでした。\nUNARJ32J.DLLをプログラムと同じフォルダかシステムフォルダに置いてください。"},
        {"data.lzh", "UNLHA32.DLL から関数UnlhaGetFileCountを取得できませんでした。",
         "UNLHA32.DLL から関数UnlhaGetFileCountを取得できませんでした。"},
        // No format has this extension: no library is tried, nothing indexed.
        {"notes.txt", nullptr, "の拡張子に対応する書庫形式がありません。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.archive);
        ResetTasks();
        InstallFakeModal();
        std::string archive = folder + c.archive;
        ASSERT_EQ(CreateExtractionTask(archive.c_str()), 0);
        if (c.message != nullptr) {
            ASSERT_EQ(Fake.messages.size(), 1u);
            EXPECT_EQ(Fake.messages[0].text, c.message);
            EXPECT_EQ(Fake.messages[0].caption, "error");
            EXPECT_EQ(Fake.messages[0].owner, MainWindow);
        } else {
            EXPECT_TRUE(Fake.messages.empty());
        }
        EXPECT_EQ(TaskTable[0].status, Error);
        std::string reason = TaskTable[0].reason;
        if (c.message != nullptr) {
            EXPECT_EQ(reason, c.reason);
        } else {
            EXPECT_EQ(reason, archive + " " + c.reason);
        }
        EXPECT_EQ(CellText(TaskListView, 0, ColumnStatus), "エラー");
        EXPECT_EQ(CellText(TaskListView, 0, ColumnCount), "");
        EXPECT_EQ(CellText(TaskListView, 0, ColumnName), c.archive);
        EXPECT_EQ(TaskTable[0].destination, folder);
        // The counts already show the task as an error, not as stopped.
        EXPECT_EQ(StatusText(MainStatusBar, 0),
                  "  総数 =    1  実行 =    0  待機 =    0  完了 =    0  停止 =    0  エラー =    1");
        EXPECT_EQ(GetModuleHandleA("UNLHA32.DLL"), nullptr);
    }
}

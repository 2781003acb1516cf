#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/list_sort.h"
#include "tasks/tasklist_file.h"
#include "tasks/task_rows.h"
#include "ui/task_list_view.h"
#include "tests/win/task_rows.h"
#include "tests/win/test_support.h"

class TaskListSaveTest : public testing::Test {
protected:
    void SetUp() override {
        ResetTasks();
        for (unsigned char& flag : ColumnSortFlags) flag = 0;
    }
};

static short AddCompressionRow(const char* name, const char* archive, int format, std::vector<const char*> files) {
    short index = AddRowTask(name);
    TaskTable[index].flag = static_cast<unsigned char>(format);
    Lv_SetCell(TaskListView, TaskIndexToRow(index), ColumnPath, archive);
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 0, 0, 10, 10, MainWindow, nullptr,
                                nullptr, nullptr);
    for (int column = 0; column < 4; ++column) Lv_AddColumn(list, column, "h", 50, LVCFMT_LEFT);
    for (size_t i = 0; i < files.size(); ++i) {
        int row = Lv_InsertRow(list, static_cast<int>(i), "name", static_cast<LPARAM>(i));
        Lv_SetCell(list, row, 3, files[i]);
    }
    TaskTable[index].fileList = list;
    return index;
}

static short AddExtractionRow(const char* name, const char* archive, int mode, const char* destination) {
    short index = AddRowTask(name, TaskExtraction, Done);
    TaskTable[index].flag = static_cast<unsigned char>(mode);
    CopyText(TaskTable[index].destination, PathSize, destination);
    Lv_SetCell(TaskListView, TaskIndexToRow(index), ColumnPath, archive);
    return index;
}

static int FilesIn(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &entry);
    int count = 0;
    if (find == INVALID_HANDLE_VALUE) return 0;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) ++count;
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return count;
}

TEST_F(TaskListSaveTest, WritesEveryTaskInRowOrder) {
    std::string folder = TempFolder("save");
    AddCompressionRow("b", "C:\\out\\b.lzh", 1, {"C:\\ソフト\\表示.txt", "C:\\data\\"});
    AddExtractionRow("a", "D:\\in\\a.zip", 2, "E:\\表\\");
    AddCompressionRow("c", "C:\\out\\c.zip", 0, {});
    SortTaskListByColumn(ColumnName);   // rows a, b, c: the file follows the rows, not the table
    std::string path = folder + "list.fdl";
    WriteFileBytes(path, "old contents");
    ASSERT_TRUE(SaveTaskList(path.c_str()));
    EXPECT_EQ(ReadFileBytes(path),
              "#fardelix\r\n"
              "#TASKSTART\r\narcpath=D:\\in\\a.zip\r\ntask=1\r\nflag=2\r\nE:\\表\\\r\n#TASKEND\r\n"
              "#TASKSTART\r\narcpath=C:\\out\\b.lzh\r\ntask=0\r\nflag=1\r\nC:\\ソフト\\表示.txt\r\nC:\\data\\\r\n#TASKEND\r\n"
              "#TASKSTART\r\narcpath=C:\\out\\c.zip\r\ntask=0\r\nflag=0\r\n#TASKEND\r\n");
    EXPECT_EQ(FilesIn(folder), 1);   // no temporary file left behind
    EXPECT_TRUE(Fake.messages.empty());
}

TEST_F(TaskListSaveTest, EmptyListWritesTheMagicLine) {
    std::string path = TempFolder("save") + "empty.fdl";
    ASSERT_TRUE(SaveTaskList(path.c_str()));
    EXPECT_EQ(ReadFileBytes(path), "#fardelix\r\n");
}

// Whatever goes wrong, the previous file keeps every byte and the user is told.
TEST_F(TaskListSaveTest, FailedSaveLeavesThePreviousFile) {
    struct Case {
        const char* name;
        bool readOnly;
        bool folderGone;
        bool lineTooLong;
    };
    const Case cases[] = {
        {"read-only file", true, false, false},
        {"folder vanished", false, true, false},
        {"line that would not read back, mid-way", false, false, true},
    };
    const std::string previous = "#fardelix\r\n#TASKSTART\r\narcpath=C:\\keep.zip\r\ntask=0\r\nflag=0\r\n#TASKEND\r\n";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetTasks();
        InstallFakeModal();
        std::string folder = TempFolder(c.name[0] == 'r' ? "ro" : (c.folderGone ? "gone" : "long"));
        std::string path = folder + "list.fdl";
        WriteFileBytes(path, previous);
        AddCompressionRow("x", "C:\\x.zip", 0, {"C:\\a.txt"});
        std::string longPath = "C:\\" + std::string(256, 'p');
        AddExtractionRow("y", "C:\\y.zip", 0, c.lineTooLong ? longPath.c_str() : "C:\\y\\");
        if (c.readOnly) SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
        std::string target = path;
        if (c.folderGone) target = folder + "sub\\list.fdl";   // a folder that is not there (any more)

        EXPECT_FALSE(SaveTaskList(target.c_str()));
        ASSERT_EQ(Fake.messages.size(), 1u);
        EXPECT_EQ(Fake.messages[0].text, "タスクリストファイルの保存に失敗しました");
        EXPECT_EQ(Fake.messages[0].caption, "error");
        EXPECT_EQ(ReadFileBytes(path), previous);
        EXPECT_EQ(FilesIn(folder), 1);
        SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
}

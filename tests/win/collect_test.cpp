#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "filelist/collect.h"
#include "filelist/file_list_window.h"
#include "filelist/list_text.h"
#include "tasks/task_table.h"
#include "tests/win/test_support.h"
#include "app/controls.h"
#include "ui/main_window.h"

// Sets a file's or folder's last-write time from a local time.
static void SetLocalWriteTime(const std::string& path, WORD year, WORD month, WORD day, WORD hour, WORD minute,
                              WORD second) {
    SYSTEMTIME local = {year, month, 0, day, hour, minute, second, 0};
    FILETIME localTime, utc;
    ASSERT_TRUE(SystemTimeToFileTime(&local, &localTime));
    ASSERT_TRUE(LocalFileTimeToFileTime(&localTime, &utc));
    HANDLE file = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    ASSERT_TRUE(SetFileTime(file, nullptr, nullptr, &utc));
    CloseHandle(file);
}

// A sparse file of the given length: no disk space for gigabytes.
static void MakeLongFile(const std::string& path, LONGLONG length) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD returned = 0;
    DeviceIoControl(file, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = length;
    ASSERT_TRUE(SetFilePointerEx(file, end, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(file));
    CloseHandle(file);
}

static std::string Field() {
    char text[PathSize];
    ReadArchivePathField(text, sizeof(text));
    return text;
}

class CollectTest : public testing::Test {
protected:
    void SetUp() override {
        ResetTasks();
        ASSERT_GE(NewCompressionTask(), 0);
        SendMessageA(FormatBox, CB_SETCURSEL, 0, 0);
        list = CurrentFileList();
        ASSERT_NE(list, nullptr);
    }
    void TearDown() override { ResetTasks(); }
    // The totals line as a full recomputation over the rows gives it.
    std::string RecomputedTotals() {
        uint32_t rows = 0, total = 0;
        FileListTotals(list, &rows, &total);
        char text[128];
        FormatTotalsLine(rows, total, text, sizeof(text));
        return text;
    }
    HWND list = nullptr;
};

TEST_F(CollectTest, RowsShowNameSizeTimeAndPath) {
    std::string folder = TempFolder("データ");
    std::string report = folder + "report.doc";
    WriteFileBytes(report, std::string(1234, 'r'));
    SetLocalWriteTime(report, 2014, 3, 5, 9, 7, 2);
    std::string photos = folder + "ソフト";
    CreateDirectoryA(photos.c_str(), nullptr);
    WriteFileBytes(photos + "\\表示.txt", std::string(100, 'p'));
    SetLocalWriteTime(photos, 2001, 11, 12, 13, 14, 15);
    std::string held = folder + "held.txt";
    WriteFileBytes(held, "held");
    HANDLE holder = CreateFileA(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);

    struct Case {
        std::string path;
        const char* name;
        const char* size;
        const char* time;
    };
    const Case cases[] = {
        {report, "report.doc", "1,234", "2014/03/05 09:07:02"},
        {photos, "ソフト", "フォルダ", "2001/11/12 13:14:15"},
        {folder + "missing.txt", "missing.txt", "不明", "アクセス不可"},
        {held, "held.txt", "不明", "アクセス不可"},  // another handle allows no sharing
        {report, "report.doc", "1,234", "2014/03/05 09:07:02"},  // twice is two rows
    };
    for (const Case& c : cases) AddPathToCurrentTask(c.path.c_str());
    CloseHandle(holder);

    ASSERT_EQ(Lv_RowCount(list), 5);
    for (int row = 0; row < 5; ++row) {
        SCOPED_TRACE(cases[row].path);
        EXPECT_EQ(CellText(list, row, 0), cases[row].name);
        EXPECT_EQ(CellText(list, row, 1), cases[row].size);
        EXPECT_EQ(CellText(list, row, 2), cases[row].time);
        EXPECT_EQ(CellText(list, row, 3), cases[row].path);
        if (row > 0) {
            EXPECT_EQ(Lv_RowId(list, row), Lv_RowId(list, row - 1) + 1);
        }
    }
    // The first path names the archive; later ones leave it.
    EXPECT_EQ(Field(), folder + "report.zip");
    EXPECT_EQ(StatusText(FileListStatusBar, 0), "  ファイル数 = 5  サイズ合計 = 2,568");
    EXPECT_TRUE(Fake.messages.empty());
}

TEST_F(CollectTest, FolderSizeCountsEveryDepth) {
    std::string top = TempFolder("tree");
    std::string level = top;
    const char* names[] = {"a", "表", "c.d", "ソ"};
    int size = 1;
    for (const char* name : names) {
        WriteFileBytes(level + "f.bin", std::string(size, 'x'));
        level += std::string(name) + "\\";
        ASSERT_TRUE(CreateDirectoryA(level.c_str(), nullptr));
        size *= 10;
    }
    WriteFileBytes(level + "last.bin", std::string(size, 'x'));
    CreateDirectoryA((top + "empty").c_str(), nullptr);
    struct Case {
        std::string folder;
        uint32_t expected;
    };
    const Case cases[] = {
        {top.substr(0, top.size() - 1), 11111},
        {top, 11111},
        {top + "a", 11110},
        {top + "a\\表\\", 11100},
        {top + "a\\表\\c.d", 11000},
        {top + "a\\表\\c.d\\ソ", 10000},
        {top + "empty", 0},
        {top + "absent", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        EXPECT_EQ(FolderSize(c.folder.c_str()), c.expected);
    }
}

// A link that leads back into its own folder is not followed.
TEST_F(CollectTest, FolderSizeSkipsLinks) {
    std::string top = TempFolder("loop");
    WriteFileBytes(top + "one.bin", std::string(7, 'x'));
    std::string link = top + "back";
    if (!CreateSymbolicLinkA(link.c_str(), top.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY)) {
        GTEST_SKIP() << "no directory links here";
    }
    ASSERT_NE(GetFileAttributesA(link.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
    EXPECT_EQ(FolderSize(top.c_str()), 7u);
}

// Creates a file through the long-path form, past what the ANSI calls take.
static void WriteLongPathFile(const std::wstring& path, DWORD bytes) {
    HANDLE file = CreateFileW((L"\\\\?\\" + path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    std::string data(bytes, 'x');
    DWORD written = 0;
    WriteFile(file, data.data(), bytes, &written, nullptr);
    CloseHandle(file);
}

// Entries whose joined path would pass 259 bytes are skipped, not cut: a
// long-named file still counts by its listed size, but a long-named folder
// cannot be listed and makes no row.
TEST_F(CollectTest, OverlongJoinedPathsAreSkipped) {
    std::string top = TempFolder("long");
    std::string deep = top + std::string(240 - top.size(), 'd');
    // The folder may outlive an earlier run: the clean-up cannot remove
    // what lies past the ANSI path limit.
    ASSERT_TRUE(CreateDirectoryA(deep.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    WriteFileBytes(deep + "\\ok.bin", std::string(5, 'x'));
    std::wstring wide(deep.begin(), deep.end());
    WriteLongPathFile(wide + L"\\" + std::wstring(30, L'n') + L".bin", 10);
    std::wstring longFolder = wide + L"\\" + std::wstring(30, L'f');
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + longFolder).c_str(), nullptr) ||
                GetLastError() == ERROR_ALREADY_EXISTS);
    WriteLongPathFile(longFolder + L"\\inner.bin", 100);

    EXPECT_EQ(FolderSize(deep.c_str()), 15u);
    AddFolderContents(deep.c_str());
    ASSERT_EQ(Lv_RowCount(list), 1);
    EXPECT_EQ(CellText(list, 0, 0), "ok.bin");
    EXPECT_EQ(CellText(list, 0, 3), deep + "\\ok.bin");
    EXPECT_TRUE(Fake.messages.empty());
}

TEST_F(CollectTest, SizesWrapAtFourGigabytes) {
    std::string folder = TempFolder("big");
    MakeLongFile(folder + "five.bin", 5LL << 30);
    MakeLongFile(folder + "three.bin", 3LL << 30);
    std::string inside = folder + "sub";
    CreateDirectoryA(inside.c_str(), nullptr);
    MakeLongFile(inside + "\\three.bin", 3LL << 30);
    AddPathToCurrentTask((folder + "five.bin").c_str());
    AddPathToCurrentTask((folder + "three.bin").c_str());
    EXPECT_EQ(CellText(list, 0, 1), "1,073,741,824");
    EXPECT_EQ(CellText(list, 1, 1), "3,221,225,472");
    EXPECT_EQ(StatusText(FileListStatusBar, 0), "  ファイル数 = 2  サイズ合計 = 0");  // 4 GiB wraps to 0
    AddPathToCurrentTask(inside.c_str());
    EXPECT_EQ(FolderSize(inside.c_str()), 3221225472u);
    EXPECT_EQ(StatusText(FileListStatusBar, 0), "  ファイル数 = 3  サイズ合計 = 3,221,225,472");
}

TEST_F(CollectTest, FolderContentsNameTheArchiveAfterTheFolder) {
    std::string parent = TempFolder("parent");
    std::string data = parent + "release.2";
    CreateDirectoryA(data.c_str(), nullptr);
    WriteFileBytes(data + "\\a.txt", "aaa");
    WriteFileBytes(data + "\\表.txt", "bb");
    CreateDirectoryA((data + "\\sub").c_str(), nullptr);
    WriteFileBytes(data + "\\sub\\inner.txt", std::string(1000, 'i'));

    AddFolderContents(data.c_str());
    EXPECT_EQ(Field(), parent + "release.zip");
    ASSERT_EQ(Lv_RowCount(list), 3);  // one level: the subfolder is one row
    int folderRows = 0;
    for (int row = 0; row < 3; ++row) {
        std::string name = CellText(list, row, 0);
        EXPECT_EQ(CellText(list, row, 3), data + "\\" + name);
        if (CellText(list, row, 1) == "フォルダ") ++folderRows;
    }
    EXPECT_EQ(folderRows, 1);
    EXPECT_EQ(StatusText(FileListStatusBar, 0), "  ファイル数 = 3  サイズ合計 = 1,005");

    // A folder that cannot be listed: the message, no rows, the name stays.
    AddFolderContents((parent + "absent").c_str());
    ASSERT_EQ(Fake.messages.size(), 1u);
    EXPECT_EQ(Fake.messages[0].text, "フォルダのオープンに失敗しました");
    EXPECT_EQ(Fake.messages[0].owner, MainWindow);
    EXPECT_EQ(Lv_RowCount(list), 3);
    EXPECT_EQ(Field(), parent + "release.zip");
}

// Every archive a drive's root could name lies inside it: nothing is
// proposed, and the row is still added.
TEST_F(CollectTest, DriveRootProposesNoArchiveInsideItself) {
    SendMessageA(FormatBox, CB_SETCURSEL, 3, 0);
    AddPathToCurrentTask("C:\\");
    EXPECT_EQ(Field(), "");
    EXPECT_EQ(CellText(list, 0, 0), "");
    EXPECT_EQ(CellText(list, 0, 3), "C:\\");
}

// The proposed archive is never a path of the list nor inside a folder of
// it, also when a later path comes to collide with it; a path the user
// chose stays as chosen.
TEST_F(CollectTest, ProposalStaysApartFromTheList) {
    std::string parent = TempFolder("apart");
    std::string folder = parent + "t";
    CreateDirectoryA(folder.c_str(), nullptr);
    AddPathToCurrentTask((folder + "\\a.zip").c_str());
    EXPECT_EQ(Field(), folder + "\\a (2).zip");
    AddPathToCurrentTask((folder + "\\b.txt").c_str());
    EXPECT_EQ(Field(), folder + "\\a (2).zip");
    AddPathToCurrentTask((folder + "\\A (2).ZIP").c_str());
    EXPECT_EQ(Field(), folder + "\\a (3).zip");
    AddPathToCurrentTask(folder.c_str());
    EXPECT_EQ(Field(), parent + "t.zip");
    EXPECT_EQ(Lv_RowCount(list), 4);

    SetArchivePathField((parent + "mine.zip").c_str());
    AddPathToCurrentTask((parent + "mine.zip").c_str());
    EXPECT_EQ(Field(), parent + "mine.zip");
}

// The running totals after each added row are what a full recomputation of
// the rows gives, also after rows were deleted, moved or refreshed.
TEST_F(CollectTest, RunningTotalsMatchRecomputation) {
    std::string folder = TempFolder("totals");
    WriteFileBytes(folder + "a.txt", std::string(10, 'a'));
    WriteFileBytes(folder + "b.txt", std::string(200, 'b'));
    CreateDirectoryA((folder + "f").c_str(), nullptr);
    WriteFileBytes(folder + "f\\c.txt", std::string(3000, 'c'));

    AddPathToCurrentTask((folder + "a.txt").c_str());
    AddPathToCurrentTask((folder + "f").c_str());
    AddPathToCurrentTask((folder + "b.txt").c_str());
    EXPECT_EQ(StatusText(FileListStatusBar, 0), "  ファイル数 = 3  サイズ合計 = 3,210");
    EXPECT_EQ(StatusText(FileListStatusBar, 0), RecomputedTotals());

    // A row deleted behind the totals' back, then another one added.
    SendMessageA(list, LVM_DELETEITEM, 2, 0);
    AddPathToCurrentTask((folder + "a.txt").c_str());
    EXPECT_EQ(StatusText(FileListStatusBar, 0), "  ファイル数 = 3  サイズ合計 = 3,020");

    // A file grew and its row was refreshed.
    WriteFileBytes(folder + "a.txt", std::string(50, 'a'));
    FillRowInfo((folder + "a.txt").c_str(), 0);
    EXPECT_EQ(CellText(list, 0, 1), "50");
    AddPathToCurrentTask((folder + "missing").c_str());
    EXPECT_EQ(StatusText(FileListStatusBar, 0), "  ファイル数 = 4  サイズ合計 = 3,060");
    EXPECT_EQ(StatusText(FileListStatusBar, 0), RecomputedTotals());

    // Another task's list does not inherit these totals.
    ASSERT_GE(NewCompressionTask(), 0);
    EXPECT_EQ(StatusText(FileListStatusBar, 0), "  ファイル数 = 0  サイズ合計 = 0");
    AddPathToCurrentTask((folder + "b.txt").c_str());
    EXPECT_EQ(StatusText(FileListStatusBar, 0), "  ファイル数 = 1  サイズ合計 = 200");
}

// Adding C:\t\a.txt names the archive; deleting its row and adding another
// keeps the name.
TEST_F(CollectTest, LaterPathsKeepTheProposedName) {
    std::string folder = TempFolder("t");
    AddPathToCurrentTask((folder + "a.txt").c_str());
    EXPECT_EQ(Field(), folder + "a.zip");
    SendMessageA(list, LVM_DELETEITEM, 0, 0);
    RefreshFileListTotals();
    AddPathToCurrentTask((folder + "b.txt").c_str());
    EXPECT_EQ(Field(), folder + "a.zip");
}

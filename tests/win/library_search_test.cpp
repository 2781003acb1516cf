// Where archiver libraries come from: the library list, its way in from a
// failed task's reason, and the real program's search, which takes its own
// folder and the bundled library but never the current folder.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/controls.h"
#include "archivers/archiver_library.h"
#include "archivers/library_search.h"
#include "archivers/run_text.h"
#include "resources/resource.h"
#include "tasks/task_rows.h"
#include "tasks/task_table.h"
#include "tests/win/program_process.h"
#include "tests/win/test_support.h"
#include "ui/main_commands.h"
#include "ui/main_controls.h"
#include "ui/main_window.h"

namespace {

std::wstring Wide(const std::string& text) {
    wchar_t wide[MAX_PATH] = L"";
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, wide, MAX_PATH);
    return wide;
}

// The bundled library the build put beside the programs.
std::string BuiltBundledLibrary() { return ProgramFolder() + "archivers\\fdarc.dll"; }

bool InstallBundled(const std::string& programFolder) {
    CreateDirectoryA((programFolder + "archivers").c_str(), nullptr);
    return CopyFileA(BuiltBundledLibrary().c_str(), (programFolder + "archivers\\fdarc.dll").c_str(), FALSE) != FALSE;
}

std::string SystemFolder() {
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof(system));
    return std::string(system) + "\\";
}

class LibrarySearchTest : public testing::Test {
protected:
    void TearDown() override { SetDllDirectoryA(nullptr); }
};

}  // namespace

TEST_F(LibrarySearchTest, ListShowsWhereEachLibraryWasFound) {
    EnsureMainWindow();
    ResetTasks();
    std::string program = TempFolder("program");
    ASSERT_TRUE(InstallBundled(program));
    InstallStandin(program, "UNZIP32.DLL");
    const std::string systemCopy = SystemFolder() + "Bga32.dll";
    InstallStandin(SystemFolder(), "Bga32.dll");
    SetProgramFolderForTests(Wide(program).c_str());
    ASSERT_TRUE(SetDllDirectoryA(program.c_str()));   // the program's folder, as the program searches it
    short task = AddTestTask(1, Error, "x.rar");
    std::map<std::string, std::vector<std::string>> shown;   // library: formats, place, version
    Fake.dialog = [&](int id, DLGPROC procedure, LPARAM data) {
        return DriveDialog(id, procedure, data, [&](HWND dialog) {
            char caption[64] = "";
            GetWindowTextA(dialog, caption, sizeof(caption));
            EXPECT_STREQ(caption, "ライブラリ");
            HWND list = GetDlgItem(dialog, IDC_LIBRARY_LIST);
            int rows = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
            for (int row = 0; row < rows; ++row) {
                shown[CellText(list, row, 0)] = {CellText(list, row, 1), CellText(list, row, 2), CellText(list, row, 3)};
            }
            PressButton(dialog, IDOK);
        });
    };
    ExecuteMainCommand(IDM_LIBRARIES);
    DeleteFileA(systemCopy.c_str());
    ASSERT_EQ(Fake.dialogIds, std::vector<int>{IDD_LIBRARIES});
    EXPECT_EQ(Fake.endedDialogs.size(), 1u);
    EXPECT_EQ(shown.size(), 12u);
    struct Case {
        const char* library;
        const char* formats;
        const char* place;
        const char* version;
    };
    const Case cases[] = {
        {"UNZIP32.DLL", "zip 展開", "プログラムのフォルダ", "-"},   // the stand-in reports no version
        {"Bga32.dll", "bga", "システムフォルダ", "-"},
        {"ZIP32J.DLL", "zip 作成", "付属ライブラリ", "2.30"},
        {"tar32.dll", "tar tgz gz tbz bz2 txz xz", "付属ライブラリ", "2.30"},
        {"unrar32.dll", "rar", "付属ライブラリ", "2.30"},
        {"Yz1.dll", "yz1", "見つかりません", "-"},
        {"UNARJ32J.DLL", "arj", "見つかりません", "-"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.library);
        ASSERT_EQ(shown.count(c.library), 1u);
        EXPECT_EQ(shown[c.library], (std::vector<std::string>{c.formats, c.place, c.version}));
    }
    // Looking changes no task.
    EXPECT_EQ(TaskTable[task].status, Error);
    EXPECT_EQ(CellText(TaskListView, 0, ColumnStatus), "エラー");
}

// エラーの詳細 of a task whose library was missing offers the list; はい opens it.
TEST_F(LibrarySearchTest, MissingLibraryReasonOpensTheList) {
    EnsureMainWindow();
    ResetTasks();
    short task = AddTestTask(1, Error, "x.rar");
    char reason[TaskReasonSize];
    FormatLibraryNotLoaded(reason, sizeof(reason), "unrar32.dll");
    SetTaskReason(task, reason);
    Lv_SetSelected(TaskListView, 0, true);
    Fake.answers = {IDYES};
    Fake.dialog = [](int, DLGPROC, LPARAM) -> INT_PTR { return IDOK; };
    ExecuteMainCommand(IDM_ERROR_DETAILS);
    ASSERT_EQ(Fake.messages.size(), 1u);
    EXPECT_EQ(Fake.messages[0].text, std::string(reason) + "\n\nライブラリの一覧を表示しますか？");
    EXPECT_EQ(Fake.dialogIds, std::vector<int>{IDD_LIBRARIES});
}

// The real program started from a folder holding planted libraries: its own
// folder's library wins, the bundled library beside it serves the rest, and
// nothing of the current folder is loaded, not even an archivers\fdarc.dll.
TEST_F(LibrarySearchTest, ProgramNeverLoadsLibrariesFromTheCurrentFolder) {
    PutAwayTestMainWindow();
    std::string program = TempFolder("installed");
    std::string current = TempFolder("current");
    std::string data = TempFolder("data");
    std::string copy = CopyProgramInto(program);
    ASSERT_FALSE(copy.empty());
    ASSERT_TRUE(InstallBundled(program));
    InstallStandin(program, "UNZIP32.DLL");
    WriteStandinScript(program, "count=5\n");
    CreateDirectoryA((current + "archivers").c_str(), nullptr);
    for (const char* planted : {"7-zip32.dll", "UNZIP32.DLL", "tar32.dll"}) InstallStandin(current, planted);
    InstallStandin(current + "archivers\\", "fdarc.dll");
    WriteStandinScript(current, "count=9\n");
    WriteStandinScript(current + "archivers\\", "count=9\n");

    // A 7z of two files, made by the bundled library; a zip only the stand-in counts.
    CreateDirectoryA((data + "src").c_str(), nullptr);
    WriteFileBytes(data + "src\\a.txt", "alpha");
    WriteFileBytes(data + "src\\b.txt", "beta");
    WriteFileBytes(data + "list.txt", "a.txt\r\nb.txt\r\n");
    HMODULE bundled = LoadLibraryA(BuiltBundledLibrary().c_str());
    ASSERT_NE(bundled, nullptr);
    auto sevenZip = reinterpret_cast<ArchiverMainEntry>(reinterpret_cast<void*>(GetProcAddress(bundled, "SevenZip")));
    ASSERT_NE(sevenZip, nullptr);
    static char output[ArchiverOutputSize];
    std::string line = "a -t7z -ms=off \"" + data + "two.7z\" \"" + data + "src\\\" \"@" + data + "list.txt\"";
    EXPECT_EQ(sevenZip(nullptr, line.c_str(), output, sizeof(output)), 0);
    FreeLibrary(bundled);
    WriteFileBytes(data + "one.zip", std::string("PK\x05\x06", 4) + std::string(18, '\0'));

    ProgramProcess process;
    ASSERT_TRUE(process.Start("\"" + data + "one.zip\" \"" + data + "two.7z\"", current, copy));
    HWND main = nullptr;
    HWND tasks = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        main = WindowOf(process.Id(), MainWindowClass);
        tasks = main != nullptr ? GetDlgItem(main, IDC_TASKLIST) : nullptr;
        return tasks != nullptr && IsWindowVisible(main) && SendMessageA(tasks, LVM_GETITEMCOUNT, 0, 0) == 2;
    }, 20000));
    EXPECT_EQ(RemoteCell(process.Handle(), tasks, 0, ColumnCount), "5");   // the library beside the program
    EXPECT_EQ(RemoteCell(process.Handle(), tasks, 1, ColumnCount), "2");   // the bundled library
    EXPECT_EQ(RemoteCell(process.Handle(), tasks, 1, ColumnStatus), "停止");
    std::vector<StandinCall> counted = ReadStandinCalls(program, "GetFileCount");
    ASSERT_EQ(counted.size(), 1u);
    EXPECT_EQ(counted[0].entry, "UnZipGetFileCount");
    EXPECT_TRUE(ReadStandinCalls(current).empty());
    EXPECT_TRUE(ReadStandinCalls(current + "archivers\\").empty());
    EXPECT_TRUE(process.Close(main, 20000));
}

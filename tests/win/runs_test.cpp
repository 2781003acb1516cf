#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "program/run_loop.h"
#include "runs/runs.h"
#include "settings/settings.h"
#include "tasks/task_table.h"
#include "tests/win/test_support.h"
#include "resources/resource.h"
#include "ui/main_commands.h"
#include "ui/main_window.h"
#include "ui/reason_tip.h"
#include "tasks/run_switch.h"
#include "ui/task_list_view.h"
#include "app/controls.h"
#include "app/instance.h"
#include "app/unattended.h"
#include "tasks/run_switch.h"
#include "tasks/task_rows.h"

namespace {

// The list file named by a main-entry command line, and the text before it.
std::string ListPathOf(const StandinCall& call) {
    size_t at = call.argument.find(" \"@");
    if (at == std::string::npos || call.argument.back() != '"') return "";
    return call.argument.substr(at + 3, call.argument.size() - at - 4);
}

std::string CommandBeforeList(const StandinCall& call) {
    size_t at = call.argument.find(" \"@");
    return at == std::string::npos ? call.argument : call.argument.substr(0, at);
}

int StatusOfTask(uint32_t id) {
    for (short i = 0; i < TaskCount; ++i) {
        if (TaskTable[i].id == id) return TaskTable[i].status;
    }
    return -1;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

class RunsTest : public testing::Test {
protected:
    void SetUp() override {
        ResetTasks();
        saved = Settings;
        Settings.DefError = 1;
        Settings.DefMeltOverwrite = 0;
        lib = TempFolder("lib");
        work = TempFolder("work");
        ASSERT_TRUE(SetDllDirectoryA(lib.c_str()));
        responsesBefore = TempResponseFiles();
    }
    void TearDown() override {
        SetDllDirectoryA(nullptr);
        Settings = saved;
        ResetTasks();
    }

    // Queues the task and runs it from its row, the way the run step does.
    uint32_t Run(short index) {
        uint32_t id = TaskTable[index].id;
        SetTaskStatus(index, Waiting);
        RunSwitch = RunOn;
        int row = TaskIndexToRow(index);
        if (TaskTable[index].kind == TaskCompression) {
            RunCompressionTask(row);
        } else {
            RunExtractionTask(row);
        }
        return id;
    }

    // After every run: the library is released and no list file is left.
    void ExpectCleanedUp(const char* library) {
        EXPECT_EQ(GetModuleHandleA(library), nullptr) << library;
        EXPECT_EQ(TempResponseFiles(), responsesBefore);
    }

    // Each case of a table starts from no tasks, no messages and a fresh
    // library folder holding only the given library (null: none).
    void FreshCase(const char* library, const char* variant = "standin.dll") {
        ResetTasks();
        Fake.messages.clear();
        lib = TempFolder("lib");
        ASSERT_TRUE(SetDllDirectoryA(lib.c_str()));
        if (library != nullptr) InstallStandin(lib, library, variant);
    }

    // Run messages show only when DefError is 1.
    void ExpectMessageWhenOn(const std::string& text) {
        if (Settings.DefError == 1) {
            ExpectOneMessage(text, MainWindow);
        } else {
            EXPECT_TRUE(Fake.messages.empty());
        }
    }

    void ExpectOneMessage(const std::string& text, HWND owner) {
        ASSERT_EQ(Fake.messages.size(), 1u);
        EXPECT_EQ(Fake.messages[0].text, text);
        EXPECT_EQ(Fake.messages[0].caption, "error");
        EXPECT_EQ(Fake.messages[0].type, static_cast<UINT>(MB_OK | MB_ICONWARNING));
        EXPECT_EQ(Fake.messages[0].owner, owner);
    }

    SettingsRecord saved;
    std::string lib;
    std::string work;
    std::vector<std::string> responsesBefore;
};

struct Group {
    const char* folder;
    const char* lines;
};

// Consecutive rows of one folder make one call: every call but the last
// has the main window as owner, the last none; each sends that group's
// names only, and all calls share one list file that is gone afterwards.
TEST_F(RunsTest, CompressionCallsOncePerFolderGroup) {
    struct Case {
        const char* name;
        std::vector<std::string> rows;
        std::vector<Group> groups;
    };
    const Case cases[] = {
        {"two folders",
         {"C:\\d\\a.txt", "C:\\d\\b.txt", "C:\\e\\c.txt"},
         {{"C:\\d\\", "\"a.txt\"\n\"b.txt\"\n"}, {"C:\\e\\", "\"c.txt\"\n"}}},
        {"a folder coming back",
         {"C:\\d\\a.txt", "C:\\e\\b.txt", "C:\\d\\c.txt"},
         {{"C:\\d\\", "\"a.txt\"\n"}, {"C:\\e\\", "\"b.txt\"\n"}, {"C:\\d\\", "\"c.txt\"\n"}}},
        {"case-sensitive folders",
         {"C:\\D\\a.txt", "c:\\d\\b.txt"},
         {{"C:\\D\\", "\"a.txt\"\n"}, {"c:\\d\\", "\"b.txt\"\n"}}},
        {"a single row", {"C:\\d\\a.txt"}, {{"C:\\d\\", "\"a.txt\"\n"}}},
        {"double-byte names",
         {"C:\\データ\\表.txt", "C:\\データ\\ソ", "C:\\能\\x"},
         {{"C:\\データ\\", "\"表.txt\"\n\"ソ\"\n"}, {"C:\\能\\", "\"x\"\n"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FreshCase("ZIP32J.DLL");
        short index = AddTestCompressionTask("C:\\out\\x.zip", 0, c.rows);
        uint32_t id = Run(index);

        EXPECT_EQ(StatusOfTask(id), Done);
        EXPECT_EQ(CellText(TaskListView, 0, 2), "完了");
        EXPECT_TRUE(Fake.messages.empty());
        EXPECT_EQ(RunSwitch, RunIdle);
        std::vector<StandinCall> calls = ReadStandinCalls(lib, "main");
        ASSERT_EQ(calls.size(), c.groups.size());
        for (size_t i = 0; i < calls.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(calls[i].library, "ZIP32J.DLL");
            EXPECT_EQ(calls[i].entry, "Zip");
            EXPECT_EQ(calls[i].owner, i + 1 < calls.size() ? MainWindow : nullptr);
            EXPECT_EQ(CommandBeforeList(calls[i]), std::string("-r \"C:\\out\\x.zip\" \"") + c.groups[i].folder + "\"");
            EXPECT_EQ(calls[i].listFile, c.groups[i].lines);
            EXPECT_EQ(ListPathOf(calls[i]), ListPathOf(calls[0]));
        }
        std::string list = ListPathOf(calls[0]);
        const char* name = FindLastSeparator(list.c_str());
        ASSERT_NE(name, nullptr);
        EXPECT_EQ(std::string(name + 1).substr(0, 3), "far");
        EXPECT_FALSE(Exists(list));
        // Background mode is switched on before the first call.
        std::vector<StandinCall> all = ReadStandinCalls(lib);
        ASSERT_GE(all.size(), 3u);
        EXPECT_EQ(all[0].entry, "ZipGetRunning");
        EXPECT_EQ(all[1].entry, "ZipSetBackGroundMode");
        EXPECT_EQ(all[1].argument, "1");
        // The progress callback is registered for each call's duration.
        EXPECT_EQ(all[2].kind, "SetOwnerWindowEx64");
        ASSERT_GE(all.size(), 5u);
        EXPECT_EQ(all[3].kind, "main");
        EXPECT_EQ(all[4].kind, "KillOwnerWindowEx");
        ExpectCleanedUp("ZIP32J.DLL");
    }
}

TEST_F(RunsTest, CompressionCommandLinePerFormat) {
    struct Case {
        int format;
        const char* library;
        const char* entry;
        const char* archive;
        const char* command;
    };
    const Case cases[] = {
        {0, "ZIP32J.DLL", "Zip", "C:\\out\\x.zip", "-r \"C:\\out\\x.zip\" \"C:\\data\\\""},
        {1, "UNLHA32.DLL", "Unlha", "C:\\out\\x.lzh", "a -d1 \"C:\\out\\x.lzh\" \"C:\\data\\\""},
        {3, "tar32.dll", "Tar", "C:\\out\\x.tar", "-cvzf \"C:\\out\\x.tar\" -o \"C:\\data\\\""},
        {4, "7-zip32.dll", "SevenZip", "C:\\out\\x.7z", "a -t7z -ms=off \"C:\\out\\x.7z\" \"C:\\data\\\""},
        {6, "Yz1.dll", "Yz1", "C:\\out\\x.yz1", "c \"C:\\out\\x.yz1\" \"C:\\data\\\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.library);
        FreshCase(c.library);
        short index = AddTestCompressionTask(c.archive, c.format, {"C:\\data\\a.txt"});
        uint32_t id = Run(index);
        EXPECT_EQ(StatusOfTask(id), Done);
        std::vector<StandinCall> calls = ReadStandinCalls(lib, "main");
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].library, c.library);
        EXPECT_EQ(calls[0].entry, c.entry);
        EXPECT_EQ(CommandBeforeList(calls[0]), c.command);
        EXPECT_EQ(calls[0].listFile, "\"a.txt\"\n");
        ExpectCleanedUp(c.library);
    }
}

// Only cab is told which rows are folders, by a backslash in the line.
TEST_F(RunsTest, CabFolderRowsCarryABackslash) {
    CreateDirectoryA((work + "d").c_str(), nullptr);
    CreateDirectoryA((work + "d\\sub").c_str(), nullptr);
    WriteFileBytes(work + "d\\a.txt", "a");
    struct Case {
        int format;
        const char* library;
        const char* lines;
    };
    const Case cases[] = {
        {2, "cab32.dll", "\"sub\\\"\n\"a.txt\"\n\"gone\"\n"},
        {0, "ZIP32J.DLL", "\"sub\"\n\"a.txt\"\n\"gone\"\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.library);
        FreshCase(c.library);
        short index = AddTestCompressionTask("C:\\out\\x", c.format, {work + "d\\sub", work + "d\\a.txt", work + "d\\gone"});
        uint32_t id = Run(index);
        EXPECT_EQ(StatusOfTask(id), Done);
        std::vector<StandinCall> calls = ReadStandinCalls(lib, "main");
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].listFile, c.lines);
        ExpectCleanedUp(c.library);
    }
}

// A failing group ends the run: later groups are never sent, the list file
// is removed, and the run switch follows the statuses.
TEST_F(RunsTest, FailingMiddleGroupEndsTheRun) {
    for (bool otherWaiting : {false, true}) {
        SCOPED_TRACE(otherWaiting);
        FreshCase("ZIP32J.DLL");
        WriteStandinScript(lib, "result=0\nresult=7\n");
        short index = AddTestCompressionTask("C:\\out\\x.zip", 0, {"C:\\d\\a", "C:\\e\\b", "C:\\f\\c"});
        short other = AddTestCompressionTask("C:\\out\\y.zip", 0, {"C:\\d\\a"});
        uint32_t otherId = TaskTable[other].id;
        if (otherWaiting) SetTaskStatus(other, Waiting);
        uint32_t id = Run(index);

        EXPECT_EQ(StatusOfTask(id), Error);
        EXPECT_EQ(StatusOfTask(otherId), otherWaiting ? Waiting : Stopped);
        EXPECT_EQ(RunSwitch, otherWaiting ? RunOn : RunIdle);
        std::vector<StandinCall> calls = ReadStandinCalls(lib, "main");
        ASSERT_EQ(calls.size(), 2u);
        EXPECT_EQ(CommandBeforeList(calls[1]), "-r \"C:\\out\\x.zip\" \"C:\\e\\\"");
        EXPECT_FALSE(Exists(ListPathOf(calls[1])));
        ExpectOneMessage("ZIP32J.DLLでエラーが発生しました。コード7", MainWindow);
        ExpectCleanedUp("ZIP32J.DLL");
    }
}

// The list file of the next group cannot be made afresh while the library
// holds it: the write fails, the run ends, and the file is still removed.
TEST_F(RunsTest, FailedWriteToTheListFile) {
    InstallStandin(lib, "ZIP32J.DLL");
    WriteStandinScript(lib, "lock=1\n");
    short index = AddTestCompressionTask("C:\\out\\x.zip", 0, {"C:\\d\\a", "C:\\e\\b", "C:\\f\\c"});
    uint32_t id = Run(index);
    EXPECT_EQ(StatusOfTask(id), Error);
    std::vector<StandinCall> calls = ReadStandinCalls(lib, "main");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_FALSE(Exists(ListPathOf(calls[0])));
    ExpectOneMessage("テンポラリファイルへの書き込みに失敗しました", MainWindow);
    ExpectCleanedUp("ZIP32J.DLL");
}

TEST_F(RunsTest, FailingLastCallIsAnError) {
    InstallStandin(lib, "ZIP32J.DLL");
    WriteStandinScript(lib, "result=0\nresult=-3\n");
    short index = AddTestCompressionTask("C:\\out\\x.zip", 0, {"C:\\d\\a", "C:\\e\\b"});
    uint32_t id = Run(index);
    EXPECT_EQ(StatusOfTask(id), Error);
    EXPECT_EQ(ReadStandinCalls(lib, "main").size(), 2u);
    ExpectOneMessage("ZIP32J.DLLでエラーが発生しました。コード-3", MainWindow);
    ExpectCleanedUp("ZIP32J.DLL");
}

// A busy library leaves a compression task Waiting, silently, to be tried
// again; an extraction task fails at once.
TEST_F(RunsTest, BusyLibrary) {
    InstallStandin(lib, "ZIP32J.DLL");
    InstallStandin(lib, "UNZIP32.DLL");
    WriteStandinScript(lib, "busy=1\n");
    short index = AddTestCompressionTask("C:\\out\\x.zip", 0, {"C:\\d\\a"});
    uint32_t id = Run(index);
    EXPECT_EQ(StatusOfTask(id), Waiting);
    EXPECT_EQ(RunSwitch, RunOn);
    EXPECT_TRUE(Fake.messages.empty());
    EXPECT_TRUE(ReadStandinCalls(lib, "main").empty());
    ExpectCleanedUp("ZIP32J.DLL");

    RunCompressionTask(TaskIndexToRow(index));  // no longer busy
    EXPECT_EQ(StatusOfTask(id), Done);
    EXPECT_EQ(ReadStandinCalls(lib, "main").size(), 1u);

    WriteStandinScript(lib, "busy=3\n");  // two GetRunning calls so far
    short extraction = AddTestExtractionTask("C:\\in\\p.zip", "C:\\out\\", AutoFolderNever);
    uint32_t extractionId = Run(extraction);
    EXPECT_EQ(StatusOfTask(extractionId), Error);
    EXPECT_TRUE(Fake.messages.empty());
    EXPECT_EQ(ReadStandinCalls(lib, "main").size(), 1u);
    EXPECT_EQ(RunSwitch, RunOn);  // the run switch is left to the run step
    ExpectCleanedUp("UNZIP32.DLL");
}

// Messages appear only when DefError is 1; the task is Error either way.
TEST_F(RunsTest, MissingLibraryOrEntries) {
    struct Case {
        const char* name;
        bool compression;
        const char* installAs;  // null: no library at all
        const char* variant;
        const char* message;
    };
    const Case cases[] = {
        {"compression, no library", true, nullptr, nullptr, "ZIP32J.DLLを読み込めませんでした。\nZIP32J.DLLをプログラムと同じフォルダかシステムフォルダに置いてください。"},
        {"compression, no GetRunning", true, "ZIP32J.DLL", "standin_norunning.dll",
         "ZIP32J.DLL から関数ZipGetRunningを取得できませんでした。"},
        {"extraction, no library", false, nullptr, nullptr, "UNZIP32.DLLを読み込めませんでした。\nUNZIP32.DLLをプログラムと同じフォルダかシステムフォルダに置いてください。"},
        {"extraction, no GetRunning", false, "UNZIP32.DLL", "standin_norunning.dll",
         "UNZIP32.DLL から関数UnZipGetRunningを取得できませんでした。"},
    };
    for (const Case& c : cases) {
        for (unsigned char defError : {1, 0}) {
            SCOPED_TRACE(std::string(c.name) + (defError ? ", messages" : ", silent"));
            Settings.DefError = defError;
            FreshCase(c.installAs, c.variant);
            short index = c.compression ? AddTestCompressionTask("C:\\out\\x.zip", 0, {"C:\\d\\a"})
                                        : AddTestExtractionTask("C:\\in\\p.zip", "C:\\out\\", AutoFolderAlways);
            uint32_t id = Run(index);
            EXPECT_EQ(StatusOfTask(id), Error);
            EXPECT_EQ(CellText(TaskListView, 0, 2), "エラー");
            ExpectMessageWhenOn(c.message);
            EXPECT_TRUE(ReadStandinCalls(lib, "main").empty());
            ExpectCleanedUp(c.compression ? "ZIP32J.DLL" : "UNZIP32.DLL");
        }
    }
}

// Whatever DefError says, a failed task keeps its reason: the row's tip
// shows it and command 4042 puts it in a box; a known result code comes
// with its meaning. Run again, the task loses the reason it no longer has.
TEST_F(RunsTest, FailedTasksKeepTheirReason) {
    struct Case {
        const char* name;
        const char* script;  // null: no library
        const char* reason;
    };
    const Case cases[] = {
        {"corrupt archive", "result=32772\n",
         "ZIP32J.DLLでエラーが発生しました。コード32772\n書庫が壊れているか、書庫ではありません（0x8004）"},
        {"disk full", "result=32775\n",
         "ZIP32J.DLLでエラーが発生しました。コード32775\n"
         "ファイルを書き込めません（ディスクの空き不足・書き込み禁止など）（0x8007）"},
        {"unknown code", "result=5\n", "ZIP32J.DLLでエラーが発生しました。コード5"},
        {"no library", nullptr,
         "ZIP32J.DLLを読み込めませんでした。\nZIP32J.DLLをプログラムと同じフォルダかシステムフォルダに置いてください。"},
    };
    for (const Case& c : cases) {
        for (unsigned char defError : {0, 1}) {
            SCOPED_TRACE(std::string(c.name) + (defError ? ", messages" : ", silent"));
            Settings.DefError = defError;
            FreshCase(c.script != nullptr ? "ZIP32J.DLL" : nullptr);
            if (c.script != nullptr) WriteStandinScript(lib, c.script);
            short index = AddTestCompressionTask("C:\\out\\x.zip", 0, {"C:\\d\\a"});
            uint32_t id = Run(index);
            ASSERT_EQ(StatusOfTask(id), Error);
            EXPECT_EQ(Fake.messages.size(), defError ? 1u : 0u);

            // The tip asks for its text with the mouse over the row.
            RECT row = {};
            row.left = LVIR_BOUNDS;
            SendMessageA(TaskListView, LVM_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&row));
            POINT over = {row.left + 5, (row.top + row.bottom) / 2};
            ClientToScreen(TaskListView, &over);
            SetCursorPos(over.x, over.y);
            NMTTDISPINFOA info = {};
            info.hdr.idFrom = reinterpret_cast<UINT_PTR>(TaskListView);
            info.hdr.code = TTN_GETDISPINFOA;
            OnReasonTipNotify(&info.hdr);
            ASSERT_NE(info.lpszText, nullptr);
            EXPECT_STREQ(info.lpszText, c.reason);

            Fake.messages.clear();
            Lv_SetSelected(TaskListView, 0, true);
            ExecuteMainCommand(IDM_ERROR_DETAILS);
            ASSERT_EQ(Fake.messages.size(), 1u);
            // A missing library offers the library list (not opened: the answer is not はい).
            const bool missing = c.script == nullptr;
            EXPECT_EQ(Fake.messages[0].text,
                      missing ? std::string(c.reason) + "\n\nライブラリの一覧を表示しますか？" : std::string(c.reason));
            EXPECT_EQ(Fake.messages[0].type & MB_TYPEMASK, static_cast<UINT>(missing ? MB_YESNO : MB_OK));
            EXPECT_EQ(Fake.messages[0].caption, "エラーの詳細");
            EXPECT_TRUE(Fake.dialogIds.empty());

            ExecuteMainCommand(IDM_RETRY);
            EXPECT_EQ(StatusOfTask(id), Waiting);
            info.lpszText = nullptr;
            OnReasonTipNotify(&info.hdr);
            ASSERT_NE(info.lpszText, nullptr);
            EXPECT_STREQ(info.lpszText, "");
        }
    }
}

// A library that dispatches messages during its call: F5 (retry) and Ctrl+G
// (start) typed into the task list still become their commands, once each;
// without the program's keys the message reaches the list untranslated.
TEST_F(RunsTest, KeysWorkDuringALibraryCall) {
    ProgramKeys keys;
    ASSERT_TRUE(LoadProgramKeys(GetModuleHandleA(nullptr), &keys));
    InstallStandin(lib, "ZIP32J.DLL");
    WriteStandinScript(lib, "pump=1\n");
    short running = AddTestCompressionTask("C:\\out\\x.zip", 0, {"C:\\d\\a"});
    short failed = AddTestCompressionTask("C:\\out\\y.zip", 0, {"C:\\d\\a"});
    short stopped = AddTestCompressionTask("C:\\out\\z.zip", 0, {"C:\\d\\a"});
    SetTaskStatus(failed, Error);
    uint32_t failedId = TaskTable[failed].id;
    uint32_t stoppedId = TaskTable[stopped].id;
    Lv_SetSelected(TaskListView, TaskIndexToRow(failed), true);
    Lv_SetSelected(TaskListView, TaskIndexToRow(stopped), true);
    PostMessageA(TaskListView, WM_KEYDOWN, VK_F5, 0);
    uint32_t id = Run(running);
    EXPECT_EQ(StatusOfTask(failedId), Waiting);
    EXPECT_EQ(StatusOfTask(stoppedId), Stopped);
    // Ctrl+G: the accelerator reads the thread's key state.
    BYTE state[256];
    GetKeyboardState(state);
    BYTE control = state[VK_CONTROL];
    state[VK_CONTROL] = 0x80;
    SetKeyboardState(state);
    PostMessageA(TaskListView, WM_KEYDOWN, 'G', 0);
    Run(running);
    state[VK_CONTROL] = control;
    SetKeyboardState(state);
    FreeProgramKeys(&keys);
    EXPECT_EQ(StatusOfTask(id), Done);
    EXPECT_EQ(StatusOfTask(failedId), Waiting);
    EXPECT_EQ(StatusOfTask(stoppedId), Waiting);
    MSG left;
    EXPECT_FALSE(PeekMessageA(&left, TaskListView, WM_KEYDOWN, WM_KEYDOWN, PM_NOREMOVE));
}

// The progress callback against the stand-in: a stop posted by the library
// after report 2 reaches the program at report 3, which answers FALSE; a
// library that honours it stops there, one that ignores it runs its call to
// the end, and either way no further group is sent and the task is Stopped
// (the user asked for it; a Done would claim an archive the run did not
// finish). Without the entries a stop leaves the run to its end, as before.
TEST_F(RunsTest, ProgressCallbackAndCancel) {
    struct Case {
        const char* name;
        const char* variant;
        const char* script;
        bool compression;
        int status;
        std::vector<std::string> answers;
        size_t mainCalls;
    };
    const Case cases[] = {
        {"honours the cancel", "standin.dll", "progress=4\nstopat=2\n", true, Stopped, {"1:1", "2:1", "3:0"}, 1},
        {"ignores the cancel", "standin.dll", "progress=4\nstopat=2\ncancel=ignore\n", true, Stopped,
         {"1:1", "2:1", "3:0", "4:0"}, 1},
        {"reports nothing", "standin.dll", "progress=0\n", true, Done, {}, 2},
        // The stop is posted before the call and dispatched by the library.
        {"no callback entries", "standin_noprogress.dll", "pump=1\n", true, Done, {}, 2},
        {"extraction honours the cancel", "standin.dll", "progress=3\nstopat=1\n", false, Stopped, {"1:1", "2:0"}, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FreshCase(c.compression ? "ZIP32J.DLL" : "UNZIP32.DLL", c.variant);
        WriteStandinScript(lib, c.script);
        short index = c.compression ? AddTestCompressionTask("C:\\out\\x.zip", 0, {"C:\\d\\a", "C:\\e\\b"})
                                    : AddTestExtractionTask("C:\\in\\p.zip", "C:\\out\\", AutoFolderNever);
        if (strcmp(c.variant, "standin_noprogress.dll") == 0) {
            Lv_SetSelected(TaskListView, 0, true);
            PostMessageA(MainWindow, WM_COMMAND, IDM_STOP, 0);
        }
        uint32_t id = Run(index);
        PumpPending();
        EXPECT_EQ(StatusOfTask(id), c.status);
        std::vector<std::string> answers;
        for (const StandinCall& call : ReadStandinCalls(lib, "progress")) answers.push_back(call.argument);
        EXPECT_EQ(answers, c.answers);
        EXPECT_EQ(ReadStandinCalls(lib, "main").size(), c.mainCalls);
        bool hasEntries = strcmp(c.variant, "standin.dll") == 0;
        EXPECT_EQ(ReadStandinCalls(lib, "SetOwnerWindowEx64").size(), hasEntries ? c.mainCalls : 0u);
        EXPECT_EQ(ReadStandinCalls(lib, "KillOwnerWindowEx").size(), hasEntries ? c.mainCalls : 0u);
        EXPECT_TRUE(Fake.messages.empty());
        EXPECT_EQ(RunSwitch, RunIdle);
        ExpectCleanedUp(c.compression ? "ZIP32J.DLL" : "UNZIP32.DLL");
    }
}

// The files in a folder whose names start with the prefix.
std::vector<std::string> FilesStartingWith(const std::string& folder, const char* prefix) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + prefix + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return names;
}

// A stop cancels only the call in progress, but the calls of the groups
// before it have written their part: a stopped compression takes the
// archive back to how it was, and a library that ignored the stop and
// finished its last call leaves a whole archive and a task that is done.
// The stand-in appends "call N" to the archive for each call that succeeds.
TEST_F(RunsTest, AStoppedCompressionLeavesTheArchiveAsItWas) {
    struct Case {
        const char* name;
        const char* before;   // null: no archive before the run
        const char* script;
        std::vector<std::string> files;
        int status;
        const char* after;    // null: no archive afterwards
    };
    const Case cases[] = {
        {"new archive stopped in the second call", nullptr, "progress=2\nstopat=1\nstopcall=1\n",
         {"C:\\d\\a", "C:\\e\\b"}, Stopped, nullptr},
        {"updated archive stopped in the second call", "before\n", "progress=2\nstopat=1\nstopcall=1\n",
         {"C:\\d\\a", "C:\\e\\b"}, Stopped, "before\n"},
        {"updated archive stopped in its only call", "before\n", "progress=2\nstopat=1\n", {"C:\\d\\a"}, Stopped,
         "before\n"},
        {"new archive, the stop ignored in the first call", nullptr, "progress=2\nstopat=1\nstopcall=0\ncancel=ignore\n",
         {"C:\\d\\a", "C:\\e\\b"}, Stopped, nullptr},
        {"updated archive, the stop ignored in the last call", "before\n",
         "progress=2\nstopat=1\nstopcall=1\ncancel=ignore\n", {"C:\\d\\a", "C:\\e\\b"}, Done,
         "before\ncall 0\ncall 1\n"},
        {"the stop ignored, the last call failing", nullptr,
         "progress=2\nstopat=1\nstopcall=1\ncancel=ignore\nresult=0\nresult=7\n", {"C:\\d\\a", "C:\\e\\b"},
         Stopped, nullptr},
        {"not stopped", "before\n", "progress=2\n", {"C:\\d\\a", "C:\\e\\b"}, Done, "before\ncall 0\ncall 1\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FreshCase("ZIP32J.DLL");
        std::string folder = TempFolder("archive");
        std::string archive = folder + "x.zip";
        if (c.before != nullptr) WriteFileBytes(archive, c.before);
        WriteStandinScript(lib, std::string(c.script) + "append=" + archive + "\n");
        uint32_t id = Run(AddTestCompressionTask(archive.c_str(), 0, c.files));
        PumpPending();
        EXPECT_EQ(StatusOfTask(id), c.status);
        if (c.after == nullptr) {
            EXPECT_FALSE(Exists(archive));
        } else {
            EXPECT_EQ(ReadFileBytes(archive), c.after);
        }
        EXPECT_EQ(FilesStartingWith(folder, ""), c.after == nullptr ? std::vector<std::string>{}
                                                                     : std::vector<std::string>{"x.zip"});
        EXPECT_TRUE(Fake.messages.empty());
        ExpectCleanedUp("ZIP32J.DLL");
    }
}

// An extraction whose library ignored the stop and succeeded has extracted
// everything: done. One that stopped, or failed after the stop, is Stopped.
TEST_F(RunsTest, AnExtractionStoppedEndsByWhatTheLibraryDid) {
    struct Case {
        const char* name;
        const char* script;
        int status;
    };
    const Case cases[] = {
        {"honoured", "progress=3\nstopat=1\n", Stopped},
        {"ignored and finished", "progress=3\nstopat=1\ncancel=ignore\n", Done},
        {"ignored and failed", "progress=3\nstopat=1\ncancel=ignore\nresult=7\n", Stopped},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FreshCase("UNZIP32.DLL");
        WriteStandinScript(lib, c.script);
        uint32_t id = Run(AddTestExtractionTask("C:\\in\\p.zip", "C:\\out\\", AutoFolderNever));
        PumpPending();
        EXPECT_EQ(StatusOfTask(id), c.status);
        EXPECT_TRUE(Fake.messages.empty());
        EXPECT_EQ(RunSwitch, RunIdle);
    }
}

// What the list and the status bar are told during a reporting call: the
// status cell rises by percent, the file shows in part 1, and both go back
// when the call is over.
std::vector<std::string> SeenStatusCells;
std::vector<std::string> SeenPartOne;
WNDPROC ListProcBefore;
WNDPROC BarProcBefore;
LRESULT CALLBACK WatchList(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == LVM_SETITEMTEXTA) {
        const LVITEMA* item = reinterpret_cast<const LVITEMA*>(lp);
        if (item->iSubItem == 2 && item->pszText != nullptr) SeenStatusCells.push_back(item->pszText);
    }
    return CallWindowProcA(ListProcBefore, window, message, wp, lp);
}
LRESULT CALLBACK WatchBar(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == SB_SETTEXTA && LOBYTE(LOWORD(wp)) == 1 && lp != 0) {
        SeenPartOne.push_back(reinterpret_cast<const char*>(lp));
    }
    return CallWindowProcA(BarProcBefore, window, message, wp, lp);
}

// A selection change during the call: the file's name stays in part 1.
void CALLBACK SelectDuringCall(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    Lv_SetSelected(TaskListView, 0, true);
}

TEST_F(RunsTest, ProgressShowsInTheStatusCellAndBar) {
    InstallStandin(lib, "ZIP32J.DLL");
    WriteStandinScript(lib, "progress=4\ndelay=300\n");
    short index = AddTestCompressionTask("C:\\out\\x.zip", 0, {"C:\\d\\a"});
    SeenStatusCells.clear();
    SeenPartOne.clear();
    ListProcBefore = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(TaskListView, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchList)));
    BarProcBefore = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(MainStatusBar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchBar)));
    SetTimer(nullptr, 0, 450, SelectDuringCall);
    uint32_t id = Run(index);
    SetWindowLongPtrA(TaskListView, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListProcBefore));
    SetWindowLongPtrA(MainStatusBar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(BarProcBefore));
    EXPECT_EQ(StatusOfTask(id), Done);
    EXPECT_EQ(SeenStatusCells, (std::vector<std::string>{"待機", "実行", "実行 0%", "実行 25%", "実行 50%",
                                                          "実行 75%", "実行 100%", "実行 100%", "完了"}));
    ASSERT_FALSE(SeenPartOne.empty());
    EXPECT_EQ(SeenPartOne.front(), "file1.dat");
    EXPECT_EQ(SeenPartOne[SeenPartOne.size() - 2], "file4.dat");
    EXPECT_EQ(SeenPartOne.back(), "選択数 =    1");
    for (size_t i = 0; i + 1 < SeenPartOne.size(); ++i) EXPECT_EQ(SeenPartOne[i].rfind("file", 0), 0u) << i;
    EXPECT_EQ(Lv_SelectedCount(TaskListView), 1);
}

// SetBackGroundMode is optional.
TEST_F(RunsTest, LibraryWithoutBackgroundModeStillRuns) {
    InstallStandin(lib, "ZIP32J.DLL", "standin_nobackground.dll");
    InstallStandin(lib, "UNZIP32.DLL", "standin_nobackground.dll");
    uint32_t compression = Run(AddTestCompressionTask("C:\\out\\x.zip", 0, {"C:\\d\\a", "C:\\e\\b"}));
    uint32_t extraction = Run(AddTestExtractionTask("C:\\in\\p.zip", "C:\\out\\", AutoFolderNever));
    EXPECT_EQ(StatusOfTask(compression), Done);
    EXPECT_EQ(StatusOfTask(extraction), Done);
    EXPECT_EQ(ReadStandinCalls(lib, "main").size(), 3u);
    EXPECT_TRUE(Fake.messages.empty());
    ExpectCleanedUp("ZIP32J.DLL");
    ExpectCleanedUp("UNZIP32.DLL");
}

TEST_F(RunsTest, EmptyFileListIsAnError) {
    InstallStandin(lib, "ZIP32J.DLL");
    uint32_t id = Run(AddTestCompressionTask("C:\\out\\x.zip", 0, {}));
    EXPECT_EQ(StatusOfTask(id), Error);
    ExpectOneMessage("ファイルリストにファイルが登録されていません。", MainWindow);
    EXPECT_TRUE(ReadStandinCalls(lib, "main").empty());
    ExpectCleanedUp("ZIP32J.DLL");
}

// An archive that is one of its task's files, or lies in one of its
// folders, is refused before the library is even loaded.
TEST_F(RunsTest, ArchivePackedIntoItselfIsRefused) {
    struct Case {
        const char* archive;
        std::vector<std::string> files;
        bool refused;
    };
    const Case cases[] = {
        {"C:\\in\\a.zip", {"C:\\in\\a.zip", "C:\\in\\b.txt"}, true},
        {"C:\\in\\A.ZIP", {"C:\\in\\b.txt", "c:/in/a.zip"}, true},
        {"C:\\data\\sub\\x.zip", {"C:\\other\\y.txt", "C:\\data"}, true},
        {"C:\\ソフト\\表.zip", {"C:\\ソフト\\"}, true},
        {"C:\\data.zip", {"C:\\data", "C:\\data2\\x.txt"}, false},
        {"C:\\ソフト.zip", {"C:\\ソ"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.archive);
        FreshCase("ZIP32J.DLL");
        uint32_t id = Run(AddTestCompressionTask(c.archive, 0, c.files));
        if (c.refused) {
            EXPECT_EQ(StatusOfTask(id), Error);
            ExpectOneMessage(std::string("圧縮ファイル") + c.archive +
                                 "は圧縮するファイルまたはフォルダに含まれているため、作成できません。",
                             MainWindow);
            EXPECT_TRUE(ReadStandinCalls(lib).empty());
        } else {
            EXPECT_EQ(StatusOfTask(id), Done);
            EXPECT_FALSE(ReadStandinCalls(lib, "main").empty());
        }
        ExpectCleanedUp("ZIP32J.DLL");
    }
}

// A format or extension outside the table never indexes it.
TEST_F(RunsTest, UnknownFormatsAreErrors) {
    InstallStandin(lib, "ZIP32J.DLL");
    uint32_t extraction = Run(AddTestExtractionTask("C:\\in\\x.tar.Z", "C:\\out\\", AutoFolderNever));
    EXPECT_EQ(StatusOfTask(extraction), Error);
    ExpectOneMessage("C:\\in\\x.tar.Z の拡張子に対応する書庫形式がありません。", MainWindow);

    Fake.messages.clear();
    uint32_t compression = Run(AddTestCompressionTask("C:\\out\\x.rar", 7, {"C:\\d\\a"}));
    EXPECT_EQ(StatusOfTask(compression), Error);
    ExpectOneMessage("C:\\out\\x.rar の圧縮形式(7)に対応するライブラリがありません。", MainWindow);
    EXPECT_TRUE(ReadStandinCalls(lib).empty());
}

TEST_F(RunsTest, ExtractionSwitchFollowsTheOverwriteSetting) {
    struct Case {
        const char* archive;
        const char* library;
        unsigned char overwrite;
        const char* command;
    };
    const Case cases[] = {
        {"C:\\in\\p.lzh", "UNLHA32.DLL", 2, "x -r1 -gyo0 \"C:\\in\\p.lzh\" \"C:\\out\\\""},
        {"C:\\in\\p.lzh", "UNLHA32.DLL", 0, "x -r1 \"C:\\in\\p.lzh\" \"C:\\out\\\""},
        {"C:\\in\\p.tar", "tar32.dll", 0, "-xvf \"C:\\in\\p.tar\" -o \"C:\\out\\\""},
        {"C:\\in\\p.tar", "tar32.dll", 2, "-xvf \"C:\\in\\p.tar\" -o \"C:\\out\\\""},
        {"C:\\in\\p.tar.gz", "tar32.dll", 0, "-xvf \"C:\\in\\p.tar.gz\" -o \"C:\\out\\\""},
        {"C:\\in\\p.TXZ", "tar32.dll", 2, "-xvf \"C:\\in\\p.TXZ\" -o \"C:\\out\\\""},
        {"C:\\in\\p.zip", "UNZIP32.DLL", 1, "-x -o \"C:\\in\\p.zip\" \"C:\\out\\\""},
        {"C:\\in\\p.7Z", "7-zip32.dll", 2, "x -aoa \"C:\\in\\p.7Z\" \"C:\\out\\\""},
        {"C:\\in\\p.arj", "UNARJ32J.DLL", 0, "x \"C:\\in\\p.arj\" \"C:\\out\\\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        Settings.DefMeltOverwrite = c.overwrite;
        FreshCase(c.library);
        uint32_t id = Run(AddTestExtractionTask(c.archive, "C:\\out\\", AutoFolderNever));
        EXPECT_EQ(StatusOfTask(id), Done);
        std::vector<StandinCall> calls = ReadStandinCalls(lib, "main");
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].library, c.library);
        EXPECT_EQ(calls[0].owner, nullptr);
        EXPECT_EQ(calls[0].argument, c.command);
        ExpectCleanedUp(c.library);
    }
}

// A job without a person follows its own overwrite rule, whatever the
// setting says, and a failure's box becomes a line of its log.
TEST_F(RunsTest, AJobChoosesTheExtractionSwitchAndLogsMessages) {
    struct Case {
        unsigned char setting;
        bool overwrite;
        const char* command;
    };
    const Case cases[] = {
        {0, true, "-x -o \"C:\\in\\p.zip\" \"C:\\out\\\""},
        {2, false, "-x \"C:\\in\\p.zip\" \"C:\\out\\\""},
    };
    const std::string log = work + "job.log";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        Settings.DefMeltOverwrite = c.setting;
        FreshCase("UNZIP32.DLL");
        ASSERT_TRUE(BeginUnattendedJob(log.c_str(), c.overwrite));
        uint32_t id = Run(AddTestExtractionTask("C:\\in\\p.zip", "C:\\out\\", AutoFolderNever));
        EndUnattendedJob();
        EXPECT_EQ(StatusOfTask(id), Done);
        std::vector<StandinCall> calls = ReadStandinCalls(lib, "main");
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].argument, c.command);
    }
    FreshCase(nullptr);
    DeleteFileA(log.c_str());
    ASSERT_TRUE(BeginUnattendedJob(log.c_str(), false));
    uint32_t id = Run(AddTestExtractionTask("C:\\in\\p.zip", "C:\\out\\", AutoFolderNever));
    EndUnattendedJob();
    EXPECT_EQ(StatusOfTask(id), Error);
    EXPECT_TRUE(Fake.messages.empty());
    std::string text = ReadFileBytes(log);
    EXPECT_NE(text.find("\tメッセージ\terror: UNZIP32.DLLを読み込めませんでした。"), std::string::npos) << text;
}

// Whether a folder named after the archive is made, by the task's mode and,
// for "not when single", by the archive's top-level names.
TEST_F(RunsTest, ExtractionFolderModes) {
    struct Case {
        const char* name;
        int mode;
        std::vector<std::string> entries;
        bool folder;
        bool inspected;
    };
    const Case cases[] = {
        {"always", AutoFolderAlways, {"docs/a.txt", "docs/b.txt"}, true, false},
        {"never", AutoFolderNever, {"a.txt", "b.txt", "c.txt"}, false, false},
        {"unknown mode", 7, {"a.txt", "b.txt"}, false, false},
        {"one folder", AutoFolderUnlessSingle, {"docs/a.txt", "docs/b.txt", "docs/"}, false, true},
        {"one folder, backslashes", AutoFolderUnlessSingle, {"docs\\a.txt", "docs\\b.txt"}, false, true},
        {"one file", AutoFolderUnlessSingle, {"a.txt"}, false, true},
        {"two files", AutoFolderUnlessSingle, {"a.txt", "b.txt"}, true, true},
        {"folder and file", AutoFolderUnlessSingle, {"docs/a.txt", "readme.txt"}, true, true},
        {"case differs", AutoFolderUnlessSingle, {"Docs/a.txt", "docs/b.txt"}, true, true},
        {"double-byte folder", AutoFolderUnlessSingle, {"表\\a.txt", "表\\b.txt"}, false, true},
        {"double-byte names", AutoFolderUnlessSingle, {"表", "能"}, true, true},
        {"double-byte prefix", AutoFolderUnlessSingle, {"ソフト\\a.txt", "ソ"}, true, true},
        // "tar cf x.tar ." names its root "./" and everything below it.
        {"dot root, one folder", AutoFolderUnlessSingle, {"./", "./docs/", "./docs/a.txt", "./docs/b.txt"}, false, true},
        {"dot root, two files", AutoFolderUnlessSingle, {"./", "./a.txt", "./b.txt"}, true, true},
        {"dot root, backslashes", AutoFolderUnlessSingle, {".\\", ".\\表\\a.txt", "表\\b.txt"}, false, true},
        {"leading separators", AutoFolderUnlessSingle, {"/docs/a.txt", "/docs/b.txt"}, false, true},
        {"root entry only", AutoFolderUnlessSingle, {"./"}, false, true},
        // Names not terminated within 513 bytes are cut there: both read as
        // the same 513 bytes.
        {"overlong names", AutoFolderUnlessSingle, {std::string(600, 'n'), std::string(513, 'n') + "/x"}, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FreshCase("UNZIP32.DLL");
        std::string script;
        for (const std::string& entry : c.entries) script += "entry=" + entry + "\n";
        WriteStandinScript(lib, script);
        std::string out = TempFolder("out");
        std::string archive = work + "My Files .zip";
        uint32_t id = Run(AddTestExtractionTask(archive.c_str(), out.c_str(), c.mode));

        EXPECT_EQ(StatusOfTask(id), Done);
        EXPECT_TRUE(Fake.messages.empty());
        std::string target = c.folder ? out + "My Files\\" : out;
        EXPECT_EQ(Exists(out + "My Files"), c.folder);
        std::vector<StandinCall> calls = ReadStandinCalls(lib, "main");
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].argument, "-x \"" + archive + "\" \"" + target + "\"");
        std::vector<StandinCall> opens = ReadStandinCalls(lib, "OpenArchive");
        ASSERT_EQ(opens.size(), c.inspected ? 1u : 0u);
        if (c.inspected) {
            EXPECT_EQ(opens[0].entry, "UnZipOpenArchive");
            EXPECT_EQ(opens[0].argument, archive + "|0");
            EXPECT_EQ(opens[0].owner, MainWindow);
            EXPECT_EQ(ReadStandinCalls(lib, "FindFirst")[0].argument, "*");
            EXPECT_EQ(ReadStandinCalls(lib, "CloseArchive").size(), 1u);
        }
        ExpectCleanedUp("UNZIP32.DLL");
    }
}

// An empty archive stops the run before the library is called.
TEST_F(RunsTest, EmptyArchiveIsAnError) {
    for (unsigned char defError : {1, 0}) {
        SCOPED_TRACE(static_cast<int>(defError));
        Settings.DefError = defError;
        FreshCase("UNZIP32.DLL");
        std::string out = TempFolder("out");
        uint32_t id = Run(AddTestExtractionTask((work + "p.zip").c_str(), out.c_str(), AutoFolderUnlessSingle));
        EXPECT_EQ(StatusOfTask(id), Error);
        ExpectMessageWhenOn("書庫内にファイルが存在しません。");
        EXPECT_TRUE(ReadStandinCalls(lib, "main").empty());
        EXPECT_EQ(ReadStandinCalls(lib, "CloseArchive").size(), 1u);
        EXPECT_FALSE(Exists(out + "p"));
        ExpectCleanedUp("UNZIP32.DLL");
    }
}

// Missing reading entries are reported whatever DefError says: owned by
// the main window with messages on, by no window with them off.
TEST_F(RunsTest, MissingReadingEntriesAreAlwaysReported) {
    for (unsigned char defError : {1, 0}) {
        SCOPED_TRACE(static_cast<int>(defError));
        Settings.DefError = defError;
        FreshCase("UNLHA32.DLL", "standin_noreading.dll");
        uint32_t id = Run(AddTestExtractionTask("C:\\in\\p.lzh", "C:\\out\\", AutoFolderUnlessSingle));
        EXPECT_EQ(StatusOfTask(id), Error);
        ExpectOneMessage("UNLHA32.DLL から関数を取得できませんでした。", defError ? MainWindow : nullptr);
        EXPECT_TRUE(ReadStandinCalls(lib, "main").empty());
        ExpectCleanedUp("UNLHA32.DLL");
    }
}

TEST_F(RunsTest, ExtractionIntoAnExistingFolder) {
    InstallStandin(lib, "UNZIP32.DLL");
    std::string out = TempFolder("out");
    CreateDirectoryA((out + "p").c_str(), nullptr);
    WriteFileBytes(out + "p\\keep.txt", "kept");
    std::string archive = work + "p.zip";
    uint32_t id = Run(AddTestExtractionTask(archive.c_str(), out.c_str(), AutoFolderAlways));
    EXPECT_EQ(StatusOfTask(id), Done);
    std::vector<StandinCall> calls = ReadStandinCalls(lib, "main");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].argument, "-x \"" + archive + "\" \"" + out + "p\\\"");
    EXPECT_EQ(ReadFileBytes(out + "p\\keep.txt"), "kept");
    ExpectCleanedUp("UNZIP32.DLL");
}

// The folder made for the archive goes again when the run is stopped or
// fails and nothing was put into it; a folder that was there before stays.
TEST_F(RunsTest, AStoppedOrFailedExtractionTakesBackItsEmptyFolder) {
    struct Case {
        const char* name;
        const char* script;
        bool existedBefore;
        int status;
        bool folderLeft;
    };
    const Case cases[] = {
        {"stopped", "progress=3\nstopat=1\n", false, Stopped, false},
        {"failed", "result=11\n", false, Error, false},
        {"done", "", false, Done, true},
        {"failed into a folder that was there", "result=11\n", true, Error, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FreshCase("UNZIP32.DLL");
        WriteStandinScript(lib, c.script);
        std::string out = TempFolder("out");
        std::string made = out + "p";
        if (c.existedBefore) CreateDirectoryA(made.c_str(), nullptr);
        std::string archive = work + "p.zip";
        uint32_t id = Run(AddTestExtractionTask(archive.c_str(), out.c_str(), AutoFolderAlways));
        PumpPending();
        EXPECT_EQ(StatusOfTask(id), c.status);
        EXPECT_EQ(GetFileAttributesA(made.c_str()) != INVALID_FILE_ATTRIBUTES, c.folderLeft);
    }
}

TEST_F(RunsTest, ExtractionCallFailure) {
    InstallStandin(lib, "UNZIP32.DLL");
    WriteStandinScript(lib, "result=11\n");
    uint32_t id = Run(AddTestExtractionTask("C:\\in\\p.zip", "C:\\out\\", AutoFolderNever));
    EXPECT_EQ(StatusOfTask(id), Error);
    ExpectOneMessage("UNZIP32.DLLでエラーが発生しました。コード11", MainWindow);
    EXPECT_EQ(RunSwitch, RunIdle);
    ExpectCleanedUp("UNZIP32.DLL");
}

// A path one folder name too long for the destination is refused instead
// of being cut into a different folder.
TEST_F(RunsTest, OverlongExtractionFolderIsRefused) {
    InstallStandin(lib, "UNZIP32.DLL");
    std::string destination = "C:\\" + std::string(240, 'd') + "\\";
    std::string archive = "C:\\in\\" + std::string(30, 'n') + ".zip";
    uint32_t id = Run(AddTestExtractionTask(archive.c_str(), destination.c_str(), AutoFolderAlways));
    EXPECT_EQ(StatusOfTask(id), Error);
    ASSERT_EQ(Fake.messages.size(), 1u);
    EXPECT_EQ(Fake.messages[0].text.substr(0, strlen("展開先フォルダのパスが長すぎます。")),
              "展開先フォルダのパスが長すぎます。");
    EXPECT_TRUE(ReadStandinCalls(lib, "main").empty());
    ExpectCleanedUp("UNZIP32.DLL");
}

// In background mode the library dispatches the thread's messages: the run
// switch reads 2 meanwhile, and whatever the commands do to the task list,
// the run only touches its own task, and only while it exists.
TEST_F(RunsTest, CommandsDuringALibraryCall) {
    struct Case {
        const char* name;
        bool compression;
        bool deleteRunning;
        bool queueOther;
        bool addTasks;
        bool fails;
    };
    const Case cases[] = {
        {"compression, task deleted", true, true, false, false, false},
        {"compression, task deleted, call failed", true, true, false, false, true},
        {"compression, other task queued", true, false, true, false, false},
        {"compression, tasks added", true, false, false, true, false},
        {"extraction, task deleted", false, true, false, false, false},
        {"extraction, task deleted, call failed", false, true, false, false, true},
        {"extraction, other task queued", false, false, true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FreshCase("ZIP32J.DLL");
        InstallStandin(lib, "UNZIP32.DLL");
        WriteStandinScript(lib, c.fails ? "pump=1\nresult=5\n" : "pump=1\n");
        short other = AddTestCompressionTask("C:\\out\\y.zip", 0, {"C:\\d\\a"});
        uint32_t otherId = TaskTable[other].id;
        short index = c.compression ? AddTestCompressionTask("C:\\out\\x.zip", 0, {"C:\\d\\a", "C:\\e\\b"})
                                    : AddTestExtractionTask("C:\\in\\p.zip", "C:\\out\\", AutoFolderNever);
        uint32_t id = TaskTable[index].id;
        int switchDuringCall = -1;
        PostTestCallback([&] {
            switchDuringCall = RunSwitch;
            if (c.deleteRunning) {
                for (short i = 0; i < TaskCount; ++i) {
                    if (TaskTable[i].id != id) continue;
                    SendMessageA(TaskListView, LVM_DELETEITEM, TaskIndexToRow(i), 0);
                    if (TaskTable[i].fileList != nullptr) DestroyWindow(TaskTable[i].fileList);
                    RemoveTaskRecord(i);
                    break;
                }
            }
            if (c.queueOther) SetTaskStatus(0, Waiting);
            if (c.addTasks) {
                for (int i = 0; i < 5; ++i) AddTestExtractionTask("C:\\in\\q.zip", "C:\\out\\", AutoFolderNever);
            }
        });
        Run(index);

        EXPECT_EQ(switchDuringCall, RunInLibrary);
        EXPECT_EQ(RunSwitch, c.queueOther ? RunOn : RunIdle);
        EXPECT_EQ(StatusOfTask(id), c.deleteRunning ? -1 : Done);
        EXPECT_EQ(StatusOfTask(otherId), c.queueOther ? Waiting : Stopped);
        EXPECT_EQ(TaskCount, c.deleteRunning ? 1 : (c.addTasks ? 7 : 2));
        for (short i = 2; i < TaskCount; ++i) EXPECT_EQ(TaskTable[i].status, Stopped);
        EXPECT_TRUE(Fake.messages.empty());  // not even for the failed call of a deleted task
        // A deleted compression task sends no further group.
        size_t expectedCalls = c.compression && !c.deleteRunning ? 2u : 1u;
        EXPECT_EQ(ReadStandinCalls(lib, "main").size(), expectedCalls);
        ExpectCleanedUp("ZIP32J.DLL");
        ExpectCleanedUp("UNZIP32.DLL");
    }
}

}  // namespace

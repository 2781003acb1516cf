// The real program in its own process: start, title, size, settings file.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "app/text.h"
#include "resources/resource.h"
#include "tests/win/program_process.h"
#include "tests/win/test_support.h"
#include "ui/main_window.h"

static std::string ProgramPath() { return ProgramFolder() + "fardelix.exe"; }

struct Program {
    PROCESS_INFORMATION process = {};
    HWND window = nullptr;

    bool Start(const std::string& folder, const std::string& arguments = "") {
        std::string command = "\"" + ProgramPath() + "\" " + arguments;
        STARTUPINFOA startup = {};
        startup.cb = sizeof(startup);
        if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                            &process)) {
            return false;
        }
        return PumpUntil([&] { return (window = FindWindowA(MainWindowClass, nullptr)) != nullptr; }, 20000);
    }

    DWORD Close() {
        PostMessageA(window, WM_CLOSE, 0, 0);
        DWORD code = 99;
        if (WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0) GetExitCodeProcess(process.hProcess, &code);
        CloseHandle(process.hProcess);
        CloseHandle(process.hThread);
        return code;
    }
};

class ProgramTest : public testing::Test {
protected:
    void SetUp() override { PutAwayTestMainWindow(); }
};

TEST_F(ProgramTest, StartsCentredWithTitleAndWritesSettingsOnClose) {
    std::string folder = TempFolder("run");
    Program program;
    ASSERT_TRUE(program.Start(folder));
    char title[128] = "";
    GetWindowTextA(program.window, title, sizeof(title));
    EXPECT_STREQ(title, "NewTaskList - fardelix");
    RECT rect;
    GetWindowRect(program.window, &rect);
    EXPECT_EQ(rect.right - rect.left, 800);
    EXPECT_EQ(rect.bottom - rect.top, 600);
    EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 800) / 2);
    // Shown active, with the keys going to the task list from the start.
    // The window is found as soon as it exists, before its controls are
    // made, so the list is looked up while waiting.
    GUITHREADINFO thread = {};
    thread.cbSize = sizeof(thread);
    HWND tasks = nullptr;
    EXPECT_TRUE(PumpUntil([&] {
        tasks = GetDlgItem(program.window, IDC_TASKLIST);
        return tasks != nullptr && IsWindowVisible(program.window) &&
               GetGUIThreadInfo(program.process.dwThreadId, &thread) && thread.hwndFocus == tasks;
    }, 5000)) << "focus " << thread.hwndFocus << ", main " << program.window << ", list " << tasks;
    EXPECT_EQ(thread.hwndActive, program.window);
    EXPECT_EQ(program.Close(), 0u);

    std::string ini = folder + "fardelix.ini";
    char value[MAX_PATH] = "";
    EXPECT_EQ(GetPrivateProfileIntA("CONFIG", "DefCompType", -1, ini.c_str()), 0);
    EXPECT_EQ(GetPrivateProfileIntA("CONFIG", "DefMeltAuto", -1, ini.c_str()), 2);
    EXPECT_EQ(GetPrivateProfileIntA("CONFIG", "DefMeltOverwrite", -1, ini.c_str()), 0);
    EXPECT_EQ(GetPrivateProfileIntA("CONFIG", "DefError", -1, ini.c_str()), 0);
    GetPrivateProfileStringA("DIR", "OpenFolder", "", value, sizeof(value), ini.c_str());
    EXPECT_EQ(std::string(value), folder);
}

TEST_F(ProgramTest, SecondStartReadsTheSettingsBack) {
    std::string folder = TempFolder("run");
    std::string ini = folder + "fardelix.ini";
    WriteFileBytes(ini, "[CONFIG]\r\nDefCompType=3\r\nDefMeltAuto=1\r\nDefMeltOverwrite=2\r\nDefError=1\r\n"
                        "[DIR]\r\nOpenFolder=C:\\表\\\r\n");
    Program program;
    ASSERT_TRUE(program.Start(folder));
    EXPECT_EQ(program.Close(), 0u);
    EXPECT_EQ(GetPrivateProfileIntA("CONFIG", "DefCompType", -1, ini.c_str()), 3);
    EXPECT_EQ(GetPrivateProfileIntA("CONFIG", "DefMeltAuto", -1, ini.c_str()), 1);
    EXPECT_EQ(GetPrivateProfileIntA("CONFIG", "DefMeltOverwrite", -1, ini.c_str()), 2);
    EXPECT_EQ(GetPrivateProfileIntA("CONFIG", "DefError", -1, ini.c_str()), 1);
    char value[MAX_PATH] = "";
    GetPrivateProfileStringA("DIR", "OpenFolder", "", value, sizeof(value), ini.c_str());
    EXPECT_STREQ(value, "C:\\表\\");
}

TEST_F(ProgramTest, SecondInstanceEndsAtOnce) {
    std::string folder = TempFolder("run");
    Program first;
    ASSERT_TRUE(first.Start(folder));
    std::string command = "\"" + ProgramPath() + "\" C:\\x.zip";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION second = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                               &second));
    ASSERT_EQ(WaitForSingleObject(second.hProcess, 20000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(second.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(second.hProcess);
    CloseHandle(second.hThread);
    EXPECT_EQ(first.Close(), 0u);
}

namespace {

// Starts the program again with the arguments, as the shell would, and
// waits for that second process to end; its exit code.
DWORD StartAgain(const std::string& arguments, const std::string& folder) {
    ProgramProcess second;
    if (!second.Start(arguments, folder)) return 98;
    if (WaitForSingleObject(second.Handle(), 20000) != WAIT_OBJECT_0) return 97;
    DWORD code = 99;
    GetExitCodeProcess(second.Handle(), &code);
    return code;
}

}  // namespace

// The second start's paths reach the running program and become tasks as
// its own command line would make them; a lone task list file replaces the
// list once the changed one was offered for saving.
TEST_F(ProgramTest, SecondStartHandsItsPathsToTheFirst) {
    std::string folder = TempFolder("run");
    std::string other = TempFolder("other");
    std::string list = other + "表.fdl";
    WriteFileBytes(list, "#fardelix\r\n#TASKSTART\r\narcpath=C:\\in\\c.7z\r\ntask=1\r\nflag=1\r\nC:\\out\\\r\n"
                         "#TASKEND\r\n");
    // Each new extraction task counts its entries through its library.
    // Libraries are found beside the program, never in the current folder.
    std::string program = CopyProgramInto(folder);
    for (const char* name : {"UNZIP32.DLL", "UNLHA32.DLL", "7-zip32.dll"}) InstallStandin(folder, name);
    ProgramProcess first;
    ASSERT_TRUE(first.Start("", folder, program));
    HWND main = nullptr;
    HWND tasks = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        main = WindowOf(first.Id(), MainWindowClass);
        tasks = main != nullptr ? FindWindowExA(main, nullptr, WC_LISTVIEWA, nullptr) : nullptr;
        return tasks != nullptr && IsWindowVisible(main);
    }, 20000));

    EXPECT_EQ(StartAgain("\"C:\\ソフト\\a b.zip\" C:\\in\\b.lzh", other), 0u);
    ASSERT_TRUE(PumpUntil([&] { return SendMessageA(tasks, LVM_GETITEMCOUNT, 0, 0) == 2; }, 10000));
    EXPECT_EQ(RemoteCell(first.Handle(), tasks, 0, 5), "C:\\ソフト\\a b.zip");
    EXPECT_EQ(RemoteCell(first.Handle(), tasks, 1, 5), "C:\\in\\b.lzh");
    EXPECT_EQ(RemoteCell(first.Handle(), tasks, 0, 2), "停止");

    // The list changed: the question comes first; いいえ lets it go.
    EXPECT_EQ(StartAgain("\"" + list + "\"", other), 0u);
    HWND question = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        return (question = WindowOf(first.Id(), "#32770")) != nullptr && IsWindowVisible(question);
    }, 10000));
    char text[256] = "";
    GetWindowTextA(GetDlgItem(question, 0xFFFF), text, sizeof(text));
    EXPECT_STREQ(text, "タスクリストは変更されています。保存しますか？");
    EXPECT_EQ(SendMessageA(tasks, LVM_GETITEMCOUNT, 0, 0), 2);
    PostMessageA(question, WM_COMMAND, IDNO, 0);
    ASSERT_TRUE(PumpUntil([&] { return SendMessageA(tasks, LVM_GETITEMCOUNT, 0, 0) == 1; }, 10000));
    EXPECT_EQ(RemoteCell(first.Handle(), tasks, 0, 5), "C:\\in\\c.7z");
    char title[PathSize + 32] = "";
    GetWindowTextA(main, title, sizeof(title));
    EXPECT_EQ(std::string(title), list + " - fardelix");
    EXPECT_TRUE(first.Close(main, 20000));
}

// OK in the extraction settings of one task, with nothing touched, changes
// nothing: the dialog shows the task's own rule (しない), not the default
// (DefMeltAuto 2), and the list file keeps flag=1. A changed list would be
// offered for saving at the close, and はい would write it in place.
TEST_F(ProgramTest, ExtractionDialogOkKeepsTheTasksRule) {
    std::string folder = TempFolder("run");
    InstallStandin(folder, "UNZIP32.DLL");
    WriteFileBytes(folder + "fardelix.ini", "[CONFIG]\r\nDefMeltAuto=2\r\n");
    std::string list = folder + "list.fdl";
    const std::string written =
        "#fardelix\r\n#TASKSTART\r\narcpath=C:\\in\\p.zip\r\ntask=1\r\nflag=1\r\nC:\\out\\\r\n#TASKEND\r\n";
    WriteFileBytes(list, written);
    ProgramProcess program;
    ASSERT_TRUE(program.Start("\"" + list + "\"", folder));
    HWND main = nullptr;
    HWND tasks = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        main = WindowOf(program.Id(), MainWindowClass);
        tasks = main != nullptr ? GetDlgItem(main, IDC_TASKLIST) : nullptr;
        return tasks != nullptr && IsWindowVisible(main) && SendMessageA(tasks, LVM_GETITEMCOUNT, 0, 0) == 1;
    }, 20000));
    SelectRemoteRow(program.Handle(), tasks, 0);
    PostMessageA(main, WM_COMMAND, IDM_EDIT_TASK, 0);
    HWND dialog = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        return (dialog = WindowOf(program.Id(), "#32770")) != nullptr && IsWindowVisible(dialog);
    }, 10000));
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_AUTO_NEVER), BST_CHECKED);
    EXPECT_EQ(IsDlgButtonChecked(dialog, IDC_AUTO_UNLESS_ONE), BST_UNCHECKED);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(dialog); }, 10000));

    PostMessageA(main, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] {
        if (WaitForSingleObject(program.Handle(), 0) == WAIT_OBJECT_0) return true;
        HWND question = WindowOf(program.Id(), "#32770");
        if (question != nullptr) PostMessageA(question, WM_COMMAND, IDYES, 0);
        return false;
    }, 20000));
    EXPECT_EQ(ReadFileBytes(list), written);
}

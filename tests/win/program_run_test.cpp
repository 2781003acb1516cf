// The real program from its command line to a finished task: start-up, the
// file-list window, the accelerator table, the run step and a library call.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "filelist/file_list_window.h"
#include "resources/resource.h"
#include "tests/win/test_support.h"
#include "ui/main_window.h"

namespace {

std::string ProgramFolder() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string text = path;
    return text.substr(0, text.find_last_of('\\') + 1);
}

struct FoundWindow {
    DWORD process;
    const char* className;
    HWND window;
};

BOOL CALLBACK MatchWindow(HWND window, LPARAM data) {
    auto* found = reinterpret_cast<FoundWindow*>(data);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    char name[64] = "";
    GetClassNameA(window, name, sizeof(name));
    if (process == found->process && strcmp(name, found->className) == 0) {
        found->window = window;
        return FALSE;
    }
    return TRUE;
}

HWND WindowOf(DWORD process, const char* className) {
    FoundWindow found = {process, className, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&found));
    return found.window;
}

// A cell of a list view in another process: the text buffer lives there.
std::string RemoteCell(HANDLE process, HWND list, int row, int column) {
    struct Block {
        LVITEMA item;
        char text[260];
    };
    auto* remote = static_cast<Block*>(VirtualAllocEx(process, nullptr, sizeof(Block), MEM_COMMIT, PAGE_READWRITE));
    if (remote == nullptr) return "?";
    Block local = {};
    local.item.iSubItem = column;
    local.item.pszText = remote->text;
    local.item.cchTextMax = sizeof(local.text);
    WriteProcessMemory(process, remote, &local, sizeof(local), nullptr);
    SendMessageA(list, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&remote->item));
    ReadProcessMemory(process, remote, &local, sizeof(local), nullptr);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    local.text[sizeof(local.text) - 1] = '\0';
    return local.text;
}

void PressKeys(std::vector<WORD> keys) {
    std::vector<INPUT> inputs;
    for (WORD key : keys) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = key;
        inputs.push_back(input);
    }
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
        INPUT input = {};
        input.type = INPUT_KEYBOARD;
        input.ki.wVk = *key;
        input.ki.dwFlags = KEYEVENTF_KEYUP;
        inputs.push_back(input);
    }
    SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

class ProgramRunTest : public testing::Test {
protected:
    void SetUp() override {
        // The test's own main window carries the program's class name.
        if (MainWindow != nullptr) {
            ResetTasks();
            DestroyWindow(MainWindow);
            PumpPending();
        }
    }
};

// Whether upper stands above lower in the z-order of top-level windows.
bool IsAbove(HWND upper, HWND lower) {
    for (HWND next = GetWindow(upper, GW_HWNDNEXT); next != nullptr; next = GetWindow(next, GW_HWNDNEXT)) {
        if (next == lower) return true;
    }
    return false;
}

}  // namespace

TEST_F(ProgramRunTest, CommandLineFilesRunToDoneWithCtrlShiftG) {
    std::string folder = TempFolder("run");
    CreateDirectoryA("C:\\in", nullptr);
    WriteFileBytes("C:\\in\\a.txt", "alpha");
    WriteFileBytes("C:\\in\\b.txt", "beta");
    InstallStandin(folder, "ZIP32J.DLL");   // found in the program's current folder

    std::string command = "\"" + ProgramFolder() + "fardelix.exe\" C:\\in\\a.txt C:\\in\\b.txt";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION program = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                               &program));
    HWND main = nullptr;
    HWND fileWindow = nullptr;
    ASSERT_TRUE(PumpUntil([&] {
        main = WindowOf(program.dwProcessId, MainWindowClass);
        fileWindow = WindowOf(program.dwProcessId, FileListWindowClass);
        return main != nullptr && fileWindow != nullptr && IsWindowVisible(fileWindow);
    }, 20000));
    HWND files = FindWindowExA(fileWindow, nullptr, WC_LISTVIEWA, nullptr);
    ASSERT_NE(files, nullptr);
    EXPECT_EQ(SendMessageA(files, LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(RemoteCell(program.hProcess, files, 0, 3), "C:\\in\\a.txt");
    EXPECT_EQ(RemoteCell(program.hProcess, files, 1, 3), "C:\\in\\b.txt");
    EXPECT_FALSE(IsWindowEnabled(main));
    // The main window is shown after the file-list window opened; the one
    // window that takes input must not end up hidden behind it.
    EXPECT_TRUE(PumpUntil([&] { return IsWindowVisible(main) && IsAbove(fileWindow, main); }, 10000));

    PostMessageA(fileWindow, WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindowVisible(fileWindow) && IsWindowEnabled(main); }, 10000));
    HWND tasks = GetDlgItem(main, IDC_TASKLIST);
    ASSERT_EQ(SendMessageA(tasks, LVM_GETITEMCOUNT, 0, 0), 1);
    EXPECT_EQ(RemoteCell(program.hProcess, tasks, 0, 2), "停止");

    SetForegroundWindow(main);
    ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == main; }, 5000));
    PressKeys({VK_CONTROL, VK_SHIFT, 'G'});
    EXPECT_TRUE(PumpUntil([&] { return RemoteCell(program.hProcess, tasks, 0, 2) == "完了"; }, 20000))
        << RemoteCell(program.hProcess, tasks, 0, 2);
    std::vector<StandinCall> calls = ReadStandinCalls(folder, "main");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_NE(calls[0].listFile.find("a.txt"), std::string::npos);

    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(program.hProcess, 20000), WAIT_OBJECT_0);
    CloseHandle(program.hProcess);
    CloseHandle(program.hThread);
}

#include "tests/win/program_process.h"

#include <commctrl.h>

#include <cstring>

#include "app/text.h"
#include "tasks/task_table.h"
#include "tests/win/test_support.h"
#include "ui/main_window.h"

std::string ProgramFolder() {
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof(path));
    if (length == 0 || length >= sizeof(path)) return std::string();
    char folder[MAX_PATH];
    if (!FolderOfPath(path, folder, sizeof(folder))) return std::string();
    return folder;
}

std::string FolderFromEnvironment(const char* name) {
    char folder[MAX_PATH];
    DWORD length = GetEnvironmentVariableA(name, folder, sizeof(folder));
    if (length == 0 || length >= sizeof(folder)) return std::string();
    std::string text = folder;
    if (!EndsWithBackslash(folder)) text += '\\';
    return text;
}

std::string CopyProgramInto(const std::string& folder) {
    std::string copy = folder + "fardelix.exe";
    if (!CopyFileA((ProgramFolder() + "fardelix.exe").c_str(), copy.c_str(), FALSE)) return std::string();
    return copy;
}

// The test's own main window carries the program's class name and would be
// taken for a running instance; it is destroyed, and the next test that
// needs it makes it anew.
void PutAwayTestMainWindow() {
    if (MainWindow == nullptr) return;
    ResetTasks();
    DestroyWindow(MainWindow);
    PumpPending();
}

namespace {

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

}  // namespace

HWND WindowOf(DWORD process, const char* className) {
    FoundWindow found = {process, className, nullptr};
    EnumWindows(MatchWindow, reinterpret_cast<LPARAM>(&found));
    return found.window;
}

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

void SelectRemoteRow(HANDLE process, HWND list, int row) {
    auto* remote = static_cast<LVITEMA*>(VirtualAllocEx(process, nullptr, sizeof(LVITEMA), MEM_COMMIT, PAGE_READWRITE));
    if (remote == nullptr) return;
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    WriteProcessMemory(process, remote, &item, sizeof(item), nullptr);
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(remote));
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    WriteProcessMemory(process, remote, &item, sizeof(item), nullptr);
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(remote));
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
}

void PressKeys(const std::vector<WORD>& keys) {
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

ProgramProcess::~ProgramProcess() {
    if (info_.hProcess == nullptr) return;
    if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
        TerminateProcess(info_.hProcess, 1);
        WaitForSingleObject(info_.hProcess, 5000);
    }
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
}

bool ProgramProcess::Start(const std::string& arguments, const std::string& folder, const std::string& program) {
    std::string path = program.empty() ? ProgramFolder() + "fardelix.exe" : program;
    std::string command = "\"" + path + "\"" + (arguments.empty() ? "" : " ") + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    return CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup,
                          &info_) != FALSE;
}

// A changed task list is offered for saving before the program ends: the
// question is answered いいえ.
bool ProgramProcess::Close(HWND main, int timeoutMs) {
    if (info_.hProcess == nullptr) return false;
    PostMessageA(main, WM_CLOSE, 0, 0);
    return PumpUntil([&] {
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_OBJECT_0) return true;
        HWND question = WindowOf(info_.dwProcessId, "#32770");
        if (question != nullptr) PostMessageA(question, WM_COMMAND, IDNO, 0);
        return false;
    }, timeoutMs);
}

#include "tests/win/test_support.h"

#include <commctrl.h>
#include <shellapi.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "app/run_loop.h"
#include "filelist/file_list_window.h"
#include "tasks/task_create.h"
#include "tasks/task_table.h"
#include "ui/controls.h"
#include "ui/main_window.h"
#include "ui/modal.h"

FakeModal Fake;

static int FakeMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    Fake.messages.push_back({text, caption, type, owner});
    if (Fake.answers.empty()) return IDOK;
    int answer = Fake.answers.front();
    Fake.answers.erase(Fake.answers.begin());
    return answer;
}

static BOOL FakeOpenFile(OPENFILENAMEA* dialog) { return Fake.openFile ? Fake.openFile(dialog) : FALSE; }
static BOOL FakeSaveFile(OPENFILENAMEA* dialog) { return Fake.saveFile ? Fake.saveFile(dialog) : FALSE; }

static bool FakeBrowse(HWND, const char* title, const char* start, char* folder, size_t size) {
    return Fake.browse ? Fake.browse(title, start, folder, size) : false;
}

static INT_PTR FakeDialog(HINSTANCE, int resourceId, HWND, DLGPROC procedure, LPARAM data) {
    return Fake.dialog ? Fake.dialog(resourceId, procedure, data) : IDCANCEL;
}

void InstallFakeModal() {
    Fake = FakeModal();
    Modal.messageBox = FakeMessageBox;
    Modal.openFileDialog = FakeOpenFile;
    Modal.saveFileDialog = FakeSaveFile;
    Modal.browseFolder = FakeBrowse;
    Modal.dialogBox = FakeDialog;
}

// A fresh, empty folder per test under the Windows temporary folder,
// ending in a backslash.
std::string TempFolder(const char* name) {
    char base[MAX_PATH];
    GetTempPathA(sizeof(base), base);
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string folder = std::string(base) + "fdtest_" + (info ? info->test_suite_name() : "x") + "_" +
                         (info ? info->name() : "x") + "_" + name + "\\";
    std::string doubleNull = folder.substr(0, folder.size() - 1);
    doubleNull.push_back('\0');
    doubleNull.push_back('\0');
    SHFILEOPSTRUCTA remove = {};
    remove.wFunc = FO_DELETE;
    remove.pFrom = doubleNull.c_str();
    remove.fFlags = FOF_NOCONFIRMATION | FOF_NOERRORUI | FOF_SILENT;
    if (GetFileAttributesA(folder.c_str()) != INVALID_FILE_ATTRIBUTES) SHFileOperationA(&remove);
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
    FILE* file = fopen(path.c_str(), "wb");
    ASSERT_NE(file, nullptr) << path;
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
}

std::string ReadFileBytes(const std::string& path) {
    FILE* file = fopen(path.c_str(), "rb");
    if (file == nullptr) return std::string();
    std::string bytes;
    char buffer[4096];
    size_t got;
    while ((got = fread(buffer, 1, sizeof(buffer), file)) > 0) bytes.append(buffer, got);
    fclose(file);
    return bytes;
}

void PumpPending() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

bool PumpUntil(const std::function<bool()>& done, int timeoutMs) {
    DWORD start = GetTickCount();
    while (!done()) {
        if (static_cast<int>(GetTickCount() - start) > timeoutMs) return false;
        PumpPending();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return true;
}

// The program's main window, created once for the whole test run, hidden.
void EnsureMainWindow() {
    if (MainWindow != nullptr) return;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    ASSERT_TRUE(RegisterMainWindowClass(instance));
    ASSERT_NE(CreateMainWindow(instance), nullptr);
}

// Empties the task list and table so each test starts from no tasks.
void ResetTasks() {
    EnsureMainWindow();
    SendMessageA(TaskListView, LVM_DELETEALLITEMS, 0, 0);
    for (short i = 0; i < TaskCount; ++i) {
        if (TaskTable[i].fileList != nullptr) DestroyWindow(TaskTable[i].fileList);
    }
    ClearTaskTable();
    RunSwitch = RunIdle;
    if (FileListWindow != nullptr) ShowWindow(FileListWindow, SW_HIDE);
    EnableWindow(MainWindow, TRUE);
}

std::string CellText(HWND list, int row, int column) {
    char buffer[PathSize];
    Lv_GetCell(list, row, column, buffer, sizeof(buffer));
    return buffer;
}

std::string StatusText(HWND bar, int part) {
    char buffer[512] = "";
    LRESULT length = SendMessageA(bar, SB_GETTEXTLENGTHA, part, 0);
    if (LOWORD(length) < sizeof(buffer)) SendMessageA(bar, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

// A new compression task made current, the way the commands make one.
short NewCompressionTask() {
    CurrentTaskIndex = TaskCount;
    short index = CreateCompressionTask("名称未設定");
    EXPECT_EQ(index, CurrentTaskIndex);
    return index;
}

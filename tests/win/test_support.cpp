#include "tests/win/test_support.h"

#include <commctrl.h>
#include <shellapi.h>
#include <gtest/gtest.h>

#include <cstdio>

#include "app/run_loop.h"
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
    Fake.dialogIds.push_back(resourceId);
    return Fake.dialog ? Fake.dialog(resourceId, procedure, data) : IDCANCEL;
}

// The dialog is hidden as a modal one would be; the test destroys it.
static void FakeEndDialog(HWND dialog, INT_PTR result) {
    Fake.endedDialogs.push_back({dialog, result});
    EndDialog(dialog, result);
}

static void FakePopupMenu(HMENU menu, int x, int y, HWND owner) {
    Fake.popups.push_back({static_cast<int>(GetMenuItemID(menu, 0)), GetMenuItemCount(menu), x, y, owner});
}

void InstallFakeModal() {
    Fake = FakeModal();
    Modal.messageBox = FakeMessageBox;
    Modal.openFileDialog = FakeOpenFile;
    Modal.saveFileDialog = FakeSaveFile;
    Modal.browseFolder = FakeBrowse;
    Modal.dialogBox = FakeDialog;
    Modal.endDialog = FakeEndDialog;
    Modal.popupMenu = FakePopupMenu;
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
}

std::string CellText(HWND list, int row, int column) {
    char buffer[PathSize];
    Lv_GetCell(list, row, column, buffer, sizeof(buffer));
    return buffer;
}

bool DialogEnded(HWND dialog) {
    for (const EndedDialog& ended : Fake.endedDialogs) {
        if (ended.dialog == dialog) return true;
    }
    return false;
}

INT_PTR DriveDialog(int resourceId, DLGPROC procedure, LPARAM data, const std::function<void(HWND)>& drive) {
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(resourceId), MainWindow, procedure,
                                     data);
    EXPECT_NE(dialog, nullptr) << "dialog " << resourceId;
    if (dialog == nullptr) return -1;
    drive(dialog);
    INT_PTR result = -1;
    for (const EndedDialog& ended : Fake.endedDialogs) {
        if (ended.dialog == dialog) result = ended.result;
    }
    DestroyWindow(dialog);
    return result;
}

void PressButton(HWND dialog, int id) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

short AddTestTask(unsigned char kind, unsigned char status, const char* name) {
    EnsureMainWindow();
    short index = AppendTaskRecord(kind, 0);
    if (index < 0) return index;
    TaskTable[index].status = status;
    int row = Lv_InsertRow(TaskListView, Lv_RowCount(TaskListView), name, TaskTable[index].id);
    Lv_SetCell(TaskListView, row, ColumnKind, kind == TaskCompression ? "圧縮" : "解凍");
    Lv_SetCell(TaskListView, row, ColumnStatus, TaskStatusLabel(status));
    return index;
}

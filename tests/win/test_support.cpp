#include "tests/win/test_support.h"

#include <commctrl.h>
#include <shellapi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include "filelist/collect.h"
#include "app/text.h"
#include "filelist/file_list_window.h"
#include "tasks/task_create.h"
#include "tasks/run_switch.h"
#include "tasks/task_rows.h"
#include "tasks/task_table.h"
#include "app/controls.h"
#include "tasks/tasklist_file.h"
#include "ui/main_window.h"
#include "app/modal.h"

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

static bool FakeBrowse(HWND owner, const char* title, const char* start, char* folder, size_t size) {
    Fake.browseOwner = owner;
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

// Removes a folder and everything below it; links are removed, not
// followed. Entries whose path reaches the folder length limit (248) stay:
// under Wine, listing or deleting below such a path worked on the current
// directory instead, and the shell's delete operation, given such a tree,
// emptied the current directory (a test run in the source tree lost its
// sources). Tests that make such trees accept that they outlive a run.
constexpr size_t TreePathLimit = 248;

static void RemoveTree(const std::wstring& folder) {
    if (folder.size() >= TreePathLimit) return;
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = folder + L"\\" + name;
            if (path.size() >= TreePathLimit) continue;
            bool directory = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
            bool link = (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (directory && !link) {
                RemoveTree(path);
            } else if (directory) {
                RemoveDirectoryW(path.c_str());
            } else {
                DeleteFileW(path.c_str());
            }
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

// A fresh, empty folder per test under the Windows temporary folder,
// ending in a backslash.
std::string TempFolder(const char* name) {
    char base[MAX_PATH];
    GetTempPathA(sizeof(base), base);
    const testing::TestInfo* info = testing::UnitTest::GetInstance()->current_test_info();
    std::string folder = std::string(base) + "fdtest_" + (info ? info->test_suite_name() : "x") + "_" +
                         (info ? info->name() : "x") + "_" + name + "\\";
    std::string bare = folder.substr(0, folder.size() - 1);
    wchar_t wide[MAX_PATH];
    int length = MultiByteToWideChar(CP_ACP, 0, bare.c_str(), -1, wide, MAX_PATH);
    if (length > 0 && GetFileAttributesA(bare.c_str()) != INVALID_FILE_ATTRIBUTES) {
        RemoveTree(wide);
    }
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

std::string ScreenPixels(HWND window, int width, int height) {
    HDC screen = GetDC(window);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
    SelectObject(memory, old);
    BITMAPINFOHEADER info = {sizeof(info), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    DWORD stride = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    std::string pixels(stride * static_cast<DWORD>(height), '\0');
    GetDIBits(memory, bitmap, 0, static_cast<UINT>(height), &pixels[0], reinterpret_cast<BITMAPINFO*>(&info),
              DIB_RGB_COLORS);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, screen);
    return pixels;
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
    ASSERT_NE(EnsureFileListWindow(), nullptr);
}

// Empties the task list and table so each test starts from no tasks.
void ResetTasks() {
    EnsureMainWindow();
    SendMessageA(TaskListView, LVM_DELETEALLITEMS, 0, 0);
    for (short i = 0; i < TaskCount; ++i) {
        if (TaskTable[i].fileList != nullptr) DestroyWindow(TaskTable[i].fileList);
    }
    ClearTaskTable();
    MarkTaskListSaved();  // an empty list as its file holds it: any task added is a change
    RunSwitch = RunIdle;
    if (FileListWindow != nullptr) ShowWindow(FileListWindow, SW_HIDE);
    EnableWindow(MainWindow, TRUE);
}

std::string CellText(HWND list, int row, int column) {
    char buffer[PathSize];
    Lv_GetCell(list, row, column, buffer, sizeof(buffer));
    return buffer;
}

// The task's name as task creation gives it: the archive's file name.
static std::string ArchiveName(const char* archivePath) {
    PathParts parts;
    SplitPath(archivePath, &parts);
    return std::string(parts.name) + parts.ext;
}

short AddTestCompressionTask(const char* archivePath, int format, const std::vector<std::string>& paths) {
    EnsureMainWindow();
    short index = AppendTask(TaskCompression, static_cast<unsigned char>(format), ArchiveName(archivePath).c_str(),
                             archivePath);
    EXPECT_GE(index, 0);
    if (index < 0) return index;
    HWND list = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_REPORT, 0, 0, 100, 100, MainWindow, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    const char* headers[] = {"ファイル／フォルダ名", "ファイルサイズ", "更新日時", "ファイルパス"};
    for (int column = 0; column < 4; ++column) Lv_AddColumn(list, column, headers[column], 100, LVCFMT_LEFT);
    for (const std::string& path : paths) {
        PathParts parts;
        SplitPath(path.c_str(), &parts);
        std::string name = std::string(parts.name) + parts.ext;
        int row = Lv_InsertRow(list, Lv_RowCount(list), name.c_str(), 0);
        Lv_SetCell(list, row, 3, path.c_str());
    }
    TaskTable[index].fileList = list;
    return index;
}

short AddTestExtractionTask(const char* archivePath, const char* destination, int mode) {
    EnsureMainWindow();
    short index = AppendTask(TaskExtraction, static_cast<unsigned char>(mode), ArchiveName(archivePath).c_str(),
                             archivePath);
    EXPECT_GE(index, 0);
    if (index < 0) return index;
    CopyText(TaskTable[index].destination, sizeof(TaskTable[index].destination), destination);
    return index;
}

// The stand-in DLLs are built next to the test program.
void InstallStandin(const std::string& folder, const char* libraryName, const char* variant) {
    char program[MAX_PATH];
    GetModuleFileNameA(nullptr, program, sizeof(program));
    const char* separator = FindLastSeparator(program);
    std::string source = std::string(program, separator ? separator + 1 - program : 0) + variant;
    ASSERT_TRUE(CopyFileA(source.c_str(), (folder + libraryName).c_str(), FALSE)) << source;
}

void WriteStandinScript(const std::string& folder, const std::string& script) {
    WriteFileBytes(folder + "standin_script.txt", script);
}

static std::string FromHex(const std::string& hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes.push_back(static_cast<char>(strtoul(hex.substr(i, 2).c_str(), nullptr, 16)));
    }
    return bytes;
}

std::vector<StandinCall> ReadStandinCalls(const std::string& folder, const char* kind) {
    std::vector<StandinCall> calls;
    std::string log = ReadFileBytes(folder + "standin_calls.txt");
    size_t start = 0;
    while (start < log.size()) {
        size_t end = log.find('\n', start);
        if (end == std::string::npos) end = log.size();
        std::vector<std::string> fields;
        size_t field = start;
        for (size_t tab; (tab = log.find('\t', field)) != std::string::npos && tab < end; field = tab + 1) {
            fields.push_back(log.substr(field, tab - field));
        }
        fields.push_back(log.substr(field, end - field));
        start = end + 1;
        if (fields.size() != 6) continue;
        StandinCall call;
        call.library = fields[0];
        call.entry = fields[1];
        call.kind = fields[2];
        call.owner = reinterpret_cast<HWND>(static_cast<UINT_PTR>(strtoull(fields[3].c_str(), nullptr, 16)));
        call.argument = fields[4];
        call.listFile = fields[5] == "missing" ? "missing" : FromHex(fields[5]);
        if (kind == nullptr || call.kind == kind) calls.push_back(call);
    }
    return calls;
}

std::vector<std::string> TempResponseFiles() {
    char base[MAX_PATH];
    GetTempPathA(sizeof(base), base);
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((std::string(base) + "far*.tmp").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        names.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

static std::vector<std::function<void()>> PendingCallbacks;

static LRESULT CALLBACK CallbackWindowProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message != WM_APP) return DefWindowProcA(window, message, wp, lp);
    std::vector<std::function<void()>> callbacks;
    callbacks.swap(PendingCallbacks);
    for (auto& callback : callbacks) callback();
    return 0;
}

// A message-only window: its posted messages are dispatched by any pump of
// the thread, the one inside a library in background mode included.
void PostTestCallback(std::function<void()> callback) {
    static HWND window = nullptr;
    if (window == nullptr) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = CallbackWindowProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "fardelix_test_callback";
        RegisterClassA(&windowClass);
        window = CreateWindowExA(0, windowClass.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                 windowClass.hInstance, nullptr);
    }
    PendingCallbacks.push_back(std::move(callback));
    PostMessageA(window, WM_APP, 0, 0);
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
    short index = AppendTask(kind, 0, name, "");
    if (index >= 0) SetTaskStatus(index, status);
    return index;
}

std::string StatusText(HWND bar, int part) {
    char buffer[512] = "";
    LRESULT length = SendMessageA(bar, SB_GETTEXTLENGTHA, part, 0);
    if (LOWORD(length) < sizeof(buffer)) SendMessageA(bar, SB_GETTEXTA, part, reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

// A new compression task made current, the way the commands make one, but
// with its window left hidden.
short NewCompressionTask() {
    short index = CreateCompressionTask("名称未設定", FileListWindow);
    EXPECT_GE(index, 0);
    CurrentTaskIndex = index;
    SetArchivePathField("");
    RefreshFileListTotals();
    RefreshFileSelectionCount();
    return index;
}

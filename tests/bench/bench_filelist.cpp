// The program's side of the file-list benchmark: the real main window and
// file-list window, created and shown as at start-up and served by the
// program's own message loop on a thread of their own, while this thread
// posts commands to them as the menus would and times each one from the
// post until the program has handled every message and painted. Only the
// modal windows are answered here: the folder browser, the open dialog of
// a task list file and the questions.
//
// Arguments: "folder=<path>" times the open-folder command on the folder,
// then the refresh command on the rows it added, then the commands on many
// rows of the file-list window: select all, invert, move up and down (every
// row but one selected), sorting by a column and deleting (every row but
// one, then every row of a second filling); "tasklist=<path>" times loading
// the task list file; "tasks=<path>" loads the task list file and times the
// main window's commands on its rows: select all, invert, move up and down,
// sorting, deleting the Done tasks (every other one is made Done first),
// deleting the selected ones and clearing the list (the new-list command).
// "rounds=<n>" sets the rounds of the jobs after it (the best round counts).
// Prints lines "program <what> <rows> <ms> <floor>", floor "rows" for the
// file-list window (one list of as many rows) and "tasks" for the main
// window (the task list's rows with their own file lists).
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "app/controls.h"
#include "app/instance.h"
#include "app/modal.h"
#include "app/text.h"
#include "filelist/file_list_window.h"
#include "filelist/list_text.h"
#include "program/run_loop.h"
#include "resources/resource.h"
#include "tasks/number_text.h"
#include "tasks/task_files.h"
#include "tasks/task_rows.h"
#include "tasks/task_table.h"
#include "ui/main_commands.h"
#include "ui/main_window.h"

namespace {

char Answer[DialogPathSize];
HANDLE ProgramReady = nullptr;
DWORD ProgramThreadId = 0;

// A changed list is not saved before it is replaced.
int AnswerBox(HWND, const char* text, const char*, UINT type) {
    if ((type & MB_ICONQUESTION) == 0) fprintf(stderr, "message: %s\n", text);
    return (type & MB_TYPEMASK) == MB_YESNOCANCEL ? IDNO : IDOK;
}

// Set-up steps that must run on the program's thread (changing statuses)
// arrive through a message the main window is subclassed for.
constexpr UINT RunHereMessage = WM_APP + 29;
WNDPROC MainProcedure = nullptr;

LRESULT CALLBACK BenchMainProc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
    if (message == RunHereMessage) {
        (*reinterpret_cast<void (*)()>(lp))();
        return 0;
    }
    return CallWindowProcA(MainProcedure, window, message, wp, lp);
}

void OnProgramThread(void (*step)()) { SendMessageA(MainWindow, RunHereMessage, 0, reinterpret_cast<LPARAM>(step)); }

bool AnswerFolder(HWND, const char*, const char*, char* folder, size_t size) { return CopyText(folder, size, Answer); }

BOOL AnswerOpen(OPENFILENAMEA* dialog) {
    if (!CopyText(dialog->lpstrFile, dialog->nMaxFile, Answer)) return FALSE;
    const char* name = strrchr(Answer, '\\');  // the bench's own ASCII paths
    dialog->nFileOffset = static_cast<WORD>(name != nullptr ? name - Answer + 1 : 0);
    return TRUE;
}

// As WinMain does it, without the search for a running instance.
DWORD WINAPI ProgramThread(void*) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!RegisterMainWindowClass(instance) || CreateMainWindow(instance) == nullptr) {
        SetEvent(ProgramReady);
        return 1;
    }
    ProgramKeys keys;
    LoadProgramKeys(instance, &keys);
    ShowWindow(MainWindow, SW_SHOWNORMAL);
    UpdateWindow(MainWindow);
    SetEvent(ProgramReady);
    int exitCode = RunMessageLoop(&keys);
    FreeProgramKeys(&keys);
    return static_cast<DWORD>(exitCode);
}

double Milliseconds(const LARGE_INTEGER& start) {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(now.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Returns once the program's thread has taken a message from its queue,
// that is, once whatever it was doing has ended or pumps messages.
void ReachLoop() {
    DWORD_PTR result = 0;
    SendMessageTimeoutA(MainWindow, WM_NULL, 0, 0, SMTO_NORMAL, 3600 * 1000, &result);
}

BOOL CALLBACK NoteUpdate(HWND window, LPARAM pending) {
    if (IsWindowVisible(window) && GetUpdateRect(window, nullptr, FALSE)) *reinterpret_cast<bool*>(pending) = true;
    return TRUE;
}

// A hidden window's children paint nothing: the file lists of thousands of
// tasks in the hidden file-list window are not asked one by one.
BOOL CALLBACK NoteTopUpdate(HWND window, LPARAM pending) {
    if (!IsWindowVisible(window)) return TRUE;
    NoteUpdate(window, pending);
    EnumChildWindows(window, NoteUpdate, pending);
    return TRUE;
}

bool PaintPending() {
    bool pending = false;
    EnumThreadWindows(ProgramThreadId, NoteTopUpdate, reinterpret_cast<LPARAM>(&pending));
    return pending;
}

// Until every message is handled and no window of the program has anything
// left to paint; the last round trip lets a paint in progress end.
void Settle() {
    for (;;) {
        ReachLoop();
        if (!PaintPending()) break;
        Sleep(1);
    }
    ReachLoop();
}

template <typename Done>
void WaitUntil(Done done) {
    for (;;) {
        ReachLoop();
        if (done()) break;
        Sleep(2);
    }
    Settle();
}

void Post(HWND window, int command) { PostMessageA(window, WM_COMMAND, MAKEWPARAM(command, 0), 0); }

std::string StatusText() {
    char text[256] = "";
    if (SendMessageA(FileListStatusBar, SB_GETTEXTLENGTHA, 0, 0) < static_cast<LRESULT>(sizeof(text))) {
        SendMessageA(FileListStatusBar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(text));
    }
    return text;
}

bool ShowsTotalsOf(size_t rows) {
    char count[NumberTextSize];
    FormatThousands(static_cast<uint32_t>(rows), count, sizeof(count));
    std::string expected = std::string("  ファイル数 = ") + count + "  ";
    return StatusText().compare(0, expected.size(), expected) == 0;
}

size_t CountEntries(const std::string& folder) {
    size_t count = 0;
    WIN32_FIND_DATAA entry;
    HANDLE find = FindFirstFileA((folder + "\\*.*").c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) return 0;
    do {
        if (strcmp(entry.cFileName, ".") != 0 && strcmp(entry.cFileName, "..") != 0) ++count;
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return count;
}

size_t ListRows() {
    HWND list = CurrentFileList();
    return list != nullptr ? static_cast<size_t>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0)) : 0;
}

// Waits for the command itself: a message sent to the program's thread is
// handled before the posted command, so settling alone could return first,
// and a next round timing a load would find the last round's list name.
void NewList() {
    Post(MainWindow, IDM_NEW_LIST);
    WaitUntil([] { return TaskCount == 0 && strcmp(CurrentListName, "NewTaskList") == 0; });
}

// A new compression task with its file-list window shown, as the new-archive
// command opens it.
void OpenNewTask() {
    NewList();
    Post(MainWindow, IDM_NEW_ARCHIVE);
    WaitUntil([] { return FileListWindow != nullptr && IsWindowVisible(FileListWindow) && CurrentFileList() != nullptr; });
}

struct FolderTimes {
    double open;
    double refresh;
};

FolderTimes TimeFolder(const std::string& folder, size_t entries) {
    OpenNewTask();
    CopyText(Answer, sizeof(Answer), folder.c_str());
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    Post(FileListWindow, IDM_OPEN_FOLDER);
    WaitUntil([entries] { return ListRows() == entries && ShowsTotalsOf(entries); });
    FolderTimes times = {Milliseconds(start), 0};
    // The totals line is cleared first, so its return marks the refresh's end.
    SendMessageA(FileListStatusBar, SB_SETTEXTA, 0, reinterpret_cast<LPARAM>(""));
    QueryPerformanceCounter(&start);
    Post(FileListWindow, IDM_REFRESH);
    WaitUntil([entries] { return ShowsTotalsOf(entries); });
    times.refresh = Milliseconds(start);
    Post(FileListWindow, IDM_CLOSE);
    Settle();
    return times;
}

// A command sent as the menus send it: it has ended when the send returns
// (long work handles the messages sent meanwhile); then the windows paint.
double TimeCommand(HWND window, int command) {
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    SendMessageA(window, WM_COMMAND, MAKEWPARAM(command, 0), 0);
    Settle();
    return Milliseconds(start);
}

// A click on a column header, as the list reports it to its window.
double TimeColumnClick(HWND window, HWND list, int id, int column) {
    NMLISTVIEW click = {};
    click.hdr.hwndFrom = list;
    click.hdr.idFrom = static_cast<UINT_PTR>(id);
    click.hdr.code = LVN_COLUMNCLICK;
    click.iItem = -1;
    click.iSubItem = column;
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    SendMessageA(window, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&click));
    Settle();
    return Milliseconds(start);
}

void Deselect(HWND list, int row) {
    LVITEMA item = {};
    item.stateMask = LVIS_SELECTED;
    SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

int Selected(HWND list) { return static_cast<int>(SendMessageA(list, LVM_GETSELECTEDCOUNT, 0, 0)); }

// The best time of each step over the rounds, in the order first timed.
struct Times {
    std::vector<std::pair<std::string, double>> best;
    void Note(const std::string& what, double ms) {
        for (auto& entry : best) {
            if (entry.first == what) {
                entry.second = std::min(entry.second, ms);
                return;
            }
        }
        best.emplace_back(what, ms);
    }
};

bool Check(bool condition, const char* what) {
    if (!condition) fprintf(stderr, "bench: unexpected state after %s\n", what);
    return condition;
}

// The file-list window's commands on the rows of a folder.
void TimeFileListCommands(const std::string& folder, size_t entries, Times* times) {
    int rows = static_cast<int>(entries);
    OpenNewTask();
    CopyText(Answer, sizeof(Answer), folder.c_str());
    times->Note("folder", TimeCommand(FileListWindow, IDM_OPEN_FOLDER));
    HWND list = CurrentFileList();
    Check(ListRows() == entries && ShowsTotalsOf(entries), "open folder");
    times->Note("refresh", TimeCommand(FileListWindow, IDM_REFRESH));
    times->Note("select-all", TimeCommand(FileListWindow, IDM_SELECT_ALL));
    Check(Selected(list) == rows, "select all");
    times->Note("invert", TimeCommand(FileListWindow, IDM_INVERT));
    Check(Selected(list) == 0, "invert");
    TimeCommand(FileListWindow, IDM_SELECT_ALL);
    Deselect(list, 0);
    times->Note("move-up", TimeCommand(FileListWindow, IDM_MOVE_UP));
    Check(Selected(list) == rows - 1 && !(SendMessageA(list, LVM_GETITEMSTATE, rows - 1, LVIS_SELECTED) & LVIS_SELECTED),
          "move up");
    times->Note("move-down", TimeCommand(FileListWindow, IDM_MOVE_DOWN));
    times->Note("sort", TimeColumnClick(FileListWindow, list, IDC_FILELIST, FileColumnSize));
    times->Note("delete", TimeCommand(FileListWindow, IDM_DELETE));
    Check(ListRows() == 1 && ShowsTotalsOf(1), "delete");
    Post(FileListWindow, IDM_CLOSE);
    Settle();
    // A second filling, every row of it deleted.
    OpenNewTask();
    times->Note("folder", TimeCommand(FileListWindow, IDM_OPEN_FOLDER));
    TimeCommand(FileListWindow, IDM_SELECT_ALL);
    times->Note("delete-all", TimeCommand(FileListWindow, IDM_DELETE));
    Check(ListRows() == 0 && ShowsTotalsOf(0), "delete all");
    Post(FileListWindow, IDM_CLOSE);
    Settle();
}

void MakeEveryOtherTaskDone() {
    int rows = Lv_RowCount(TaskListView);
    for (int row = 0; row < rows; row += 2) SetTaskStatus(RowToTaskIndex(row), Done);
}

void LoadTasks(const std::string& file) {
    NewList();
    CopyText(Answer, sizeof(Answer), file.c_str());
    Post(MainWindow, IDM_OPEN_LIST);
    WaitUntil([&file] { return strcmp(CurrentListName, file.c_str()) == 0; });
}

// The open command on a task list file, from a new list; *tasks: the rows
// it made.
double TimeTaskList(const std::string& file, int* tasks) {
    NewList();
    CopyText(Answer, sizeof(Answer), file.c_str());
    LARGE_INTEGER start;
    QueryPerformanceCounter(&start);
    Post(MainWindow, IDM_OPEN_LIST);
    WaitUntil([&file] { return strcmp(CurrentListName, file.c_str()) == 0; });
    double elapsed = Milliseconds(start);
    *tasks = Lv_RowCount(TaskListView);
    return elapsed;
}

// The main window's commands on the rows of a loaded task list.
void TimeTaskCommands(const std::string& file, int* tasks, Times* times) {
    times->Note("load", TimeTaskList(file, tasks));
    int rows = *tasks;
    times->Note("select-all", TimeCommand(MainWindow, IDM_SELECT_ALL));
    Check(Selected(TaskListView) == rows, "select all");
    times->Note("invert", TimeCommand(MainWindow, IDM_INVERT));
    TimeCommand(MainWindow, IDM_SELECT_ALL);
    Deselect(TaskListView, 0);
    times->Note("move-up", TimeCommand(MainWindow, IDM_MOVE_UP));
    times->Note("move-down", TimeCommand(MainWindow, IDM_MOVE_DOWN));
    times->Note("sort", TimeColumnClick(MainWindow, TaskListView, IDC_TASKLIST, 0));
    OnProgramThread(MakeEveryOtherTaskDone);
    Settle();
    times->Note("delete-done", TimeCommand(MainWindow, IDM_DELETE_DONE));
    Check(Lv_RowCount(TaskListView) == rows - (rows + 1) / 2, "delete done");
    times->Note("delete", TimeCommand(MainWindow, IDM_DELETE));
    Check(Lv_RowCount(TaskListView) <= 1, "delete");
    LoadTasks(file);
    times->Note("clear", TimeCommand(MainWindow, IDM_NEW_LIST));
    Check(Lv_RowCount(TaskListView) == 0 && TaskCount == 0, "clear");
}

}  // namespace

int main(int argc, char** argv) {
    Modal.messageBox = AnswerBox;
    Modal.browseFolder = AnswerFolder;
    Modal.openFileDialog = AnswerOpen;
    ProgramReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, ProgramThread, nullptr, 0, &ProgramThreadId);
    WaitForSingleObject(ProgramReady, INFINITE);
    if (MainWindow == nullptr) return 1;
    MainProcedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(MainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(BenchMainProc)));
    Settle();
    int rounds = 3;
    for (int i = 1; i < argc; ++i) {
        std::string argument = argv[i];
        size_t equals = argument.find('=');
        std::string key = argument.substr(0, equals);
        std::string value = equals == std::string::npos ? std::string() : argument.substr(equals + 1);
        if (key == "rounds") {
            rounds = std::max(1, atoi(value.c_str()));
        } else if (key == "folder") {
            size_t entries = CountEntries(value);
            FolderTimes best = {1e30, 1e30};
            for (int round = 0; round < rounds; ++round) {
                FolderTimes times = TimeFolder(value, entries);
                best.open = std::min(best.open, times.open);
                best.refresh = std::min(best.refresh, times.refresh);
            }
            printf("program folder %zu %.0f rows\n", entries, best.open);
            printf("program refresh %zu %.0f rows\n", entries, best.refresh);
        } else if (key == "rows") {
            size_t entries = CountEntries(value);
            Times times;
            for (int round = 0; round < rounds; ++round) TimeFileListCommands(value, entries, &times);
            for (const auto& entry : times.best) printf("program %s %zu %.0f rows\n", entry.first.c_str(), entries, entry.second);
        } else if (key == "tasks") {
            Times times;
            int tasks = 0;
            for (int round = 0; round < rounds; ++round) TimeTaskCommands(value, &tasks, &times);
            for (const auto& entry : times.best) printf("program task-%s %d %.0f tasks\n", entry.first.c_str(), tasks, entry.second);
        } else if (key == "tasklist") {
            double best = 1e30;
            int tasks = 0;
            for (int round = 0; round < rounds; ++round) best = std::min(best, TimeTaskList(value, &tasks));
            printf("program tasklist %d %.0f tasks\n", tasks, best);
        }
        fflush(stdout);
    }
    NewList();
    PostMessageA(MainWindow, WM_CLOSE, 0, 0);
    WaitForSingleObject(thread, 60 * 1000);
    return 0;
}

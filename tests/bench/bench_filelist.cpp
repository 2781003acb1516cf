// The program's side of the file-list benchmark: the real main window and
// file-list window, created and shown as at start-up and served by the
// program's own message loop on a thread of their own, while this thread
// posts commands to them as the menus would and times each one from the
// post until the program has handled every message and painted. Only the
// modal windows are answered here: the folder browser, the open dialog of
// a task list file and the questions.
//
// Arguments: "folder=<path>" times the open-folder command on the folder,
// then the refresh command on the rows it added; "tasklist=<path>" times
// loading the task list file. "rounds=<n>" sets the rounds of the jobs after
// it (the best round is printed). Prints lines "program <what> <entries> <ms>".
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/controls.h"
#include "app/instance.h"
#include "app/modal.h"
#include "app/text.h"
#include "filelist/file_list_window.h"
#include "filelist/list_text.h"
#include "program/run_loop.h"
#include "resources/resource.h"
#include "tasks/number_text.h"
#include "tasks/task_table.h"
#include "ui/main_commands.h"
#include "ui/main_window.h"

namespace {

char Answer[DialogPathSize];
HANDLE ProgramReady = nullptr;
DWORD ProgramThreadId = 0;

int AnswerBox(HWND, const char* text, const char*, UINT type) {
    if ((type & MB_ICONQUESTION) == 0) fprintf(stderr, "message: %s\n", text);
    return IDOK;
}

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

BOOL CALLBACK NoteTopUpdate(HWND window, LPARAM pending) {
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

void NewList() {
    Post(MainWindow, IDM_NEW_LIST);
    Settle();
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

}  // namespace

int main(int argc, char** argv) {
    Modal.messageBox = AnswerBox;
    Modal.browseFolder = AnswerFolder;
    Modal.openFileDialog = AnswerOpen;
    ProgramReady = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    HANDLE thread = CreateThread(nullptr, 0, ProgramThread, nullptr, 0, &ProgramThreadId);
    WaitForSingleObject(ProgramReady, INFINITE);
    if (MainWindow == nullptr) return 1;
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
            printf("program folder %zu %.0f\n", entries, best.open);
            printf("program refresh %zu %.0f\n", entries, best.refresh);
        } else if (key == "tasklist") {
            double best = 1e30;
            int tasks = 0;
            for (int round = 0; round < rounds; ++round) best = std::min(best, TimeTaskList(value, &tasks));
            printf("program tasklist %d %.0f\n", tasks, best);
        }
        fflush(stdout);
    }
    NewList();
    PostMessageA(MainWindow, WM_CLOSE, 0, 0);
    WaitForSingleObject(thread, 60 * 1000);
    return 0;
}

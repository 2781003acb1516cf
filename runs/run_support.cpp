#include "runs/run_support.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "app/instance.h"
#include "app/modal.h"
#include "app/unattended.h"
#include "archivelib/api/fdarc.h"
#include "archivers/run_text.h"
#include "settings/settings.h"
#include "tasks/run_switch.h"
#include "tasks/task_status.h"
#include "tasks/task_rows.h"
#include "tasks/task_table.h"

// A failed task keeps why it failed, whatever DefError says; the message
// box shows it only when the user asked for messages. The queue goes on
// either way.
static void NoteRunFailureV(uint32_t id, const char* format, va_list args) {
    if (format == nullptr) return;
    char text[TaskReasonSize];
    vsnprintf(text, sizeof(text), format, args);
    SetTaskReason(FindTaskById(id), text);
    if (Settings.DefError == 1 && MainWindow != nullptr) ShowErrorMessage(MainWindow, "%s", text);
}

void NoteRunFailure(uint32_t id, const char* format, ...) {
    va_list args;
    va_start(args, format);
    NoteRunFailureV(id, format, args);
    va_end(args);
}

// The end of every run: the library is released before anything else, so
// no message box waits with it loaded; the status goes to a task that still
// exists.
void EndRunWith(uint32_t id, ArchiverLibrary* library, int status) {
    ReleaseArchiverLibrary(library);
    SetStatusById(id, status);
    StatusCountsChanged();
}

// Ends a run as Error, with its message when messages are on (format null:
// none).
void FailRun(uint32_t id, ArchiverLibrary* library, const char* format, ...) {
    ReleaseArchiverLibrary(library);
    va_list args;
    va_start(args, format);
    NoteRunFailureV(id, format, args);
    va_end(args);
    EndRunWith(id, library, Error);
}

// A library that could not be loaded is named with where it can go.
void FailNotLoaded(uint32_t id, ArchiverLibrary* library, const char* libraryName) {
    char text[TaskReasonSize];
    FormatLibraryNotLoaded(text, sizeof(text), libraryName);
    FailRun(id, library, "%s", text);
}

// A library call that returned a failure code: the code and its meaning.
void FailWithResult(uint32_t id, ArchiverLibrary* library, const char* libraryName, int result) {
    char text[TaskReasonSize];
    FormatLibraryFailure(text, sizeof(text), libraryName, result);
    FailRun(id, library, "%s", text);
}

// Ends a run as Error for an entry the library does not export; the
// suffix names it ("" the main entry).
void FailMissingEntry(uint32_t id, ArchiverLibrary* library, const char* libraryName, const char* suffix) {
    char text[MissingEntryTextSize];
    FormatMissingEntry(text, sizeof(text), libraryName, library->prefix, suffix);
    FailRun(id, library, "%s", text);
}

// ---- Keys during a library call ----

static HHOOK CallKeyHook = nullptr;

static bool IsKeyMessage(UINT message) { return message == WM_KEYDOWN || message == WM_SYSKEYDOWN; }

// A library that dispatches messages during its call takes them with its
// own loop, which knows nothing of the program's accelerators: each message
// it removes passes here first. A key meant for one of the program's windows
// becomes its command, and the message itself becomes WM_NULL so the
// library's loop does not act on it a second time.
static LRESULT CALLBACK TranslateProgramKeys(int code, WPARAM wp, LPARAM lp) {
    if (code == HC_ACTION && wp == PM_REMOVE) {
        MSG* msg = reinterpret_cast<MSG*>(lp);
        // Keys go to the focus, inside the active window: the command goes
        // to the top-level window holding it, as the message loop does.
        HWND root = msg->hwnd != nullptr ? GetAncestor(msg->hwnd, GA_ROOT) : nullptr;
        HACCEL table = IsKeyMessage(msg->message) && IsProgramWindow(root) ? ProgramAcceleratorsFor(root) : nullptr;
        if (table != nullptr && TranslateAcceleratorA(root, table, msg)) {
            msg->message = WM_NULL;
        }
    }
    return CallNextHookEx(CallKeyHook, code, wp, lp);
}

// The hook lives exactly as long as the library call; a nested call (a
// command run from the hook) keeps the outer one's.
static bool HookProgramKeys() {
    if (CallKeyHook != nullptr) return false;
    CallKeyHook = SetWindowsHookExA(WH_GETMESSAGE, TranslateProgramKeys, nullptr, GetCurrentThreadId());
    return CallKeyHook != nullptr;
}

static void UnhookProgramKeys(bool installed) {
    if (!installed) return;
    UnhookWindowsHookEx(CallKeyHook);
    CallKeyHook = nullptr;
}

// ---- Progress and cancel through the library's callback ----

// The call in progress, as the callback sees it: the task it runs for, and
// when its status cell was last written.
struct CallProgress {
    uint32_t id;
    DWORD shownAt;
};
static CallProgress Progress = {};

constexpr DWORD ProgressInterval = 250;   // ms between status cell updates

// A library that works without dispatching messages would freeze the
// windows, and the stop command could never arrive: the callback lets the
// pending messages through (the key hook translates them). A quit message
// is put back for the message loop; the window's destruction that posted it
// has cancelled the call already.
static void PumpDuringCall() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

// "実行 42%": percent of the call's bytes, 0 while the total is unknown.
static void ShowProgress(const ArchiverProgress& progress) {
    short index = FindTaskById(Progress.id);
    if (index < 0 || TaskTable[index].status != Running) return;
    ULONGLONG percent = progress.bytesTotal == 0 ? 0 : progress.bytesDone * 100 / progress.bytesTotal;
    if (percent > 100) percent = 100;
    char text[32];
    FormatText(text, sizeof(text), "%s %u%%", TaskStatusLabel(Running), static_cast<unsigned>(percent));
    SetTaskCell(index, ColumnStatus, text);
    // Terminated here even if the library did not.
    char name[ARC_PROGRESS_NAME_SIZE];
    memcpy(name, progress.fileName, sizeof(name) - 1);
    name[sizeof(name) - 1] = '\0';
    if (name[0] != '\0') RunFileChanged(name);
}

// FALSE asks the library to cancel: the user stopped the task, or the main
// window is gone.
static BOOL WINAPI OnLibraryProgress(HWND, UINT state, ArchiverProgress* progress) {
    PumpDuringCall();
    DWORD now = GetTickCount();
    bool due = state != ARC_PROGRESS_FILE || now - Progress.shownAt >= ProgressInterval;
    if (progress != nullptr && due) {
        Progress.shownAt = now;
        ShowProgress(*progress);
    }
    bool cancel = RunCancelRequested() || MainWindow == nullptr || FindTaskById(Progress.id) < 0;
    return cancel ? FALSE : TRUE;
}

// Registered for the call's duration only, when the library exports it.
static bool RegisterProgress(ArchiverLibrary* library, uint32_t id) {
    if (library->setOwnerWindowEx == nullptr) return false;
    Progress = {};
    Progress.id = id;
    Progress.shownAt = GetTickCount();
    return library->setOwnerWindowEx(MainWindow, OnLibraryProgress) != FALSE;
}

static void UnregisterProgress(ArchiverLibrary* library, bool registered) {
    if (!registered) return;
    if (library->killOwnerWindowEx != nullptr) library->killOwnerWindowEx(MainWindow);
    RunFileChanged(nullptr);
}

// ---- The overwrite question in a job without a person ----

using SetOverwriteQuestionEntry = FdarcOverwriteQuestion(WINAPI*)(FdarcOverwriteQuestion question);

static int WINAPI OverwriteForJob(HWND, LPCSTR) { return IDYES; }

// Each file left as it was is named in the job's log.
static int WINAPI SkipForJob(HWND, LPCSTR path) {
    WriteJobLog("スキップ\t%s", path != nullptr ? path : "");
    return IDNO;
}

// The question a library asks before it overwrites a file (with the
// switches that do not overwrite, and tar's, which has none) is answered
// by the job's rule through the library's question entry, so no box waits
// for a person. Put back after the call; nothing outside a job.
struct JobQuestion {
    SetOverwriteQuestionEntry set;
    FdarcOverwriteQuestion previous;
};

static JobQuestion AnswerQuestionForJob(const ArchiverLibrary& library) {
    JobQuestion question = {nullptr, nullptr};
    if (!UnattendedJobRunning() || library.module == nullptr) return question;
    question.set = reinterpret_cast<SetOverwriteQuestionEntry>(
        reinterpret_cast<void*>(GetProcAddress(library.module, "FdarcSetOverwriteQuestion")));
    if (question.set != nullptr) {
        question.previous = question.set(UnattendedJobOverwrites() ? OverwriteForJob : SkipForJob);
    }
    return question;
}

static void PutBackQuestion(const JobQuestion& question) {
    if (question.set != nullptr) question.set(question.previous);
}

// The run switch reads 2 exactly while the library works, so a start command
// dispatched by the library only marks tasks Waiting; afterwards it is
// recomputed from the statuses, whatever the result. *cancelled is true
// when the library had the callback and the user stopped the task; the run
// ends as Stopped unless the library ignored the cancel and finished.
int CallArchiverMain(ArchiverLibrary* library, uint32_t id, HWND owner, const char* commandLine, bool* cancelled) {
    static char output[ArchiverOutputSize];
    ZeroMemory(output, sizeof(output));
    EnterLibraryCall();
    bool hooked = HookProgramKeys();
    bool registered = RegisterProgress(library, id);
    JobQuestion question = AnswerQuestionForJob(*library);
    int result = library->main(owner, commandLine, output, ArchiverOutputSize);
    PutBackQuestion(question);
    UnregisterProgress(library, registered);
    UnhookProgramKeys(hooked);
    *cancelled = registered && RunCancelRequested();
    RecomputeRunSwitch();
    // The main window was closed during the call: a library that dispatched
    // messages may have swallowed the quit message its destruction posted,
    // and the loop would then wait for ever without a window.
    if (MainWindow == nullptr) PostQuitMessage(0);
    return result;
}

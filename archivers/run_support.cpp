#include "archivers/run_support.h"

#include <cstdarg>
#include <cstdio>

#include "app/run_loop.h"
#include "settings/settings.h"
#include "tasks/task_table.h"
#include "ui/controls.h"
#include "ui/main_window.h"
#include "ui/modal.h"

// A library in background mode dispatches the thread's messages while it
// works, and a message box does the same: commands may add, delete or move
// tasks meanwhile. The runs therefore keep a task's id, never its index or
// record, across such calls and look it up again afterwards. -1: it is gone,
// or the main window was closed meanwhile and took the task rows with it.
short FindTaskById(uint32_t id) {
    if (MainWindow == nullptr) return -1;
    for (short i = 0; i < TaskCount; ++i) {
        if (TaskTable[i].id == id) return i;
    }
    return -1;
}

// A task deleted in the meantime has no status left to set.
void SetStatusById(uint32_t id, int status) {
    short index = FindTaskById(id);
    if (index >= 0) SetTaskStatus(index, status);
}

static void ReportRunFailureV(const char* format, va_list args) {
    if (Settings.DefError != 1 || format == nullptr || MainWindow == nullptr) return;
    char text[4 * MessageTextSize];
    vsnprintf(text, sizeof(text), format, args);
    ShowErrorMessage(MainWindow, "%s", text);
}

// Runs show their failures only when the user asked for messages; the queue
// goes on either way.
void ReportRunFailure(const char* format, ...) {
    va_list args;
    va_start(args, format);
    ReportRunFailureV(format, args);
    va_end(args);
}

// The end of every run: the library is released before anything else, so
// no message box waits with it loaded; the status goes to a task that still
// exists.
void EndRunWith(uint32_t id, ArchiverLibrary* library, int status) {
    ReleaseArchiverLibrary(library);
    SetStatusById(id, status);
    RefreshStatusBar();
}

// Ends a run as Error, with its message when messages are on (format null:
// none).
void FailRun(uint32_t id, ArchiverLibrary* library, const char* format, ...) {
    ReleaseArchiverLibrary(library);
    va_list args;
    va_start(args, format);
    ReportRunFailureV(format, args);
    va_end(args);
    EndRunWith(id, library, Error);
}

void ReadTaskArchivePath(int row, char* path, size_t size) {
    Lv_GetCell(TaskListView, row, ColumnPath, path, static_cast<int>(size));
}

void RecomputeRunSwitch() {
    RunSwitch = RunIdle;
    if (AnyTaskWaiting()) RunSwitch = RunOn;
}

// The run switch reads 2 exactly while the library works, so a start command
// dispatched by the library only marks tasks Waiting; afterwards it is
// recomputed from the statuses, whatever the result.
int CallArchiverMain(ArchiverMainEntry entry, HWND owner, const char* commandLine) {
    static char output[ArchiverOutputSize];
    ZeroMemory(output, sizeof(output));
    RunSwitch = RunInLibrary;
    int result = entry(owner, commandLine, output, ArchiverOutputSize);
    RecomputeRunSwitch();
    // The main window was closed during the call: a library that dispatched
    // messages may have swallowed the quit message its destruction posted,
    // and the loop would then wait for ever without a window.
    if (MainWindow == nullptr) PostQuitMessage(0);
    return result;
}

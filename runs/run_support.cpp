#include "runs/run_support.h"

#include <cstdarg>
#include <cstdio>

#include "app/instance.h"
#include "app/modal.h"
#include "archivers/run_text.h"
#include "settings/settings.h"
#include "tasks/run_switch.h"
#include "tasks/task_rows.h"
#include "tasks/task_table.h"

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
    StatusCountsChanged();
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

// Ends a run as Error for an entry the library does not export; the
// suffix names it ("" the main entry).
void FailMissingEntry(uint32_t id, ArchiverLibrary* library, const char* libraryName, const char* suffix) {
    char text[MissingEntryTextSize];
    FormatMissingEntry(text, sizeof(text), libraryName, library->prefix, suffix);
    FailRun(id, library, "%s", text);
}

// The run switch reads 2 exactly while the library works, so a start command
// dispatched by the library only marks tasks Waiting; afterwards it is
// recomputed from the statuses, whatever the result.
int CallArchiverMain(ArchiverMainEntry entry, HWND owner, const char* commandLine) {
    static char output[ArchiverOutputSize];
    ZeroMemory(output, sizeof(output));
    EnterLibraryCall();
    int result = entry(owner, commandLine, output, ArchiverOutputSize);
    RecomputeRunSwitch();
    // The main window was closed during the call: a library that dispatched
    // messages may have swallowed the quit message its destruction posted,
    // and the loop would then wait for ever without a window.
    if (MainWindow == nullptr) PostQuitMessage(0);
    return result;
}

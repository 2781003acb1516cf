#include "app/unattended.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

#include "app/log_line.h"
#include "app/modal.h"

struct UnattendedJob {
    bool running;
    bool overwriteExisting;
    HANDLE log;          // INVALID_HANDLE_VALUE without a log
    ModalUi person;      // the modal windows of an interactive start, put back at the end
};
static UnattendedJob Job = {false, false, INVALID_HANDLE_VALUE, {}};

// Writes one line at the end of the log, at once: a job that is killed
// keeps what it wrote. Nothing without a log.
bool WriteJobLog(const char* format, ...) {
    if (Job.log == INVALID_HANDLE_VALUE) return false;
    char text[LogLineSize];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    SYSTEMTIME now;
    GetLocalTime(&now);
    LogTime time = {now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute, now.wSecond};
    char line[LogLineSize];
    FormatLogLine(line, sizeof(line), time, text);
    DWORD length = static_cast<DWORD>(strlen(line));
    DWORD written = 0;
    return WriteFile(Job.log, line, length, &written, nullptr) && written == length;
}

// The answer that changes nothing: Cancel where the box has it, else No,
// else OK.
static int AnswerLeavingThingsAsTheyAre(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OK:               return IDOK;
    case MB_YESNO:            return IDNO;
    case MB_ABORTRETRYIGNORE: return IDABORT;
    }
    return IDCANCEL;
}

// Nobody is there to read a box: its text goes to the log.
static int JobMessageBox(HWND, const char* text, const char* caption, UINT type) {
    WriteJobLog("メッセージ\t%s: %s", caption != nullptr ? caption : "", text != nullptr ? text : "");
    return AnswerLeavingThingsAsTheyAre(type);
}

static BOOL JobFileDialog(OPENFILENAMEA*) { return FALSE; }

static bool JobBrowseFolder(HWND, const char*, const char*, char*, size_t) { return false; }

static INT_PTR JobDialogBox(HINSTANCE, int resourceId, HWND, DLGPROC, LPARAM) {
    WriteJobLog("メッセージ\tダイアログ %d は表示されませんでした", resourceId);
    return IDCANCEL;
}

static void JobEndDialog(HWND dialog, INT_PTR result) { EndDialog(dialog, result); }

static void JobPopupMenu(HMENU, int, int, HWND) {}

static const ModalUi JobModalUi = {JobMessageBox, JobFileDialog, JobFileDialog, JobBrowseFolder,
                                   JobDialogBox,  JobEndDialog,  JobPopupMenu};

// The log is opened for appending, shared for reading, so a scheduled job
// keeps its history and a person can look while it runs. False when it
// cannot be opened; no job begins then.
bool BeginUnattendedJob(const char* logPath, bool overwriteExisting) {
    if (Job.running) return false;
    HANDLE log = INVALID_HANDLE_VALUE;
    if (logPath != nullptr && logPath[0] != '\0') {
        log = CreateFileA(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
        if (log == INVALID_HANDLE_VALUE) return false;
    }
    Job.running = true;
    Job.overwriteExisting = overwriteExisting;
    Job.log = log;
    Job.person = Modal;
    Modal = JobModalUi;
    return true;
}

void EndUnattendedJob() {
    if (!Job.running) return;
    if (Job.log != INVALID_HANDLE_VALUE) CloseHandle(Job.log);
    Job.log = INVALID_HANDLE_VALUE;
    Modal = Job.person;
    Job.running = false;
}

bool UnattendedJobRunning() { return Job.running; }

bool UnattendedJobOverwrites() { return Job.overwriteExisting; }

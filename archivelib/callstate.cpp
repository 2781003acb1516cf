#include "callstate.h"

#include <stdio.h>
#include <string.h>

#include "mbname.h"

namespace {
struct CallState {
    LONG running;
    bool background;
    DWORD lastPump;
    FdarcOverwriteQuestion question;
    HWND owner;
    ArchiverProgressCallback callback;
    ArchiverProgress progress;
    DWORD lastReport;
    bool cancelled;
};
CallState State = {};
}  // namespace

bool BeginCall() {
    if (InterlockedCompareExchange(&State.running, 1, 0) != 0) return false;
    // Pump at the first chance so a short call still lets the program repaint.
    State.lastPump = GetTickCount() - 1000;
    State.cancelled = false;
    return true;
}

void EndCall() { InterlockedExchange(&State.running, 0); }

bool IsCallRunning() { return InterlockedCompareExchange(&State.running, 0, 0) != 0; }

void SetBackgroundMode(bool background) { State.background = background; }

void PumpMessagesIfDue() {
    if (!State.background) return;
    DWORD now = GetTickCount();
    if (now - State.lastPump < 50) return;
    State.lastPump = now;
    MSG msg;
    // Bounded: a window that keeps posting to itself must not keep us here.
    for (int i = 0; i < 200 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));  // leave it for the program's own loop
            break;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void SetProgressCallback(HWND owner, ArchiverProgressCallback callback) {
    State.owner = owner;
    State.callback = callback;
}

static void Report(UINT state) {
    if (State.callback == nullptr) return;
    State.progress.state = state;
    if (!State.callback(State.owner, state, &State.progress)) State.cancelled = true;
}

void BeginProgress(uint64_t total) {
    memset(&State.progress, 0, sizeof State.progress);
    State.progress.bytesTotal = total;
    State.lastReport = GetTickCount();
    Report(ARC_PROGRESS_BEGIN);
}

// Reports at most every 100 ms, and at each new file.
bool NoteProgress(const std::string& name, uint64_t bytes) {
    State.progress.bytesDone += bytes;
    if (State.callback == nullptr || State.cancelled) return !State.cancelled;
    DWORD now = GetTickCount();
    bool newFile = name.compare(State.progress.fileName) != 0;
    if (!newFile && now - State.lastReport < 100) return true;
    State.lastReport = now;
    CopyTruncated(State.progress.fileName, sizeof State.progress.fileName, name.c_str());
    Report(ARC_PROGRESS_FILE);
    return !State.cancelled;
}

bool CallCancelled() { return State.cancelled; }

void EndProgress() {
    State.progress.fileName[0] = '\0';
    Report(ARC_PROGRESS_END);
}

FdarcOverwriteQuestion SetOverwriteQuestion(FdarcOverwriteQuestion question) {
    FdarcOverwriteQuestion previous = State.question;
    State.question = question;
    return previous;
}

int AskOverwrite(HWND owner, const std::string& path) {
    if (State.question != nullptr) return State.question(owner, path.c_str());
    char text[600];
    snprintf(text, sizeof text, "%s\n\nこのファイルは既に存在します。上書きしますか？", path.c_str());
    return MessageBoxA(owner, text, "上書きの確認", MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2);
}

void CallLog::Line(const std::string& text) {
    if (text_.size() > 65536) return;  // the caller's buffer is 32 KB: keep what fits
    text_ += text;
    text_ += "\r\n";
}

void CallLog::CopyTo(char* output, DWORD size) const {
    if (output == nullptr || size == 0) return;
    CopyTruncated(output, size, text_.c_str());
}

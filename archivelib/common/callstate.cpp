#include "common/callstate.h"

#include <stdio.h>
#include <string.h>

#include "base/mbname.h"
#include "common/block_cache.h"
#include "common/overwrite_dialog.h"

namespace {
struct CallState {
    LONG running;
    bool background;
    DWORD lastPump;
    FdarcOverwriteQuestion question;
    HWND owner;
    ArchiverProgressCallback callback;
    ArchiverProgress progress;
    bool begun;
    DWORD lastReport;
    uint64_t lastReportedDone;
    bool cancelled;  // the callback answered FALSE
    bool stopped;    // and the call acted on it
};
CallState State = {};

// Besides each new file, a report at least every 100 ms and every megabyte:
// the caller's percent moves on a slow compression and a fast copy alike.
const DWORD kReportInterval = 100;
const uint64_t kReportStep = 1 << 20;
}  // namespace

bool BeginCall() {
    if (InterlockedCompareExchange(&State.running, 1, 0) != 0) return false;
    // Pump at the first chance so a short call still lets the program repaint.
    State.lastPump = GetTickCount() - 1000;
    memset(&State.progress, 0, sizeof State.progress);
    State.begun = false;
    State.cancelled = false;
    State.stopped = false;
    KeepFreedBlocks();
    return true;
}

void EndCall() {
    ReleaseCachedBlocks();
    InterlockedExchange(&State.running, 0);
}

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
    State.progress.state = state;
    State.lastReport = GetTickCount();
    State.lastReportedDone = State.progress.bytesDone;
    if (State.callback == nullptr) return;
    // The caller may keep the record's address no longer than the call: it is ours again after.
    if (!State.callback(State.owner, state, &State.progress)) State.cancelled = true;
}

void BeginProgress(uint64_t total) {
    if (State.begun) return;
    State.begun = true;
    State.progress.bytesTotal = total;
    State.progress.bytesDone = 0;
    State.progress.fileName[0] = '\0';
    Report(ARC_PROGRESS_BEGIN);
}

bool ReportProgress(const std::string& name, uint64_t done) {
    if (!State.begun) return !StopRequested();  // reading what comes before the work: nothing to tell yet
    ArchiverProgress& p = State.progress;
    if (p.bytesTotal != 0 && done > p.bytesTotal) done = p.bytesTotal;  // a source that grew since it was listed
    if (done > p.bytesDone) p.bytesDone = done;
    if (State.callback == nullptr || State.cancelled) return !StopRequested();
    char shown[ARC_PROGRESS_NAME_SIZE];
    CopyTruncated(shown, sizeof shown, name.c_str());
    bool newFile = strcmp(shown, p.fileName) != 0;
    bool due = newFile || GetTickCount() - State.lastReport >= kReportInterval ||
               p.bytesDone - State.lastReportedDone >= kReportStep ||
               (p.bytesDone == p.bytesTotal && State.lastReportedDone != p.bytesTotal);  // the last bytes are through
    if (due) {
        memcpy(p.fileName, shown, sizeof shown);
        Report(ARC_PROGRESS_FILE);
    }
    return !StopRequested();
}

uint64_t ProgressDone() { return State.progress.bytesDone; }

bool KeepGoing() { return ReportProgress(State.progress.fileName, State.progress.bytesDone); }

bool StopRequested() {
    if (State.cancelled) State.stopped = true;
    return State.cancelled;
}

bool CallStopped() { return State.stopped; }

void EndProgress(bool succeeded) {
    if (!State.begun) BeginProgress(0);
    if (succeeded && State.progress.bytesTotal != 0) State.progress.bytesDone = State.progress.bytesTotal;
    State.progress.fileName[0] = '\0';
    Report(ARC_PROGRESS_END);
}

bool ProgressReader::Open(const std::string& path, const std::string& name) {
    name_ = name;
    base_ = ProgressDone();
    if (!FileReader::Open(path)) return false;
    ReportProgress(name_, base_);  // the file's name shows before its first block is through
    return true;
}

size_t ProgressReader::Read(void* dst, size_t count) {
    if (StopRequested()) return 0;
    size_t got = FileReader::Read(dst, count);
    // Cancelled now: the piece is not handed on, so no writer compresses it first.
    return ReportProgress(name_, base_ + Tell()) ? got : 0;
}

bool ProgressReader::failed() const { return FileReader::failed() || State.cancelled; }

bool WriteMadeEntry(FileWriter* out, const void* data, size_t count, const std::string& name, uint64_t sourceBytes) {
    const uint64_t base = ProgressDone();
    if (!ReportProgress(name, base)) return false;  // the name shows before its bytes
    uint64_t steps = (sourceBytes + kReportStep - 1) / kReportStep;
    if (steps == 0) steps = 1;
    const size_t piece = static_cast<size_t>((count + steps - 1) / steps);
    const char* bytes = static_cast<const char*>(data);
    size_t written = 0;
    do {
        size_t n = count - written < piece ? count - written : piece;
        if (!out->Write(bytes + written, n)) return false;
        written += n;
        uint64_t done = count == 0 ? sourceBytes : sourceBytes * written / count;
        if (!ReportProgress(name, base + done)) return false;
    } while (written < count);
    return true;
}

bool ReportWrittenFile(const std::string& name, uint64_t bytes) {
    const uint64_t base = ProgressDone();
    if (!ReportProgress(name, base)) return false;
    const uint64_t steps = (bytes + kReportStep - 1) / kReportStep;
    for (uint64_t step = 1; step <= steps; ++step) {
        if (!ReportProgress(name, base + bytes * step / steps)) return false;
    }
    return true;
}

FdarcOverwriteQuestion SetOverwriteQuestion(FdarcOverwriteQuestion question) {
    FdarcOverwriteQuestion previous = State.question;
    State.question = question;
    return previous;
}

// Any answer but the five known ones keeps the file, as いいえ does.
static OverwriteAnswer FromCode(INT_PTR code) {
    switch (code) {
    case IDYES:                      return OverwriteAnswer::Yes;
    case IDCANCEL:                   return OverwriteAnswer::Cancel;
    case FDARC_ANSWER_OVERWRITE_ALL: return OverwriteAnswer::YesToAll;
    case FDARC_ANSWER_SKIP_ALL:      return OverwriteAnswer::NoToAll;
    }
    return OverwriteAnswer::No;
}

// The caller's question when it installed one, else the library's dialog;
// a message box with the same text when the dialog cannot be shown.
OverwriteAnswer AskOverwrite(HWND owner, const std::string& path) {
    if (State.question != nullptr) return FromCode(State.question(owner, path.c_str()));
    char text[600];
    snprintf(text, sizeof text, "%s\n\nこのファイルは既に存在します。上書きしますか？", path.c_str());
    INT_PTR answer = ShowOverwriteDialog(owner, text);
    if (answer <= 0) answer = MessageBoxA(owner, text, "上書きの確認", MB_YESNOCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2);
    return FromCode(answer);
}

void CallLog::Line(const std::string& text) {
    if (State.stopped) return;
    if (text_.size() > 65536) return;  // the caller's buffer is 32 KB: keep what fits
    text_ += text;
    text_ += "\r\n";
}

void CallLog::Stopped() {
    text_ += "中止しました\r\n";
}

void CallLog::CopyTo(char* output, DWORD size) const {
    if (output == nullptr || size == 0) return;
    CopyTruncated(output, size, text_.c_str());
}

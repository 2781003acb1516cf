// The state one main-entry call shares with the rest of the library: the
// running flag, background mode, the overwrite question and the call's log.
#pragma once
#include <windows.h>

#include <stdint.h>

#include <string>

#include "fdarc.h"
#include "fdarc_progress.h"

bool BeginCall();  // false when a call is already running
void EndCall();
bool IsCallRunning();
void SetBackgroundMode(bool background);
// In background mode dispatches the thread's messages, at most every 50 ms.
void PumpMessagesIfDue();

// The caller's progress callback (null: none). Loops report the bytes they
// have done; once the callback answers FALSE the call is cancelled and the
// loops stop, leaving nothing half-made behind them.
void SetProgressCallback(HWND owner, ArchiverProgressCallback callback);
void BeginProgress(uint64_t total);
bool NoteProgress(const std::string& name, uint64_t bytes);  // false once cancelled
bool CallCancelled();
void EndProgress();

FdarcOverwriteQuestion SetOverwriteQuestion(FdarcOverwriteQuestion question);
int AskOverwrite(HWND owner, const std::string& path);  // IDYES, IDNO or IDCANCEL

// What a call reports in its output buffer: one line per entry, errors too.
class CallLog {
public:
    void Line(const std::string& text);
    void CopyTo(char* output, DWORD size) const;
private:
    std::string text_;
};

// The state one main-entry call shares with the rest of the library: the
// running flag, background mode, the overwrite question, the caller's
// progress callback and the call's log.
#pragma once
#include <windows.h>
#include <stdint.h>

#include <string>

#include "api/fdarc.h"
#include "api/fdarc_progress.h"
#include "common/fileio.h"

bool BeginCall();  // false when a call is already running
void EndCall();
bool IsCallRunning();
void SetBackgroundMode(bool background);
// In background mode dispatches the thread's messages, at most every 50 ms.
void PumpMessagesIfDue();

void SetProgressCallback(HWND owner, ArchiverProgressCallback callback);  // null: none
// BEGIN with the call's total (0: unknown); a call that never gets this far
// still reports BEGIN, from EndProgress.
void BeginProgress(uint64_t total);
// How far the whole call is, on the file `name`: done is never lowered nor
// taken past the total. False once the caller has cancelled: stop and leave
// nothing half-made.
bool ReportProgress(const std::string& name, uint64_t done);
uint64_t ProgressDone();
// Gives the callback its due report while the call copies what it does not
// count (entries of an archive being updated); false once cancelled.
bool KeepGoing();
// True once the caller has cancelled; the call then ends in FDARC_E_CANCELLED.
bool StopRequested();
bool CallStopped();
// END; a call that succeeded has done all of its total.
void EndProgress(bool succeeded);

// A source file of an archive being made: what is read of it advances the
// call by its position in the file, so a file read twice (stored after a
// compression that did not pay) counts once. From the report where the
// caller cancels on, reads give nothing and failed() is true: the writers
// then fail as on a read error.
class ProgressReader : public FileReader {
public:
    bool Open(const std::string& path, const std::string& name);
    size_t Read(void* dst, size_t count) override;
    bool failed() const override;

private:
    std::string name_;
    uint64_t base_ = 0;
};

// Writes an entry a worker made ahead (its header and data) and moves the
// call's progress from where it is past the entry's source bytes, a step
// for about every megabyte of the source as reading it would have. False
// once cancelled or when writing failed (then out->failed()).
bool WriteMadeEntry(FileWriter* out, const void* data, size_t count, const std::string& name, uint64_t sourceBytes);
// A file written whole elsewhere (on a worker): its name, then the call's
// progress past its bytes a step for about every megabyte, as writing it
// here would have shown. False once cancelled.
bool ReportWrittenFile(const std::string& name, uint64_t bytes);

FdarcOverwriteQuestion SetOverwriteQuestion(FdarcOverwriteQuestion question);
enum class OverwriteAnswer { Yes, No, Cancel, YesToAll, NoToAll };
OverwriteAnswer AskOverwrite(HWND owner, const std::string& path);

// What a call reports in its output buffer: one line per entry, errors too.
class CallLog {
public:
    void Line(const std::string& text);  // dropped once the call is stopped: what follows is its fallout
    void Stopped();                      // says once that the call was cancelled
    void CopyTo(char* output, DWORD size) const;
private:
    std::string text_;
};

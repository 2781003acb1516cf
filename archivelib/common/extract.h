// Writing extracted entries below a destination folder: name checks,
// folders, the overwrite question and replacing files safely.
#pragma once
#include <windows.h>
#include <stdint.h>

#include <functional>
#include <string>
#include <unordered_set>
#include <vector>

#include "common/callstate.h"
#include "common/cmdline.h"
#include "common/fileio.h"

struct Extraction {
    HWND owner = nullptr;
    std::string destination;  // "" or ending in a separator
    bool overwrite = false;       // no question: by the switch, or すべて上書き
    bool keepExisting = false;    // no question: すべてスキップ keeps every existing file
    std::vector<std::string> patterns;  // empty: every entry
    CallLog* log = nullptr;
    int error = FDARC_OK;  // the first failure; later entries still go on
    bool cancelled = false;
    std::string lastFolder;  // known to exist: most entries share their folder with the one before
    std::unordered_set<std::string> claimed;  // the files this call began, by FoldedName
    // How far the call is, for the progress callback: the bytes of the
    // archive read so far when set, else the bytes of files written.
    std::function<uint64_t()> position;

    void Fail(int code, const std::string& message);
    bool Wanted(const std::string& stored) const;
    // True once the caller has cancelled through the progress callback: the
    // extraction ends after the file it is on, which is removed.
    bool Stopping();
};

// Checks the destination and creates it when missing.
bool PrepareDestination(Extraction* x, const std::string& folder);
// An extraction of the command's entries into its folder: false (x->error
// set) when the destination cannot be made.
bool BeginExtraction(Extraction* x, const Command& command, HWND owner, CallLog* log);
// Resolves a stored name to a full path below the destination; false (and
// FDARC_E_UNSAFE_NAME recorded) for names that would leave it. *path is the
// destination itself for names like "./". Quiet records nothing: a look
// ahead of the entry's turn, where the same check says what went wrong.
bool ResolveEntryPath(Extraction* x, const std::string& stored, std::string* path, bool quiet = false);
bool CreateFolders(Extraction* x, const std::string& folder, bool quiet = false);

enum class OutputStart { Write, Skip, Stop };

// One extracted file. An existing file is only replaced once the new one is
// complete, so a damaged entry never destroys what was there.
class OutputFile : public ByteSink {
public:
    // Stop once the caller has cancelled. Claimed: the entry claimed its
    // path ahead of its turn (ClaimPath said true).
    OutputStart Begin(Extraction* x, const std::string& path, bool claimed = false);
    // Also reports the call's progress; false once the caller has cancelled.
    bool Write(const void* data, size_t count) override;
    bool failed() const { return writer_.failed(); }
    bool Commit(Extraction* x, const FILETIME& modified);
    void Abandon() { writer_.Abandon(); }

private:
    FileWriter writer_;
    Extraction* x_ = nullptr;
    std::string name_;  // below the destination, as the progress shows it
    std::string path_;
    std::string temp_;
};

// Claims a path for an entry ahead of its turn; false when an entry before
// it has the same name (its turn then says so).
bool ClaimPath(Extraction* x, const std::string& path);

// A file made on a worker thread ahead of its entry's turn. It is only made
// where no file is (anything that was there waits for the entry's turn and
// its overwrite question); a file that cannot be written whole is removed.
enum class MadeAhead { Made, NotMade, WriteFailed };
MadeAhead MakeFileAhead(const std::string& path, const void* data, size_t count, const FILETIME& modified);

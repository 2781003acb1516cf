// The exported entries. Nothing thrown may cross them: allocation failures
// become FDARC_E_MEMORY.
#include <string.h>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "common/callstate.h"
#include "common/cmdline.h"
#include "entries/creators.h"
#include "api/fdarc.h"
#include "libarchive/libarchive_formats.h"
#include "entries/listing.h"
#include "base/mbname.h"
#include "tar/tarformat.h"
#include "zip/zipformat.h"

static_assert(sizeof("あ") == 3, "literals must be code page 932");

namespace {
struct OpenArchive {
    std::vector<ListedEntry> entries;
    std::string pattern;
    size_t next = 0;
};
// Handles given out and not yet closed: a stale or made-up handle is refused, not followed.
std::vector<OpenArchive*> OpenArchives;
SRWLOCK OpenArchivesLock = SRWLOCK_INIT;  // the list only; one handle is used by one thread at a time

OpenArchive* Lookup(HANDLE handle) {
    AcquireSRWLockShared(&OpenArchivesLock);
    auto found = std::find(OpenArchives.begin(), OpenArchives.end(), static_cast<OpenArchive*>(handle));
    OpenArchive* archive = found == OpenArchives.end() ? nullptr : *found;
    ReleaseSRWLockShared(&OpenArchivesLock);
    return archive;
}

int Extract(const Command& command, HWND owner, CallLog* log) {
    FileReader reader;
    if (!reader.Open(command.archive)) {
        log->Line("書庫を開けません: " + command.archive);
        return FDARC_E_OPEN_ARCHIVE;
    }
    ArchiveKind kind = SniffArchive(&reader);
    reader.Close();
    switch (kind) {
    case ArchiveKind::Zip: return ExtractZip(command, owner, log);
    case ArchiveKind::Tar: return ExtractTar(command, owner, log);
    case ArchiveKind::LibarchiveArchive:
    case ArchiveKind::CompressedStream: return ExtractWithLibarchive(command, LibarchiveKindOf(kind), owner, log);
    case ArchiveKind::None: break;
    }
    log->Line("書庫ではありません: " + command.archive);
    return FDARC_E_CORRUPT;
}

int RunCommand(Role role, HWND owner, LPCSTR line, CallLog* log) {
    Command command;
    std::string error;
    if (!ParseCommand(role, line, &command, &error)) {
        log->Line("コマンドラインが正しくありません: " + error);
        return FDARC_E_COMMAND;
    }
    if (!command.create) return Extract(command, owner, log);
    CreateArchiveFunction create = CreatorFor(role);
    if (create == nullptr) {
        log->Line("この形式の書庫は作成できません");
        return FDARC_E_UNSUPPORTED;
    }
    return create(command, log);
}

int MainEntry(Role role, HWND owner, LPCSTR line, LPSTR output, DWORD outputSize) {
    if (output != nullptr && outputSize > 0) output[0] = '\0';
    CallLog log;
    if (!BeginCall()) {
        log.Line("別の処理を実行中です");
        log.CopyTo(output, outputSize);
        return FDARC_E_BUSY;
    }
    int result;
    try {
        result = RunCommand(role, owner, line, &log);
    } catch (const std::bad_alloc&) {
        result = FDARC_E_MEMORY;
    } catch (...) {
        result = FDARC_E_CORRUPT;
    }
    // A call that stopped for the caller's cancel has removed what it was
    // making; one that finished before it noticed keeps its result.
    if (CallStopped()) {
        result = FDARC_E_CANCELLED;
        log.Stopped();
    }
    EndProgress(result == FDARC_OK);
    EndCall();
    try {
        log.CopyTo(output, outputSize);
    } catch (...) {
    }
    return result;
}

HANDLE Open(LPCSTR path) {
    if (path == nullptr) return nullptr;
    try {
        std::unique_ptr<OpenArchive> archive(new OpenArchive());
        if (ListArchive(path, &archive->entries) != FDARC_OK) return nullptr;
        AcquireSRWLockExclusive(&OpenArchivesLock);
        OpenArchives.push_back(archive.get());
        ReleaseSRWLockExclusive(&OpenArchivesLock);
        return archive.release();
    } catch (...) {
        return nullptr;
    }
}

int Close(HANDLE handle) {
    AcquireSRWLockExclusive(&OpenArchivesLock);
    auto found = std::find(OpenArchives.begin(), OpenArchives.end(), static_cast<OpenArchive*>(handle));
    OpenArchive* archive = found == OpenArchives.end() ? nullptr : *found;
    if (archive != nullptr) OpenArchives.erase(found);
    ReleaseSRWLockExclusive(&OpenArchivesLock);
    if (archive == nullptr) return FDARC_E_COMMAND;
    delete archive;
    return 0;
}

void FillRecord(const ListedEntry& entry, void* record) {
    FdarcFindRecord* r = static_cast<FdarcFindRecord*>(record);
    memset(r, 0, sizeof *r);
    r->originalSize = static_cast<DWORD>(entry.size);
    r->packedSize = static_cast<DWORD>(entry.packed);
    r->crc = entry.crc;
    r->attributes = entry.attributes;
    r->dosDate = entry.dosDate;
    r->dosTime = entry.dosTime;
    r->ratio = entry.size == 0 ? 0 : static_cast<WORD>(std::min<uint64_t>(entry.packed * 1000 / entry.size, 0xFFFF));
    r->method = entry.method;
    // Names may hold NUL bytes in a hostile archive; the record ends at the first.
    CopyTruncated(r->name, sizeof r->name, entry.name.c_str());
}

int FindFrom(OpenArchive* archive, void* record) {
    while (archive->next < archive->entries.size()) {
        const ListedEntry& entry = archive->entries[archive->next++];
        if (WildcardMatch(archive->pattern.c_str(), entry.name.c_str())) {
            FillRecord(entry, record);
            return 0;
        }
    }
    return -1;
}

int FindFirst(HANDLE handle, LPCSTR pattern, void* record) {
    OpenArchive* archive = Lookup(handle);
    if (archive == nullptr || record == nullptr) return -1;
    try {
        archive->pattern = pattern != nullptr ? pattern : "";
    } catch (...) {
        return -1;
    }
    archive->next = 0;
    return FindFrom(archive, record);
}

int FindNext(HANDLE handle, void* record) {
    OpenArchive* archive = Lookup(handle);
    if (archive == nullptr || record == nullptr) return -1;
    return FindFrom(archive, record);
}

int Count(LPCSTR path) {
    if (path == nullptr) return -1;
    try {
        std::vector<ListedEntry> entries;
        if (ListArchive(path, &entries) != FDARC_OK) return -1;
        return static_cast<int>(std::min<size_t>(entries.size(), 0x7FFFFFFF));
    } catch (...) {
        return -1;
    }
}
}  // namespace

// The version every prefix reports: 230 for 2.30, the program's version.
#ifndef FDARC_VERSION_NUMBER
#error "FDARC_VERSION_NUMBER is set by the build"
#endif

#define FDARC_DEFINE_ENTRIES(PREFIX, ROLE)                                                               \
    extern "C" int WINAPI PREFIX(HWND owner, LPCSTR line, LPSTR output, DWORD outputSize) {              \
        return MainEntry(ROLE, owner, line, output, outputSize);                                        \
    }                                                                                                   \
    extern "C" BOOL WINAPI PREFIX##GetRunning(void) { return IsCallRunning(); }                         \
    extern "C" BOOL WINAPI PREFIX##SetBackGroundMode(BOOL background) {                                 \
        SetBackgroundMode(background != FALSE);                                                          \
        return TRUE;                                                                                    \
    }                                                                                                   \
    extern "C" HANDLE WINAPI PREFIX##OpenArchive(HWND, LPCSTR path, DWORD) { return Open(path); }       \
    extern "C" int WINAPI PREFIX##CloseArchive(HANDLE archive) { return Close(archive); }               \
    extern "C" int WINAPI PREFIX##FindFirst(HANDLE archive, LPCSTR pattern, void* record) {             \
        return FindFirst(archive, pattern, record);                                                     \
    }                                                                                                   \
    extern "C" int WINAPI PREFIX##FindNext(HANDLE archive, void* record) { return FindNext(archive, record); } \
    extern "C" int WINAPI PREFIX##GetFileCount(LPCSTR path) { return Count(path); }                    \
    extern "C" WORD WINAPI PREFIX##GetVersion(void) { return FDARC_VERSION_NUMBER; }                 \
    extern "C" BOOL WINAPI PREFIX##SetOwnerWindowEx(HWND owner, ArchiverProgressCallback callback) {    \
        SetProgressCallback(owner, callback);                                                           \
        return TRUE;                                                                                    \
    }                                                                                                   \
    extern "C" BOOL WINAPI PREFIX##SetOwnerWindowEx64(HWND owner, ArchiverProgressCallback callback) {  \
        SetProgressCallback(owner, callback);                                                           \
        return TRUE;                                                                                    \
    }                                                                                                   \
    extern "C" BOOL WINAPI PREFIX##KillOwnerWindowEx(HWND) {                                            \
        SetProgressCallback(nullptr, nullptr);                                                          \
        return TRUE;                                                                                    \
    }

FDARC_DEFINE_ENTRIES(Zip, Role::Zip)
FDARC_DEFINE_ENTRIES(UnZip, Role::UnZip)
FDARC_DEFINE_ENTRIES(Tar, Role::Tar)
FDARC_DEFINE_ENTRIES(SevenZip, Role::SevenZip)
FDARC_DEFINE_ENTRIES(Unlha, Role::Unlha)
FDARC_DEFINE_ENTRIES(Cab, Role::Cab)
FDARC_DEFINE_ENTRIES(Unrar, Role::Unrar)

extern "C" FdarcOverwriteQuestion WINAPI FdarcSetOverwriteQuestion(FdarcOverwriteQuestion question) {
    return SetOverwriteQuestion(question);
}

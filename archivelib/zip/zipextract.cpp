// Zip extraction. The caller's thread goes through the entries in their
// order; a plain file small enough to hold has its packed bytes read at once
// and goes to a worker, which inflates it and makes its file where no file
// is. Everything that asks or tells (the overwrite question, failures, the
// log, progress) happens in the entry's turn, in the archive's order.
#include "zip/zipformat.h"

#include <zlib.h>

#include <atomic>
#include <memory>

#include "base/ordered_work.h"
#include "common/collect.h"
#include "common/extract.h"

namespace {
FILETIME EntryTime(const ZipEntry& entry) {
    return entry.hasUnixTime ? UnixToFileTime(entry.unixTime) : DosToFileTime(entry.dosDate, entry.dosTime);
}

bool PlainFile(const ZipEntry& e) {
    return !e.isFolder && !e.isSymlink && !(e.flags & (kFlagEncrypted | kFlagStrongEncryption)) &&
           (e.method == 0 || e.method == Z_DEFLATED);
}

struct UnzipJob {
    const ZipEntry* entry = nullptr;
    bool wanted = false;
    std::string path;
    bool claimed = false;  // its path claimed before its turn
    bool ahead = false;    // packed bytes read, inflated and made on a worker
    std::vector<unsigned char> packed;  // freed once inflated
    std::vector<unsigned char> data;    // kept only when its file was not made ahead
    int result = FDARC_OK;              // of inflating
    MadeAhead made = MadeAhead::NotMade;
};

using UnzipWork = OrderedWork<UnzipJob, ZipInflater>;

// Entries up to this size are made ahead. The jobs waiting for their turn
// hold at most kAheadHeldMost of packed and inflated bytes together, and at
// most kAheadJobsMost jobs; each worker keeps an inflater with 2 MB of buffers.
const uint32_t kAheadEntryMost = 8 << 20;
const size_t kAheadHeldMost = sizeof(void*) == 4 ? 32 << 20 : 64 << 20;
const size_t kAheadJobsMost = 128;
const unsigned kAheadWorkersMost = sizeof(void*) == 4 ? 8 : 16;
const unsigned kWaitTurnMs = 50;

// On a worker: most of an extraction's time under Wine goes to creating
// files, so the workers make them side by side instead of one at a time.
void MakeAhead(ZipInflater* inflater, UnzipJob* job, const std::atomic<bool>& cancel) {
    job->result = FDARC_E_CANCELLED;
    if (cancel) return;
    MemorySource packed(job->packed.data(), job->packed.size());
    VectorSink sink(&job->data);
    job->data.reserve(job->entry->size);
    job->result = inflater->Expand(&packed, *job->entry, 0, &sink, &cancel);
    job->packed = std::vector<unsigned char>();
    if (job->result != FDARC_OK || cancel) return;
    job->made = MakeFileAhead(job->path, job->data.data(), job->data.size(), EntryTime(*job->entry));
    if (job->made != MadeAhead::NotMade) job->data = std::vector<unsigned char>();
}

struct ZipExtraction {
    Extraction x;
    FileReader reader;
    ZipDirectory directory;
    ZipInflater inflater;  // the caller's, for entries expanded in their turn
    CallLog* log = nullptr;
    bool workers = false;

    // Before the entry's turn: a plain file claims its path, and when it is
    // small enough to hold its packed bytes are read for a worker. Whatever
    // fails here is looked at again in the turn, which says what went wrong.
    void Prepare(UnzipJob* job) {
        const ZipEntry& e = *job->entry;
        job->wanted = x.Wanted(e.name);
        if (!job->wanted || !PlainFile(e) || !ResolveEntryPath(&x, e.name, &job->path, true)) return;
        job->claimed = ClaimPath(&x, job->path);
        uint64_t data = 0;
        if (!job->claimed || !workers || e.size > kAheadEntryMost || e.packed > kAheadEntryMost ||
            !CreateFolders(&x, FolderOf(job->path), true) || !LocateZipData(&reader, directory, e, &data))
            return;
        job->packed.resize(e.packed);
        job->ahead = e.packed == 0 || reader.ReadAt(data, job->packed.data(), e.packed);
    }

    // A file made ahead: its turn tells of it, and a cancel now removes it
    // as it would have removed the file being written.
    bool Report(const UnzipJob& job) {
        if (job.made == MadeAhead::WriteFailed) {
            x.Fail(FDARC_E_WRITE, "書き込めません: " + job.path);
            return true;
        }
        if (!ReportWrittenFile(job.path.substr(x.destination.size()), job.entry->size)) {
            DeleteFileA(job.path.c_str());
            x.Stopping();
            return false;
        }
        log->Line(job.entry->name);
        return true;
    }

    // One entry in its turn: false once the call stops.
    bool Extract(const UnzipJob& job) {
        const ZipEntry& entry = *job.entry;
        if (!job.wanted) return true;
        if (job.made != MadeAhead::NotMade) return Report(job);
        std::string path;
        if (!ResolveEntryPath(&x, entry.name, &path)) return true;
        if (entry.isFolder) {
            CreateFolders(&x, path);
            return true;
        }
        if (entry.isSymlink) {
            x.Fail(FDARC_E_UNSUPPORTED, "シンボリックリンクは展開しません: " + entry.name);
            return true;
        }
        if (entry.flags & (kFlagEncrypted | kFlagStrongEncryption)) {
            x.Fail(FDARC_E_UNSUPPORTED, "暗号化されたファイルには対応していません: " + entry.name);
            return true;
        }
        if (entry.method != 0 && entry.method != Z_DEFLATED) {
            x.Fail(FDARC_E_UNSUPPORTED, "対応していない圧縮方式です: " + entry.name);
            return true;
        }
        uint64_t data = 0;
        if (!job.ahead && !LocateZipData(&reader, directory, entry, &data)) {
            x.Fail(FDARC_E_CORRUPT, "ローカルヘッダが壊れています: " + entry.name);
            return true;
        }
        OutputFile file;
        OutputStart start = file.Begin(&x, path, job.claimed);
        if (start == OutputStart::Stop) return false;
        if (start == OutputStart::Skip) return true;
        int expanded = job.ahead ? job.result : inflater.Expand(&reader, entry, data, &file);
        if (job.ahead && expanded == FDARC_OK && !file.Write(job.data.data(), job.data.size()))
            expanded = FDARC_E_WRITE;
        if (expanded != FDARC_OK) {
            file.Abandon();
            x.Fail(expanded, (expanded == FDARC_E_CRC ? "CRC が一致しません: " : "展開できません: ") + entry.name);
            return true;
        }
        if (file.Commit(&x, EntryTime(entry))) log->Line(entry.name);
        return true;
    }

    // Waits for the oldest job, the caller's window answering and its
    // progress callback getting its turns, and extracts it.
    bool ExtractOldest(UnzipWork* work) {
        while (!work->OldestReady(kWaitTurnMs)) {
            PumpMessagesIfDue();
            KeepGoing();
            if (x.Stopping()) return false;
        }
        PumpMessagesIfDue();
        if (x.Stopping()) return false;
        std::unique_ptr<UnzipJob> job = work->Take();
        return !job || Extract(*job);
    }

    // After a stop, files made ahead of turns that never came are removed:
    // the call leaves what it had extracted when it stopped.
    static void Drain(UnzipWork* work) {
        work->Cancel();
        while (std::unique_ptr<UnzipJob> job = work->Take()) {
            if (job->made == MadeAhead::Made) DeleteFileA(job->path.c_str());
        }
    }

    void ExtractAll() {
        unsigned threads = directory.entries.size() > 1 ? WorkerThreads(kAheadWorkersMost) : 0;
        UnzipWork work(MakeAhead, threads, kAheadJobsMost, kAheadHeldMost);
        workers = work.Threads() > 0;
        bool going = true;
        for (const ZipEntry& entry : directory.entries) {
            std::unique_ptr<UnzipJob> job(new UnzipJob());
            job->entry = &entry;
            Prepare(job.get());
            bool inTurn = !job->ahead;
            size_t bytes = inTurn ? 0 : static_cast<size_t>(entry.packed) + entry.size;
            while (going && work.Full(bytes)) going = ExtractOldest(&work);
            if (!going) break;
            work.Put(std::move(job), bytes, inTurn);
        }
        while (going && work.Held() > 0) going = ExtractOldest(&work);
        if (!going) Drain(&work);
    }
};
}  // namespace

int ExtractZip(const Command& command, HWND owner, CallLog* log) {
    ZipExtraction z;
    z.log = log;
    if (!z.reader.Open(command.archive)) {
        log->Line("書庫を開けません: " + command.archive);
        return FDARC_E_OPEN_ARCHIVE;
    }
    std::string error;
    int result = ReadZipDirectory(&z.reader, &z.directory, &error);
    if (result != FDARC_OK) {
        log->Line(error);
        return result;
    }
    std::string overlapping;
    if (!ZipEntriesApart(z.directory, &overlapping)) {
        log->Line("エントリのデータが重なっているため展開しません: " + overlapping);
        return FDARC_E_CORRUPT;
    }
    if (!BeginExtraction(&z.x, command, owner, log)) return z.x.error;
    uint64_t total = 0;
    for (const ZipEntry& entry : z.directory.entries) {
        if (!entry.isFolder && z.x.Wanted(entry.name)) total += entry.size;
    }
    BeginProgress(total);
    z.ExtractAll();
    return z.x.error;
}

#include "lzh/lzhcreate.h"

#include <string.h>

#include <atomic>
#include <memory>
#include <unordered_set>

#include "base/ordered_work.h"
#include "common/collect.h"
#include "common/fileio.h"
#include "lzh/lzhwrite.h"

namespace {
// -lh7-: the largest dictionary every current reader knows.
const LzhMethod kMethod = LzhMethod::Lh7;

class FileOutput : public LzhOutput {
public:
    explicit FileOutput(FileWriter* writer) : writer_(writer) {}
    bool Write(const void* data, size_t size) override { return writer_->Write(data, size); }
    uint64_t Position() const override { return writer_->Position(); }
    bool PatchAt(uint64_t offset, const void* data, size_t size) override { return writer_->PatchAt(offset, data, size); }
    bool Rewind(uint64_t offset) override { return writer_->Rewind(offset); }

private:
    FileWriter* writer_;
};

class FileInput : public LzhInput {
public:
    explicit FileInput(FileReader* reader) : reader_(reader) {}
    uint64_t Size() const override { return reader_->Size(); }
    bool ReadAt(uint64_t offset, void* data, size_t size) override {
        PumpMessagesIfDue();
        return KeepGoing() && reader_->ReadAt(offset, data, size);
    }

private:
    FileReader* reader_;
};

class FileSource : public LzhSource {
public:
    bool Open(const std::string& path, const std::string& name) { return reader_.Open(path, name); }
    uint64_t Size() const override { return reader_.Size(); }
    bool Restart() override { return reader_.Seek(0); }
    size_t Read(void* data, size_t size) override {
        PumpMessagesIfDue();  // between pieces of a long compression
        return reader_.Read(data, size);
    }
    bool Failed() const override { return reader_.failed(); }

private:
    ProgressReader reader_;
};

// ---------------------------------------------------------------- workers

// An entry made in memory on a worker, header and data, as the writer
// would have put it into the archive.
class MemoryOutput : public LzhOutput {
public:
    std::vector<unsigned char> bytes;
    bool Write(const void* data, size_t size) override {
        const unsigned char* from = static_cast<const unsigned char*>(data);
        bytes.insert(bytes.end(), from, from + size);
        return true;
    }
    uint64_t Position() const override { return bytes.size(); }
    bool PatchAt(uint64_t offset, const void* data, size_t size) override {
        if (offset > bytes.size() || size > bytes.size() - offset) return false;
        memcpy(bytes.data() + offset, data, size);
        return true;
    }
    bool Rewind(uint64_t offset) override {
        if (offset > bytes.size()) return false;
        bytes.resize(static_cast<size_t>(offset));
        return true;
    }
};

// A source file read on a worker: no progress and no messages from there;
// a cancel makes reading fail.
class WorkerSource : public LzhSource {
public:
    explicit WorkerSource(const std::atomic<bool>& cancel) : cancel_(cancel) {}
    bool Open(const std::string& path) { return reader_.Open(path); }
    uint64_t Size() const override { return reader_.Size(); }
    bool Restart() override { return reader_.Seek(0); }
    size_t Read(void* data, size_t size) override { return Failed() ? 0 : reader_.Read(data, size); }
    bool Failed() const override { return reader_.failed() || cancel_.load(std::memory_order_relaxed); }

private:
    const std::atomic<bool>& cancel_;
    FileReader reader_;
};

// A worker's own writer into memory; its encoder is kept from file to file.
struct EntryMaker {
    MemoryOutput output;
    LzhArchiveWriter writer{&output, kMethod};
};

struct LzhJob {
    const SourceItem* item = nullptr;
    LzhNewEntry entry;
    std::vector<unsigned char> bytes;  // header and data
    LzhStatus status = LzhStatus::Ok;
    bool opened = false;
    bool onCaller = false;  // a folder or a large file: AddItem does it in its turn
};

void MakeEntry(EntryMaker* maker, LzhJob* job, const std::atomic<bool>& cancel) {
    WorkerSource source(cancel);
    if (!source.Open(job->item->path)) return;
    job->opened = true;
    maker->output.bytes.clear();
    job->status = maker->writer.Add(job->entry, &source);
    if (cancel.load(std::memory_order_relaxed)) job->status = LzhStatus::Read;
    job->bytes.swap(maker->output.bytes);
}

// As for zip: files up to this size are encoded on the workers and held in
// memory until written; the jobs waiting hold at most kHeldMost of files.
const uint64_t kWorkerFileMost = 16 << 20;
const size_t kHeldMost = sizeof(void*) == 4 ? 32 << 20 : 64 << 20;
const unsigned kMostWorkers = sizeof(void*) == 4 ? 8 : 16;
const unsigned kAnswerEveryMs = 50;
using LzhWork = OrderedWork<LzhJob, EntryMaker>;

int ErrorOf(LzhStatus status) {
    switch (status) {
    case LzhStatus::Ok: return FDARC_OK;
    case LzhStatus::Read: return FDARC_E_READ;
    case LzhStatus::Write: return FDARC_E_WRITE;
    case LzhStatus::Corrupt: return FDARC_E_CORRUPT;
    case LzhStatus::Unsupported: return FDARC_E_UNSUPPORTED;
    case LzhStatus::TooLarge: return FDARC_E_TOO_LARGE;
    }
    return FDARC_E_CORRUPT;
}

uint64_t Ticks(const FILETIME& time) { return (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime; }

// Reads the entries of an existing archive; an empty file counts as a new archive.
int ReadOld(const Command& command, FileReader* old, std::vector<LzhStoredEntry>* entries, CallLog* log) {
    DWORD attributes = GetFileAttributesA(command.archive.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return FDARC_OK;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) || !old->Open(command.archive)) {
        log->Line("書庫を開けません: " + command.archive);
        return FDARC_E_OPEN_ARCHIVE;
    }
    if (old->Size() == 0) return FDARC_OK;
    FileInput input(old);
    std::string error;
    LzhStatus status = ReadLzhDirectory(&input, entries, &error);
    if (status == LzhStatus::Ok) return FDARC_OK;
    log->Line(error + ": " + command.archive);
    return status == LzhStatus::Read ? FDARC_E_OPEN_ARCHIVE : ErrorOf(status);
}

LzhNewEntry EntryFor(const SourceItem& item) {
    LzhNewEntry entry;
    entry.name = item.stored;
    entry.isFolder = item.isFolder;
    entry.unixTime = FileTimeToUnix(item.modified);
    entry.fileTime = Ticks(item.modified);
    entry.attributes = static_cast<uint16_t>(item.attributes & 0x37);  // DOS bits: read-only, hidden, system, folder, archive
    return entry;
}

int LogStatus(LzhStatus status, const SourceItem& item, CallLog* log) {
    switch (status) {
    case LzhStatus::Ok: log->Line(item.stored); break;
    case LzhStatus::Read: log->Line("ファイルを読めません: " + item.path); break;
    case LzhStatus::TooLarge: log->Line("4 GB を超えるファイルには対応していません: " + item.path); break;
    default: break;  // a write failure is reported once, for the archive
    }
    return ErrorOf(status);
}

// A folder, or a file too large for a worker, done here in its turn.
int AddItem(LzhArchiveWriter* writer, const SourceItem& item, CallLog* log) {
    LzhNewEntry entry = EntryFor(item);
    LzhStatus status;
    if (item.isFolder) {
        status = writer->Add(entry, nullptr);
    } else {
        FileSource source;
        if (!source.Open(item.path, item.stored)) {
            log->Line("ファイルを読めません: " + item.path);
            return FDARC_E_READ;
        }
        status = writer->Add(entry, &source);
    }
    return LogStatus(status, item, log);
}

// A file a worker encoded goes into the archive as it was made, and the
// call's progress past it.
int WriteJob(FileWriter* out, const LzhJob& job, CallLog* log) {
    const SourceItem& item = *job.item;
    if (!job.opened) {
        log->Line("ファイルを読めません: " + item.path);
        return FDARC_E_READ;
    }
    if (job.status == LzhStatus::Ok && !WriteMadeEntry(out, job.bytes.data(), job.bytes.size(), item.stored, item.size))
        return out->failed() ? FDARC_E_WRITE : FDARC_E_CANCELLED;
    return LogStatus(job.status, item, log);
}

// Waits for the oldest job, the caller's window answering and its progress
// callback getting its turns, and writes it.
int WriteOldest(LzhArchiveWriter* writer, FileWriter* out, LzhWork* work, CallLog* log) {
    while (!work->OldestReady(kAnswerEveryMs)) {
        PumpMessagesIfDue();
        if (!KeepGoing()) return FDARC_E_CANCELLED;
    }
    std::unique_ptr<LzhJob> job = work->Take();
    if (!job) return FDARC_OK;
    if (job->onCaller) return AddItem(writer, *job->item, log);
    return WriteJob(out, *job, log);
}

// The sources' entries in their order, files encoded on the workers a few
// ahead of the one being written.
int AddItems(LzhArchiveWriter* writer, FileWriter* out, const std::vector<SourceItem>& items, CallLog* log) {
    unsigned workers = items.size() > 1 ? WorkerThreads(kMostWorkers) : 0;
    LzhWork work(MakeEntry, workers, 4 * workers, kHeldMost);
    int result = FDARC_OK;
    for (const SourceItem& item : items) {
        bool onCaller = item.isFolder || item.size > kWorkerFileMost;
        size_t bytes = onCaller ? 0 : static_cast<size_t>(item.size);
        while (result == FDARC_OK && work.Full(bytes)) result = WriteOldest(writer, out, &work, log);
        if (result != FDARC_OK) break;
        std::unique_ptr<LzhJob> job(new LzhJob());
        job->item = &item;
        job->entry = EntryFor(item);
        job->onCaller = onCaller;
        work.Put(std::move(job), bytes, onCaller);
    }
    while (result == FDARC_OK && work.Held() > 0) result = WriteOldest(writer, out, &work, log);
    if (result != FDARC_OK) work.Cancel();
    return result;
}
}  // namespace

int CreateLzh(const Command& command, CallLog* log) {
    std::vector<SourceItem> items;
    int skipped = FDARC_OK;
    int result = CollectSources(command, log, &items, &skipped);
    if (result != FDARC_OK) return result;
    FileReader old;
    std::vector<LzhStoredEntry> entries;
    if ((result = ReadOld(command, &old, &entries, log)) != FDARC_OK) return result;

    // Everything goes to a temporary archive first: a failure leaves the old one as it was.
    FileWriter out;
    std::string temp = CreateTemporaryFor(command.archive, log, [&out](const std::string& t) { return out.Create(t); });
    if (temp.empty()) return FDARC_E_WRITE;
    FileOutput output(&out);
    FileInput input(&old);
    LzhArchiveWriter writer(&output, kMethod);
    std::unordered_set<std::string> replaced;
    for (const SourceItem& item : items) replaced.insert(item.stored);
    BeginProgress(SourceBytes(items));
    for (const LzhStoredEntry& entry : entries) {
        if (replaced.count(entry.name) != 0) continue;
        LzhStatus status = writer.Copy(&input, entry);
        if (status != LzhStatus::Ok) {
            if (status == LzhStatus::Corrupt) log->Line("元の書庫が壊れています: " + entry.name);
            result = ErrorOf(status);
            break;
        }
    }
    if (result == FDARC_OK) result = AddItems(&writer, &out, items, log);
    if (result == FDARC_OK && !writer.Finish()) result = FDARC_E_WRITE;
    old.Close();
    if (result != FDARC_OK || !out.Finish()) {
        out.Abandon();
        DeleteFileA(temp.c_str());
        if (result == FDARC_OK || result == FDARC_E_WRITE) {
            log->Line("書庫を書き込めません: " + command.archive);
            result = FDARC_E_WRITE;
        }
        return result;
    }
    if (!SwapTemporaryIn(temp, command.archive, log)) return FDARC_E_WRITE;
    return skipped;  // the archive is whole, but not everything asked for is in it
}

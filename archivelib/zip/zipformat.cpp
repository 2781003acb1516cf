#include "zip/zipformat.h"

#include <string.h>
#include <zlib.h>

#include <atomic>
#include <memory>
#include <unordered_set>

#include "common/collect.h"
#include "common/extract.h"
#include "base/le_bytes.h"
#include "base/mbname.h"
#include "base/ordered_work.h"
#include "base/textconv.h"

static const uint32_t kDescriptorSignature = 0x08074b50;
static const uint16_t kFlagDescriptor = 0x0008;
static const uint16_t kNotDeflated = 0xFFFF;  // DeflateFrom gave up after its probe
static const size_t kProbeSize = 128 * 1024;
static const uint16_t kMadeByDos20 = 20;  // version 2.0, host 0 (FAT): unzip -O applies to it


// ---------------------------------------------------------------- reading

int ListZip(FileReader* reader, std::vector<ListedEntry>* entries) {
    ZipDirectory directory;
    std::string error;
    int result = ReadZipDirectory(reader, &directory, &error);
    if (result != FDARC_OK) return result;
    for (const ZipEntry& zip : directory.entries) {
        ListedEntry entry;
        entry.name = zip.name;
        entry.size = zip.size;
        entry.packed = zip.packed;
        entry.crc = zip.crc;
        entry.attributes = zip.isFolder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
        entry.dosDate = zip.dosDate;
        entry.dosTime = zip.dosTime;
        entry.method = zip.method;
        entries->push_back(entry);
    }
    return FDARC_OK;
}

// ---------------------------------------------------------------- creation

namespace {
// Where an entry's data goes: the archive itself on the caller's thread, a
// job's memory on a worker.
struct FileSink {
    FileWriter* out;
    void Write(const void* data, size_t count) { out->Write(data, count); }
};

// A deflater and its buffers, kept from entry to entry: one on the caller's
// thread and one on each worker.
struct Compressor {
    std::vector<unsigned char> in, packed;
    z_stream deflater = {};
    bool ready = false;
    Compressor() : in(kIoBufferSize), packed(256 * 1024) {}
    Compressor(const Compressor&) = delete;
    Compressor& operator=(const Compressor&) = delete;
    ~Compressor() {
        if (ready) deflateEnd(&deflater);
    }
};

// On the caller's thread (cancel null) the window keeps answering between
// pieces and a cancel comes through the progress reader; on a worker the
// flag says it.
bool GiveUp(const std::atomic<bool>* cancel) {
    if (cancel == nullptr) {
        PumpMessagesIfDue();
        return false;
    }
    return cancel->load(std::memory_order_relaxed);
}

// Stores the file from the start of the source; used when deflate does not pay.
template <typename Sink>
int StoreInto(Sink* sink, FileReader* source, std::vector<unsigned char>* in, const std::atomic<bool>* cancel,
              ZipEntry* e) {
    if (!source->Seek(0)) return FDARC_E_READ;
    uint32_t crc = crc32(0, nullptr, 0);
    uint64_t total = 0;
    for (;;) {
        size_t got = source->Read(in->data(), in->size());
        if (got == 0) break;
        total += got;
        if (total > 0xFFFFFFFEu) return FDARC_E_TOO_LARGE;
        crc = crc32(crc, in->data(), static_cast<uInt>(got));
        sink->Write(in->data(), got);
        if (GiveUp(cancel)) return FDARC_E_CANCELLED;
    }
    if (source->failed()) return FDARC_E_READ;
    e->method = 0;
    e->versionNeeded = 10;
    e->crc = crc;
    e->size = e->packed = static_cast<uint32_t>(total);
    return FDARC_OK;
}

template <typename Sink>
int DeflateInto(Sink* sink, FileReader* source, Compressor* c, int level, const std::atomic<bool>* cancel,
                ZipEntry* e) {
    z_stream& deflater = c->deflater;
    std::vector<unsigned char>& in = c->in;
    std::vector<unsigned char>& packed = c->packed;
    if (!c->ready) {
        if (deflateInit2(&deflater, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return FDARC_E_MEMORY;
        c->ready = true;
    } else {
        deflateReset(&deflater);
    }
    uint32_t crc = crc32(0, nullptr, 0);
    uint64_t total = 0, written = 0;
    int flush = Z_NO_FLUSH;
    // The first piece is a probe: when it does not shrink, the file is
    // stored without deflating the rest (photos, archives, random data).
    size_t piece = kProbeSize;
    while (flush != Z_FINISH) {
        size_t got = source->Read(in.data(), piece);
        if (source->failed()) return FDARC_E_READ;
        total += got;
        if (total > 0xFFFFFFFEu) return FDARC_E_TOO_LARGE;
        crc = crc32(crc, in.data(), static_cast<uInt>(got));
        flush = got < piece ? Z_FINISH : Z_NO_FLUSH;
        deflater.next_in = in.data();
        deflater.avail_in = static_cast<uInt>(got);
        // Z_BLOCK ends the probe's block so its whole output can be measured.
        int mode = flush == Z_NO_FLUSH && piece == kProbeSize ? Z_BLOCK : flush;
        int status;
        do {
            deflater.next_out = packed.data();
            deflater.avail_out = static_cast<uInt>(packed.size());
            status = deflate(&deflater, mode);
            if (status == Z_STREAM_ERROR) return FDARC_E_MEMORY;
            size_t have = packed.size() - deflater.avail_out;
            written += have;
            if (written > 0xFFFFFFFEu) return FDARC_E_TOO_LARGE;
            sink->Write(packed.data(), have);
        } while (deflater.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
        if (piece == kProbeSize && flush != Z_FINISH) {
            unsigned pending = 0;
            int bits = 0;
            deflatePending(&deflater, &pending, &bits);
            if ((written + pending) * 100 >= total * 99) {
                e->method = kNotDeflated;
                return FDARC_OK;
            }
            piece = in.size();
        }
        if (GiveUp(cancel)) return FDARC_E_CANCELLED;
    }
    e->method = Z_DEFLATED;
    e->versionNeeded = 20;
    e->crc = crc;
    e->size = static_cast<uint32_t>(total);
    e->packed = static_cast<uint32_t>(written);
    return FDARC_OK;
}

// One source file's entry, compressed on a worker into memory and written
// by the caller's thread in its turn.
struct ZipJob {
    const SourceItem* item = nullptr;
    ZipEntry entry;
    std::vector<unsigned char> data;  // what follows the local header
    int result = FDARC_OK;
    bool onCaller = false;  // a folder or a large file: AddSource does it in its turn
};

// Files up to this size are compressed on the workers, held in memory until
// written; larger ones are compressed on the caller's thread straight into
// the archive when their turn comes, while the workers go on with the files
// behind them.
const uint64_t kWorkerFileMost = 16 << 20;
// What the jobs waiting to be written hold at most (their files' sizes):
// a compressed or stored entry is never larger than its file.
const size_t kHeldMost = sizeof(void*) == 4 ? 32 << 20 : 64 << 20;
const unsigned kMostWorkers = sizeof(void*) == 4 ? 8 : 16;
const unsigned kAnswerEveryMs = 50;

void CompressZipJob(Compressor* c, ZipJob* job, int level, const std::atomic<bool>& cancel) {
    FileReader source;
    if (!source.Open(job->item->path)) {
        job->result = FDARC_E_READ;
        return;
    }
    VectorSink sink(&job->data);
    ZipEntry* e = &job->entry;
    int result = level == 0 || source.Size() == 0 ? StoreInto(&sink, &source, &c->in, &cancel, e)
                                                  : DeflateInto(&sink, &source, c, level, &cancel, e);
    if (result == FDARC_OK && (e->method == kNotDeflated || e->packed >= e->size)) {
        job->data.clear();
        result = StoreInto(&sink, &source, &c->in, &cancel, e);
    }
    job->result = result;
}
}  // namespace

namespace {
struct ZipWriter {
    FileWriter out;
    std::string central;
    uint32_t count = 0;
    int error = FDARC_OK;
    Compressor compressor;  // the caller's: entries too large for a worker
    std::vector<unsigned char>& in = compressor.in;
    int level = 6;

    // Local header and central record share most fields.
    static void Common(std::string* h, const ZipEntry& e, bool local) {
        Put16(h, e.versionNeeded);
        Put16(h, e.flags);
        Put16(h, e.method);
        Put16(h, e.dosTime);
        Put16(h, e.dosDate);
        bool hidden = local && (e.flags & kFlagDescriptor);
        Put32(h, hidden ? 0 : e.crc);
        Put32(h, hidden ? 0 : e.packed);
        Put32(h, hidden ? 0 : e.size);
    }

    static std::string Extra(const ZipEntry& e) {
        std::string extra;
        if (e.hasUnixTime) {
            Put16(&extra, kExtraUnixTime);
            Put16(&extra, 5);
            extra.push_back(1);  // modification time only
            Put32(&extra, static_cast<uint32_t>(e.unixTime));
        }
        if (!e.unicodePathField.empty() && e.unicodePathField.size() <= 0xFFFF - 4 - extra.size()) {
            Put16(&extra, kExtraUnicodePath);
            Put16(&extra, static_cast<uint32_t>(e.unicodePathField.size()));
            extra += e.unicodePathField;
        }
        return extra;
    }

    // Names stay code page 932 with no UTF-8 flag, as every reader of the
    // common API expects; the UTF-8 form rides along for unzip, bsdtar and
    // macOS, which take it over the stored bytes.
    static void AddUnicodePath(ZipEntry* e) {
        std::string utf8;
        if (Cp932NameToUtf8(e->storedName, &utf8) && utf8 != e->storedName)
            e->unicodePathField = MakeUnicodePathField(e->storedName, utf8);
    }

    std::string LocalHeader(const ZipEntry& e) {
        std::string h;
        Put32(&h, kLocalSignature);
        Common(&h, e, true);
        std::string extra = Extra(e);
        Put16(&h, static_cast<uint32_t>(e.storedName.size()));
        Put16(&h, static_cast<uint32_t>(extra.size()));
        return h + e.storedName + extra;
    }

    bool AddCentral(const ZipEntry& e, uint64_t offset) {
        if (offset > 0xFFFFFFFEu || count == 0xFFFF) {
            error = FDARC_E_TOO_LARGE;
            return false;
        }
        std::string extra = Extra(e);
        Put32(&central, kCentralSignature);
        Put16(&central, e.versionMadeBy);
        Common(&central, e, false);
        Put16(&central, static_cast<uint32_t>(e.storedName.size()));
        Put16(&central, static_cast<uint32_t>(extra.size()));
        Put16(&central, 0);  // comment
        Put16(&central, 0);  // disk
        Put16(&central, e.internalAttributes);
        Put32(&central, e.externalAttributes);
        Put32(&central, static_cast<uint32_t>(offset));
        central += e.storedName + extra;
        ++count;
        return true;
    }

    // Copies an entry of the old archive as it is: no recompression.
    bool CopyEntry(FileReader* old, const ZipDirectory& directory, const ZipEntry& e) {
        uint64_t data = 0;
        if (!LocateZipData(old, directory, e, &data) || !old->Seek(data)) {
            error = FDARC_E_CORRUPT;
            return false;
        }
        uint64_t offset = out.Position();
        std::string header = LocalHeader(e);
        out.Write(header.data(), header.size());
        uint64_t left = e.packed;
        while (left > 0) {
            size_t piece = static_cast<size_t>(left < in.size() ? left : in.size());
            if (old->Read(in.data(), piece) != piece) {
                error = FDARC_E_CORRUPT;
                return false;
            }
            out.Write(in.data(), piece);
            left -= piece;
            PumpMessagesIfDue();
            if (!ReportProgress(e.name, ProgressDone())) {
                error = FDARC_E_CANCELLED;
                return false;
            }
        }
        if (e.flags & kFlagDescriptor) {
            std::string descriptor;
            Put32(&descriptor, kDescriptorSignature);
            Put32(&descriptor, e.crc);
            Put32(&descriptor, e.packed);
            Put32(&descriptor, e.size);
            out.Write(descriptor.data(), descriptor.size());
        }
        return AddCentral(e, offset);
    }

    // Stores the file from the start of the source; used when deflate does not pay.
    int StoreFrom(FileReader* source, ZipEntry* e) {
        FileSink sink{&out};
        return StoreInto(&sink, source, &in, nullptr, e);
    }

    int DeflateFrom(FileReader* source, ZipEntry* e) {
        FileSink sink{&out};
        return DeflateInto(&sink, source, &compressor, level, nullptr, e);
    }

    static ZipEntry EntryFor(const SourceItem& item) {
        ZipEntry e;
        e.name = e.storedName = item.stored;
        AddUnicodePath(&e);
        e.versionMadeBy = kMadeByDos20;
        e.versionNeeded = item.isFolder ? 20 : 10;
        FileTimeToDos(item.modified, &e.dosDate, &e.dosTime);
        e.hasUnixTime = true;
        e.unixTime = FileTimeToUnix(item.modified);
        e.externalAttributes = item.attributes & 0x37;  // DOS bits: read-only, hidden, system, folder, archive
        return e;
    }

    // A folder, or a file too large for a worker, done here in its turn.
    bool AddSource(const SourceItem& item, CallLog* log) {
        ZipEntry e = EntryFor(item);
        uint64_t offset = out.Position();
        if (item.isFolder) {
            std::string header = LocalHeader(e);
            out.Write(header.data(), header.size());
            log->Line(e.name);
            return AddCentral(e, offset);
        }
        ProgressReader source;
        if (!source.Open(item.path, item.stored)) {
            log->Line("ファイルを読めません: " + item.path);
            error = FDARC_E_READ;
            return false;
        }
        // Sizes and CRC are patched into the header afterwards: no data descriptor needed.
        std::string header = LocalHeader(e);
        out.Write(header.data(), header.size());
        uint64_t dataStart = out.Position();
        int result = level == 0 || source.Size() == 0 ? StoreFrom(&source, &e) : DeflateFrom(&source, &e);
        if (result == FDARC_OK && (e.method == kNotDeflated || e.packed >= e.size)) {
            out.Rewind(dataStart);
            result = StoreFrom(&source, &e);
        }
        if (result != FDARC_OK) {
            LogFailure(result, item, log);
            error = result;
            return false;
        }
        std::string patched = LocalHeader(e);
        out.PatchAt(offset, patched.data(), 30);
        log->Line(e.name);
        return AddCentral(e, offset);
    }

    static void LogFailure(int result, const SourceItem& item, CallLog* log) {
        if (result == FDARC_E_CANCELLED) return;
        log->Line((result == FDARC_E_TOO_LARGE ? "4 GB を超えるファイルには対応していません: " : "ファイルを読めません: ") + item.path);
    }

    // A file a worker compressed: the same header, data and record as
    // AddSource gives it, and the call's progress past it.
    bool WriteJob(const ZipJob& job, CallLog* log) {
        const SourceItem& item = *job.item;
        if (job.result != FDARC_OK) {
            LogFailure(job.result, item, log);
            error = job.result;
            return false;
        }
        uint64_t offset = out.Position();
        std::string header = LocalHeader(job.entry);
        out.Write(header.data(), header.size());
        if (!WriteMadeEntry(&out, job.data.data(), job.data.size(), item.stored, item.size)) {
            if (!out.failed()) error = FDARC_E_CANCELLED;
            return false;
        }
        log->Line(job.entry.name);
        return AddCentral(job.entry, offset);
    }

    bool Finish() {
        uint64_t start = out.Position();
        if (start > 0xFFFFFFFEu || central.size() > 0xFFFFFFFEu - start) {
            error = FDARC_E_TOO_LARGE;
            return false;
        }
        std::string end;
        Put32(&end, kEndSignature);
        Put16(&end, 0);
        Put16(&end, 0);
        Put16(&end, count);
        Put16(&end, count);
        Put32(&end, static_cast<uint32_t>(central.size()));
        Put32(&end, static_cast<uint32_t>(start));
        Put16(&end, 0);
        out.Write(central.data(), central.size());
        out.Write(end.data(), end.size());
        return !out.failed();
    }
};
}  // namespace

namespace {
using ZipWork = OrderedWork<ZipJob, Compressor>;

// Waits for the oldest job, the caller's window answering and its progress
// callback getting its turns (so a cancel comes through within a second),
// and writes it.
bool WriteOldest(ZipWriter* writer, ZipWork* work, CallLog* log) {
    while (!work->OldestReady(kAnswerEveryMs)) {
        PumpMessagesIfDue();
        if (!KeepGoing()) {
            writer->error = FDARC_E_CANCELLED;
            return false;
        }
    }
    std::unique_ptr<ZipJob> job = work->Take();
    if (!job) return true;
    if (job->onCaller) return writer->AddSource(*job->item, log);
    return writer->WriteJob(*job, log);
}

// The sources' entries in their order: files are compressed on the workers
// a few ahead of the one being written; folders and files too large to
// hold take their turn on this thread.
bool AddSources(ZipWriter* writer, const std::vector<SourceItem>& items, CallLog* log) {
    const int level = writer->level;
    // Two workers a processor: one opening a small file waits on the file
    // system (under Wine, round trips to its server) while the other deflates.
    unsigned workers = items.size() > 1 ? 2 * WorkerThreads(kMostWorkers / 2) : 0;
    ZipWork work([level](Compressor* c, ZipJob* job,
                         const std::atomic<bool>& cancel) { CompressZipJob(c, job, level, cancel); },
                 workers, 4 * workers, kHeldMost);
    bool ok = true;
    for (const SourceItem& item : items) {
        bool onCaller = item.isFolder || item.size > kWorkerFileMost;
        size_t bytes = onCaller ? 0 : static_cast<size_t>(item.size);
        while (ok && work.Full(bytes)) ok = WriteOldest(writer, &work, log);
        if (!ok) break;
        std::unique_ptr<ZipJob> job(new ZipJob());
        job->item = &item;
        job->entry = ZipWriter::EntryFor(item);
        job->onCaller = onCaller;
        work.Put(std::move(job), bytes, onCaller);
    }
    while (ok && work.Held() > 0) ok = WriteOldest(writer, &work, log);
    if (!ok) work.Cancel();
    return ok;
}
}  // namespace

int CreateZip(const Command& command, CallLog* log) {
    std::vector<SourceItem> items;
    int skipped = FDARC_OK;
    int result = CollectSources(command, log, &items, &skipped);
    if (result != FDARC_OK) return result;

    // An existing archive is updated: its entries stay unless replaced.
    FileReader old;
    ZipDirectory directory;
    DWORD attributes = GetFileAttributesA(command.archive.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) || !old.Open(command.archive)) {
            log->Line("書庫を開けません: " + command.archive);
            return FDARC_E_OPEN_ARCHIVE;
        }
        std::string error;
        if (old.Size() > 0 && (result = ReadZipDirectory(&old, &directory, &error)) != FDARC_OK) {
            log->Line(error + ": " + command.archive);
            return result;
        }
    }
    std::unique_ptr<ZipWriter> writer(new ZipWriter());
    writer->level = command.level;
    std::string temp =
        CreateTemporaryFor(command.archive, log, [&writer](const std::string& t) { return writer->out.Create(t); });
    if (temp.empty()) return FDARC_E_WRITE;
    std::unordered_set<std::string> replaced;
    for (const SourceItem& item : items) replaced.insert(item.stored);
    BeginProgress(SourceBytes(items));
    bool ok = true;
    for (const ZipEntry& entry : directory.entries) {
        if (replaced.count(entry.name) != 0) continue;
        if (!(ok = writer->CopyEntry(&old, directory, entry))) {
            log->Line("元の書庫が壊れています: " + entry.name);
            break;
        }
    }
    if (ok) ok = AddSources(writer.get(), items, log);
    if (ok) ok = writer->Finish();
    old.Close();
    if (!ok || !writer->out.Finish()) {
        writer->out.Abandon();
        DeleteFileA(temp.c_str());
        if (writer->error == FDARC_OK) log->Line("書庫を書き込めません: " + command.archive);
        return writer->error != FDARC_OK ? writer->error : FDARC_E_WRITE;
    }
    if (!SwapTemporaryIn(temp, command.archive, log)) return FDARC_E_WRITE;
    return skipped;  // the archive is whole, but not everything asked for is in it
}

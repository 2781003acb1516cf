#include "lzh/lzhcreate.h"

#include <unordered_set>

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

int AddItem(LzhArchiveWriter* writer, const SourceItem& item, CallLog* log) {
    LzhNewEntry entry;
    entry.name = item.stored;
    entry.isFolder = item.isFolder;
    entry.unixTime = FileTimeToUnix(item.modified);
    entry.fileTime = Ticks(item.modified);
    entry.attributes = static_cast<uint16_t>(item.attributes & 0x37);  // DOS bits: read-only, hidden, system, folder, archive
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
    switch (status) {
    case LzhStatus::Ok: log->Line(item.stored); break;
    case LzhStatus::Read: log->Line("ファイルを読めません: " + item.path); break;
    case LzhStatus::TooLarge: log->Line("4 GB を超えるファイルには対応していません: " + item.path); break;
    default: break;  // a write failure is reported once, for the archive
    }
    return ErrorOf(status);
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
    for (size_t i = 0; result == FDARC_OK && i < items.size(); ++i) result = AddItem(&writer, items[i], log);
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

#include "cab/cabformat.h"

#include <map>
#include <memory>
#include <unordered_set>

#include "cab/cabwrite.h"
#include "common/collect.h"
#include "common/fileio.h"
#include "base/mbname.h"
#include "base/ordered_work.h"
#include "base/textconv.h"

namespace {
class ReaderBytes : public CabByteSource {
public:
    explicit ReaderBytes(FileReader* reader) : reader_(reader) {}
    uint64_t Size() override { return reader_->Size(); }
    bool ReadAt(uint64_t offset, void* dst, size_t count) override { return reader_->ReadAt(offset, dst, count); }

private:
    FileReader* reader_;
};

class WriterSink : public CabSink {
public:
    explicit WriterSink(FileWriter* writer) : writer_(writer) {}
    bool Write(const void* data, size_t count) override { return writer_->Write(data, count); }
    bool PatchAt(uint64_t offset, const void* data, size_t count) override {
        return writer_->PatchAt(offset, data, count);
    }
    uint64_t Position() override { return writer_->Position(); }

private:
    FileWriter* writer_;
};

// A file of the new cabinet comes from disk or, when the old cabinet's
// folder that held it is not copied whole, from that folder's data.
struct Origin {
    std::string path;       // on disk
    std::string name;       // as the progress shows it
    int oldFolder = -1;     // else folder of the old cabinet
    uint32_t oldOffset = 0;
    uint32_t size = 0;
};

class Sources : public CabFileSource {
public:
    Sources(const std::vector<Origin>& origins, CabByteSource* old, const CabDirectory& directory)
        : origins_(origins), old_(old), directory_(directory) {}

    bool Open(size_t index) override {
        file_.Close();
        current_ = &origins_[index];
        done_ = 0;
        if (current_->oldFolder < 0) return file_.Open(current_->path, current_->name);
        std::unique_ptr<CabFolderReader>& reader = readers_[current_->oldFolder];
        if (!reader) {
            reader.reset(new CabFolderReader());
            if (reader->Begin(old_, directory_, static_cast<uint16_t>(current_->oldFolder)) != CabStatus::Ok) {
                reader.reset();
                return false;
            }
        }
        return true;
    }

    bool Read(unsigned char* dst, size_t count, size_t* got) override {
        if (current_->oldFolder < 0) {
            *got = file_.Read(dst, count);
            return !file_.failed();
        }
        if (!KeepGoing()) return false;
        size_t piece = count < current_->size - done_ ? count : current_->size - done_;
        if (readers_[current_->oldFolder]->ReadAt(current_->oldOffset + done_, dst, piece) != CabStatus::Ok) return false;
        done_ += static_cast<uint32_t>(piece);
        *got = piece;
        return true;
    }

private:
    const std::vector<Origin>& origins_;
    CabByteSource* old_;
    const CabDirectory& directory_;
    std::map<int, std::unique_ptr<CabFolderReader>> readers_;  // one per old folder, reading forward
    const Origin* current_ = nullptr;
    uint32_t done_ = 0;
    ProgressReader file_;
};

int ErrorOf(CabStatus status) {
    switch (status) {
    case CabStatus::Ok: return FDARC_OK;
    case CabStatus::Corrupt: return FDARC_E_CORRUPT;
    case CabStatus::Unsupported: return FDARC_E_UNSUPPORTED;
    case CabStatus::TooLarge: return FDARC_E_TOO_LARGE;
    case CabStatus::Read: return FDARC_E_READ;
    case CabStatus::Write: return FDARC_E_WRITE;
    case CabStatus::Memory: return FDARC_E_MEMORY;
    }
    return FDARC_E_CORRUPT;
}

// A name that is not ASCII is stored as UTF-8 with the attribute that says
// so, which cabextract, gcab and Windows' own cabinet code read; a name whose
// UTF-8 form would pass the format's limit stays code page 932.
void StoreNameAsUtf8(CabNewFile* file) {
    std::string utf8;
    if (!Cp932NameToUtf8(file->name, &utf8) || utf8 == file->name || utf8.size() >= kCabNameLimit) return;
    file->name = utf8;
    file->attributes |= kCabNameIsUtf8;
}

// An old file's name as the names being added are matched against it.
std::string OldName(const CabFile& file) {
    std::string name = file.name;
    if (file.attributes & kCabNameIsUtf8) Utf8NameToCp932(file.name, &name);
    return name;
}

// Old files stay; a folder none of whose files is replaced is copied block
// by block, the survivors of the others are compressed again (first in the
// new list, in their old order).
int PlanUpdate(const CabDirectory& directory, const std::unordered_set<std::string>& replaced, CabPlan* plan,
               std::vector<Origin>* origins, CallLog* log) {
    std::vector<bool> touched(directory.folders.size(), false);
    for (const CabFile& file : directory.files) {
        if (replaced.count(OldName(file)) != 0) touched[file.folder] = true;
    }
    for (size_t f = 0; f < directory.folders.size(); ++f) {
        if (!touched[f]) {
            plan->keptFolders.push_back(static_cast<uint16_t>(f));
            continue;
        }
        uint16_t method = directory.folders[f].compression & 0x0F;
        if (method != kCabCompressNone && method != kCabCompressMszip) {
            log->Line("この圧縮方式の cab のファイルは置き換えられません: " + std::to_string(method));
            return FDARC_E_UNSUPPORTED;
        }
        for (const CabFile& file : directory.files) {
            if (file.folder != f || replaced.count(OldName(file)) != 0) continue;
            CabNewFile kept;
            kept.name = file.name;
            kept.size = file.size;
            kept.date = file.date;
            kept.time = file.time;
            kept.attributes = file.attributes;
            plan->files.push_back(kept);
            Origin origin;
            origin.oldFolder = static_cast<int>(f);
            origin.oldOffset = file.folderOffset;
            origin.size = file.size;
            origins->push_back(origin);
        }
    }
    return FDARC_OK;
}
}  // namespace

int CreateCab(const Command& command, CallLog* log) {
    std::vector<SourceItem> items;
    int skipped = FDARC_OK;
    int result = CollectSources(command, log, &items, &skipped);
    if (result != FDARC_OK) return result;

    CabPlan plan;
    std::vector<Origin> origins;
    std::vector<CabNewFile> added;
    std::vector<Origin> addedOrigins;
    std::unordered_set<std::string> replaced;
    for (const SourceItem& item : items) {
        if (item.isFolder) continue;  // a cabinet has no folder entries: folders live in the names
        CabNewFile file;
        file.name = item.stored;
        ToBackslashes(&file.name);
        file.size = item.size;
        FileTimeToDos(item.modified, &file.date, &file.time);
        file.attributes = static_cast<uint16_t>(item.attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN |
                                                                    FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE));
        Origin origin;
        origin.path = item.path;
        origin.name = file.name;
        addedOrigins.push_back(origin);
        replaced.insert(file.name);
        StoreNameAsUtf8(&file);
        added.push_back(file);
    }

    FileReader old;
    ReaderBytes oldBytes(&old);
    CabDirectory directory;
    DWORD attributes = GetFileAttributesA(command.archive.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) || !old.Open(command.archive)) {
            log->Line("書庫を開けません: " + command.archive);
            return FDARC_E_OPEN_ARCHIVE;
        }
        if (old.Size() > 0) {
            std::string error;
            CabStatus status = ReadCabDirectory(&oldBytes, &directory, &error);
            if (status != CabStatus::Ok) {
                log->Line(error + ": " + command.archive);
                return ErrorOf(status);
            }
            plan.old = &oldBytes;
            plan.oldDirectory = &directory;
            result = PlanUpdate(directory, replaced, &plan, &origins, log);
            if (result != FDARC_OK) return result;
        }
    }
    if (added.empty() && plan.keptFolders.empty() && plan.files.empty()) {
        log->Line("cab 書庫に入れるファイルがありません (cab は空のフォルダを収められません)");
        return FDARC_E_NO_FILES;
    }
    plan.files.insert(plan.files.end(), added.begin(), added.end());
    origins.insert(origins.end(), addedOrigins.begin(), addedOrigins.end());

    FileWriter out;
    std::string temp = CreateTemporaryFor(command.archive, log, [&out](const std::string& t) { return out.Create(t); });
    if (temp.empty()) return FDARC_E_WRITE;
    WriterSink sink(&out);
    BeginProgress(SourceBytes(items));
    std::unique_ptr<Sources> sources(new Sources(origins, &oldBytes, directory));
    std::string error;
    CabWriteOptions options;
    options.progress = PumpMessagesIfDue;  // background mode: the caller's window stays alive
    // Each worker holds about 100 KB: as many as there are processors.
    options.threads = WorkerThreads(sizeof(void*) == 4 ? 8 : 16);
    CabStatus status = WriteCabinet(plan, sources.get(), &sink, options, &error);
    sources.reset();
    old.Close();
    if (status != CabStatus::Ok || !out.Finish()) {
        out.Abandon();
        DeleteFileA(temp.c_str());
        log->Line(status != CabStatus::Ok ? error : "書庫を書き込めません: " + command.archive);
        return status != CabStatus::Ok ? ErrorOf(status) : FDARC_E_WRITE;
    }
    if (!SwapTemporaryIn(temp, command.archive, log)) return FDARC_E_WRITE;
    for (const Origin& origin : addedOrigins) log->Line(origin.name);
    return skipped;  // the archive is whole, but not everything asked for is in it
}

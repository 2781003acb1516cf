#include "sevenzip/sevenzip_create.h"

#include <archive.h>
#include <archive_entry.h>

#include <memory>
#include <unordered_set>

#include "common/collect.h"
#include "libarchive/libarchive_formats.h"
#include "sevenzip/sevenzip_writer.h"

namespace {
bool StoredToWide(const std::string& stored, std::wstring* wide) {
    std::string name = stored;
    while (!name.empty() && name.back() == '/') name.pop_back();
    return WideFrom932(name, wide) && !wide->empty();
}

int AddSevenZipSource(SevenZipWriter* w, const SourceItem& item, std::vector<char>* buffer, CallLog* log) {
    std::wstring name;
    if (!StoredToWide(item.stored, &name)) {
        log->Line("名前を変換できません: " + item.path);
        return FDARC_E_READ;
    }
    if (item.isFolder) {
        if (!w->AddFolder(name, item.modified, item.attributes)) return FDARC_E_WRITE;
        log->Line(item.stored);
        return FDARC_OK;
    }
    ProgressReader source;
    if (!source.Open(item.path, item.stored)) {
        log->Line("ファイルを読めません: " + item.path);
        return FDARC_E_READ;
    }
    if (!w->BeginFile(name, item.modified, item.attributes, source.Size())) return FDARC_E_WRITE;
    uint64_t left = source.Size();
    while (left > 0) {
        size_t piece = static_cast<size_t>(left < buffer->size() ? left : buffer->size());
        if (source.Read(buffer->data(), piece) != piece) {
            log->Line("ファイルを読めません: " + item.path);
            return FDARC_E_READ;
        }
        if (!w->Write(buffer->data(), piece)) return FDARC_E_WRITE;
        left -= piece;
        PumpMessagesIfDue();
    }
    if (!w->EndFile()) return FDARC_E_WRITE;
    log->Line(item.stored);
    return FDARC_OK;
}

// Entries of the archive being updated, copied over unless a new source
// replaces them: decoded through libarchive and encoded again, each in its
// own block as the new ones.
int CopyOldEntries(const std::string& path, const std::unordered_set<std::string>& replaced, SevenZipWriter* w,
                   std::vector<char>* buffer, CallLog* log) {
    Reader a = OpenReader(path, LibarchiveKind::Archive);
    if (!a) {
        log->Line("書庫を開けません: " + path);
        return FDARC_E_OPEN_ARCHIVE;
    }
    for (;;) {
        archive_entry* entry = nullptr;
        int status = archive_read_next_header(a.get(), &entry);
        if (status == ARCHIVE_EOF) return FDARC_OK;
        if (status < ARCHIVE_WARN || archive_format(a.get()) != ARCHIVE_FORMAT_7ZIP) {
            log->Line("元の書庫が壊れています: " + path);
            return FDARC_E_CORRUPT;
        }
        std::string name;
        std::wstring wide;
        if (!EntryName(a.get(), entry, path, &name) || !StoredToWide(name, &wide)) return FDARC_E_CORRUPT;
        if (replaced.count(name) != 0) continue;
        FILETIME modified = EntryTime(entry);
        DWORD attributes = (archive_entry_perm(entry) & 0222) ? 0 : FILE_ATTRIBUTE_READONLY;
        if (IsFolderEntry(entry)) {
            if (!w->AddFolder(wide, modified, attributes)) return FDARC_E_WRITE;
            continue;
        }
        if (!IsFileEntry(entry)) continue;
        uint64_t size = archive_entry_size_is_set(entry) ? static_cast<uint64_t>(archive_entry_size(entry)) : 0;
        if (!w->BeginFile(wide, modified, attributes | FILE_ATTRIBUTE_ARCHIVE, size)) return FDARC_E_WRITE;
        for (;;) {
            la_ssize_t got = archive_read_data(a.get(), buffer->data(), buffer->size());
            if (got == 0) break;
            if (got < 0) {
                log->Line("元の書庫が壊れています: " + name);
                return FDARC_E_CORRUPT;
            }
            if (!w->Write(buffer->data(), static_cast<size_t>(got))) return FDARC_E_WRITE;
            PumpMessagesIfDue();
            if (!ReportProgress(name, ProgressDone())) return FDARC_E_CANCELLED;
        }
        if (!w->EndFile()) return FDARC_E_WRITE;
    }
}
}  // namespace

int CreateSevenZip(const Command& command, CallLog* log) {
    std::vector<SourceItem> items;
    int skipped = FDARC_OK;
    int result = CollectSources(command, log, &items, &skipped);
    if (result != FDARC_OK) return result;
    DWORD attributes = GetFileAttributesA(command.archive.c_str());
    bool update = attributes != INVALID_FILE_ATTRIBUTES;
    if (update && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        log->Line("書庫を開けません: " + command.archive);
        return FDARC_E_OPEN_ARCHIVE;
    }
    std::unique_ptr<SevenZipWriter> w(new SevenZipWriter());
    // LZMA2 at 7-Zip's default level, every file in a block of its own.
    std::string temp = CreateTemporaryFor(command.archive, log, [&w](const std::string& t) { return w->Create(t, 5); });
    if (temp.empty()) return FDARC_E_WRITE;
    std::vector<char> buffer(kIoBufferSize);
    std::unordered_set<std::string> replaced;
    for (const SourceItem& item : items) replaced.insert(item.stored);
    BeginProgress(SourceBytes(items));
    if (update) {
        FileReader probe;
        if (probe.Open(command.archive) && probe.Size() > 0) {
            probe.Close();
            result = CopyOldEntries(command.archive, replaced, w.get(), &buffer, log);
        }
    }
    for (size_t i = 0; result == FDARC_OK && i < items.size(); ++i)
        result = AddSevenZipSource(w.get(), items[i], &buffer, log);
    if (result != FDARC_OK || !w->Finish()) {
        w->Abandon();
        DeleteFileA(temp.c_str());
        log->Line("書庫を書き込めません: " + command.archive);
        return result != FDARC_OK ? result : FDARC_E_WRITE;
    }
    if (!SwapTemporaryIn(temp, command.archive, log)) return FDARC_E_WRITE;
    return skipped;  // the archive is whole, but not everything asked for is in it
}

#include "tar/tarformat.h"

#include <stdio.h>
#include <string.h>
#include <zlib.h>

#include <memory>
#include <unordered_set>

#include "common/collect.h"
#include "common/extract.h"
#include "base/mbname.h"
#include "base/textconv.h"

static const size_t kBlock = 512;

// ---------------------------------------------------------------- writing

namespace {
class TarOutput {
public:
    ~TarOutput() {
        if (zReady_) deflateEnd(&z_);
    }
    bool Create(const std::string& path, bool gzip, int level) {
        gzip_ = gzip;
        if (gzip_) {
            if (deflateInit2(&z_, level, Z_DEFLATED, MAX_WBITS + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
            zReady_ = true;
            packed_.resize(256 * 1024);
        }
        return file_.Create(path);
    }
    bool Write(const void* data, size_t count) {
        written_ += count;
        if (!gzip_) return file_.Write(data, count);
        z_.next_in = static_cast<Bytef*>(const_cast<void*>(data));
        z_.avail_in = static_cast<uInt>(count);
        return Pump(Z_NO_FLUSH);
    }
    bool Finish() {
        if (gzip_ && !Pump(Z_FINISH)) {
            file_.Abandon();
            return false;
        }
        return file_.Finish();
    }
    void Abandon() { file_.Abandon(); }
    uint64_t written() const { return written_; }

private:
    bool Pump(int flush) {
        int status;
        do {
            z_.next_out = packed_.data();
            z_.avail_out = static_cast<uInt>(packed_.size());
            status = deflate(&z_, flush);
            if (status == Z_STREAM_ERROR) return false;
            if (!file_.Write(packed_.data(), packed_.size() - z_.avail_out)) return false;
        } while (z_.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
        return true;
    }
    FileWriter file_;
    bool gzip_ = false;
    z_stream z_ = {};
    bool zReady_ = false;
    std::vector<unsigned char> packed_;
    uint64_t written_ = 0;
};
}  // namespace

// ---------------------------------------------------------------- listing

// The archive's character set, decided by a pass over its headers through a
// reader of its own the first time a name needs it.
static NameCharsetQuery ArchiveCharset(const std::string& path) {
    auto decided = std::make_shared<int>(-1);
    return [path, decided]() {
        if (*decided < 0) {
            FileReader file;
            *decided = static_cast<int>(file.Open(path) ? ScanTarNames(&file) : NameCharset::Cp932);
        }
        return static_cast<NameCharset>(*decided);
    };
}

static void FillListed(const TarMember& member, ListedEntry* entry) {
    entry->name = member.name;
    entry->size = member.realSize;
    entry->packed = member.size;
    entry->attributes = member.kind == TarKind::Folder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    FileTimeToDos(UnixToFileTime(member.mtime), &entry->dosDate, &entry->dosTime);
}

int ListTar(const std::string& path, std::vector<ListedEntry>* entries) {
    FileReader file;
    TarInput input;
    if (!file.Open(path) || !input.Open(&file)) return FDARC_E_OPEN_ARCHIVE;
    NameCharsetQuery charset = ArchiveCharset(path);
    for (;;) {
        TarMember member;
        TarNext next = ReadTarMember(&input, &member, false, charset);
        if (next == TarNext::End) return input.FinishStream() ? FDARC_OK : input.error();
        if (next == TarNext::Error) return input.error() != FDARC_OK ? input.error() : FDARC_E_CORRUPT;
        ListedEntry entry;
        FillListed(member, &entry);
        entries->push_back(entry);
        if (!input.Skip(TarPadded(member.size))) return input.error();
    }
}

// ---------------------------------------------------------------- extraction

namespace {
struct TarExtraction {
    Extraction x;
    TarInput input;
    std::unordered_set<std::string> extracted;  // full paths of the files this call wrote
};

// A file member into its path; false when the whole extraction must stop.
bool ExtractMember(TarExtraction* t, const TarMember& member, const std::string& path, uint64_t* consumed) {
    Extraction* x = &t->x;
    OutputFile file;
    OutputStart start = file.Begin(x, path);
    if (start == OutputStart::Stop) return false;
    if (start == OutputStart::Skip) return true;
    int result = CopyTarData(&t->input, member, &file, consumed);
    if (result != FDARC_OK) {
        file.Abandon();
        if (t->input.error() != FDARC_OK) return true;  // the caller reports the damaged archive
        if (result == FDARC_E_WRITE) x->Fail(result, "書き込めません: " + path);
        else x->Fail(result, "スパースファイルの情報が壊れているため展開しません: " + member.name);
        return true;
    }
    if (file.Commit(x, UnixToFileTime(member.mtime))) {
        t->extracted.insert(path);
        x->log->Line(member.name);
    }
    return true;
}

// A hard link becomes a copy of its target when this call extracted that
// target below the destination; Windows links would tie the two files.
bool ExtractHardLink(TarExtraction* t, const TarMember& member, const std::string& path) {
    Extraction* x = &t->x;
    std::string relative;
    std::string target;
    if (MakeSafeRelativePath(member.linkName, &relative)) target = x->destination + relative;
    if (target.empty() || target == path || t->extracted.count(target) == 0) {
        x->Fail(FDARC_E_UNSUPPORTED, "リンク先が展開されていないため展開しません: " + member.name + " -> " + member.linkName);
        return true;
    }
    FileReader source;
    if (!source.Open(target)) {
        x->Fail(FDARC_E_WRITE, "リンク先を読めません: " + target);
        return true;
    }
    OutputFile file;
    OutputStart start = file.Begin(x, path);
    if (start == OutputStart::Stop) return false;
    if (start == OutputStart::Skip) return true;
    std::vector<char> buffer(kSmallBufferSize);
    for (;;) {
        size_t got = source.Read(buffer.data(), buffer.size());
        if (got == 0) break;
        if (!file.Write(buffer.data(), got)) break;
        PumpMessagesIfDue();
    }
    if (source.failed() || file.failed()) {
        file.Abandon();
        x->Fail(FDARC_E_WRITE, "書き込めません: " + path);
        return true;
    }
    if (file.Commit(x, UnixToFileTime(member.mtime))) {
        t->extracted.insert(path);
        x->log->Line(member.name);
    }
    return true;
}

// Everything but folders and files is left out, and said so.
void ReportSkipped(Extraction* x, const TarMember& member) {
    switch (member.kind) {
    case TarKind::SymLink:
        x->Fail(FDARC_E_UNSUPPORTED, "シンボリックリンクは展開しません: " + member.name + " -> " + member.linkName);
        break;
    case TarKind::Special:
        x->Fail(FDARC_E_UNSUPPORTED, "デバイスや名前付きパイプは展開しません: " + member.name);
        break;
    case TarKind::Unsupported:
        x->Fail(FDARC_E_UNSUPPORTED, (member.sparse ? "スパースファイルの情報が壊れているため展開しません: "
                                                    : "別の巻から続くファイルは展開できません: ") + member.name);
        break;
    default:
        break;
    }
}
}  // namespace

int ExtractTar(const Command& command, HWND owner, CallLog* log) {
    FileReader file;
    std::unique_ptr<TarExtraction> t(new TarExtraction());
    NameCharsetQuery charset = ArchiveCharset(command.archive);
    if (!file.Open(command.archive) || !t->input.Open(&file)) {
        log->Line("書庫を開けません: " + command.archive);
        return FDARC_E_OPEN_ARCHIVE;
    }
    Extraction* x = &t->x;
    if (!BeginExtraction(x, command, owner, log)) return x->error;
    // A tar stream tells its members' sizes only as it goes: the progress
    // follows the archive's bytes.
    x->position = [&file]() { return file.Tell(); };
    BeginProgress(file.Size());
    for (;;) {
        PumpMessagesIfDue();
        if (x->Stopping()) break;
        TarMember member;
        TarNext next = ReadTarMember(&t->input, &member, false, charset);
        if (next == TarNext::End) {
            if (!t->input.FinishStream()) x->Fail(t->input.error(), "書庫が壊れています: " + command.archive);
            break;
        }
        if (next == TarNext::Error) {
            x->Fail(t->input.error() != FDARC_OK ? t->input.error() : FDARC_E_CORRUPT, "書庫が壊れています: " + command.archive);
            break;
        }
        uint64_t consumed = 0;
        bool goOn = true;
        std::string path;
        if (x->Wanted(member.name) && ResolveEntryPath(x, member.name, &path)) {
            switch (member.kind) {
            case TarKind::Folder: CreateFolders(x, path); break;
            case TarKind::File: goOn = ExtractMember(t.get(), member, path, &consumed); break;
            case TarKind::HardLink: goOn = ExtractHardLink(t.get(), member, path); break;
            default: ReportSkipped(x, member); break;
            }
        }
        if (!goOn || x->Stopping()) break;  // not past the rest of a large member: that could take long
        if (t->input.error() != FDARC_OK || !t->input.Skip(TarPadded(member.size) - consumed)) {
            x->Fail(t->input.error() != FDARC_OK ? t->input.error() : FDARC_E_CORRUPT, "書庫が壊れています: " + command.archive);
            break;
        }
    }
    return x->error;
}

// ---------------------------------------------------------------- creation

static void PutOctal(char* field, size_t size, uint64_t value) {
    // size-1 digits and a NUL; the caller made sure it fits.
    snprintf(field, size, "%0*llo", static_cast<int>(size - 1), static_cast<unsigned long long>(value));
}

static void PutSize(unsigned char* field, uint64_t size) {
    if (size < (1ULL << 33)) {
        PutOctal(reinterpret_cast<char*>(field), 12, size);
        return;
    }
    memset(field, 0, 12);
    field[0] = 0x80;
    for (int i = 11; i >= 4; --i, size >>= 8) field[i] = static_cast<unsigned char>(size & 0xFF);
}

static void FinishHeader(unsigned char* block) {
    memset(block + 148, ' ', 8);
    unsigned sum = 0;
    for (size_t i = 0; i < kBlock; ++i) sum += block[i];
    snprintf(reinterpret_cast<char*>(block + 148), 8, "%06o", sum);  // six digits, NUL, then the space kept
    block[155] = ' ';
}

static void BasicHeader(unsigned char* block, const std::string& name, char type, uint64_t size, int64_t mtime,
                        unsigned mode) {
    memset(block, 0, kBlock);
    memcpy(block, name.data(), name.size() < 100 ? name.size() : 100);
    PutOctal(reinterpret_cast<char*>(block + 100), 8, mode);
    PutOctal(reinterpret_cast<char*>(block + 108), 8, 0);
    PutOctal(reinterpret_cast<char*>(block + 116), 8, 0);
    PutSize(block + 124, size);
    PutOctal(reinterpret_cast<char*>(block + 136), 12, static_cast<uint64_t>(mtime < 0 ? 0 : mtime) & 077777777777ULL);
    block[156] = static_cast<unsigned char>(type);
    memcpy(block + 257, "ustar  ", 8);  // GNU format: long names go in an 'L' record
}

// "LENGTH key=value\n", the length counting its own digits.
static std::string PaxRecord(const std::string& key, const std::string& value) {
    size_t body = key.size() + value.size() + 3;  // ' ', '=', '\n'
    size_t length = body + 1;
    while (std::to_string(length).size() + body != length) ++length;
    return std::to_string(length) + " " + key + "=" + value + "\n";
}

// A name that is not ASCII also goes in a pax record as UTF-8, which GNU tar,
// bsdtar and macOS read; the header keeps the code page 932 bytes for the
// readers of the common API.
static std::string PaxNameHeader(const std::string& name) {
    std::string utf8;
    if (!Cp932NameToUtf8(name, &utf8) || utf8 == name) return std::string();
    std::string records = PaxRecord("path", utf8);
    unsigned char block[kBlock];
    BasicHeader(block, "././@PaxHeader", 'x', records.size(), 0, 0644);
    FinishHeader(block);
    records.resize(static_cast<size_t>(TarPadded(records.size())), '\0');
    return std::string(reinterpret_cast<char*>(block), kBlock) + records;
}

// Header blocks of one member; names of any length, as GNU tar writes them.
static std::string MemberHeader(const std::string& name, char type, uint64_t size, int64_t mtime, unsigned mode) {
    std::string out = PaxNameHeader(name);
    unsigned char block[kBlock];
    if (name.size() > 100) {
        BasicHeader(block, "././@LongLink", 'L', name.size() + 1, 0, 0);
        FinishHeader(block);
        out.append(reinterpret_cast<char*>(block), kBlock);
        std::string data = name;
        data.resize(static_cast<size_t>(TarPadded(name.size() + 1)), '\0');
        out += data;
    }
    BasicHeader(block, name, type, size, mtime, mode);
    FinishHeader(block);
    out.append(reinterpret_cast<char*>(block), kBlock);
    return out;
}

static std::string ComparableName(const std::string& name) {
    std::string result = name;
    while (result.compare(0, 2, "./") == 0) result.erase(0, 2);
    return result;
}

static bool AddTarSource(TarOutput* out, const SourceItem& item, std::vector<char>* buffer, CallLog* log, int* error) {
    int64_t mtime = FileTimeToUnix(item.modified);
    unsigned mode = item.isFolder ? 0755 : ((item.attributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0644);
    if (item.isFolder) {
        std::string header = MemberHeader(item.stored, '5', 0, mtime, mode);
        log->Line(item.stored);
        return out->Write(header.data(), header.size());
    }
    ProgressReader source;
    if (!source.Open(item.path, item.stored)) {
        log->Line("ファイルを読めません: " + item.path);
        *error = FDARC_E_READ;
        return false;
    }
    uint64_t size = source.Size();  // now, not when the folder was listed
    std::string header = MemberHeader(item.stored, '0', size, mtime, mode);
    if (!out->Write(header.data(), header.size())) return false;
    uint64_t left = size;
    while (left > 0) {
        size_t piece = static_cast<size_t>(left < buffer->size() ? left : buffer->size());
        if (source.Read(buffer->data(), piece) != piece) {
            log->Line("ファイルを読めません: " + item.path);
            *error = FDARC_E_READ;
            return false;
        }
        if (!out->Write(buffer->data(), piece)) return false;
        left -= piece;
        PumpMessagesIfDue();
    }
    static const char zeros[kBlock] = {};
    log->Line(item.stored);
    return out->Write(zeros, static_cast<size_t>(TarPadded(size) - size));
}

int CreateTar(const Command& command, CallLog* log) {
    std::vector<SourceItem> items;
    int skipped = FDARC_OK;
    int result = CollectSources(command, log, &items, &skipped);
    if (result != FDARC_OK) return result;

    FileReader oldFile;
    TarInput old;
    bool hasOld = false;
    NameCharsetQuery oldCharset = ArchiveCharset(command.archive);  // to match the names being replaced
    DWORD attributes = GetFileAttributesA(command.archive.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        FileReader probe;
        if ((attributes & FILE_ATTRIBUTE_DIRECTORY) || !probe.Open(command.archive)) {
            log->Line("書庫を開けません: " + command.archive);
            return FDARC_E_OPEN_ARCHIVE;
        }
        if (probe.Size() > 0) {
            if (!LooksLikeTar(&probe)) {
                log->Line("tar 書庫ではありません: " + command.archive);
                return FDARC_E_CORRUPT;
            }
            if (!oldFile.Open(command.archive) || !old.Open(&oldFile)) return FDARC_E_OPEN_ARCHIVE;
            hasOld = true;
        }
    }
    TarOutput out;
    std::string temp =
        CreateTemporaryFor(command.archive, log, [&](const std::string& t) { return out.Create(t, command.gzip, 6); });
    if (temp.empty()) return FDARC_E_WRITE;
    std::unordered_set<std::string> replaced;
    for (const SourceItem& item : items) replaced.insert(item.stored);
    std::vector<char> buffer(kIoBufferSize);
    int error = FDARC_OK;
    bool ok = true;
    BeginProgress(SourceBytes(items));
    while (ok && hasOld) {
        TarMember member;
        TarNext next = ReadTarMember(&old, &member, true, oldCharset);
        if (next == TarNext::End) break;
        if (next == TarNext::Error) {
            error = old.error() != FDARC_OK ? old.error() : FDARC_E_CORRUPT;
            log->Line("元の書庫が壊れています: " + command.archive);
            ok = false;
            break;
        }
        bool keep = replaced.count(ComparableName(member.name)) == 0;
        if (keep) ok = out.Write(member.raw.data(), member.raw.size());
        uint64_t left = TarPadded(member.size);
        while (ok && left > 0) {
            size_t piece = static_cast<size_t>(left < buffer.size() ? left : buffer.size());
            if (!old.Read(buffer.data(), piece)) {
                error = FDARC_E_CORRUPT;
                log->Line("元の書庫が壊れています: " + command.archive);
                ok = false;
                break;
            }
            if (keep) ok = out.Write(buffer.data(), piece);
            left -= piece;
            PumpMessagesIfDue();
            if (!ReportProgress(member.name, ProgressDone())) {
                error = FDARC_E_CANCELLED;
                ok = false;
            }
        }
    }
    for (size_t i = 0; ok && i < items.size(); ++i) ok = AddTarSource(&out, items[i], &buffer, log, &error);
    if (ok) {
        // Two zero blocks end the archive; GNU tar pads to whole 10 KB records.
        uint64_t end = out.written() + 2 * kBlock;
        std::vector<char> zeros(static_cast<size_t>((end + 10239) / 10240 * 10240 - out.written()), '\0');
        ok = out.Write(zeros.data(), zeros.size());
    }
    old.Close();  // before it is replaced
    oldFile.Close();
    if (!ok || !out.Finish()) {
        out.Abandon();
        if (error == FDARC_OK) log->Line("書庫を書き込めません: " + command.archive);
        return error != FDARC_OK ? error : FDARC_E_WRITE;
    }
    if (!SwapTemporaryIn(temp, command.archive, log)) return FDARC_E_WRITE;
    return skipped;  // the archive is whole, but not everything asked for is in it
}

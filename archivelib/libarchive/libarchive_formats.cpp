#include "libarchive/libarchive_formats.h"

#include <archive.h>
#include <archive_entry.h>
#include <string.h>

#include <memory>
#include <thread>

#include "common/collect.h"
#include "common/extract.h"
#include "base/handoff.h"
#include "base/mbname.h"

// ---------------------------------------------------------------- names

bool WideTo932(const wchar_t* wide, std::string* name) {
    name->clear();
    if (wide == nullptr) return false;
    int length = static_cast<int>(wcslen(wide));
    if (length == 0) return true;
    // No best fit: Windows would map some characters onto '\', '/' or ':' and
    // change what the name says.
    int size = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0, "_", nullptr);
    if (size <= 0) return false;
    name->resize(static_cast<size_t>(size));
    return WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, length, &(*name)[0], size, "_", nullptr) == size;
}

bool WideFrom932(const std::string& name, std::wstring* wide) {
    wide->clear();
    if (name.empty()) return true;
    int length = static_cast<int>(name.size());
    int size = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, name.data(), length, nullptr, 0);
    if (size <= 0) return false;
    wide->resize(static_cast<size_t>(size));
    return MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, name.data(), length, &(*wide)[0], size) == size;
}

// File system paths are in the ANSI code page, as the A functions take them.
static bool PathToWide(const std::string& path, std::wstring* wide) {
    wide->clear();
    int size = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, nullptr, 0);
    if (size <= 0) return false;
    wide->resize(static_cast<size_t>(size));
    if (MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &(*wide)[0], size) != size) return false;
    wide->pop_back();
    return true;
}

std::string StreamOutputName(const std::string& archivePath) {
    size_t nameStart = 0;
    size_t dot = std::string::npos;
    for (size_t i = 0; i < archivePath.size();) {
        if (IsSeparatorAt(archivePath, i)) {
            nameStart = i + 1;
            dot = std::string::npos;
        } else if (archivePath[i] == '.') {
            dot = i;
        }
        i = static_cast<size_t>(NextChar932(archivePath.c_str() + i) - archivePath.c_str());
    }
    std::string name = archivePath.substr(nameStart);
    if (dot == std::string::npos || dot == nameStart) return name + ".out";
    std::string extension = archivePath.substr(dot + 1);
    for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    std::string stem = archivePath.substr(nameStart, dot - nameStart);
    if (extension == "tgz" || extension == "tbz" || extension == "tbz2" || extension == "txz") return stem + ".tar";
    return stem;
}

// ---------------------------------------------------------------- reading

LibarchiveKind SniffLibarchive(FileReader* reader) {
    unsigned char magic[8] = {};
    if (!reader->ReadAt(0, magic, reader->Size() < 8 ? static_cast<size_t>(reader->Size()) : 8))
        return LibarchiveKind::None;
    if (memcmp(magic, "7z\xBC\xAF\x27\x1C", 6) == 0) return LibarchiveKind::Archive;
    if (memcmp(magic, "Rar!\x1A\x07", 6) == 0) return LibarchiveKind::Archive;
    if (memcmp(magic, "MSCF", 4) == 0) return LibarchiveKind::Archive;
    // An lzh header of any level carries its method ("-lh5-", "-lhd-") at byte 2.
    if (magic[2] == '-' && magic[3] == 'l' && (magic[4] == 'h' || magic[4] == 'z') && magic[6] == '-')
        return LibarchiveKind::Archive;
    if (magic[0] == 0x1F && magic[1] == 0x8B) return LibarchiveKind::CompressedStream;
    if (memcmp(magic, "BZh", 3) == 0) return LibarchiveKind::CompressedStream;
    if (memcmp(magic, "\xFD" "7zXZ\0", 6) == 0) return LibarchiveKind::CompressedStream;
    return LibarchiveKind::None;
}

void ReaderDeleter::operator()(archive* a) const { archive_read_free(a); }

// Only the formats this library stands for: libarchive would also read
// formats that name files outside the archive (mtree) or whatever it is
// given (raw, which is enabled only for a compressed stream).
Reader OpenReader(const std::string& path, LibarchiveKind kind, NameCharset charset) {
    Reader a(archive_read_new());
    if (!a) return a;
    archive* r = a.get();
    archive_read_support_filter_gzip(r);
    archive_read_support_filter_bzip2(r);
    archive_read_support_filter_xz(r);
    archive_read_support_format_7zip(r);
    archive_read_support_format_lha(r);
    archive_read_support_format_cab(r);
    archive_read_support_format_rar(r);
    archive_read_support_format_rar5(r);
    archive_read_support_format_tar(r);
    if (kind == LibarchiveKind::CompressedStream) archive_read_support_format_raw(r);
    // Names without a Unicode mark in these formats are code page 932 bytes
    // from Windows, UTF-8 from Linux and macOS; libarchive honours the Unicode
    // flags of cab and rar and the pax records itself.
    archive_read_set_options(r, charset == NameCharset::Utf8
                                    ? "lha:hdrcharset=UTF-8,cab:hdrcharset=UTF-8,rar:hdrcharset=UTF-8,tar:hdrcharset=UTF-8"
                                    : "lha:hdrcharset=CP932,cab:hdrcharset=CP932,rar:hdrcharset=CP932,tar:hdrcharset=CP932");
    std::wstring wide;
    if (!PathToWide(path, &wide) || archive_read_open_filename_w(r, wide.c_str(), 1 << 16) != ARCHIVE_OK) a.reset();
    return a;
}

// A name libarchive could not read as UTF-8 comes without its wide form, or
// with U+FFFD where the bytes were not UTF-8.
static bool ReadAsUtf8(const wchar_t* wide) {
    return wide != nullptr && wcschr(wide, 0xFFFD) == nullptr;
}

// The entry's name and link target, read with unmarked names as UTF-8.
static bool NamesReadAsUtf8(archive_entry* entry, bool* nonAscii) {
    const wchar_t* names[] = {archive_entry_pathname_w(entry), archive_entry_symlink_w(entry),
                              archive_entry_hardlink_w(entry)};
    const char* raw[] = {archive_entry_pathname(entry), archive_entry_symlink(entry), archive_entry_hardlink(entry)};
    for (int i = 0; i < 3; ++i) {
        if (i > 0 && raw[i] == nullptr && names[i] == nullptr) continue;
        if (!ReadAsUtf8(names[i])) return false;
        for (const wchar_t* w = names[i]; *w != 0; ++w) *nonAscii = *nonAscii || *w >= 0x80;
    }
    return true;
}

// One pass over the headers with unmarked names read as UTF-8: they are UTF-8
// when every one of them reads. 7z and rar 5 store only Unicode names.
NameCharset ScanNames(const std::string& path, LibarchiveKind kind) {
    Reader a = OpenReader(path, kind, NameCharset::Utf8);
    if (!a) return NameCharset::Cp932;
    bool nonAscii = false;
    for (;;) {
        archive_entry* entry = nullptr;
        int status = archive_read_next_header(a.get(), &entry);
        if (status == ARCHIVE_EOF) break;
        if (status < ARCHIVE_WARN) return NameCharset::Cp932;
        int format = archive_format(a.get()) & ARCHIVE_FORMAT_BASE_MASK;
        if (format == ARCHIVE_FORMAT_7ZIP || format == ARCHIVE_FORMAT_RAR_V5 || format == ARCHIVE_FORMAT_RAW)
            return NameCharset::Cp932;
        if (!NamesReadAsUtf8(entry, &nonAscii)) return NameCharset::Cp932;
        PumpMessagesIfDue();
    }
    return nonAscii ? NameCharset::Utf8 : NameCharset::Cp932;
}

// The entry's name in code page 932 with '/' separators; a lone compressed
// stream is named after the archive.
bool EntryName(archive* a, archive_entry* entry, const std::string& archivePath, std::string* name) {
    if (archive_format(a) == ARCHIVE_FORMAT_RAW) {
        // The raw format takes anything: without a decompressor in front
        // (the magic was there, the stream behind it is not) it is no archive.
        if (archive_filter_code(a, 0) == ARCHIVE_FILTER_NONE) return false;
        *name = StreamOutputName(archivePath);
        return true;
    }
    if (!WideTo932(archive_entry_pathname_w(entry), name)) {
        const char* raw = archive_entry_pathname(entry);
        if (raw == nullptr) return false;
        *name = raw;
    }
    if (name->empty()) return false;
    if (archive_entry_filetype(entry) == AE_IFDIR && !EndsWithSeparator(*name)) *name += '/';
    return true;
}

bool IsFolderEntry(archive_entry* entry) { return archive_entry_filetype(entry) == AE_IFDIR; }

// Links (symbolic and hard) and devices are never written: what they reach
// could lie outside the destination.
bool IsFileEntry(archive_entry* entry) {
    return archive_entry_filetype(entry) == AE_IFREG && archive_entry_hardlink(entry) == nullptr &&
           archive_entry_symlink(entry) == nullptr;
}

FILETIME EntryTime(archive_entry* entry) {
    if (!archive_entry_mtime_is_set(entry)) {
        FILETIME now;
        GetSystemTimeAsFileTime(&now);
        return now;
    }
    return UnixToFileTime(archive_entry_mtime(entry));
}

namespace {
// libarchive's rar 5 reader takes a header cut short (or random bytes after
// the signature) for the end of the archive. A rar ends with its end block:
// stopping well before the file's end means the rest could not be read.
bool EndedEarly(archive* a, const std::string& path, size_t entries) {
    int format = archive_format(a) & ARCHIVE_FORMAT_BASE_MASK;
    if (format != ARCHIVE_FORMAT_RAR_V5) return false;
    if (entries == 0) return true;  // a signature and nothing readable behind it
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return true;
    uint64_t size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    // It stops inside the end block (8 bytes or a few more with its flags).
    return static_cast<uint64_t>(archive_filter_bytes(a, -1)) + 32 < size;
}

int ReadError(archive* a) {
    int code = archive_errno(a);
    return code == ENOMEM ? FDARC_E_MEMORY : FDARC_E_CORRUPT;
}
}  // namespace

// One listing in the given character set; reading as UTF-8 it stops with
// *notUtf8 set at the first name that is not, as the archive is then code page 932.
static int ListPass(const std::string& path, LibarchiveKind kind, NameCharset charset,
                    std::vector<ListedEntry>* entries, bool* notUtf8) {
    Reader a = OpenReader(path, kind, charset);
    if (!a) return FDARC_E_CORRUPT;
    for (;;) {
        archive_entry* entry = nullptr;
        int status = archive_read_next_header(a.get(), &entry);
        if (status == ARCHIVE_EOF) return EndedEarly(a.get(), path, entries->size()) ? FDARC_E_CORRUPT : FDARC_OK;
        // Some readers (lha) fail the header whose name is not UTF-8: the
        // second pass tells that from damage.
        if (status < ARCHIVE_WARN && charset == NameCharset::Utf8) *notUtf8 = true;
        if (status < ARCHIVE_WARN) return charset == NameCharset::Utf8 ? FDARC_OK : ReadError(a.get());
        bool nonAscii = false;
        if (charset == NameCharset::Utf8 && archive_format(a.get()) != ARCHIVE_FORMAT_RAW &&
            !NamesReadAsUtf8(entry, &nonAscii)) {
            *notUtf8 = true;
            return FDARC_OK;
        }
        ListedEntry listed;
        if (!EntryName(a.get(), entry, path, &listed.name)) return FDARC_E_CORRUPT;
        if (archive_format(a.get()) == ARCHIVE_FORMAT_RAW) {
            // The one entry of a lone compressed stream is made up, whatever
            // follows the magic: decode a piece to know it is one.
            char piece[4096];
            if (archive_read_data(a.get(), piece, sizeof piece) < 0) return ReadError(a.get());
        }
        listed.size = archive_entry_size_is_set(entry) ? static_cast<uint64_t>(archive_entry_size(entry)) : 0;
        listed.packed = listed.size;
        listed.attributes = IsFolderEntry(entry) ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
        FileTimeToDos(EntryTime(entry), &listed.dosDate, &listed.dosTime);
        entries->push_back(listed);
        PumpMessagesIfDue();
    }
}

// Read as UTF-8 first: an archive whose names all read so is listed in one
// pass, the others (code page 932) in a second.
int ListWithLibarchive(const std::string& path, LibarchiveKind kind, std::vector<ListedEntry>* entries) {
    bool notUtf8 = false;
    size_t before = entries->size();
    int result = ListPass(path, kind, NameCharset::Utf8, entries, &notUtf8);
    if (result != FDARC_OK || !notUtf8) return result;
    entries->resize(before);
    return ListPass(path, kind, NameCharset::Cp932, entries, &notUtf8);
}

namespace {
// What the reading thread hands to the caller's thread: an entry's header,
// then (for the files it decodes: those the caller may write) their data in
// pieces and how they ended.
struct Decoded {
    enum class Kind { Entry, Data, DataEnd, DataFailed, HeaderFailed, End };
    Kind kind = Kind::End;
    std::string name;  // Entry; empty when the entry has no usable name
    bool folder = false;
    bool file = false;  // a plain file: neither link nor device
    const char* notWritten = nullptr;  // why an entry that is neither file nor folder is left out
    std::string link;  // links: their target
    bool encrypted = false;
    FILETIME modified = {};
    std::unique_ptr<char[]> bytes;  // Data: decoded straight into it, no copy
    size_t size = 0;                // Data: of bytes
    uint64_t position = 0;    // Data: the archive's bytes read so far
    int code = FDARC_OK;      // DataFailed, HeaderFailed
    bool endedEarly = false;  // End
};
using DecodedQueue = Handoff<Decoded>;

// Decoding runs this far ahead of the files being written: under Wine each
// file costs the caller's thread a few hundred microseconds in the Wine
// server, time the next entries are decoded in.
const DecodedQueue::Limits kAhead = {2048, 16 << 20, 256, 1 << 20};
// Pieces of data stay below the size from which Windows heaps (and Wine's)
// map every block on its own: pieces come and go by the hundred.
const size_t kPieceSize = 256 << 10;

// Links are never made: what they reach could lie outside the destination.
const char* NotWrittenReason(archive_entry* entry, std::string* link) {
    const wchar_t* symlink = archive_entry_symlink_w(entry);
    const wchar_t* hardlink = archive_entry_hardlink_w(entry);
    if (symlink != nullptr || archive_entry_filetype(entry) == AE_IFLNK) {
        WideTo932(symlink, link);
        return "シンボリックリンクは展開しません: ";
    }
    if (hardlink != nullptr) {
        WideTo932(hardlink, link);
        return "ハードリンクは展開しません: ";
    }
    return "デバイスや名前付きパイプは展開しません: ";
}

// The data in pieces decoded straight into them: as large as what is left
// of the entry by its header (most entries are small), kPieceSize at most.
// Where the header says nothing, or said too little, pieces are kPieceSize.
bool PutEntryData(archive* a, archive_entry* entry, DecodedQueue* queue) {
    bool known = archive_entry_size_is_set(entry) && archive_entry_size(entry) >= 0;
    uint64_t left = known ? static_cast<uint64_t>(archive_entry_size(entry)) : 0;
    for (;;) {
        Decoded d;
        size_t size = !known || left > kPieceSize ? kPieceSize : static_cast<size_t>(left);
        char probe[4096];  // for the read that finds the end
        char* into = probe;
        if (size > 0) {
            d.bytes.reset(new char[size]);
            into = d.bytes.get();
        } else {
            size = sizeof probe;
        }
        la_ssize_t got = archive_read_data(a, into, size);
        if (got <= 0) {
            d.bytes.reset();
            d.kind = got == 0 ? Decoded::Kind::DataEnd : Decoded::Kind::DataFailed;
            d.code = got == 0 ? FDARC_OK : ReadError(a);
            return queue->Put(std::move(d), 0) && got == 0;
        }
        d.kind = Decoded::Kind::Data;
        d.size = static_cast<size_t>(got);
        if (into == probe) {  // more than the header said
            d.bytes.reset(new char[d.size]);
            memcpy(d.bytes.get(), probe, d.size);
        }
        known = known && d.size <= left;
        left = known ? left - d.size : 0;
        la_int64_t read = archive_filter_bytes(a, -1);
        d.position = read > 0 ? static_cast<uint64_t>(read) : 0;
        size_t bytes = d.size;
        if (!queue->Put(std::move(d), bytes)) return false;
    }
}

// The reading thread: every header in turn and the data of the entries the
// caller will write. The caller's Extraction is only read for its patterns,
// which stay as they are during the call.
void ReadAhead(archive* a, const std::string& archivePath, const Extraction* x, DecodedQueue* queue) {
    for (size_t entries = 0;; ++entries) {
        Decoded d;
        archive_entry* entry = nullptr;
        int status = archive_read_next_header(a, &entry);
        if (status == ARCHIVE_EOF || status < ARCHIVE_WARN) {
            d.kind = status == ARCHIVE_EOF ? Decoded::Kind::End : Decoded::Kind::HeaderFailed;
            d.endedEarly = status == ARCHIVE_EOF && EndedEarly(a, archivePath, entries);
            d.code = status == ARCHIVE_EOF ? FDARC_OK : ReadError(a);
            queue->Put(std::move(d), 0);
            break;
        }
        d.kind = Decoded::Kind::Entry;
        if (!EntryName(a, entry, archivePath, &d.name)) d.name.clear();
        d.folder = IsFolderEntry(entry);
        d.file = IsFileEntry(entry);
        if (!d.file && !d.folder) d.notWritten = NotWrittenReason(entry, &d.link);
        d.encrypted = archive_entry_is_encrypted(entry) != 0;
        d.modified = EntryTime(entry);
        // Its data follows, up to DataEnd or DataFailed.
        bool decoded = d.file && !d.encrypted && !d.name.empty() && x->Wanted(d.name);
        if (!queue->Put(std::move(d), 0)) break;
        if (decoded && !PutEntryData(a, entry, queue)) break;
    }
    queue->Finish();
}

// The reading thread runs while this lives; its end closes the queue and
// waits for the thread, which stops at its next piece.
class ReadingThread {
public:
    ReadingThread(archive* a, const std::string& archivePath, const Extraction* x)
        : queue_(kAhead), thread_(ReadAhead, a, archivePath, x, &queue_) {}
    ~ReadingThread() {
        queue_.Close();
        thread_.join();
    }
    DecodedQueue* queue() { return &queue_; }

private:
    DecodedQueue queue_;
    std::thread thread_;
};

// The next piece from the reading thread, keeping the caller's window
// answering and its progress callback asked while it waits; false once the
// caller cancels or nothing more comes.
bool NextDecoded(DecodedQueue* queue, Extraction* x, Decoded* d) {
    for (;;) {
        DecodedQueue::Got got = queue->Take(d, 50);
        if (got == DecodedQueue::Got::Item) return true;
        if (got == DecodedQueue::Got::Finished) return false;
        PumpMessagesIfDue();
        if (!KeepGoing() || x->Stopping()) return false;
    }
}

// One archive entry on the caller's thread: the file it goes to, from its
// header on to the end of its data.
class EntryWriter {
public:
    EntryWriter(Extraction* x, CallLog* log) : x_(x), log_(log) {}
    // False when the extraction stops here.
    bool Start(const Decoded& d, const std::string& archivePath) {
        writing_ = false;
        name_ = d.name;
        modified_ = d.modified;
        if (d.name.empty()) {
            x_->Fail(FDARC_E_CORRUPT, "名前のない項目があります: " + archivePath);
            return true;
        }
        if (!x_->Wanted(d.name) || !ResolveEntryPath(x_, d.name, &path_)) return true;
        if (d.folder) {
            CreateFolders(x_, path_);
            return true;
        }
        if (d.notWritten != nullptr) {
            x_->Fail(FDARC_E_UNSUPPORTED, d.notWritten + d.name + (d.link.empty() ? "" : " -> " + d.link));
            return true;
        }
        if (!d.file) return true;
        if (d.encrypted) {
            x_->Fail(FDARC_E_UNSUPPORTED, "暗号化されているため展開できません: " + d.name);
            return true;
        }
        OutputStart start = file_.Begin(x_, path_);
        writing_ = start == OutputStart::Write;
        return start != OutputStart::Stop;
    }
    void Data(const Decoded& d) {
        if (!writing_) return;
        if (!file_.Write(d.bytes.get(), d.size)) {
            x_->Fail(FDARC_E_WRITE, "書き込めません: " + path_);
            Abandon();
        }
    }
    void End() {
        if (!writing_) return;
        writing_ = false;
        if (file_.Commit(x_, modified_)) log_->Line(name_);
    }
    void Failed(int code) {
        x_->Fail(code, "書庫が壊れています: " + name_);
        Abandon();
    }
    void Abandon() {
        if (writing_) file_.Abandon();
        writing_ = false;
    }

private:
    Extraction* x_;
    CallLog* log_;
    OutputFile file_;
    bool writing_ = false;
    std::string name_;
    std::string path_;
    FILETIME modified_ = {};
};

// One piece on the caller's thread; false once the extraction ends here.
bool TakeDecoded(const Decoded& d, const std::string& archivePath, EntryWriter* writer, Extraction* x,
                 uint64_t* position) {
    switch (d.kind) {
    case Decoded::Kind::Entry:
        PumpMessagesIfDue();
        return !x->Stopping() && writer->Start(d, archivePath);
    case Decoded::Kind::Data:
        *position = d.position;
        writer->Data(d);
        PumpMessagesIfDue();
        // Asked here too for the data of entries that are not written.
        return KeepGoing() && !x->Stopping();
    case Decoded::Kind::DataEnd: writer->End(); return true;
    case Decoded::Kind::DataFailed: writer->Failed(d.code); return true;
    case Decoded::Kind::HeaderFailed: x->Fail(d.code, "書庫が壊れています: " + archivePath); return false;
    case Decoded::Kind::End:
        if (d.endedEarly) x->Fail(FDARC_E_CORRUPT, "書庫が壊れています: " + archivePath);
        return false;
    }
    return false;
}
}  // namespace

int ExtractWithLibarchive(const Command& command, LibarchiveKind kind, HWND owner, CallLog* log) {
    Reader a = OpenReader(command.archive, kind, ScanNames(command.archive, kind));
    if (!a) {
        log->Line("書庫を開けません: " + command.archive);
        return FDARC_E_CORRUPT;
    }
    Extraction x;
    if (!BeginExtraction(&x, command, owner, log)) return x.error;
    // Entry sizes come one entry at a time (and not at all for a compressed
    // stream): the progress follows the archive's bytes read.
    uint64_t position = 0;
    x.position = [&position]() { return position; };
    WIN32_FILE_ATTRIBUTE_DATA data;
    uint64_t size = 0;
    if (GetFileAttributesExA(command.archive.c_str(), GetFileExInfoStandard, &data))
        size = (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    BeginProgress(size);
    EntryWriter writer(&x, log);
    ReadingThread reading(a.get(), command.archive, &x);
    Decoded d;
    while (NextDecoded(reading.queue(), &x, &d) && TakeDecoded(d, command.archive, &writer, &x, &position)) {
    }
    writer.Abandon();  // a file cut short by a cancel
    return x.error;
}

#include "zipformat.h"

#include <string.h>
#include <zlib.h>

#include <memory>
#include <unordered_set>

#include "collect.h"
#include "extract.h"
#include "mbname.h"

static const uint32_t kLocalSignature = 0x04034b50;
static const uint32_t kCentralSignature = 0x02014b50;
static const uint32_t kEndSignature = 0x06054b50;
static const uint32_t kZip64LocatorSignature = 0x07064b50;
static const uint32_t kDescriptorSignature = 0x08074b50;
static const size_t kEndSize = 22;
static const uint16_t kFlagEncrypted = 0x0001;
static const uint16_t kFlagDescriptor = 0x0008;
static const uint16_t kFlagStrongEncryption = 0x0040;
static const uint16_t kFlagUtf8 = 0x0800;  // read, never written: our names are code page 932
static const uint16_t kExtraUnixTime = 0x5455;
static const uint16_t kExtraZip64 = 0x0001;
static const uint16_t kNotDeflated = 0xFFFF;  // DeflateFrom gave up after its probe
static const size_t kProbeSize = 128 * 1024;
static const uint16_t kMadeByDos20 = 20;  // version 2.0, host 0 (FAT): unzip -O applies to it

static uint16_t Get16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
static uint32_t Get32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
static void Put16(std::string* out, uint32_t v) {
    out->push_back(static_cast<char>(v & 0xFF));
    out->push_back(static_cast<char>((v >> 8) & 0xFF));
}
static void Put32(std::string* out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}

// ---------------------------------------------------------------- reading

// Names flagged as UTF-8 (other tools write them) become code page 932. A
// character that has no CP932 form turns into '?', which the extraction
// refuses as a name rather than writing a wrong one.
static std::string Utf8ToCp932(const std::string& utf8) {
    if (utf8.empty()) return utf8;
    int wide = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    if (wide <= 0) return "?";
    std::vector<wchar_t> buffer(static_cast<size_t>(wide));
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), buffer.data(), wide);
    int narrow = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, buffer.data(), wide, nullptr, 0, "?", nullptr);
    if (narrow <= 0) return "?";
    std::string result(static_cast<size_t>(narrow), '\0');
    WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, buffer.data(), wide, &result[0], narrow, "?", nullptr);
    return result;
}

static bool FindEnd(FileReader* reader, uint64_t* endOffset, std::vector<unsigned char>* record) {
    uint64_t size = reader->Size();
    if (size < kEndSize) return false;
    size_t tail = static_cast<size_t>(size < kEndSize + 0xFFFF ? size : kEndSize + 0xFFFF);
    std::vector<unsigned char> bytes(tail);
    if (!reader->ReadAt(size - tail, bytes.data(), tail)) return false;
    for (size_t i = tail - kEndSize + 1; i-- > 0;) {
        if (Get32(&bytes[i]) != kEndSignature) continue;
        if (i + kEndSize + Get16(&bytes[i + 20]) > tail) continue;  // its comment would run past the end
        *endOffset = size - tail + i;
        record->assign(bytes.begin() + static_cast<ptrdiff_t>(i), bytes.begin() + static_cast<ptrdiff_t>(i + kEndSize));
        return true;
    }
    return false;
}

// Some tools store folders without the trailing '/', marked by attributes only.
static bool MarkedAsFolder(const ZipEntry& entry) {
    if (entry.size != 0) return false;
    switch (entry.versionMadeBy >> 8) {
    case 0: case 6: case 10: case 11: case 14:  // FAT, HPFS, TOPS-20 (Windows in practice), NTFS, VFAT
        return (entry.externalAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    case 3:  // Unix: the mode sits in the upper half
        return ((entry.externalAttributes >> 16) & 0170000) == 0040000;
    }
    return false;
}

bool LooksLikeZip(FileReader* reader) {
    uint64_t end = 0;
    std::vector<unsigned char> record;
    return FindEnd(reader, &end, &record);
}

static bool ParseExtra(const unsigned char* p, size_t length, ZipEntry* entry, bool* zip64) {
    while (length >= 4) {
        uint16_t id = Get16(p);
        uint16_t size = Get16(p + 2);
        if (size > length - 4) return true;  // a short tail is ignored, as other readers do
        if (id == kExtraZip64) *zip64 = true;
        if (id == kExtraUnixTime && size >= 5 && (p[4] & 1)) {
            entry->hasUnixTime = true;
            entry->unixTime = static_cast<int32_t>(Get32(p + 5));
        }
        p += 4 + size;
        length -= 4 + size;
    }
    return true;
}

int ReadZipDirectory(FileReader* reader, ZipDirectory* directory, std::string* error) {
    directory->entries.clear();
    uint64_t endOffset = 0;
    std::vector<unsigned char> end;
    if (!FindEnd(reader, &endOffset, &end)) {
        *error = "zip 書庫ではありません";
        return FDARC_E_CORRUPT;
    }
    uint16_t disk = Get16(&end[4]), directoryDisk = Get16(&end[6]);
    uint16_t onDisk = Get16(&end[8]), count = Get16(&end[10]);
    uint32_t directorySize = Get32(&end[12]), directoryOffset = Get32(&end[16]);
    unsigned char locator[4];
    bool zip64 = count == 0xFFFF || directorySize == 0xFFFFFFFF || directoryOffset == 0xFFFFFFFF ||
                 (endOffset >= 20 && reader->ReadAt(endOffset - 20, locator, 4) && Get32(locator) == kZip64LocatorSignature);
    if (zip64) {
        *error = "zip64 書庫には対応していません";
        return FDARC_E_UNSUPPORTED;
    }
    if (disk != 0 || directoryDisk != 0 || onDisk != count) {
        *error = "分割書庫には対応していません";
        return FDARC_E_UNSUPPORTED;
    }
    if (directorySize > endOffset || directoryOffset > endOffset - directorySize) {
        *error = "中央ディレクトリが壊れています";
        return FDARC_E_CORRUPT;
    }
    // Data in front of the archive (a self-extractor stub) shifts every offset.
    uint64_t start = endOffset - directorySize;
    uint64_t shift = start - directoryOffset;
    directory->directoryStart = start;
    std::vector<unsigned char> bytes(directorySize);
    if (directorySize > 0 && !reader->ReadAt(start, bytes.data(), directorySize)) {
        *error = "書庫を読めません";
        return FDARC_E_CORRUPT;
    }
    directory->entries.reserve(count);
    size_t at = 0;
    for (uint32_t i = 0; i < count; ++i) {
        if (directorySize - at < 46 || Get32(&bytes[at]) != kCentralSignature) {
            *error = "中央ディレクトリが壊れています";
            return FDARC_E_CORRUPT;
        }
        const unsigned char* p = &bytes[at];
        size_t nameLength = Get16(p + 28), extraLength = Get16(p + 30), commentLength = Get16(p + 32);
        if (46 + nameLength + extraLength + commentLength > directorySize - at) {
            *error = "中央ディレクトリが壊れています";
            return FDARC_E_CORRUPT;
        }
        ZipEntry entry;
        entry.versionMadeBy = Get16(p + 4);
        entry.versionNeeded = Get16(p + 6);
        entry.flags = Get16(p + 8);
        entry.method = Get16(p + 10);
        entry.dosTime = Get16(p + 12);
        entry.dosDate = Get16(p + 14);
        entry.crc = Get32(p + 16);
        entry.packed = Get32(p + 20);
        entry.size = Get32(p + 24);
        entry.internalAttributes = Get16(p + 36);
        entry.externalAttributes = Get32(p + 38);
        entry.name.assign(reinterpret_cast<const char*>(p + 46), nameLength);
        if (entry.flags & kFlagUtf8) entry.name = Utf8ToCp932(entry.name);
        bool entryZip64 = entry.packed == 0xFFFFFFFF || entry.size == 0xFFFFFFFF || Get32(p + 42) == 0xFFFFFFFF;
        ParseExtra(p + 46 + nameLength, extraLength, &entry, &entryZip64);
        if (entryZip64) {
            *error = "zip64 書庫には対応していません";
            return FDARC_E_UNSUPPORTED;
        }
        entry.localOffset = Get32(p + 42) + shift;
        if (entry.localOffset + 30 > start) {
            *error = "ローカルヘッダの位置が壊れています: " + entry.name;
            return FDARC_E_CORRUPT;
        }
        entry.isFolder = EndsWithSeparator(entry.name) || MarkedAsFolder(entry);
        directory->entries.push_back(entry);
        at += 46 + nameLength + extraLength + commentLength;
    }
    return FDARC_OK;
}

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

// Where an entry's data starts, checked against the directory.
static bool LocateData(FileReader* reader, const ZipDirectory& directory, const ZipEntry& entry, uint64_t* data) {
    unsigned char header[30];
    if (!reader->ReadAt(entry.localOffset, header, sizeof header) || Get32(header) != kLocalSignature) return false;
    *data = entry.localOffset + 30 + Get16(header + 26) + Get16(header + 28);
    return *data <= directory.directoryStart && entry.packed <= directory.directoryStart - *data;
}

// ---------------------------------------------------------------- extraction

namespace {
struct Inflater {
    z_stream stream = {};
    bool ready = false;
    ~Inflater() {
        if (ready) inflateEnd(&stream);
    }
};
}  // namespace

// Copies or inflates one entry into the output; checks size and CRC.
static int ExpandEntry(FileReader* reader, const ZipEntry& entry, uint64_t data, Inflater* inflater,
                       std::vector<unsigned char>* in, std::vector<unsigned char>* out, OutputFile* file) {
    if (!reader->Seek(data)) return FDARC_E_CORRUPT;
    uint32_t crc = crc32(0, nullptr, 0);
    uint64_t produced = 0;
    uint64_t left = entry.packed;
    if (entry.method == 0) {
        if (entry.packed != entry.size) return FDARC_E_CORRUPT;
        while (left > 0) {
            size_t piece = static_cast<size_t>(left < in->size() ? left : in->size());
            if (reader->Read(in->data(), piece) != piece) return FDARC_E_CORRUPT;
            crc = crc32(crc, in->data(), static_cast<uInt>(piece));
            if (!file->Write(in->data(), piece)) return FDARC_E_WRITE;
            left -= piece;
            produced += piece;
            PumpMessagesIfDue();
            if (!NoteProgress(entry.name, piece)) return FDARC_E_CANCELLED;
        }
    } else {
        z_stream* z = &inflater->stream;
        if (!inflater->ready) {
            if (inflateInit2(z, -MAX_WBITS) != Z_OK) return FDARC_E_MEMORY;
            inflater->ready = true;
        } else {
            inflateReset(z);
        }
        int status = Z_OK;
        z->avail_in = 0;
        while (status != Z_STREAM_END) {
            if (z->avail_in == 0) {
                if (left == 0) return FDARC_E_CORRUPT;  // the stream wants more than the entry holds
                size_t piece = static_cast<size_t>(left < in->size() ? left : in->size());
                if (reader->Read(in->data(), piece) != piece) return FDARC_E_CORRUPT;
                z->next_in = in->data();
                z->avail_in = static_cast<uInt>(piece);
                left -= piece;
            }
            z->next_out = out->data();
            z->avail_out = static_cast<uInt>(out->size());
            status = inflate(z, Z_NO_FLUSH);
            if (status != Z_OK && status != Z_STREAM_END) return FDARC_E_CORRUPT;
            size_t got = out->size() - z->avail_out;
            produced += got;
            if (produced > entry.size) return FDARC_E_CORRUPT;  // never write more than declared
            crc = crc32(crc, out->data(), static_cast<uInt>(got));
            if (got > 0 && !file->Write(out->data(), got)) return FDARC_E_WRITE;
            PumpMessagesIfDue();
            if (!NoteProgress(entry.name, got)) return FDARC_E_CANCELLED;
        }
    }
    if (produced != entry.size) return FDARC_E_CORRUPT;
    if (crc != entry.crc) return FDARC_E_CRC;
    return FDARC_OK;
}

static FILETIME EntryTime(const ZipEntry& entry) {
    return entry.hasUnixTime ? UnixToFileTime(entry.unixTime) : DosToFileTime(entry.dosDate, entry.dosTime);
}

int ExtractZip(const Command& command, HWND owner, CallLog* log) {
    FileReader reader;
    if (!reader.Open(command.archive)) {
        log->Line("書庫を開けません: " + command.archive);
        return FDARC_E_OPEN_ARCHIVE;
    }
    ZipDirectory directory;
    std::string error;
    int result = ReadZipDirectory(&reader, &directory, &error);
    if (result != FDARC_OK) {
        log->Line(error);
        return result;
    }
    Extraction x;
    if (!BeginExtraction(&x, command, owner, log)) return x.error;
    std::vector<unsigned char> in(kIoBufferSize), out(kIoBufferSize);
    Inflater inflater;
    uint64_t total = 0;
    for (const ZipEntry& entry : directory.entries) total += entry.size;
    BeginProgress(total);
    for (const ZipEntry& entry : directory.entries) {
        PumpMessagesIfDue();
        if (CallCancelled()) {
            x.Fail(FDARC_E_CANCELLED, "中止しました");
            break;
        }
        if (!x.Wanted(entry.name)) continue;
        std::string path;
        if (!ResolveEntryPath(&x, entry.name, &path)) continue;
        if (entry.isFolder) {
            CreateFolders(&x, path);
            continue;
        }
        if (entry.flags & (kFlagEncrypted | kFlagStrongEncryption)) {
            x.Fail(FDARC_E_UNSUPPORTED, "暗号化されたファイルには対応していません: " + entry.name);
            continue;
        }
        if (entry.method != 0 && entry.method != Z_DEFLATED) {
            x.Fail(FDARC_E_UNSUPPORTED, "対応していない圧縮方式です: " + entry.name);
            continue;
        }
        uint64_t data = 0;
        if (!LocateData(&reader, directory, entry, &data)) {
            x.Fail(FDARC_E_CORRUPT, "ローカルヘッダが壊れています: " + entry.name);
            continue;
        }
        OutputFile file;
        OutputStart start = file.Begin(&x, path);
        if (start == OutputStart::Stop) break;
        if (start == OutputStart::Skip) continue;
        int expanded = ExpandEntry(&reader, entry, data, &inflater, &in, &out, &file);
        if (expanded == FDARC_E_CANCELLED) {
            file.Abandon();   // the partly written file goes
            x.Fail(expanded, "中止しました");
            break;
        }
        if (expanded != FDARC_OK) {
            file.Abandon();
            x.Fail(expanded, (expanded == FDARC_E_CRC ? "CRC が一致しません: " : "展開できません: ") + entry.name);
            continue;
        }
        if (file.Commit(&x, EntryTime(entry))) log->Line(entry.name);
    }
    return x.error;
}

// ---------------------------------------------------------------- creation

namespace {
struct ZipWriter {
    FileWriter out;
    std::string central;
    uint32_t count = 0;
    int error = FDARC_OK;
    std::vector<unsigned char> in, packed;
    z_stream deflater = {};
    bool deflaterReady = false;
    int level = 6;

    ~ZipWriter() {
        if (deflaterReady) deflateEnd(&deflater);
    }

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
        if (!e.hasUnixTime) return extra;
        Put16(&extra, kExtraUnixTime);
        Put16(&extra, 5);
        extra.push_back(1);  // modification time only
        Put32(&extra, static_cast<uint32_t>(e.unixTime));
        return extra;
    }

    std::string LocalHeader(const ZipEntry& e) {
        std::string h;
        Put32(&h, kLocalSignature);
        Common(&h, e, true);
        std::string extra = Extra(e);
        Put16(&h, static_cast<uint32_t>(e.name.size()));
        Put16(&h, static_cast<uint32_t>(extra.size()));
        return h + e.name + extra;
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
        Put16(&central, static_cast<uint32_t>(e.name.size()));
        Put16(&central, static_cast<uint32_t>(extra.size()));
        Put16(&central, 0);  // comment
        Put16(&central, 0);  // disk
        Put16(&central, e.internalAttributes);
        Put32(&central, e.externalAttributes);
        Put32(&central, static_cast<uint32_t>(offset));
        central += e.name + extra;
        ++count;
        return true;
    }

    // Copies an entry of the old archive as it is: no recompression.
    bool CopyEntry(FileReader* old, const ZipDirectory& directory, const ZipEntry& e) {
        uint64_t data = 0;
        if (!LocateData(old, directory, e, &data) || !old->Seek(data)) {
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
        if (!source->Seek(0)) return FDARC_E_READ;
        uint32_t crc = crc32(0, nullptr, 0);
        uint64_t total = 0;
        for (;;) {
            size_t got = source->Read(in.data(), in.size());
            if (got == 0) break;
            total += got;
            if (total > 0xFFFFFFFEu) return FDARC_E_TOO_LARGE;
            crc = crc32(crc, in.data(), static_cast<uInt>(got));
            out.Write(in.data(), got);
            PumpMessagesIfDue();
            if (!NoteProgress(e->name, got)) return FDARC_E_CANCELLED;
        }
        if (source->failed()) return FDARC_E_READ;
        e->method = 0;
        e->versionNeeded = 10;
        e->crc = crc;
        e->size = e->packed = static_cast<uint32_t>(total);
        return FDARC_OK;
    }

    int DeflateFrom(FileReader* source, ZipEntry* e) {
        if (!deflaterReady) {
            if (deflateInit2(&deflater, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK) return FDARC_E_MEMORY;
            deflaterReady = true;
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
                out.Write(packed.data(), have);
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
            PumpMessagesIfDue();
            if (!NoteProgress(e->name, got)) return FDARC_E_CANCELLED;
        }
        e->method = Z_DEFLATED;
        e->versionNeeded = 20;
        e->crc = crc;
        e->size = static_cast<uint32_t>(total);
        e->packed = static_cast<uint32_t>(written);
        return FDARC_OK;
    }

    bool AddSource(const SourceItem& item, CallLog* log) {
        ZipEntry e;
        e.name = item.stored;
        e.versionMadeBy = kMadeByDos20;
        e.versionNeeded = item.isFolder ? 20 : 10;
        FileTimeToDos(item.modified, &e.dosDate, &e.dosTime);
        e.hasUnixTime = true;
        e.unixTime = FileTimeToUnix(item.modified);
        e.externalAttributes = item.attributes & 0x37;  // DOS bits: read-only, hidden, system, folder, archive
        uint64_t offset = out.Position();
        if (item.isFolder) {
            std::string header = LocalHeader(e);
            out.Write(header.data(), header.size());
            log->Line(e.name);
            return AddCentral(e, offset);
        }
        FileReader source;
        if (!source.Open(item.path)) {
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
            log->Line((result == FDARC_E_TOO_LARGE  ? "4 GB を超えるファイルには対応していません: "
                       : result == FDARC_E_CANCELLED ? "中止しました: "
                                                     : "ファイルを読めません: ") +
                      item.path);
            error = result;
            return false;
        }
        std::string patched = LocalHeader(e);
        out.PatchAt(offset, patched.data(), 30);
        log->Line(e.name);
        return AddCentral(e, offset);
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

int CreateZip(const Command& command, CallLog* log) {
    std::vector<SourceItem> items;
    int result = CollectSources(command, log, &items);
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
    std::string temp = MakeTempBeside(command.archive);
    if (temp.empty()) {
        log->Line("書庫を作成できません: " + command.archive);
        return FDARC_E_WRITE;
    }
    std::unique_ptr<ZipWriter> writer(new ZipWriter());
    writer->level = command.level;
    writer->in.resize(kIoBufferSize);
    writer->packed.resize(256 * 1024);
    if (!writer->out.Create(temp)) {
        DeleteFileA(temp.c_str());
        log->Line("書庫を作成できません: " + command.archive);
        return FDARC_E_WRITE;
    }
    std::unordered_set<std::string> replaced;
    uint64_t total = 0;
    for (const SourceItem& item : items) {
        replaced.insert(item.stored);
        total += item.size;
    }
    // A cancel fails the call below: the temporary goes, the archive stays as it was.
    BeginProgress(total);
    bool ok = true;
    for (const ZipEntry& entry : directory.entries) {
        if (replaced.count(entry.name) != 0) continue;
        if (!(ok = writer->CopyEntry(&old, directory, entry))) {
            log->Line("元の書庫が壊れています: " + entry.name);
            break;
        }
    }
    for (size_t i = 0; ok && i < items.size(); ++i) ok = writer->AddSource(items[i], log);
    if (ok) ok = writer->Finish();
    old.Close();
    if (!ok || !writer->out.Finish()) {
        writer->out.Abandon();
        DeleteFileA(temp.c_str());
        if (writer->error == FDARC_OK) log->Line("書庫を書き込めません: " + command.archive);
        return writer->error != FDARC_OK ? writer->error : FDARC_E_WRITE;
    }
    if (!MoveFileExA(temp.c_str(), command.archive.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
        DeleteFileA(temp.c_str());
        log->Line("書庫を置き換えられません: " + command.archive);
        return FDARC_E_WRITE;
    }
    return FDARC_OK;
}

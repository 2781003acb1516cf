#include "zip/zipread.h"

#include <string.h>
#include <zlib.h>

#include <algorithm>

#include "base/mbname.h"
#include "base/textconv.h"

static const uint32_t kZip64LocatorSignature = 0x07064b50;
static const size_t kEndSize = 22;
static const size_t kLocalSize = 30;
static const uint16_t kExtraZip64 = 0x0001;
static const uint32_t kDosFolder = 0x10;
static const size_t kBuffer = 1 << 20;

static uint16_t Get16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
static uint32_t Get32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

// ---------------------------------------------------------------- the directory

static bool FindEnd(ByteSource* reader, uint64_t* endOffset, std::vector<unsigned char>* record) {
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
        return (entry.externalAttributes & kDosFolder) != 0;
    case 3:  // Unix: the mode sits in the upper half
        return ((entry.externalAttributes >> 16) & 0170000) == 0040000;
    }
    return false;
}

bool LooksLikeZip(ByteSource* reader) {
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
        if (id == kExtraUnicodePath) entry->unicodePathField.assign(reinterpret_cast<const char*>(p + 4), size);
        if (id == kExtraUnixTime && size >= 5 && (p[4] & 1)) {
            entry->hasUnixTime = true;
            entry->unixTime = static_cast<int32_t>(Get32(p + 5));
        }
        p += 4 + size;
        length -= 4 + size;
    }
    return true;
}

std::string MakeUnicodePathField(const std::string& storedName, const std::string& utf8) {
    std::string field(1, '\1');
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>(storedName.data()), static_cast<uInt>(storedName.size()));
    for (int shift = 0; shift < 32; shift += 8) field.push_back(static_cast<char>((crc >> shift) & 0xFF));
    return field + utf8;
}

// The UTF-8 name of a Unicode path field that belongs to the stored name:
// a field left behind by a tool that renamed the entry has another CRC.
static bool UnicodePath(const ZipEntry& entry, std::string* utf8) {
    const std::string& field = entry.unicodePathField;
    if (field.size() < 5 || field[0] != 1) return false;
    uint32_t crc = Get32(reinterpret_cast<const unsigned char*>(field.data() + 1));
    if (crc != crc32(0, reinterpret_cast<const Bytef*>(entry.storedName.data()), static_cast<uInt>(entry.storedName.size())))
        return false;
    utf8->assign(field, 5, std::string::npos);
    return true;
}

// Names in code page 932: flagged ones and Unicode path fields are UTF-8,
// the others follow the archive's decision. A character with no code page
// 932 form stays '?', a name extraction refuses.
static void NameEntries(std::vector<ZipEntry>* entries) {
    NameCharsetVote vote;
    for (const ZipEntry& entry : *entries) {
        std::string utf8;
        if (!(entry.flags & kFlagUtf8) && !UnicodePath(entry, &utf8)) vote.Add(entry.storedName);
    }
    NameCharset unmarked = vote.Decision();
    for (ZipEntry& entry : *entries) {
        std::string utf8;
        if (entry.flags & kFlagUtf8) Utf8NameToCp932(entry.storedName, &entry.name);
        else if (UnicodePath(entry, &utf8)) Utf8NameToCp932(utf8, &entry.name);
        else UnmarkedNameToCp932(entry.storedName, unmarked, &entry.name);
        entry.isFolder = EndsWithSeparator(entry.name) || MarkedAsFolder(entry);
        entry.isSymlink = (entry.versionMadeBy >> 8) == 3 && ((entry.externalAttributes >> 16) & 0170000) == 0120000;
    }
}

int ReadZipDirectory(ByteSource* reader, ZipDirectory* directory, std::string* error) {
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
        entry.storedName.assign(reinterpret_cast<const char*>(p + 46), nameLength);
        bool entryZip64 = entry.packed == 0xFFFFFFFF || entry.size == 0xFFFFFFFF || Get32(p + 42) == 0xFFFFFFFF;
        ParseExtra(p + 46 + nameLength, extraLength, &entry, &entryZip64);
        if (entryZip64) {
            *error = "zip64 書庫には対応していません";
            return FDARC_E_UNSUPPORTED;
        }
        entry.localOffset = Get32(p + 42) + shift;
        if (entry.localOffset + 30 > start) {
            *error = "ローカルヘッダの位置が壊れています: " + entry.storedName;
            return FDARC_E_CORRUPT;
        }
        directory->entries.push_back(entry);
        at += 46 + nameLength + extraLength + commentLength;
    }
    NameEntries(&directory->entries);
    return FDARC_OK;
}

// Where an entry's data starts, checked against the directory.
bool LocateZipData(ByteSource* reader, const ZipDirectory& directory, const ZipEntry& entry, uint64_t* data) {
    unsigned char header[30];
    if (!reader->ReadAt(entry.localOffset, header, sizeof header) || Get32(header) != kLocalSignature) return false;
    *data = entry.localOffset + 30 + Get16(header + 26) + Get16(header + 28);
    return *data <= directory.directoryStart && entry.packed <= directory.directoryStart - *data;
}

bool ZipEntriesApart(const ZipDirectory& directory, std::string* name) {
    // Each entry takes at least its local header and its packed data from
    // where its record points; folders and empty files take the header.
    struct Span {
        uint64_t start, end;
        size_t index;
    };
    std::vector<Span> spans;
    spans.reserve(directory.entries.size());
    for (size_t i = 0; i < directory.entries.size(); ++i) {
        const ZipEntry& entry = directory.entries[i];
        spans.push_back({entry.localOffset, entry.localOffset + kLocalSize + entry.packed, i});
    }
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.start < b.start; });
    for (size_t i = 1; i < spans.size(); ++i) {
        if (spans[i].start < spans[i - 1].end) {
            *name = directory.entries[spans[i].index].name;
            return false;
        }
    }
    return true;
}

// ---------------------------------------------------------------- expansion

struct ZipInflater::State {
    z_stream stream = {};
    bool ready = false;
    std::vector<unsigned char> in, out;
};

ZipInflater::ZipInflater() : state_(new State()) {}

ZipInflater::~ZipInflater() {
    if (state_->ready) inflateEnd(&state_->stream);
    delete state_;
}

static bool KeepExpanding(const std::atomic<bool>* cancel) {
    if (cancel == nullptr) {
        PumpMessagesIfDue();
        return true;
    }
    return !cancel->load(std::memory_order_relaxed);
}

int ZipInflater::Expand(ByteSource* reader, const ZipEntry& entry, uint64_t data, ByteSink* file,
                        const std::atomic<bool>* cancel) {
    State* inflater = state_;
    if (inflater->in.empty()) {
        inflater->in.resize(kBuffer);
        inflater->out.resize(kBuffer);
    }
    std::vector<unsigned char>* in = &inflater->in;
    std::vector<unsigned char>* out = &inflater->out;
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
            if (!KeepExpanding(cancel)) return FDARC_E_CANCELLED;
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
            if (!KeepExpanding(cancel)) return FDARC_E_CANCELLED;
        }
    }
    if (produced != entry.size) return FDARC_E_CORRUPT;
    if (crc != entry.crc) return FDARC_E_CRC;
    return FDARC_OK;
}


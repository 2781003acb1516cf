#include "cab/cabread.h"

#include <string.h>
#include <zlib.h>

#include <algorithm>

static uint16_t Get16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
static uint32_t Get32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

static const size_t kHeaderSize = 36;
static const size_t kFolderSize = 8;
static const size_t kFileSize = 16;
static const size_t kDataHeaderSize = 8;
static const uint16_t kFlagPrevious = 1, kFlagNext = 2, kFlagReserve = 4;
static const uint32_t kMaxFolderBytes = kCabBlockSize * kCabMaxBlocksPerFolder;

uint32_t CabChecksum(const unsigned char* data, size_t count, uint32_t seed) {
    uint32_t sum = seed;
    size_t words = count / 4;
    for (size_t i = 0; i < words; ++i, data += 4) sum ^= Get32(data);
    uint32_t tail = 0;
    switch (count & 3) {
    case 3: tail |= static_cast<uint32_t>(*data++) << 16; [[fallthrough]];
    case 2: tail |= static_cast<uint32_t>(*data++) << 8; [[fallthrough]];
    case 1: tail |= *data;
    }
    return sum ^ tail;
}

uint32_t CabBlockChecksum(const unsigned char* data, uint16_t packed, uint16_t unpacked) {
    unsigned char sizes[4] = {static_cast<unsigned char>(packed & 0xFF), static_cast<unsigned char>(packed >> 8),
                              static_cast<unsigned char>(unpacked & 0xFF), static_cast<unsigned char>(unpacked >> 8)};
    return CabChecksum(sizes, 4, CabChecksum(data, packed, 0));
}

// A NUL-terminated string of at most kCabNameLimit bytes at *offset; moves past it.
static bool ReadString(CabByteSource* source, uint64_t* offset, std::string* text) {
    uint64_t size = source->Size();
    if (*offset >= size) return false;
    size_t window = static_cast<size_t>(std::min<uint64_t>(kCabNameLimit, size - *offset));
    char buffer[kCabNameLimit];
    if (!source->ReadAt(*offset, buffer, window)) return false;
    const void* nul = memchr(buffer, '\0', window);
    if (nul == nullptr) return false;
    size_t length = static_cast<size_t>(static_cast<const char*>(nul) - buffer);
    text->assign(buffer, length);
    *offset += length + 1;
    return true;
}

static CabStatus Fail(std::string* error, const char* text, CabStatus status = CabStatus::Corrupt) {
    *error = text;
    return status;
}

CabStatus ReadCabDirectory(CabByteSource* source, CabDirectory* directory, std::string* error) {
    *directory = CabDirectory();
    unsigned char header[kHeaderSize];
    uint64_t size = source->Size();
    if (size < kHeaderSize || !source->ReadAt(0, header, kHeaderSize) || memcmp(header, "MSCF", 4) != 0)
        return Fail(error, "cab 書庫ではありません");
    if (header[25] != 1) return Fail(error, "対応していない cab の版です", CabStatus::Unsupported);
    uint32_t filesOffset = Get32(header + 16);
    uint16_t folderCount = Get16(header + 26), fileCount = Get16(header + 28);
    directory->flags = Get16(header + 30);
    if (directory->flags & (kFlagPrevious | kFlagNext))
        return Fail(error, "複数に分かれた cab には対応していません", CabStatus::Unsupported);
    uint64_t at = kHeaderSize;
    size_t folderReserve = 0;
    if (directory->flags & kFlagReserve) {
        unsigned char reserve[4];
        if (!source->ReadAt(at, reserve, sizeof reserve)) return Fail(error, "cab のヘッダが壊れています");
        folderReserve = reserve[2];
        directory->blockReserve = reserve[3];
        at += 4 + Get16(reserve);
    }
    if (folderCount == 0 && fileCount != 0) return Fail(error, "cab のフォルダ表が壊れています");
    std::vector<unsigned char> entry(kFolderSize + folderReserve);
    for (uint16_t i = 0; i < folderCount; ++i) {
        if (!source->ReadAt(at, entry.data(), kFolderSize)) return Fail(error, "cab のフォルダ表が壊れています");
        CabFolder folder;
        folder.dataOffset = Get32(&entry[0]);
        folder.blockCount = Get16(&entry[4]);
        folder.compression = Get16(&entry[6]);
        if (folder.dataOffset > size) return Fail(error, "cab のフォルダ表が壊れています");
        directory->folders.push_back(folder);
        at += kFolderSize + folderReserve;
    }
    at = filesOffset;
    for (uint16_t i = 0; i < fileCount; ++i) {
        unsigned char fixed[kFileSize];
        if (!source->ReadAt(at, fixed, kFileSize)) return Fail(error, "cab のファイル表が壊れています");
        at += kFileSize;
        CabFile file;
        file.size = Get32(fixed);
        file.folderOffset = Get32(fixed + 4);
        file.folder = Get16(fixed + 8);
        file.date = Get16(fixed + 10);
        file.time = Get16(fixed + 12);
        file.attributes = Get16(fixed + 14);
        if (!ReadString(source, &at, &file.name)) return Fail(error, "cab のファイル名が壊れています");
        if (file.folder >= folderCount) return Fail(error, "cab のファイル表が壊れています");
        const CabFolder& folder = directory->folders[file.folder];
        uint64_t end = static_cast<uint64_t>(file.folderOffset) + file.size;
        if (end > kMaxFolderBytes || end > static_cast<uint64_t>(folder.blockCount) * kCabBlockSize)
            return Fail(error, "cab のファイル表が壊れています");
        directory->files.push_back(file);
    }
    return CabStatus::Ok;
}

// ---------------------------------------------------------------- folder data

struct CabFolderReader::State {
    CabByteSource* source = nullptr;
    CabFolder folder;
    uint8_t blockReserve = 0;
    uint64_t nextOffset = 0;  // file offset of the next block header
    uint32_t nextBlock = 0;
    std::vector<unsigned char> packed;
    std::vector<unsigned char> block;    // the current block expanded
    std::vector<unsigned char> history;  // the last 32 KiB of expanded data: MSZIP's window
    uint64_t blockStart = 0;             // folder offset of block[0]
    bool haveBlock = false;
    z_stream inflater = {};
    bool inflaterReady = false;
    const CabDirectory* directory = nullptr;
    uint16_t index = 0;
};

CabFolderReader::CabFolderReader() : state_(new State()) {}

CabFolderReader::~CabFolderReader() {
    if (state_->inflaterReady) inflateEnd(&state_->inflater);
    delete state_;
}

CabStatus CabFolderReader::Begin(CabByteSource* source, const CabDirectory& directory, uint16_t folder) {
    if (folder >= directory.folders.size()) return CabStatus::Corrupt;
    State* s = state_;
    s->source = source;
    s->directory = &directory;
    s->index = folder;
    s->folder = directory.folders[folder];
    s->blockReserve = directory.blockReserve;
    s->nextOffset = s->folder.dataOffset;
    s->nextBlock = 0;
    s->history.clear();
    s->block.clear();
    s->blockStart = 0;
    s->haveBlock = false;
    uint16_t method = s->folder.compression & 0x0F;
    if (method != kCabCompressNone && method != kCabCompressMszip) return CabStatus::Unsupported;
    return CabStatus::Ok;
}

CabStatus CabFolderReader::NextRawBlock(std::vector<unsigned char>* data, uint16_t* unpacked, bool* end) {
    State* s = state_;
    *end = s->nextBlock >= s->folder.blockCount;
    if (*end) return CabStatus::Ok;
    unsigned char header[kDataHeaderSize];
    if (!s->source->ReadAt(s->nextOffset, header, kDataHeaderSize)) return CabStatus::Corrupt;
    uint32_t stored = Get32(header);
    uint16_t packed = Get16(header + 4);
    *unpacked = Get16(header + 6);
    if (*unpacked > kCabBlockSize || packed > kCabMaxCompressedBlock) return CabStatus::Corrupt;
    data->resize(packed);
    uint64_t at = s->nextOffset + kDataHeaderSize + s->blockReserve;
    if (packed > 0 && !s->source->ReadAt(at, data->data(), packed)) return CabStatus::Corrupt;
    if (stored != 0 && stored != CabBlockChecksum(data->data(), packed, *unpacked)) return CabStatus::Corrupt;
    s->nextOffset = at + packed;
    ++s->nextBlock;
    return CabStatus::Ok;
}

static CabStatus Inflate(z_stream* z, const std::vector<unsigned char>& packed,
                         const std::vector<unsigned char>& history, std::vector<unsigned char>* block) {
    if (packed.size() < 2 || packed[0] != 'C' || packed[1] != 'K') return CabStatus::Corrupt;
    if (inflateReset(z) != Z_OK) return CabStatus::Corrupt;
    if (!history.empty() && inflateSetDictionary(z, history.data(), static_cast<uInt>(history.size())) != Z_OK)
        return CabStatus::Corrupt;
    z->next_in = const_cast<unsigned char*>(packed.data() + 2);
    z->avail_in = static_cast<uInt>(packed.size() - 2);
    z->next_out = block->data();
    z->avail_out = static_cast<uInt>(block->size());
    int status = inflate(z, Z_FINISH);
    // A block's stream normally ends with it; a full block without the end is accepted too.
    if (status != Z_STREAM_END && !(z->avail_out == 0 && (status == Z_OK || status == Z_BUF_ERROR)))
        return CabStatus::Corrupt;
    if (z->avail_out != 0) return CabStatus::Corrupt;
    return CabStatus::Ok;
}

CabStatus CabFolderReader::NextBlock(const unsigned char** data, size_t* size, bool* end) {
    State* s = state_;
    uint16_t unpacked = 0;
    CabStatus status = NextRawBlock(&s->packed, &unpacked, end);
    if (status != CabStatus::Ok || *end) return status;
    if (s->haveBlock) s->blockStart += s->block.size();
    s->block.resize(unpacked);
    if ((s->folder.compression & 0x0F) == kCabCompressNone) {
        if (s->packed.size() != unpacked) return CabStatus::Corrupt;
        if (unpacked > 0) memcpy(s->block.data(), s->packed.data(), unpacked);
    } else {
        if (!s->inflaterReady) {
            if (inflateInit2(&s->inflater, -MAX_WBITS) != Z_OK) return CabStatus::Memory;
            s->inflaterReady = true;
        }
        if (unpacked == 0) return CabStatus::Corrupt;
        status = Inflate(&s->inflater, s->packed, s->history, &s->block);
        if (status != CabStatus::Ok) return status;
        s->history.insert(s->history.end(), s->block.begin(), s->block.end());
        if (s->history.size() > kCabBlockSize)
            s->history.erase(s->history.begin(), s->history.end() - static_cast<ptrdiff_t>(kCabBlockSize));
    }
    s->haveBlock = true;
    *data = s->block.data();
    *size = s->block.size();
    return CabStatus::Ok;
}

CabStatus CabFolderReader::ReadAt(uint64_t offset, unsigned char* dst, size_t count) {
    State* s = state_;
    if (s->source == nullptr) return CabStatus::Corrupt;
    if (offset < s->blockStart) {
        CabStatus status = Begin(s->source, *s->directory, s->index);
        if (status != CabStatus::Ok) return status;
    }
    while (count > 0) {
        uint64_t blockEnd = s->blockStart + (s->haveBlock ? s->block.size() : 0);
        if (!s->haveBlock || offset >= blockEnd) {
            const unsigned char* data = nullptr;
            size_t size = 0;
            bool end = false;
            CabStatus status = NextBlock(&data, &size, &end);
            if (status != CabStatus::Ok) return status;
            if (end) return CabStatus::Corrupt;  // the files claim more data than the folder holds
            continue;
        }
        size_t skip = static_cast<size_t>(offset - s->blockStart);
        size_t piece = std::min<size_t>(count, s->block.size() - skip);
        memcpy(dst, s->block.data() + skip, piece);
        dst += piece;
        offset += piece;
        count -= piece;
    }
    return CabStatus::Ok;
}

// Reading cabinet files: the directory (folders and files) and the data of
// folders stored or compressed with MSZIP. Window-free: no Windows header.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

enum class CabStatus { Ok, Corrupt, Unsupported, TooLarge, Read, Write, Memory };

const uint16_t kCabCompressNone = 0;
const uint16_t kCabCompressMszip = 1;
const uint32_t kCabBlockSize = 32768;              // uncompressed bytes of a full data block
const uint32_t kCabMaxBlocksPerFolder = 0xFFFF;    // the block count is 16 bits
const uint32_t kCabMaxCompressedBlock = 32768 + 6144;
const uint16_t kCabNameIsUtf8 = 0x80;             // attribute: the name is UTF-8
const size_t kCabNameLimit = 256;                  // bytes of a name with its NUL

// Random access to the bytes of a cabinet.
class CabByteSource {
public:
    virtual ~CabByteSource() = default;
    virtual uint64_t Size() = 0;
    virtual bool ReadAt(uint64_t offset, void* dst, size_t count) = 0;  // exact
};

struct CabFolder {
    uint32_t dataOffset = 0;  // first data block
    uint16_t blockCount = 0;
    uint16_t compression = 0;  // low 4 bits: 0 none, 1 MSZIP, 2 Quantum, 3 LZX
};

struct CabFile {
    std::string name;  // as stored: code page 932 (or UTF-8 with attribute 0x80), '\' separators
    uint32_t size = 0;
    uint32_t folderOffset = 0;  // uncompressed offset inside its folder
    uint16_t folder = 0;
    uint16_t date = 0;
    uint16_t time = 0;
    uint16_t attributes = 0;
};

struct CabDirectory {
    std::vector<CabFolder> folders;
    std::vector<CabFile> files;
    uint16_t flags = 0;       // 1 previous cabinet, 2 next cabinet, 4 reserved areas
    uint8_t blockReserve = 0;  // bytes after each data block header
};

// The checksum of a data block: folded 32-bit words, the last partial word
// taken with its first byte highest. A block's stored checksum is that of its
// data continued over its two 16-bit size fields.
uint32_t CabChecksum(const unsigned char* data, size_t count, uint32_t seed);
uint32_t CabBlockChecksum(const unsigned char* data, uint16_t packed, uint16_t unpacked);

// Reads and checks the header, the folder and the file tables: every folder
// and file must lie inside the cabinet and its folder. *error says what is wrong.
CabStatus ReadCabDirectory(CabByteSource* source, CabDirectory* directory, std::string* error);

// Walks the data blocks of one folder in order, expanding each.
class CabFolderReader {
public:
    CabFolderReader();
    ~CabFolderReader();
    CabFolderReader(const CabFolderReader&) = delete;
    CabFolderReader& operator=(const CabFolderReader&) = delete;

    CabStatus Begin(CabByteSource* source, const CabDirectory& directory, uint16_t folder);
    // One raw block as stored, its checksum verified when one is stored.
    CabStatus NextRawBlock(std::vector<unsigned char>* data, uint16_t* unpacked, bool* end);
    // The next block expanded (stored or MSZIP); false *end until past the last.
    CabStatus NextBlock(const unsigned char** data, size_t* size, bool* end);
    // Copies count bytes of the folder's data from folder offset `offset`
    // into dst, reading forward; an offset behind the position starts over.
    CabStatus ReadAt(uint64_t offset, unsigned char* dst, size_t count);

private:
    struct State;
    State* state_;
};

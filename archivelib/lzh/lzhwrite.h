// Writing lzh archives: the -lh5-/-lh6-/-lh7- encoder, level-2 headers and
// a walker over the headers of an existing archive, so an update can keep
// the entries it does not replace. Window-free: no Windows header here.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <memory>
#include <string>
#include <vector>

enum class LzhStatus { Ok, Read, Write, Corrupt, Unsupported, TooLarge };

// The dictionary sizes of the three methods: 8, 32 and 64 KiB.
enum class LzhMethod { Lh5 = 13, Lh6 = 15, Lh7 = 16 };

uint16_t LzhCrc16(uint16_t crc, const void* data, size_t size);
// Huffman code lengths of at most 16 bits; complete when two or more
// symbols are used. Returns the number used. Exposed for the tests.
int LzhCodeLengths(const uint32_t* freq, int count, unsigned char* lengths);

// Streams data in and compressed bytes out. Output() collects what is ready;
// the caller drains it as it likes. Finish() ends the last block.
class LzhEncoder {
public:
    explicit LzhEncoder(LzhMethod method);
    void Reset();  // for the next file: same method, buffers kept
    LzhEncoder(const LzhEncoder&) = delete;
    LzhEncoder& operator=(const LzhEncoder&) = delete;
    void Write(const void* data, size_t size);
    void Finish();
    const std::vector<unsigned char>& Output() const { return out_; }
    void ClearOutput() {
        written_ += out_.size();
        out_.clear();
    }
    // Bytes written so far plus a guess for the symbols not yet coded.
    uint64_t EstimatedOutput() const { return written_ + out_.size() + codes_.size(); }

private:
    void Process(bool final);
    uint32_t Insert(uint64_t pos);
    int Longest(uint64_t pos, uint32_t candidate, int best, uint32_t* distance) const;
    void Slide();
    void Literal(unsigned char c);
    void Match(int length, uint32_t distance);
    void FlushBlock();
    void PutBits(int count, uint32_t value);
    void FlushBits();
    void WriteLengthTable(const unsigned char* lengths, int count, int countBits, int special);
    void WriteCTable(const unsigned char* cLength, const unsigned char* tLength, const uint16_t* tCode);

    uint32_t window_;
    int positionCodes_;
    std::vector<unsigned char> buffer_;
    uint64_t base_ = 0;  // stream position of buffer_[0]
    uint64_t end_ = 0;   // stream position after the last byte held
    uint64_t pos_ = 0;   // next byte to code
    std::vector<uint32_t> head_, prev_;  // position + 1, 0 for none
    int pendingLength_ = 0;              // the lazy match found one byte back
    uint32_t pendingDistance_ = 0;
    bool pendingLiteral_ = false;

    std::vector<uint16_t> codes_, offsets_;  // the block being gathered
    std::vector<uint32_t> cFreq_, pFreq_;
    std::vector<unsigned char> out_;
    uint64_t written_ = 0;  // bytes the caller already took from out_
    uint64_t bits_ = 0;
    int bitCount_ = 0;
};

// ---------------------------------------------------------------- archives

// What the writer is given about an entry.
struct LzhNewEntry {
    std::string name;       // code page 932, '/' separators; folders end in '/'
    bool isFolder = false;
    int64_t unixTime = 0;
    uint64_t fileTime = 0;  // 100 ns ticks since 1601 (Windows time)
    uint16_t attributes = 0x20;
};

// An entry found in an existing archive.
struct LzhStoredEntry {
    std::string name;  // '/' separators, folders end in '/'
    std::string method;
    uint64_t offset = 0;      // of its header
    uint64_t headerSize = 0;  // with extension headers
    uint64_t packed = 0;      // data bytes after the header
    uint32_t size = 0;
    uint16_t crc = 0;
    int level = 0;
    bool isFolder = false;
};

class LzhInput {
public:
    virtual ~LzhInput() = default;
    virtual uint64_t Size() const = 0;
    virtual bool ReadAt(uint64_t offset, void* data, size_t size) = 0;
};

class LzhOutput {
public:
    virtual ~LzhOutput() = default;
    virtual bool Write(const void* data, size_t size) = 0;
    virtual uint64_t Position() const = 0;
    virtual bool PatchAt(uint64_t offset, const void* data, size_t size) = 0;
    virtual bool Rewind(uint64_t offset) = 0;
};

// A source file: read from the start, and once more from the start when
// compression does not pay.
class LzhSource {
public:
    virtual ~LzhSource() = default;
    virtual uint64_t Size() const = 0;
    virtual bool Restart() = 0;
    virtual size_t Read(void* data, size_t size) = 0;  // short only at the end or on failure
    virtual bool Failed() const = 0;
};

// The level-2 header of an entry; false when a name part is too long.
bool BuildLzhHeader(const LzhNewEntry& entry, const char* method, uint32_t packed, uint32_t size, uint16_t crc,
                    std::string* header);
// Parses the header at the start of bytes. *end is set when the archive ends
// there (a zero byte or no bytes at all).
LzhStatus ParseLzhHeader(const unsigned char* bytes, size_t available, LzhStoredEntry* entry, bool* end);
// Walks the headers of a whole archive and checks that the data fits.
LzhStatus ReadLzhDirectory(LzhInput* input, std::vector<LzhStoredEntry>* entries, std::string* error);

// Appends entries to an archive being written; Finish adds the end mark.
class LzhArchiveWriter {
public:
    LzhArchiveWriter(LzhOutput* output, LzhMethod method);
    // An entry of an existing archive, header and data, as it is.
    LzhStatus Copy(LzhInput* input, const LzhStoredEntry& entry);
    // A folder (source null) or a file; a file that does not shrink is stored (-lh0-).
    LzhStatus Add(const LzhNewEntry& entry, LzhSource* source);
    bool Finish();

private:
    LzhStatus Compress(LzhSource* source, uint32_t* packed, uint32_t* size, uint16_t* crc, bool* shrank);
    LzhStatus Store(LzhSource* source, uint32_t* size, uint16_t* crc);
    LzhOutput* output_;
    LzhMethod method_;
    std::unique_ptr<LzhEncoder> encoder_;  // made at the first file that needs it
    std::vector<unsigned char> buffer_;
};

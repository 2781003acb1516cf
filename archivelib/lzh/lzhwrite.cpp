#include "lzh/lzhwrite.h"

#include <string.h>

#include <algorithm>

#include "base/le_bytes.h"
#include "base/mbname.h"

namespace {
const int kMinMatch = 3;
const int kMaxMatch = 256;
const int kNC = 256 + kMaxMatch - kMinMatch + 1;  // literals and match lengths: 510 codes
const int kNT = 19;                               // codes of the code-length table
const int kTBits = 5;
const int kCBits = 9;
const int kMaxCodeLength = 16;
const size_t kBlockSymbols = 16384;               // the block size field holds up to 65535
const int kHashBits = 16;
const int kMaxChain = 48;   // candidates tried per position
const int kGoodLength = 32; // a match this long cuts the lazy search short
const int kNiceLength = 128;
const size_t kChunk = 1 << 20;  // input held beyond the dictionary

uint16_t CrcTable[256];
bool CrcTableReady = false;

void MakeCrcTable() {
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i;
        for (int k = 0; k < 8; ++k) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
        CrcTable[i] = static_cast<uint16_t>(crc);
    }
    CrcTableReady = true;
}

int BitLength(uint32_t value) {
    int bits = 0;
    while (value != 0) {
        ++bits;
        value >>= 1;
    }
    return bits;
}

}  // namespace

// Huffman code lengths of at most kMaxCodeLength bits for the symbols with a
// non-zero frequency. With two or more such symbols the code is complete,
// as the decoders insist. Returns the number of symbols used.
int LzhCodeLengths(const uint32_t* freq, int count, unsigned char* lengths) {
    memset(lengths, 0, static_cast<size_t>(count));
    std::vector<int> symbols;
    for (int i = 0; i < count; ++i) {
        if (freq[i] != 0) symbols.push_back(i);
    }
    int used = static_cast<int>(symbols.size());
    if (used < 2) return used;
    std::stable_sort(symbols.begin(), symbols.end(), [&](int a, int b) { return freq[a] < freq[b]; });
    // Two queues: the sorted leaves and the internal nodes, made in order of weight.
    std::vector<uint64_t> weight(static_cast<size_t>(2 * used));
    std::vector<int> parent(static_cast<size_t>(2 * used), -1);
    for (int i = 0; i < used; ++i) weight[static_cast<size_t>(i)] = freq[symbols[static_cast<size_t>(i)]];
    int leaf = 0, node = used, made = used;
    auto take = [&]() {
        if (leaf < used && (node >= made || weight[static_cast<size_t>(leaf)] <= weight[static_cast<size_t>(node)]))
            return leaf++;
        return node++;
    };
    while (made < 2 * used - 1) {
        int a = take(), b = take();
        weight[static_cast<size_t>(made)] = weight[static_cast<size_t>(a)] + weight[static_cast<size_t>(b)];
        parent[static_cast<size_t>(a)] = parent[static_cast<size_t>(b)] = made;
        ++made;
    }
    std::vector<int> depth(static_cast<size_t>(2 * used), 0);
    for (int i = 2 * used - 3; i >= 0; --i) depth[static_cast<size_t>(i)] = depth[static_cast<size_t>(parent[static_cast<size_t>(i)])] + 1;
    std::vector<int> lengthCount(static_cast<size_t>(used + 1), 0);
    int deepest = 0;
    for (int i = 0; i < used; ++i) {
        ++lengthCount[static_cast<size_t>(depth[static_cast<size_t>(i)])];
        deepest = std::max(deepest, depth[static_cast<size_t>(i)]);
    }
    // Too deep: move leaves up, keeping the code complete (two leaves at the
    // deepest level become one a level up and two below a shallower leaf).
    for (int i = deepest; i > kMaxCodeLength; --i) {
        while (lengthCount[static_cast<size_t>(i)] > 0) {
            int j = i - 2;
            while (lengthCount[static_cast<size_t>(j)] == 0) --j;
            lengthCount[static_cast<size_t>(i)] -= 2;
            lengthCount[static_cast<size_t>(i - 1)] += 1;
            lengthCount[static_cast<size_t>(j + 1)] += 2;
            lengthCount[static_cast<size_t>(j)] -= 1;
        }
    }
    // The most frequent symbols take the shortest codes.
    int at = used - 1;
    for (int length = 1; length <= std::min(deepest, kMaxCodeLength); ++length) {
        for (int k = 0; k < lengthCount[static_cast<size_t>(length)]; ++k)
            lengths[symbols[static_cast<size_t>(at--)]] = static_cast<unsigned char>(length);
    }
    return used;
}

namespace {
// Canonical codes: shorter codes first, within a length in symbol order.
void MakeCodes(const unsigned char* lengths, int count, uint16_t* codes) {
    uint32_t lengthCount[kMaxCodeLength + 2] = {};
    for (int i = 0; i < count; ++i) ++lengthCount[lengths[i]];
    lengthCount[0] = 0;
    uint32_t next[kMaxCodeLength + 2] = {};
    uint32_t code = 0;
    for (int length = 1; length <= kMaxCodeLength; ++length) {
        code = (code + lengthCount[length - 1]) << 1;
        next[length] = code;
    }
    for (int i = 0; i < count; ++i) {
        if (lengths[i] != 0) codes[i] = static_cast<uint16_t>(next[lengths[i]]++);
    }
}

// How often WriteCTable will use each code of the code-length table.
void CountLengthCodes(const unsigned char* cLength, uint32_t* tFreq) {
    int n = kNC;
    while (n > 0 && cLength[n - 1] == 0) --n;
    for (int i = 0; i < n;) {
        if (cLength[i] != 0) {
            ++tFreq[cLength[i++] + 2];
            continue;
        }
        int run = 0;
        while (i < n && cLength[i] == 0) {
            ++i;
            ++run;
        }
        if (run <= 2) {
            tFreq[0] += static_cast<uint32_t>(run);
        } else if (run <= 18) {
            ++tFreq[1];
        } else if (run == 19) {
            ++tFreq[0];
            ++tFreq[1];
        } else {
            ++tFreq[2];
        }
    }
}

// The symbol of a table with fewer than two used symbols.
int OnlySymbol(const uint32_t* freq, int count) {
    for (int i = 0; i < count; ++i) {
        if (freq[i] != 0) return i;
    }
    return 0;
}
}  // namespace

uint16_t LzhCrc16(uint16_t crc, const void* data, size_t size) {
    if (!CrcTableReady) MakeCrcTable();
    const unsigned char* p = static_cast<const unsigned char*>(data);
    for (size_t i = 0; i < size; ++i) crc = static_cast<uint16_t>((crc >> 8) ^ CrcTable[(crc ^ p[i]) & 0xFF]);
    return crc;
}

// ---------------------------------------------------------------- encoder

LzhEncoder::LzhEncoder(LzhMethod method)
    : window_(1u << static_cast<int>(method)),
      positionCodes_(static_cast<int>(method) + 1),
      buffer_(window_ + kChunk + kMaxMatch),
      head_(1u << kHashBits, 0),
      prev_(window_, 0),
      cFreq_(kNC, 0),
      pFreq_(static_cast<size_t>(positionCodes_), 0) {
    codes_.reserve(kBlockSymbols);
    offsets_.reserve(kBlockSymbols);
}

void LzhEncoder::Reset() {
    base_ = end_ = pos_ = 0;
    // prev_ may keep old links: every candidate is compared before it is used.
    std::fill(head_.begin(), head_.end(), 0);
    pendingLength_ = 0;
    pendingDistance_ = 0;
    pendingLiteral_ = false;
    codes_.clear();
    offsets_.clear();
    std::fill(cFreq_.begin(), cFreq_.end(), 0);
    std::fill(pFreq_.begin(), pFreq_.end(), 0);
    out_.clear();
    written_ = 0;
    bits_ = 0;
    bitCount_ = 0;
}

void LzhEncoder::PutBits(int count, uint32_t value) {
    bits_ = (bits_ << count) | (value & ((1u << count) - 1));
    bitCount_ += count;
    while (bitCount_ >= 8) {
        bitCount_ -= 8;
        out_.push_back(static_cast<unsigned char>(bits_ >> bitCount_));
    }
}

void LzhEncoder::FlushBits() {
    if (bitCount_ > 0) PutBits(8 - bitCount_, 0);
}

void LzhEncoder::Write(const void* data, size_t size) {
    const unsigned char* in = static_cast<const unsigned char*>(data);
    while (size > 0) {
        size_t room = buffer_.size() - static_cast<size_t>(end_ - base_);
        if (room == 0) {
            Slide();
            room = buffer_.size() - static_cast<size_t>(end_ - base_);
        }
        size_t piece = std::min(room, size);
        memcpy(&buffer_[static_cast<size_t>(end_ - base_)], in, piece);
        end_ += piece;
        in += piece;
        size -= piece;
        Process(false);
    }
}

void LzhEncoder::Finish() {
    Process(true);
    if (!codes_.empty()) FlushBlock();
    FlushBits();
}

// Keeps the dictionary and the bytes not yet coded; positions stay absolute.
void LzhEncoder::Slide() {
    uint64_t keep = pos_ > window_ ? pos_ - window_ : 0;
    if (keep <= base_) return;
    size_t drop = static_cast<size_t>(keep - base_);
    memmove(buffer_.data(), buffer_.data() + drop, static_cast<size_t>(end_ - keep));
    base_ = keep;
}

// Adds pos to its hash chain and returns the chain as it was.
uint32_t LzhEncoder::Insert(uint64_t pos) {
    const unsigned char* p = &buffer_[static_cast<size_t>(pos - base_)];
    uint32_t hash = ((static_cast<uint32_t>(p[0]) << 16 | static_cast<uint32_t>(p[1]) << 8 | p[2]) * 2654435761u) >>
                    (32 - kHashBits);
    uint32_t chain = head_[hash];
    prev_[static_cast<size_t>(pos & (window_ - 1))] = chain;
    head_[hash] = static_cast<uint32_t>(pos + 1);
    return chain;
}

// The longest match longer than best among the hash chain from candidate.
int LzhEncoder::Longest(uint64_t pos, uint32_t candidate, int best, uint32_t* distance) const {
    int limit = static_cast<int>(std::min<uint64_t>(kMaxMatch, end_ - pos));
    if (best >= limit) return 0;
    const unsigned char* here = &buffer_[static_cast<size_t>(pos - base_)];
    // Distances stay below the window: the slot of pos - window was just reused by pos.
    uint64_t oldest = pos >= window_ ? pos - window_ + 1 : 0;
    int chain = best >= kGoodLength ? kMaxChain / 4 : kMaxChain;
    int found = 0;
    uint64_t last = pos;
    while (candidate != 0 && chain-- > 0) {
        uint64_t at = candidate - 1;
        if (at < oldest || at >= last) break;
        last = at;
        const unsigned char* there = &buffer_[static_cast<size_t>(at - base_)];
        if (there[best] == here[best] && there[0] == here[0] && there[1] == here[1]) {
            int length = 2;
            while (length < limit && there[length] == here[length]) ++length;
            if (length > best) {
                best = length;
                found = length;
                *distance = static_cast<uint32_t>(pos - at);
                if (length >= std::min(limit, kNiceLength)) break;
            }
        }
        candidate = prev_[static_cast<size_t>(at & (window_ - 1))];
    }
    return found;
}

void LzhEncoder::Literal(unsigned char c) {
    codes_.push_back(c);
    offsets_.push_back(0);
    ++cFreq_[c];
    if (codes_.size() == kBlockSymbols) FlushBlock();
}

void LzhEncoder::Match(int length, uint32_t distance) {
    uint16_t code = static_cast<uint16_t>(256 + length - kMinMatch);
    uint32_t offset = distance - 1;
    codes_.push_back(code);
    offsets_.push_back(static_cast<uint16_t>(offset));
    ++cFreq_[code];
    ++pFreq_[static_cast<size_t>(BitLength(offset))];
    if (codes_.size() == kBlockSymbols) FlushBlock();
}

// Greedy with one step of lazy evaluation: a match is taken only when the
// next position does not start a longer one.
void LzhEncoder::Process(bool final) {
    uint64_t stop = final ? end_ : (end_ > static_cast<uint64_t>(kMaxMatch + kMinMatch + 1) ? end_ - (kMaxMatch + kMinMatch + 1) : 0);
    while (pos_ < stop) {
        int length = 0;
        uint32_t distance = 0;
        if (end_ - pos_ >= static_cast<uint64_t>(kMinMatch)) {
            uint32_t candidate = Insert(pos_);
            if (pendingLength_ < kNiceLength) length = Longest(pos_, candidate, std::max(pendingLength_, kMinMatch - 1), &distance);
        }
        if (pendingLength_ >= kMinMatch && length <= pendingLength_) {
            Match(pendingLength_, pendingDistance_);
            uint64_t matchEnd = pos_ - 1 + static_cast<uint64_t>(pendingLength_);
            for (uint64_t k = pos_ + 1; k < matchEnd; ++k) {
                if (end_ - k >= static_cast<uint64_t>(kMinMatch)) Insert(k);
            }
            pos_ = matchEnd;
            pendingLength_ = 0;
            pendingLiteral_ = false;
            continue;
        }
        if (pendingLiteral_) Literal(buffer_[static_cast<size_t>(pos_ - 1 - base_)]);
        pendingLiteral_ = true;
        pendingLength_ = length;
        pendingDistance_ = distance;
        ++pos_;
    }
    if (final && pendingLiteral_) {
        if (pendingLength_ >= kMinMatch) {
            Match(pendingLength_, pendingDistance_);  // cannot happen past the end: lengths are bounded by it
        } else {
            Literal(buffer_[static_cast<size_t>(pos_ - 1 - base_)]);
        }
        pendingLiteral_ = false;
        pendingLength_ = 0;
    }
}

// Lengths of the code-length table (or the position table): 3 bits each,
// 7 and above continue in unary. After the third entry of the code-length
// table, 2 bits skip up to three zero lengths.
void LzhEncoder::WriteLengthTable(const unsigned char* lengths, int count, int countBits, int special) {
    int n = count;
    while (n > 0 && lengths[n - 1] == 0) --n;
    PutBits(countBits, static_cast<uint32_t>(n));
    int i = 0;
    while (i < n) {
        int length = lengths[i++];
        if (length <= 6) {
            PutBits(3, static_cast<uint32_t>(length));
        } else {
            PutBits(3, 7);
            for (int k = 7; k < length; ++k) PutBits(1, 1);
            PutBits(1, 0);
        }
        if (i == special) {
            int zeros = 0;
            while (zeros < 3 && i + zeros < n && lengths[i + zeros] == 0) ++zeros;
            PutBits(2, static_cast<uint32_t>(zeros));
            i += zeros;
        }
    }
}

// Code lengths of the literal/length table, coded with the code-length
// table: 0 one zero, 1 three to eighteen zeros, 2 twenty and more, n+2 length n.
void LzhEncoder::WriteCTable(const unsigned char* cLength, const unsigned char* tLength, const uint16_t* tCode) {
    int n = kNC;
    while (n > 0 && cLength[n - 1] == 0) --n;
    PutBits(kCBits, static_cast<uint32_t>(n));
    auto put = [&](int symbol) { PutBits(tLength[symbol], tCode[symbol]); };
    int i = 0;
    while (i < n) {
        int length = cLength[i++];
        if (length != 0) {
            put(length + 2);
            continue;
        }
        int run = 1;
        while (i < n && cLength[i] == 0) {
            ++i;
            ++run;
        }
        if (run <= 2) {
            for (int k = 0; k < run; ++k) put(0);
        } else if (run <= 18) {
            put(1);
            PutBits(4, static_cast<uint32_t>(run - 3));
        } else if (run == 19) {
            put(0);
            put(1);
            PutBits(4, 15);
        } else {
            put(2);
            PutBits(kCBits, static_cast<uint32_t>(run - 20));
        }
    }
}

void LzhEncoder::FlushBlock() {
    unsigned char cLength[kNC], pLength[32], tLength[kNT];
    uint16_t cCode[kNC] = {}, pCode[32] = {}, tCode[kNT] = {};
    int cUsed = LzhCodeLengths(cFreq_.data(), kNC, cLength);
    int pUsed = LzhCodeLengths(pFreq_.data(), positionCodes_, pLength);
    PutBits(16, static_cast<uint32_t>(codes_.size()));
    if (cUsed >= 2) {
        uint32_t tFreq[kNT] = {};
        CountLengthCodes(cLength, tFreq);
        if (LzhCodeLengths(tFreq, kNT, tLength) >= 2) {
            MakeCodes(tLength, kNT, tCode);
            WriteLengthTable(tLength, kNT, kTBits, 3);
        } else {
            // One code-length symbol: every length costs no bits.
            memset(tLength, 0, sizeof tLength);
            PutBits(kTBits, 0);
            PutBits(kTBits, static_cast<uint32_t>(OnlySymbol(tFreq, kNT)));
        }
        MakeCodes(cLength, kNC, cCode);
        WriteCTable(cLength, tLength, tCode);
    } else {
        memset(cLength, 0, sizeof cLength);
        PutBits(kTBits, 0);
        PutBits(kTBits, 0);
        PutBits(kCBits, 0);
        PutBits(kCBits, static_cast<uint32_t>(OnlySymbol(cFreq_.data(), kNC)));
    }
    int pBits = positionCodes_ > 14 ? 5 : 4;  // 4 for -lh5-, 5 for -lh6- and -lh7-
    if (pUsed >= 2) {
        MakeCodes(pLength, positionCodes_, pCode);
        WriteLengthTable(pLength, positionCodes_, pBits, -1);
    } else {
        memset(pLength, 0, sizeof pLength);
        PutBits(pBits, 0);
        PutBits(pBits, static_cast<uint32_t>(OnlySymbol(pFreq_.data(), positionCodes_)));
    }
    for (size_t i = 0; i < codes_.size(); ++i) {
        int code = codes_[i];
        PutBits(cLength[code], cCode[code]);
        if (code < 256) continue;
        uint32_t offset = offsets_[i];
        int bits = BitLength(offset);
        PutBits(pLength[bits], pCode[bits]);
        if (bits > 1) PutBits(bits - 1, offset);
    }
    codes_.clear();
    offsets_.clear();
    std::fill(cFreq_.begin(), cFreq_.end(), 0);
    std::fill(pFreq_.begin(), pFreq_.end(), 0);
}

// ---------------------------------------------------------------- headers

namespace {
const size_t kLevel2BaseSize = 24;  // up to the first extension size
const unsigned char kExtCommon = 0x00;
const unsigned char kExtFileName = 0x01;
const unsigned char kExtFolderName = 0x02;
const unsigned char kExtAttributes = 0x40;
const unsigned char kExtWindowsTime = 0x41;
const unsigned char kFolderSeparator = 0xFF;  // never a byte of code page 932
const size_t kCopyBuffer = 1 << 20;
const uint64_t kProbeSize = 128 * 1024;

uint16_t Get16(const unsigned char* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
uint32_t Get32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}

// Splits "a/b/c.txt" into "a/b/" and "c.txt", stepping over double-byte characters.
void SplitName(const std::string& name, std::string* folder, std::string* file) {
    size_t cut = 0;
    for (const char* p = name.c_str(); *p != '\0'; p = NextChar932(p)) {
        if (*p == '/') cut = static_cast<size_t>(p - name.c_str()) + 1;
    }
    *folder = name.substr(0, cut);
    *file = name.substr(cut);
}

// A stored folder name with 0xFF separators, ending in one.
std::string FolderField(const std::string& folder) {
    std::string field = folder;
    for (char& c : field) {
        if (c == '/') c = static_cast<char>(kFolderSeparator);  // '/' is never a trail byte
    }
    if (!field.empty() && field.back() != static_cast<char>(kFolderSeparator)) field.push_back(static_cast<char>(kFolderSeparator));
    return field;
}

// Names in level-0/1 headers and in other tools' extension headers may use
// '\', '/' or 0xFF; the walker gives '/' throughout.
std::string NormalizedName(const std::string& raw) {
    std::string name;
    for (const char* p = raw.c_str(); *p != '\0';) {
        const char* next = NextChar932(p);
        if (next == p + 1 && (*p == '\\' || *p == '/' || static_cast<unsigned char>(*p) == kFolderSeparator)) {
            if (!name.empty() && name.back() != '/') name.push_back('/');
        } else {
            name.append(p, next);
        }
        p = next;
    }
    return name;
}
}  // namespace

bool BuildLzhHeader(const LzhNewEntry& entry, const char* method, uint32_t packed, uint32_t size, uint16_t crc,
                    std::string* header) {
    std::string folder, file;
    std::string name = entry.name;
    while (!name.empty() && name.back() == '/') name.pop_back();
    if (entry.isFolder) {
        folder = name;
    } else {
        SplitName(name, &folder, &file);
    }
    struct Extension {
        unsigned char type;
        std::string data;
    };
    std::vector<Extension> extensions;
    extensions.push_back({kExtCommon, std::string(2, '\0')});  // header CRC, filled in below
    if (!entry.isFolder) extensions.push_back({kExtFileName, file});
    if (!folder.empty()) extensions.push_back({kExtFolderName, FolderField(folder)});
    std::string attributes;
    Put16(&attributes, entry.attributes);
    extensions.push_back({kExtAttributes, attributes});
    std::string times;
    for (int i = 0; i < 3; ++i) Put64(&times, entry.fileTime);  // creation, modification, access
    extensions.push_back({kExtWindowsTime, times});

    header->clear();
    Put16(header, 0);  // total size, below
    header->append(method, 5);
    Put32(header, packed);
    Put32(header, size);
    // The field is unsigned: times before 1970 or after 2106 are clamped.
    Put32(header, static_cast<uint32_t>(std::min<int64_t>(std::max<int64_t>(entry.unixTime, 0), 0xFFFFFFFF)));
    header->push_back(0x20);
    header->push_back(2);  // level
    Put16(header, crc);
    // Made on Windows NT: names are code page 932 and their case is kept.
    // Readers take names from MS-DOS ('M') with no lower-case letter for
    // upper-case DOS names and lower them, trail bytes ('T' of 週) included.
    header->push_back('W');
    for (const Extension& e : extensions) {
        if (e.data.size() > 0xFFFF - 3) return false;
        Put16(header, static_cast<uint32_t>(e.data.size() + 3));
        header->push_back(static_cast<char>(e.type));
        header->append(e.data);
    }
    Put16(header, 0);
    // A header whose size has a zero low byte would read as the end mark.
    if ((header->size() & 0xFF) == 0) header->push_back('\0');
    if (header->size() > 0xFFFF) return false;
    (*header)[0] = static_cast<char>(header->size() & 0xFF);
    (*header)[1] = static_cast<char>(header->size() >> 8);
    uint16_t headerCrc = LzhCrc16(0, header->data(), header->size());
    (*header)[kLevel2BaseSize + 3] = static_cast<char>(headerCrc & 0xFF);
    (*header)[kLevel2BaseSize + 4] = static_cast<char>(headerCrc >> 8);
    return true;
}

LzhStatus ParseLzhHeader(const unsigned char* p, size_t available, LzhStoredEntry* entry, bool* end) {
    *end = available == 0 || p[0] == 0;
    if (*end) return LzhStatus::Ok;
    if (available < 22) return LzhStatus::Corrupt;
    if (p[2] != '-' || p[6] != '-') return LzhStatus::Corrupt;
    *entry = LzhStoredEntry();
    entry->method.assign(reinterpret_cast<const char*>(p + 2), 5);
    entry->size = Get32(p + 11);
    entry->level = p[20];
    uint64_t packed = Get32(p + 7);
    size_t base = 0;       // the fixed part, where extension headers start
    size_t nextSize = 0;   // the first extension's size
    std::string rawName, rawFolder;
    switch (entry->level) {
    case 0:
    case 1: {
        base = static_cast<size_t>(p[0]) + 2;
        size_t nameLength = p[21];
        size_t needed = 22 + nameLength + (entry->level == 1 ? 5 : 0);
        if (base < needed || base > available) return LzhStatus::Corrupt;
        rawName.assign(reinterpret_cast<const char*>(p + 22), nameLength);
        if (22 + nameLength + 2 <= base) entry->crc = Get16(p + 22 + nameLength);
        if (entry->level == 1) nextSize = Get16(p + base - 2);
        break;
    }
    case 2:
        base = Get16(p);
        if (base < 26 || base > available) return LzhStatus::Corrupt;
        entry->crc = Get16(p + 21);
        nextSize = Get16(p + 24);
        break;
    default:
        return LzhStatus::Unsupported;
    }
    // Extension headers: level 1 puts them after the fixed part (its size
    // field counts them as data), level 2 inside the total size.
    size_t at = entry->level == 2 ? 26 : base;
    size_t limit = entry->level == 2 ? base : available;
    while (nextSize != 0) {
        if (nextSize < 3 || nextSize > limit || at > limit - nextSize) return LzhStatus::Corrupt;
        const unsigned char* e = p + at;
        std::string data(reinterpret_cast<const char*>(e + 1), nextSize - 3);
        if (e[0] == kExtFileName) {
            rawName = data;
        } else if (e[0] == kExtFolderName) {
            rawFolder = data;
        }
        at += nextSize;
        nextSize = Get16(e + nextSize - 2);
    }
    if (entry->level == 1) {
        uint64_t extensions = at - base;
        if (extensions > packed) return LzhStatus::Corrupt;
        packed -= extensions;
        entry->headerSize = at;
    } else {
        entry->headerSize = base;
    }
    entry->packed = packed;
    entry->isFolder = entry->method == "-lhd-";
    std::string folder = NormalizedName(rawFolder);
    std::string file = NormalizedName(rawName);
    if (!folder.empty() && folder.back() != '/' && !file.empty()) folder.push_back('/');
    entry->name = folder + file;
    if (entry->isFolder && !entry->name.empty() && entry->name.back() != '/') entry->name.push_back('/');
    if (entry->name.empty()) return LzhStatus::Corrupt;
    return LzhStatus::Ok;
}

LzhStatus ReadLzhDirectory(LzhInput* input, std::vector<LzhStoredEntry>* entries, std::string* error) {
    entries->clear();
    uint64_t size = input->Size();
    uint64_t offset = 0;
    std::vector<unsigned char> bytes;
    while (offset < size) {
        // Most headers are short: try a small piece first, then the most a header may take.
        LzhStoredEntry entry;
        bool end = false;
        LzhStatus status = LzhStatus::Corrupt;
        for (size_t want : {size_t(4096), size_t(1) << 18}) {
            size_t piece = static_cast<size_t>(std::min<uint64_t>(want, size - offset));
            bytes.resize(piece);
            if (!input->ReadAt(offset, bytes.data(), piece)) {
                *error = "書庫を読めません";
                return LzhStatus::Read;
            }
            status = ParseLzhHeader(bytes.data(), piece, &entry, &end);
            if (status != LzhStatus::Corrupt || piece < want) break;
        }
        if (status == LzhStatus::Unsupported) {
            *error = "対応していないヘッダです";
            return status;
        }
        if (status != LzhStatus::Ok) {
            *error = offset == 0 ? "lzh 書庫ではありません" : "ヘッダが壊れています";
            return LzhStatus::Corrupt;
        }
        if (end) break;
        if (entry.headerSize > size - offset || entry.packed > size - offset - entry.headerSize) {
            *error = "書庫が途中で切れています: " + entry.name;
            return LzhStatus::Corrupt;
        }
        entry.offset = offset;
        offset += entry.headerSize + entry.packed;
        entries->push_back(entry);
    }
    return LzhStatus::Ok;
}

// ---------------------------------------------------------------- archive writer

LzhArchiveWriter::LzhArchiveWriter(LzhOutput* output, LzhMethod method)
    : output_(output), method_(method), buffer_(kCopyBuffer) {}

LzhStatus LzhArchiveWriter::Copy(LzhInput* input, const LzhStoredEntry& entry) {
    uint64_t left = entry.headerSize + entry.packed;
    uint64_t at = entry.offset;
    while (left > 0) {
        size_t piece = static_cast<size_t>(std::min<uint64_t>(left, buffer_.size()));
        if (!input->ReadAt(at, buffer_.data(), piece)) return LzhStatus::Corrupt;
        if (!output_->Write(buffer_.data(), piece)) return LzhStatus::Write;
        at += piece;
        left -= piece;
    }
    return LzhStatus::Ok;
}

LzhStatus LzhArchiveWriter::Store(LzhSource* source, uint32_t* size, uint16_t* crc) {
    if (!source->Restart()) return LzhStatus::Read;
    uint64_t total = 0;
    *crc = 0;
    for (;;) {
        size_t got = source->Read(buffer_.data(), buffer_.size());
        if (got == 0) break;
        total += got;
        if (total > 0xFFFFFFFFu) return LzhStatus::TooLarge;
        *crc = LzhCrc16(*crc, buffer_.data(), got);
        if (!output_->Write(buffer_.data(), got)) return LzhStatus::Write;
    }
    if (source->Failed()) return LzhStatus::Read;
    *size = static_cast<uint32_t>(total);
    return LzhStatus::Ok;
}

// Compresses the source after the header. *shrank is false when the data
// does not get smaller (judged early, on the first piece), and the caller
// stores it instead.
LzhStatus LzhArchiveWriter::Compress(LzhSource* source, uint32_t* packed, uint32_t* size, uint16_t* crc, bool* shrank) {
    *shrank = false;
    if (!encoder_) {
        encoder_.reset(new LzhEncoder(method_));
    } else {
        encoder_->Reset();
    }
    LzhEncoder& encoder = *encoder_;
    uint64_t total = 0, written = 0;
    *crc = 0;
    bool probed = false;
    auto drain = [&]() {
        const std::vector<unsigned char>& out = encoder.Output();
        written += out.size();
        bool ok = out.empty() || output_->Write(out.data(), out.size());
        encoder.ClearOutput();
        return ok;
    };
    for (;;) {
        size_t want = probed ? buffer_.size() : static_cast<size_t>(kProbeSize);
        size_t got = source->Read(buffer_.data(), want);
        if (got == 0) break;
        total += got;
        if (total > 0xFFFFFFFFu) return LzhStatus::TooLarge;
        *crc = LzhCrc16(*crc, buffer_.data(), got);
        encoder.Write(buffer_.data(), got);
        if (!drain()) return LzhStatus::Write;
        if (!probed) {
            probed = true;
            if (got == want && encoder.EstimatedOutput() * 100 >= total * 98) return LzhStatus::Ok;
        }
        if (written >= 0xFFFFFFFFu) return LzhStatus::Ok;  // beyond the size field: stored instead
    }
    if (source->Failed()) return LzhStatus::Read;
    encoder.Finish();
    if (!drain()) return LzhStatus::Write;
    *shrank = written < total;
    *packed = static_cast<uint32_t>(written);
    *size = static_cast<uint32_t>(total);
    return LzhStatus::Ok;
}

LzhStatus LzhArchiveWriter::Add(const LzhNewEntry& entry, LzhSource* source) {
    std::string header;
    if (entry.isFolder || source == nullptr) {
        if (!BuildLzhHeader(entry, "-lhd-", 0, 0, 0, &header)) return LzhStatus::TooLarge;
        return output_->Write(header.data(), header.size()) ? LzhStatus::Ok : LzhStatus::Write;
    }
    if (source->Size() > 0xFFFFFFFFu) return LzhStatus::TooLarge;
    const char* method = method_ == LzhMethod::Lh5 ? "-lh5-" : method_ == LzhMethod::Lh6 ? "-lh6-" : "-lh7-";
    // Sizes and CRC are not known yet; the header is written again at the end, same length.
    if (!BuildLzhHeader(entry, method, 0, 0, 0, &header)) return LzhStatus::TooLarge;
    uint64_t start = output_->Position();
    if (!output_->Write(header.data(), header.size())) return LzhStatus::Write;
    uint64_t dataStart = output_->Position();
    uint32_t packed = 0, size = 0;
    uint16_t crc = 0;
    bool shrank = false;
    LzhStatus status = source->Size() == 0 ? LzhStatus::Ok : Compress(source, &packed, &size, &crc, &shrank);
    if (status != LzhStatus::Ok) return status;
    if (!shrank) {
        method = "-lh0-";
        if (!output_->Rewind(dataStart)) return LzhStatus::Write;
        status = Store(source, &size, &crc);
        if (status != LzhStatus::Ok) return status;
        packed = size;
    }
    BuildLzhHeader(entry, method, packed, size, crc, &header);
    return output_->PatchAt(start, header.data(), header.size()) ? LzhStatus::Ok : LzhStatus::Write;
}

bool LzhArchiveWriter::Finish() {
    unsigned char endMark = 0;
    return output_->Write(&endMark, 1);
}

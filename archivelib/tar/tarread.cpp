#include "tar/tarread.h"

#include <string.h>
#include <zlib.h>

#include <algorithm>

#include "base/mbname.h"
#include "base/textconv.h"

static const size_t kBlock = 512;
static const size_t kInputBuffer = 256 * 1024;
static const uint64_t kMaxMetaSize = 1 << 20;  // long names, pax records and sparse maps beyond this are hostile

uint64_t TarPadded(uint64_t size) { return (size + kBlock - 1) / kBlock * kBlock; }

// ---------------------------------------------------------------- the byte stream

struct TarInput::Inflate {
    z_stream z = {};
    bool ready = false;
    bool ended = false;
    std::vector<unsigned char> in;
};

TarInput::TarInput() = default;
TarInput::~TarInput() { Close(); }

bool TarInput::Open(ByteSource* source) {
    Close();
    source_ = source;
    error_ = FDARC_OK;
    position_ = 0;
    unsigned char magic[2] = {0, 0};
    gzip_ = source->Size() >= 2 && source->ReadAt(0, magic, 2) && magic[0] == 0x1F && magic[1] == 0x8B;
    if (!source->Seek(0)) return false;
    if (gzip_) {
        z_ = new Inflate();
        if (inflateInit2(&z_->z, MAX_WBITS + 16) != Z_OK) return false;
        z_->ready = true;
        z_->in.resize(kInputBuffer);
    }
    return true;
}

void TarInput::Close() {
    if (z_ != nullptr && z_->ready) inflateEnd(&z_->z);
    delete z_;
    z_ = nullptr;
    source_ = nullptr;
}

bool TarInput::Fail(int code) {
    if (error_ == FDARC_OK) error_ = code;
    return false;
}

bool TarInput::Refill() {
    z_stream* z = &z_->z;
    if (z->avail_in > 0) return true;
    size_t got = source_->Read(z_->in.data(), z_->in.size());
    z->next_in = z_->in.data();
    z->avail_in = static_cast<uInt>(got);
    return got > 0;
}

bool TarInput::Read(void* dst, size_t count) {
    if (error_ != FDARC_OK) return false;
    if (!gzip_) {
        if (source_->Read(dst, count) != count) return Fail(source_->failed() ? FDARC_E_OPEN_ARCHIVE : FDARC_E_CORRUPT);
        position_ += count;
        return true;
    }
    z_stream* z = &z_->z;
    z->next_out = static_cast<Bytef*>(dst);
    z->avail_out = static_cast<uInt>(count);
    while (z->avail_out > 0) {
        if (z_->ended) {
            // Another gzip member may follow (concatenated archives); anything else ends the data.
            if (!Refill() || z->avail_in < 2 || z->next_in[0] != 0x1F || z->next_in[1] != 0x8B) return Fail(FDARC_E_CORRUPT);
            inflateReset(z);
            z_->ended = false;
        }
        if (z->avail_in == 0 && !Refill()) return Fail(FDARC_E_CORRUPT);
        int status = inflate(z, Z_NO_FLUSH);
        if (status == Z_STREAM_END) {
            z_->ended = true;
        } else if (status != Z_OK) {
            return Fail(FDARC_E_CORRUPT);
        }
    }
    return true;
}

bool TarInput::Skip(uint64_t count) {
    if (error_ != FDARC_OK) return false;
    if (!gzip_) {
        if (count > source_->Size() - position_) return Fail(FDARC_E_CORRUPT);
        position_ += count;
        return source_->Seek(position_) || Fail(FDARC_E_OPEN_ARCHIVE);
    }
    char scratch[16384];
    while (count > 0) {
        size_t piece = static_cast<size_t>(count < sizeof scratch ? count : sizeof scratch);
        if (!Read(scratch, piece)) return false;
        count -= piece;
        PumpMessagesIfDue();
    }
    return true;
}

bool TarInput::FinishStream() {
    if (error_ != FDARC_OK) return false;
    char scratch[4096];
    while (gzip_ && !z_->ended) {
        z_stream* z = &z_->z;
        z->next_out = reinterpret_cast<Bytef*>(scratch);
        z->avail_out = sizeof scratch;
        if (z->avail_in == 0 && !Refill()) return Fail(FDARC_E_CORRUPT);
        int status = inflate(z, Z_NO_FLUSH);
        if (status == Z_STREAM_END) z_->ended = true;
        else if (status != Z_OK) return Fail(FDARC_E_CORRUPT);
        PumpMessagesIfDue();
    }
    return true;
}

// ---------------------------------------------------------------- headers

static uint64_t ParseNumber(const unsigned char* field, size_t size, bool* ok) {
    uint64_t value = 0;
    if (field[0] & 0x80) {  // GNU base-256 for values beyond the octal digits
        if (field[0] != 0x80) {  // negative, or more than 64 bits
            *ok = false;
            return 0;
        }
        for (size_t i = 1; i < size; ++i) {
            if (value >> 56) {
                *ok = false;
                return 0;
            }
            value = (value << 8) | field[i];
        }
        return value;
    }
    size_t i = 0;
    while (i < size && field[i] == ' ') ++i;
    for (; i < size && field[i] >= '0' && field[i] <= '7'; ++i) {
        if (value >> 60) {
            *ok = false;
            return 0;
        }
        value = value * 8 + (field[i] - '0');
    }
    if (i < size && field[i] != '\0' && field[i] != ' ') *ok = false;
    return value;
}

bool TarChecksumOk(const unsigned char* block) {
    bool ok = true;
    uint64_t stored = ParseNumber(block + 148, 8, &ok);
    if (!ok) return false;
    uint64_t plain = 0;
    int64_t signedSum = 0;
    for (size_t i = 0; i < kBlock; ++i) {
        unsigned char c = (i >= 148 && i < 156) ? ' ' : block[i];
        plain += c;
        signedSum += static_cast<signed char>(c);
    }
    return stored == plain || static_cast<int64_t>(stored) == signedSum;
}

static bool IsZeroBlock(const unsigned char* block) {
    for (size_t i = 0; i < kBlock; ++i) {
        if (block[i] != 0) return false;
    }
    return true;
}

static std::string FieldText(const unsigned char* field, size_t size) {
    return std::string(reinterpret_cast<const char*>(field), strnlen(reinterpret_cast<const char*>(field), size));
}

// A decimal number of a pax record or sparse map; false unless all digits and in range.
static bool ParseDecimal(const std::string& text, uint64_t* value) {
    if (text.empty() || text.size() > 19) return false;
    *value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        *value = *value * 10 + static_cast<uint64_t>(c - '0');
    }
    return true;
}

namespace {
// What the pax records before a member say about it.
struct PaxRecords {
    std::string path, linkPath, sparseName;
    bool hasPath = false, hasLinkPath = false, hasSize = false, sizeBad = false, hasMtime = false, binary = false;
    uint64_t size = 0, sparseRealSize = 0;
    int64_t mtime = 0;
    bool sparse = false, sparseMapInData = false, sparseBad = false;
    std::vector<SparseRun> runs;
    bool pendingOffset = false;  // sparse 0.0: an offset waiting for its numbytes
};

// "GNU.sparse.map" of sparse 0.1: offset,size,offset,size...
bool ParseSparseMap(const std::string& text, std::vector<SparseRun>* runs) {
    size_t at = 0;
    bool wantOffset = true;
    SparseRun run;
    while (at <= text.size()) {
        size_t comma = text.find(',', at);
        if (comma == std::string::npos) comma = text.size();
        uint64_t value = 0;
        if (!ParseDecimal(text.substr(at, comma - at), &value)) return false;
        if (wantOffset) {
            run.offset = value;
        } else {
            run.size = value;
            runs->push_back(run);
        }
        wantOffset = !wantOffset;
        at = comma + 1;
    }
    return wantOffset;  // an offset without its size is damage
}

void ApplyRecord(const std::string& key, const std::string& value, PaxRecords* pax) {
    uint64_t number = 0;
    if (key == "path") {
        pax->path = value;
        pax->hasPath = true;
    } else if (key == "linkpath") {
        pax->linkPath = value;
        pax->hasLinkPath = true;
    } else if (key == "size") {
        pax->hasSize = ParseDecimal(value, &pax->size);
        pax->sizeBad = !pax->hasSize;  // where the next header starts must not be guessed
    } else if (key == "mtime") {
        std::string whole = value.substr(0, value.find('.'));
        pax->hasMtime = ParseDecimal(whole, &number);
        pax->mtime = static_cast<int64_t>(number);
    } else if (key == "hdrcharset") {
        pax->binary = value == "BINARY";
    } else if (key == "GNU.sparse.name") {
        pax->sparseName = value;
        pax->sparse = true;
    } else if (key == "GNU.sparse.size" || key == "GNU.sparse.realsize") {
        if (!ParseDecimal(value, &pax->sparseRealSize)) pax->sparseBad = true;
        pax->sparse = true;
    } else if (key == "GNU.sparse.major") {
        pax->sparse = true;
        pax->sparseMapInData = value == "1";
        if (value != "0" && value != "1") pax->sparseBad = true;
    } else if (key == "GNU.sparse.map") {
        pax->sparse = true;
        if (!ParseSparseMap(value, &pax->runs)) pax->sparseBad = true;
    } else if (key == "GNU.sparse.offset") {
        pax->sparse = true;
        if (pax->pendingOffset || !ParseDecimal(value, &number)) pax->sparseBad = true;
        SparseRun run;
        run.offset = number;
        pax->runs.push_back(run);
        pax->pendingOffset = true;
    } else if (key == "GNU.sparse.numbytes") {
        pax->sparse = true;
        if (!pax->pendingOffset || !ParseDecimal(value, &number)) pax->sparseBad = true;
        else pax->runs.back().size = number;
        pax->pendingOffset = false;
    }
}

// "%d key=value\n" records; a damaged record ends the parsing.
void ParsePax(const std::string& records, PaxRecords* pax) {
    size_t at = 0;
    while (at < records.size()) {
        size_t space = records.find(' ', at);
        if (space == std::string::npos) break;
        uint64_t length = 0;
        if (!ParseDecimal(records.substr(at, space - at), &length)) break;
        if (length <= space - at + 1 || length > records.size() - at) break;
        std::string record = records.substr(space + 1, static_cast<size_t>(at + length - space - 1));
        if (record.empty() || record.back() != '\n') break;
        record.pop_back();
        size_t equals = record.find('=');
        if (equals != std::string::npos) ApplyRecord(record.substr(0, equals), record.substr(equals + 1), pax);
        at += static_cast<size_t>(length);
    }
}

// pax names are UTF-8 unless the archive says they are raw bytes; the others
// follow the archive's decision. An unconvertible character stays '?', which
// extraction refuses.
std::string MemberName(const std::string& stored, bool marked, const NameCharsetQuery& charset, std::string* unmarked) {
    std::string name;
    if (marked) {
        Utf8NameToCp932(stored, &name);
        return name;
    }
    *unmarked = stored;
    bool ascii = std::all_of(stored.begin(), stored.end(), [](char c) { return (c & 0x80) == 0; });
    UnmarkedNameToCp932(stored, ascii || !charset ? NameCharset::Cp932 : charset(), &name);
    return name;
}

TarKind KindOf(char type, const std::string& name) {
    switch (type) {
    case '1': return TarKind::HardLink;
    case '2': return TarKind::SymLink;
    case '3': case '4': case '6': return TarKind::Special;
    case '5': case 'D': return TarKind::Folder;
    case 'M': return TarKind::Unsupported;  // the rest of a file begun on another volume
    }
    // Regular ('0', v7's NUL, contiguous '7') and unknown types are files, as
    // POSIX says; a v7 folder is a file whose name ends in '/'.
    return EndsWithSeparator(name) ? TarKind::Folder : TarKind::File;
}

// Old GNU sparse members: four runs in the header, more in extension blocks.
bool ReadOldSparse(TarInput* input, const unsigned char* header, TarMember* member, bool keepRaw, bool* inputFailed) {
    bool ok = true;
    member->realSize = ParseNumber(header + 483, 12, &ok);
    std::vector<unsigned char> block(header, header + kBlock);
    size_t first = 386, count = 4, flag = 482;
    for (uint64_t blocks = 0;; ++blocks) {
        for (size_t i = 0; i < count; ++i) {
            const unsigned char* entry = block.data() + first + i * 24;
            if (entry[0] == 0) break;
            SparseRun run;
            run.offset = ParseNumber(entry, 12, &ok);
            run.size = ParseNumber(entry + 12, 12, &ok);
            member->runs.push_back(run);
        }
        if (block[flag] == 0) break;
        if (blocks * kBlock > kMaxMetaSize || !input->Read(block.data(), kBlock)) {
            *inputFailed = input->error() != FDARC_OK;
            return false;
        }
        if (keepRaw) member->raw.append(reinterpret_cast<char*>(block.data()), kBlock);
        first = 0;
        count = 21;
        flag = 504;
    }
    return ok;
}
}  // namespace

TarNext ReadTarMember(TarInput* input, TarMember* member, bool keepRaw, const NameCharsetQuery& charset) {
    *member = TarMember();
    std::string longName, longLink;
    PaxRecords pax;
    // Not bounded by a count: each pass consumes at least one block, so the
    // input bounds it, and nothing kept grows with the number of passes
    // except the raw copy an update asks for.
    for (;;) {
        unsigned char block[kBlock];
        if (!input->Read(block, kBlock)) return TarNext::Error;
        if (IsZeroBlock(block)) return TarNext::End;
        if (!TarChecksumOk(block)) return TarNext::Error;
        if (keepRaw) member->raw.append(reinterpret_cast<char*>(block), kBlock);
        bool ok = true;
        uint64_t size = ParseNumber(block + 124, 12, &ok);
        char type = static_cast<char>(block[156]);
        if (!ok) return TarNext::Error;
        if (type == 'L' || type == 'K' || type == 'x' || type == 'g' || type == 'X') {
            if (size > kMaxMetaSize) return TarNext::Error;
            std::string data(static_cast<size_t>(TarPadded(size)), '\0');
            if (!data.empty() && !input->Read(&data[0], data.size())) return TarNext::Error;
            if (keepRaw) member->raw += data;
            data.resize(static_cast<size_t>(size));
            if (type == 'L') longName = data.substr(0, strnlen(data.c_str(), data.size()));
            if (type == 'K') longLink = data.substr(0, strnlen(data.c_str(), data.size()));
            if (type == 'x' || type == 'X') ParsePax(data, &pax);  // global records ('g') do not name a member
            continue;
        }
        if (type == 'V') {  // a volume label names no file; its data, if any, is skipped
            if (keepRaw) {
                if (size > kMaxMetaSize) return TarNext::Error;
                std::string data(static_cast<size_t>(TarPadded(size)), '\0');
                if (!data.empty() && !input->Read(&data[0], data.size())) return TarNext::Error;
                member->raw += data;
            } else if (!input->Skip(TarPadded(size))) {
                return TarNext::Error;
            }
            continue;
        }
        bool posix = memcmp(block + 257, "ustar\0", 6) == 0;
        std::string name = FieldText(block, 100);
        std::string prefix = posix ? FieldText(block + 345, 155) : std::string();
        if (!prefix.empty()) name = prefix + "/" + name;
        if (!longName.empty()) name = longName;
        bool marked = false;
        if (pax.hasPath || !pax.sparseName.empty()) {
            name = pax.sparseName.empty() ? pax.path : pax.sparseName;
            marked = !pax.binary;
        }
        name = MemberName(name, marked, charset, &member->unmarkedName);
        member->name = name;
        std::string link = FieldText(block + 157, 100);
        if (!longLink.empty()) link = longLink;
        member->linkName = MemberName(pax.hasLinkPath ? pax.linkPath : link, pax.hasLinkPath && !pax.binary, charset,
                                      &member->unmarkedLink);
        member->type = type;
        member->kind = KindOf(type, name);
        member->mtime = pax.hasMtime ? pax.mtime : static_cast<int64_t>(ParseNumber(block + 136, 12, &ok));
        if (pax.sizeBad) return TarNext::Error;
        if (pax.hasSize) size = pax.size;
        if (type == 'S') {
            bool inputFailed = false;
            if (!ReadOldSparse(input, block, member, keepRaw, &inputFailed)) {
                if (inputFailed) return TarNext::Error;
                member->kind = TarKind::Unsupported;
            }
            member->sparse = true;
        } else if (pax.sparse && member->kind == TarKind::File) {
            member->sparse = true;
            member->sparseMapInData = pax.sparseMapInData;
            member->runs = pax.runs;
            member->realSize = pax.sparseRealSize;
            if (pax.sparseBad || pax.pendingOffset) member->kind = TarKind::Unsupported;
        }
        if (!member->sparse) member->realSize = size;
        // Links, devices and folders carry no data whatever their size field
        // says, except the GNU dump-dir list; the rest is skipped like data.
        bool data = member->kind == TarKind::File || member->kind == TarKind::Unsupported || type == 'D';
        member->size = data ? size : 0;
        if (member->name.empty()) return TarNext::Error;
        return TarNext::Member;
    }
}

NameCharset ScanTarNames(ByteSource* source) {
    NameCharsetVote vote;
    TarInput input;
    if (!input.Open(source)) return NameCharset::Cp932;
    while (!vote.Settled()) {
        TarMember member;
        if (ReadTarMember(&input, &member, false) != TarNext::Member) break;
        vote.Add(member.unmarkedName);
        vote.Add(member.unmarkedLink);
        if (!input.Skip(TarPadded(member.size))) break;
        PumpMessagesIfDue();
    }
    input.Close();
    return vote.Decision();
}

bool LooksLikeTar(ByteSource* source) {
    unsigned char block[kBlock];
    if (!source->ReadAt(0, block, 2)) return false;
    if (block[0] == 0x1F && block[1] == 0x8B) return true;
    if (!source->ReadAt(0, block, kBlock)) return false;
    if (TarChecksumOk(block)) return true;
    // An archive with no members is its two end blocks, padded to a record.
    if (!IsZeroBlock(block) || source->Size() % kBlock != 0 || !source->ReadAt(kBlock, block, kBlock)) return false;
    return IsZeroBlock(block);
}

// ---------------------------------------------------------------- member data

namespace {
// Reads the member's data in pieces, counting what it took.
struct DataReader {
    TarInput* input;
    uint64_t left;
    uint64_t* consumed;
    bool Read(void* dst, size_t count) {
        if (count > left) return false;
        if (!input->Read(dst, count)) return false;
        left -= count;
        *consumed += count;
        return true;
    }
};

// The sparse 1.0 map: decimal lines (count, then offset and size pairs)
// padded to whole blocks at the start of the data.
bool ReadMapInData(DataReader* reader, std::vector<SparseRun>* runs) {
    std::string text;
    size_t at = 0;
    auto next = [&](uint64_t* value) {
        for (;;) {
            size_t end = text.find('\n', at);
            if (end != std::string::npos) {
                bool ok = ParseDecimal(text.substr(at, end - at), value);
                at = end + 1;
                return ok;
            }
            if (text.size() >= kMaxMetaSize) return false;
            char block[kBlock];
            if (!reader->Read(block, kBlock)) return false;
            text.append(block, kBlock);
        }
    };
    uint64_t count = 0;
    if (!next(&count) || count > kMaxMetaSize / 4) return false;
    for (uint64_t i = 0; i < count; ++i) {
        SparseRun run;
        if (!next(&run.offset) || !next(&run.size)) return false;
        runs->push_back(run);
    }
    return true;
}

bool WriteZeros(ByteSink* sink, uint64_t count) {
    static const char zeros[64 * 1024] = {};
    while (count > 0) {
        size_t piece = static_cast<size_t>(count < sizeof zeros ? count : sizeof zeros);
        if (!sink->Write(zeros, piece)) return false;
        count -= piece;
        PumpMessagesIfDue();
    }
    return true;
}
}  // namespace

int CopyTarData(TarInput* input, const TarMember& member, ByteSink* sink, uint64_t* consumed) {
    *consumed = 0;
    DataReader reader{input, member.size, consumed};
    std::vector<char> buffer(static_cast<size_t>(member.size < (1u << 20) ? member.size : (1u << 20)) + 1);
    auto copy = [&](uint64_t count) -> int {
        while (count > 0) {
            size_t piece = static_cast<size_t>(count < buffer.size() ? count : buffer.size());
            if (!reader.Read(buffer.data(), piece)) return FDARC_E_CORRUPT;
            if (!sink->Write(buffer.data(), piece)) return FDARC_E_WRITE;
            count -= piece;
            PumpMessagesIfDue();
        }
        return FDARC_OK;
    };
    if (!member.sparse) return copy(member.size);

    std::vector<SparseRun> runs = member.runs;
    if (member.sparseMapInData && !ReadMapInData(&reader, &runs)) return FDARC_E_CORRUPT;
    // Runs in order, apart, inside the file, and no more data than the member holds.
    uint64_t end = 0, data = 0;
    for (const SparseRun& run : runs) {
        if (run.offset < end || run.size > member.realSize || run.offset > member.realSize - run.size) return FDARC_E_CORRUPT;
        if (run.size > reader.left - data) return FDARC_E_CORRUPT;
        end = run.offset + run.size;
        data += run.size;
    }
    uint64_t written = 0;
    for (const SparseRun& run : runs) {
        if (!WriteZeros(sink, run.offset - written)) return FDARC_E_WRITE;
        int result = copy(run.size);
        if (result != FDARC_OK) return result;
        written = run.offset + run.size;
    }
    return WriteZeros(sink, member.realSize - written) ? FDARC_OK : FDARC_E_WRITE;
}

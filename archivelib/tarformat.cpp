#include "tarformat.h"

#include <stdio.h>
#include <string.h>
#include <zlib.h>

#include <unordered_set>

#include "collect.h"
#include "extract.h"
#include "mbname.h"

static const size_t kBlock = 512;
static const uint64_t kMaxMetaSize = 1 << 20;  // long names and pax records beyond this are hostile

// ---------------------------------------------------------------- byte streams

namespace {
// Reads the archive, inflating it when it starts with the gzip magic.
class TarInput {
public:
    ~TarInput() {
        if (zReady_) inflateEnd(&z_);
    }
    bool Open(const std::string& path) {
        if (!file_.Open(path)) return false;
        unsigned char magic[2] = {0, 0};
        gzip_ = file_.Size() >= 2 && file_.ReadAt(0, magic, 2) && magic[0] == 0x1F && magic[1] == 0x8B;
        file_.Seek(0);
        if (gzip_) {
            if (inflateInit2(&z_, MAX_WBITS + 16) != Z_OK) return false;
            zReady_ = true;
            in_.resize(kIoBufferSize);
        }
        return true;
    }
    bool gzip() const { return gzip_; }
    // Exact read; false at a premature end or on damage (error() tells which).
    bool Read(void* dst, size_t count) {
        if (!gzip_) {
            if (file_.Read(dst, count) != count) return Fail(file_.failed() ? FDARC_E_OPEN_ARCHIVE : FDARC_E_CORRUPT);
            position_ += count;
            return true;
        }
        z_.next_out = static_cast<Bytef*>(dst);
        z_.avail_out = static_cast<uInt>(count);
        while (z_.avail_out > 0) {
            if (streamEnded_) {
                // Another gzip member may follow (concatenated archives); anything else ends the data.
                if (!Refill() || z_.avail_in < 2 || z_.next_in[0] != 0x1F || z_.next_in[1] != 0x8B) return Fail(FDARC_E_CORRUPT);
                inflateReset(&z_);
                streamEnded_ = false;
            }
            if (z_.avail_in == 0 && !Refill()) return Fail(FDARC_E_CORRUPT);
            int status = inflate(&z_, Z_NO_FLUSH);
            if (status == Z_STREAM_END) {
                streamEnded_ = true;
            } else if (status != Z_OK) {
                return Fail(FDARC_E_CORRUPT);
            }
        }
        return true;
    }
    bool Skip(uint64_t count) {
        if (!gzip_) {
            if (count > file_.Size() - position_) return Fail(FDARC_E_CORRUPT);
            position_ += count;
            return file_.Seek(position_) || Fail(FDARC_E_OPEN_ARCHIVE);
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
    // After the end blocks: a gzip stream is read to its end, so its CRC and
    // length are checked and a cut-off archive is not taken as whole.
    bool FinishStream() {
        char scratch[4096];
        while (gzip_ && !streamEnded_) {
            z_.next_out = reinterpret_cast<Bytef*>(scratch);
            z_.avail_out = sizeof scratch;
            if (z_.avail_in == 0 && !Refill()) return Fail(FDARC_E_CORRUPT);
            int status = inflate(&z_, Z_NO_FLUSH);
            if (status == Z_STREAM_END) streamEnded_ = true;
            else if (status != Z_OK) return Fail(FDARC_E_CORRUPT);
        }
        return true;
    }
    void Close() {
        if (zReady_) inflateEnd(&z_);
        zReady_ = false;
        file_.Close();
    }
    int error() const { return error_; }

private:
    bool Refill() {
        if (z_.avail_in > 0) return true;
        size_t got = file_.Read(in_.data(), in_.size());
        z_.next_in = in_.data();
        z_.avail_in = static_cast<uInt>(got);
        return got > 0;
    }
    bool Fail(int code) {
        if (error_ == FDARC_OK) error_ = code;
        return false;
    }
    FileReader file_;
    bool gzip_ = false;
    z_stream z_ = {};
    bool zReady_ = false;
    bool streamEnded_ = false;
    std::vector<unsigned char> in_;
    uint64_t position_ = 0;  // plain archives: offset of the next byte
    int error_ = FDARC_OK;
};

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

static uint64_t Padded(uint64_t size) { return (size + kBlock - 1) / kBlock * kBlock; }

namespace {
struct TarMember {
    std::string name;
    char type = '0';
    uint64_t size = 0;      // bytes of data that follow the header
    int64_t mtime = 0;
    bool isFolder = false;
    bool isFile = false;    // regular data worth extracting; links and devices are not
    std::string raw;        // every header block of the member, for copying it unchanged
};

enum class Next { Member, End, Error };

// "%d path=value\n" records of a pax header; only the path matters here.
std::string PaxPath(const std::string& records) {
    size_t at = 0;
    std::string path;
    while (at < records.size()) {
        size_t space = records.find(' ', at);
        if (space == std::string::npos) break;
        unsigned long length = strtoul(records.c_str() + at, nullptr, 10);
        if (length == 0 || length > records.size() - at) break;
        std::string record = records.substr(space + 1, at + length - space - 1);
        if (!record.empty() && record.back() == '\n') record.pop_back();
        if (record.compare(0, 5, "path=") == 0) path = record.substr(5);
        at += length;
    }
    return path;
}
}  // namespace

static Next ReadMember(TarInput* input, TarMember* member, bool keepRaw) {
    *member = TarMember();
    std::string longName, paxName;
    for (int guard = 0; guard < 64; ++guard) {  // meta records before one member: bounded
        unsigned char block[kBlock];
        if (!input->Read(block, kBlock)) return Next::Error;
        if (IsZeroBlock(block)) return Next::End;
        if (!TarChecksumOk(block)) return Next::Error;
        if (keepRaw) member->raw.append(reinterpret_cast<char*>(block), kBlock);
        bool ok = true;
        uint64_t size = ParseNumber(block + 124, 12, &ok);
        char type = static_cast<char>(block[156]);
        if (!ok) return Next::Error;
        if (type == 'L' || type == 'K' || type == 'x' || type == 'g') {
            if (size > kMaxMetaSize) return Next::Error;
            std::string data(static_cast<size_t>(Padded(size)), '\0');
            if (!data.empty() && !input->Read(&data[0], data.size())) return Next::Error;
            if (keepRaw) member->raw += data;
            data.resize(static_cast<size_t>(size));
            if (type == 'L') longName = data.substr(0, strnlen(data.c_str(), data.size()));
            if (type == 'x') paxName = PaxPath(data);
            continue;
        }
        if (type == 'S' || type == 'M') {
            return Next::Error;  // sparse and multi-volume members are not ours to rebuild
        }
        std::string name = FieldText(block, 100);
        bool posix = memcmp(block + 257, "ustar\0", 6) == 0;
        std::string prefix = posix ? FieldText(block + 345, 155) : std::string();
        if (!longName.empty()) {
            member->name = longName;
        } else if (!paxName.empty()) {
            member->name = paxName;
        } else {
            member->name = prefix.empty() ? name : prefix + "/" + name;
        }
        member->type = type;
        member->mtime = static_cast<int64_t>(ParseNumber(block + 136, 12, &ok));
        member->isFolder = type == '5' || type == 'D' || (type != '1' && type != '2' && EndsWithSeparator(member->name));
        member->isFile = !member->isFolder && strchr("123467V", type) == nullptr;
        if (type == 'V') return ReadMember(input, member, keepRaw);  // a volume label names no file
        // Links, devices and folders carry no data whatever their size field says,
        // except the GNU dump-dir list, which is skipped like data.
        member->size = (member->isFile || type == 'D') ? size : 0;
        if (member->name.empty()) return Next::Error;
        return Next::Member;
    }
    return Next::Error;
}

bool LooksLikeTar(FileReader* reader) {
    unsigned char block[kBlock];
    if (!reader->ReadAt(0, block, 2)) return false;
    if (block[0] == 0x1F && block[1] == 0x8B) return true;
    return reader->ReadAt(0, block, kBlock) && TarChecksumOk(block);
}

static void FillListed(const TarMember& member, ListedEntry* entry) {
    entry->name = member.name;
    entry->size = member.size;
    entry->packed = member.size;
    entry->attributes = member.isFolder ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_ARCHIVE;
    FileTimeToDos(UnixToFileTime(member.mtime), &entry->dosDate, &entry->dosTime);
}

int ListTar(const std::string& path, std::vector<ListedEntry>* entries) {
    TarInput input;
    if (!input.Open(path)) return FDARC_E_OPEN_ARCHIVE;
    for (;;) {
        TarMember member;
        Next next = ReadMember(&input, &member, false);
        if (next == Next::End) return input.FinishStream() ? FDARC_OK : input.error();
        if (next == Next::Error) return input.error() != FDARC_OK ? input.error() : FDARC_E_CORRUPT;
        ListedEntry entry;
        FillListed(member, &entry);
        entries->push_back(entry);
        if (!input.Skip(Padded(member.size))) return input.error();
    }
}

// ---------------------------------------------------------------- extraction

int ExtractTar(const Command& command, HWND owner, CallLog* log) {
    TarInput input;
    if (!input.Open(command.archive)) {
        log->Line("書庫を開けません: " + command.archive);
        return FDARC_E_OPEN_ARCHIVE;
    }
    Extraction x;
    if (!BeginExtraction(&x, command, owner, log)) return x.error;
    std::vector<char> buffer(kIoBufferSize);
    BeginProgress(0);   // a tar stream's total is known only at its end
    for (;;) {
        PumpMessagesIfDue();
        TarMember member;
        Next next = ReadMember(&input, &member, false);
        if (next == Next::End) {
            if (!input.FinishStream()) x.Fail(input.error(), "書庫が壊れています: " + command.archive);
            break;
        }
        if (next == Next::Error) {
            x.Fail(input.error() != FDARC_OK ? input.error() : FDARC_E_CORRUPT, "書庫が壊れています: " + command.archive);
            break;
        }
        uint64_t left = Padded(member.size);
        std::string path;
        if (x.Wanted(member.name) && ResolveEntryPath(&x, member.name, &path)) {
            if (member.isFolder) {
                CreateFolders(&x, path);
            } else if (member.isFile) {
                OutputFile file;
                OutputStart start = file.Begin(&x, path);
                if (start == OutputStart::Stop) break;
                if (start == OutputStart::Write) {
                    uint64_t data = member.size;
                    bool ok = true;
                    while (ok && data > 0) {
                        size_t piece = static_cast<size_t>(data < buffer.size() ? data : buffer.size());
                        ok = input.Read(buffer.data(), piece);
                        if (ok && !file.Write(buffer.data(), piece)) {
                            x.Fail(FDARC_E_WRITE, "書き込めません: " + path);
                            ok = false;
                        }
                        data -= piece;
                        left -= piece;
                        PumpMessagesIfDue();
                        if (ok && !NoteProgress(member.name, piece)) ok = false;
                    }
                    if (!ok) {
                        file.Abandon();   // the partly written file goes
                        if (CallCancelled()) {
                            x.Fail(FDARC_E_CANCELLED, "中止しました");
                            break;
                        }
                        if (input.error() != FDARC_OK) {
                            x.Fail(input.error(), "書庫が壊れています: " + member.name);
                            break;
                        }
                        if (!input.Skip(left)) break;
                        continue;
                    }
                    if (file.Commit(&x, UnixToFileTime(member.mtime))) log->Line(member.name);
                }
            }
        }
        if (!input.Skip(left)) {
            x.Fail(input.error() != FDARC_OK ? input.error() : FDARC_E_CORRUPT, "書庫が壊れています: " + command.archive);
            break;
        }
    }
    return x.error;
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

// Header blocks of one member; names of any length, as GNU tar writes them.
static std::string MemberHeader(const std::string& name, char type, uint64_t size, int64_t mtime, unsigned mode) {
    std::string out;
    unsigned char block[kBlock];
    if (name.size() > 100) {
        BasicHeader(block, "././@LongLink", 'L', name.size() + 1, 0, 0);
        FinishHeader(block);
        out.append(reinterpret_cast<char*>(block), kBlock);
        std::string data = name;
        data.resize(static_cast<size_t>(Padded(name.size() + 1)), '\0');
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
    FileReader source;
    if (!source.Open(item.path)) {
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
        if (!NoteProgress(item.stored, piece)) {
            log->Line("中止しました: " + item.path);
            *error = FDARC_E_CANCELLED;
            return false;
        }
    }
    static const char zeros[kBlock] = {};
    log->Line(item.stored);
    return out->Write(zeros, static_cast<size_t>(Padded(size) - size));
}

int CreateTar(const Command& command, CallLog* log) {
    std::vector<SourceItem> items;
    int result = CollectSources(command, log, &items);
    if (result != FDARC_OK) return result;

    TarInput old;
    bool hasOld = false;
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
            probe.Close();
            if (!old.Open(command.archive)) return FDARC_E_OPEN_ARCHIVE;
            hasOld = true;
        }
    }
    std::string temp = MakeTempBeside(command.archive);
    TarOutput out;
    if (temp.empty() || !out.Create(temp, command.gzip, 6)) {
        if (!temp.empty()) DeleteFileA(temp.c_str());
        log->Line("書庫を作成できません: " + command.archive);
        return FDARC_E_WRITE;
    }
    std::unordered_set<std::string> replaced;
    for (const SourceItem& item : items) replaced.insert(item.stored);
    std::vector<char> buffer(kIoBufferSize);
    int error = FDARC_OK;
    bool ok = true;
    uint64_t total = 0;
    for (const SourceItem& item : items) total += item.size;
    // A cancel fails the call below: the temporary goes, the archive stays as it was.
    BeginProgress(total);
    while (ok && hasOld) {
        TarMember member;
        Next next = ReadMember(&old, &member, true);
        if (next == Next::End) break;
        if (next == Next::Error) {
            error = old.error() != FDARC_OK ? old.error() : FDARC_E_CORRUPT;
            log->Line("元の書庫が壊れています: " + command.archive);
            ok = false;
            break;
        }
        bool keep = replaced.count(ComparableName(member.name)) == 0;
        if (keep) ok = out.Write(member.raw.data(), member.raw.size());
        uint64_t left = Padded(member.size);
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
    if (!ok || !out.Finish()) {
        out.Abandon();
        if (error == FDARC_OK) log->Line("書庫を書き込めません: " + command.archive);
        return error != FDARC_OK ? error : FDARC_E_WRITE;
    }
    if (!MoveFileExA(temp.c_str(), command.archive.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED)) {
        DeleteFileA(temp.c_str());
        log->Line("書庫を置き換えられません: " + command.archive);
        return FDARC_E_WRITE;
    }
    return FDARC_OK;
}

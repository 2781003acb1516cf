// Reading tar archives, plain or gzip-compressed, member by member from a
// byte source. Window-free: the DLL and the fuzz targets share it.
#pragma once
#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

#include "base/bytesource.h"
#include "base/namecharset.h"
#include "api/fdarc_errors.h"

// Reads the archive, inflating it when it starts with the gzip magic.
class TarInput {
public:
    TarInput();
    ~TarInput();
    TarInput(const TarInput&) = delete;
    TarInput& operator=(const TarInput&) = delete;
    bool Open(ByteSource* source);
    bool gzip() const { return gzip_; }
    // Exact read; false at a premature end or on damage (error() tells which).
    bool Read(void* dst, size_t count);
    bool Skip(uint64_t count);
    // After the end blocks: a gzip stream is read to its end, so its CRC and
    // length are checked and a cut-off archive is not taken as whole.
    bool FinishStream();
    void Close();
    int error() const { return error_; }

private:
    bool Refill();
    bool Fail(int code);
    struct Inflate;
    ByteSource* source_ = nullptr;
    bool gzip_ = false;
    Inflate* z_ = nullptr;
    uint64_t position_ = 0;  // plain archives: offset of the next byte
    int error_ = FDARC_OK;
};

enum class TarKind { File, Folder, HardLink, SymLink, Special, Unsupported };

struct SparseRun {
    uint64_t offset = 0;
    uint64_t size = 0;
};

struct TarMember {
    std::string name;      // code page 932 as far as it could be converted
    std::string linkName;  // links: what they point at
    char type = '0';
    TarKind kind = TarKind::File;
    uint64_t size = 0;      // bytes of data that follow the header in the archive
    uint64_t realSize = 0;  // bytes of the file it makes (sparse files: with the holes)
    int64_t mtime = 0;
    bool sparse = false;
    bool sparseMapInData = false;  // pax sparse 1.0: the map starts the data
    std::vector<SparseRun> runs;
    std::string raw;        // every header block of the member, for copying it unchanged
    // The stored bytes of names no pax record gave (ustar, GNU, pax marked
    // BINARY): their character set is the archive's, "" for the others.
    std::string unmarkedName, unmarkedLink;
};

enum class TarNext { Member, End, Error };

// One member and the records before it (long names, pax, volume labels), in
// a loop bounded by the input: every header consumes a block.
// Unmarked names that are not ASCII are read in the character set the query
// gives, asked only then (code page 932 without one): an archive of ASCII
// names is never scanned for it.
using NameCharsetQuery = std::function<NameCharset()>;
TarNext ReadTarMember(TarInput* input, TarMember* member, bool keepRaw, const NameCharsetQuery& charset = nullptr);

// The character set of the archive's unmarked names, from a pass over its
// headers (the input is opened on the source and closed again). Stops at
// the first name that is not UTF-8 or at damage, which the reading proper
// then reports.
NameCharset ScanTarNames(ByteSource* source);

// Writes a file member's contents (holes of sparse files as zeros) and
// tells how many bytes of its archive data were consumed; the caller skips
// the rest, Padded(size) in all. FDARC_E_CORRUPT with input->error() unset
// means only this member is unusable.
int CopyTarData(TarInput* input, const TarMember& member, ByteSink* sink, uint64_t* consumed);

// True when the source starts with the gzip magic, a valid tar header or the
// end blocks of an empty archive.
bool LooksLikeTar(ByteSource* source);
bool TarChecksumOk(const unsigned char* block);
uint64_t TarPadded(uint64_t size);

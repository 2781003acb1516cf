// Reading zip archives from a byte source: the central directory, where
// each entry's data lies, and its expansion. Window-free: the DLL and the
// fuzz targets share it.
#pragma once
#include <stdint.h>

#include <atomic>
#include <string>
#include <vector>

#include "base/bytesource.h"
#include "api/fdarc_errors.h"

// The record signatures and the extended-time extra field, read here and
// written by the zip writer.
const uint32_t kLocalSignature = 0x04034b50;
const uint32_t kCentralSignature = 0x02014b50;
const uint32_t kEndSignature = 0x06054b50;
const uint16_t kExtraUnixTime = 0x5455;
const uint16_t kExtraUnicodePath = 0x7075;  // Info-ZIP: version 1, CRC-32 of the header's name, the UTF-8 name
const uint16_t kFlagUtf8 = 0x0800;
const uint16_t kFlagEncrypted = 0x0001;
const uint16_t kFlagStrongEncryption = 0x0040;

struct ZipEntry {
    std::string name;        // code page 932, for matching and extraction
    std::string storedName;  // the bytes the archive holds, written back unchanged on update
    uint16_t versionMadeBy = 0;
    uint16_t versionNeeded = 0;
    uint16_t flags = 0;
    uint16_t method = 0;
    uint16_t dosTime = 0;
    uint16_t dosDate = 0;
    uint32_t crc = 0;
    uint32_t packed = 0;
    uint32_t size = 0;
    uint16_t internalAttributes = 0;
    uint32_t externalAttributes = 0;
    uint64_t localOffset = 0;  // absolute, prepended data already accounted for
    bool hasUnixTime = false;
    int64_t unixTime = 0;
    bool isFolder = false;
    bool isSymlink = false;  // made on Unix with a link's mode: its data is the target
    std::string unicodePathField;  // the 0x7075 field's data as stored, written back unchanged on update
};

struct ZipDirectory {
    std::vector<ZipEntry> entries;
    uint64_t directoryStart = 0;  // entry data must end before it
};

// The Unicode path field's data for a name stored as the given bytes.
std::string MakeUnicodePathField(const std::string& storedName, const std::string& utf8);

// True when the source ends with a zip end-of-directory record.
bool LooksLikeZip(ByteSource* reader);
int ReadZipDirectory(ByteSource* reader, ZipDirectory* directory, std::string* error);
// Where an entry's data starts, checked against the directory.
bool LocateZipData(ByteSource* reader, const ZipDirectory& directory, const ZipEntry& entry, uint64_t* data);
// False (with *name the first such entry) when two entries share bytes: a
// few kilobytes could then expand to any size.
bool ZipEntriesApart(const ZipDirectory& directory, std::string* name);

// Copies or inflates one entry into the sink, checking size and CRC; one
// inflater serves every entry of a call, or of a worker thread. Between
// pieces the caller's window answers; on a worker (cancel set) the flag is
// looked at instead, and FDARC_E_CANCELLED returned once it is up.
class ZipInflater {
public:
    ZipInflater();
    ~ZipInflater();
    ZipInflater(const ZipInflater&) = delete;
    ZipInflater& operator=(const ZipInflater&) = delete;
    int Expand(ByteSource* reader, const ZipEntry& entry, uint64_t data, ByteSink* sink,
               const std::atomic<bool>* cancel = nullptr);

private:
    struct State;
    State* state_;
};

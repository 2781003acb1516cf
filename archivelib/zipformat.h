// The zip container: central directory reading, extraction and creation.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

#include "callstate.h"
#include "cmdline.h"
#include "fileio.h"
#include "listing.h"

struct ZipEntry {
    std::string name;
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
};

struct ZipDirectory {
    std::vector<ZipEntry> entries;
    uint64_t directoryStart = 0;  // entry data must end before it
};

// True when the file ends with a zip end-of-directory record.
bool LooksLikeZip(FileReader* reader);
int ReadZipDirectory(FileReader* reader, ZipDirectory* directory, std::string* error);
int ListZip(FileReader* reader, std::vector<ListedEntry>* entries);
int CreateZip(const Command& command, CallLog* log);
int ExtractZip(const Command& command, HWND owner, CallLog* log);

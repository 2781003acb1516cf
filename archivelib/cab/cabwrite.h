// Writing cabinet files, stored or MSZIP-compressed, optionally keeping
// whole folders of an existing cabinet. Window-free: no Windows header.
#pragma once
#include <stddef.h>
#include <stdint.h>

#include <string>
#include <vector>

#include "cab/cabread.h"

struct CabNewFile {
    std::string name;  // as stored: code page 932 (or UTF-8 with attribute 0x80), '\' separators, no drive or leading separator
    uint64_t size = 0;
    uint16_t date = 0;  // DOS date and time, local
    uint16_t time = 0;
    uint16_t attributes = 0;  // read-only 1, hidden 2, system 4, archive 0x20, UTF-8 name 0x80
};

// The contents of the new files, asked for in list order.
class CabFileSource {
public:
    virtual ~CabFileSource() = default;
    virtual bool Open(size_t index) = 0;
    // Up to count bytes; *got is 0 only at the end. False when reading failed.
    virtual bool Read(unsigned char* dst, size_t count, size_t* got) = 0;
};

class CabSink {
public:
    virtual ~CabSink() = default;
    virtual bool Write(const void* data, size_t count) = 0;
    virtual bool PatchAt(uint64_t offset, const void* data, size_t count) = 0;
    virtual uint64_t Position() = 0;
};

struct CabWriteOptions {
    uint16_t compression = kCabCompressMszip;
    int level = 6;
    // Each MSZIP block may refer back into the previous one, as the reader
    // keeps it as history; off, every block stands alone.
    bool history = true;
    uint32_t maxBlocksPerFolder = kCabMaxBlocksPerFolder;
    void (*progress)() = nullptr;  // called after every block written
    // Worker threads that deflate MSZIP blocks ahead of the one being
    // written (each holds its block, its history and its output, about
    // 100 KB, and at most 8 blocks a worker wait); 0: all on the caller's
    // thread. The cabinet is the same byte for byte either way.
    unsigned threads = 0;
};

// What goes into the cabinet: folders of an old cabinet copied block by
// block with all their files, then the new files, in that order.
struct CabPlan {
    CabByteSource* old = nullptr;
    const CabDirectory* oldDirectory = nullptr;
    std::vector<uint16_t> keptFolders;
    std::vector<CabNewFile> files;
};

// A file larger than a folder can hold is refused (TooLarge), as are more
// than 65535 files and a cabinet past 2 GiB; files that do not fit together
// go into further folders. *error says what failed and for which name.
CabStatus WriteCabinet(const CabPlan& plan, CabFileSource* source, CabSink* sink, const CabWriteOptions& options,
                       std::string* error);

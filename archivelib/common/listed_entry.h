// What OpenArchive/FindFirst report about one entry, for every format.
#pragma once
#include <windows.h>
#include <stdint.h>

#include <string>

struct ListedEntry {
    std::string name;
    uint64_t size = 0;
    uint64_t packed = 0;
    uint32_t crc = 0;
    DWORD attributes = 0;
    WORD dosDate = 0;
    WORD dosTime = 0;
    WORD method = 0;
};

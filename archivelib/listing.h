// What OpenArchive/FindFirst report about one entry, for both formats.
#pragma once
#include <windows.h>
#include <stdint.h>

#include <string>
#include <vector>

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

class FileReader;
enum class ArchiveKind { None, Zip, Tar };
ArchiveKind SniffArchive(FileReader* reader);

// Reads the entries of a zip or tar (plain or gzip) archive, sniffed from
// its content. Returns an FdarcError.
int ListArchive(const std::string& path, std::vector<ListedEntry>* entries);

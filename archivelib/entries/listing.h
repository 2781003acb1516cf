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
// Zip and tar (plain or gzip) are read by our own code; the rest by libarchive.
enum class ArchiveKind { None, Zip, Tar, LibarchiveArchive, CompressedStream };
ArchiveKind SniffArchive(FileReader* reader);
enum class LibarchiveKind;
LibarchiveKind LibarchiveKindOf(ArchiveKind kind);

// Reads the entries of an archive of any format the library reads, sniffed
// from its content. Returns an FdarcError.
int ListArchive(const std::string& path, std::vector<ListedEntry>* entries);

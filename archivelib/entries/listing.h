// The listing of an archive of any format, sniffed from its content.
#pragma once
#include <string>
#include <vector>

#include "common/listed_entry.h"

class FileReader;
// Zip and tar (plain or gzip) are read by our own code; the rest by libarchive.
enum class ArchiveKind { None, Zip, Tar, LibarchiveArchive, CompressedStream };
ArchiveKind SniffArchive(FileReader* reader);
enum class LibarchiveKind;
LibarchiveKind LibarchiveKindOf(ArchiveKind kind);

// Reads the entries of an archive of any format the library reads, sniffed
// from its content. Returns an FdarcError.
int ListArchive(const std::string& path, std::vector<ListedEntry>* entries);

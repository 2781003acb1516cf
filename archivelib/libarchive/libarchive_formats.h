// The formats read through libarchive (7z, lzh, cab, rar 4 and 5, tar with
// bzip2 or xz, and a lone gzip, bzip2 or xz stream), and its reader for the
// writers that update an archive they cannot read themselves (7z).
#pragma once
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "common/callstate.h"
#include "common/cmdline.h"
#include "common/fileio.h"
#include "common/listed_entry.h"
#include "base/namecharset.h"

// What the first bytes say the file is, for the archives libarchive reads.
enum class LibarchiveKind { None, Archive, CompressedStream };
LibarchiveKind SniffLibarchive(FileReader* reader);

int ListWithLibarchive(const std::string& path, LibarchiveKind kind, std::vector<ListedEntry>* entries);
int ExtractWithLibarchive(const Command& command, LibarchiveKind kind, HWND owner, CallLog* log);

// A libarchive reader of the formats above, and what its entries say.
struct archive;
struct archive_entry;
struct ReaderDeleter {
    void operator()(archive* a) const;
};
using Reader = std::unique_ptr<archive, ReaderDeleter>;
// Names the formats store without a Unicode mark are read in the archive's
// character set (ScanNames decides it).
Reader OpenReader(const std::string& path, LibarchiveKind kind, NameCharset charset = NameCharset::Cp932);
NameCharset ScanNames(const std::string& path, LibarchiveKind kind);
bool EntryName(archive* a, archive_entry* entry, const std::string& archivePath, std::string* name);
bool IsFolderEntry(archive_entry* entry);
bool IsFileEntry(archive_entry* entry);
FILETIME EntryTime(archive_entry* entry);

// Names between code page 932 (the program's) and UTF-16 (libarchive's on
// Windows). A character code page 932 lacks becomes '_', so the name stays
// one the checks of extraction can judge.
bool WideTo932(const wchar_t* wide, std::string* name);
bool WideFrom932(const std::string& name, std::wstring* wide);
// The file a lone compressed stream unpacks to: the archive's name without
// its last extension ("a.txt.gz" gives "a.txt", "a.tgz" gives "a.tar").
std::string StreamOutputName(const std::string& archivePath);

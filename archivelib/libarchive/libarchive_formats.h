// The formats read through libarchive (7z, lzh, cab, rar 4 and 5, tar with
// bzip2 or xz, and a lone gzip, bzip2 or xz stream), and 7z creation (our own
// writer, one block per file; an updated archive's entries are read back
// through libarchive).
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "callstate.h"
#include "cmdline.h"
#include "fileio.h"
#include "listing.h"

// What the first bytes say the file is, for the archives libarchive reads.
enum class LibarchiveKind { None, Archive, CompressedStream };
LibarchiveKind SniffLibarchive(FileReader* reader);

int ListWithLibarchive(const std::string& path, LibarchiveKind kind, std::vector<ListedEntry>* entries);
int ExtractWithLibarchive(const Command& command, LibarchiveKind kind, HWND owner, CallLog* log);
int CreateSevenZip(const Command& command, CallLog* log);

// Names between code page 932 (the program's) and UTF-16 (libarchive's on
// Windows). A character code page 932 lacks becomes '_', so the name stays
// one the checks of extraction can judge.
bool WideTo932(const wchar_t* wide, std::string* name);
bool WideFrom932(const std::string& name, std::wstring* wide);
// The file a lone compressed stream unpacks to: the archive's name without
// its last extension ("a.txt.gz" gives "a.txt", "a.tgz" gives "a.tar").
std::string StreamOutputName(const std::string& archivePath);

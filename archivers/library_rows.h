// What the library list shows, window-free: one row per library file the
// format table names, the formats it serves, and which of them the bundled
// library (archivers\fdarc.dll beside the program) can stand in for.
#pragma once
#include <cstddef>

#include "archivers/formats.h"

constexpr size_t LibraryFormatsSize = 64;
constexpr int LibraryRowCapacity = 2 * FormatCount;

struct LibraryRow {
    const char* library;   // file name, as the loader gets it
    const char* prefix;    // entry-point prefix the library is called under
    char formats[LibraryFormatsSize];   // "zip 作成", "tar tgz gz ..."
};

// The distinct libraries of the format table, in table order; returns how
// many rows were written (never more than capacity).
int BuildLibraryRows(LibraryRow* rows, int capacity);

// Whether the bundled library serves the library name (ASCII case ignored,
// as the file system does).
bool IsServedByBundledLibrary(const char* library);

// A version as the common archiver API reports it (123 for 1.23); 0 or less
// is unknown and gives "-".
void FormatLibraryVersion(int version, char* text, size_t size);

// Where a library was found, for the library list.
enum class LibraryPlace { Missing, ProgramFolder, SystemFolder, OtherFolder, Bundled };

// "プログラムのフォルダ", "システムフォルダ", "付属ライブラリ", "見つかりません";
// another folder is shown as itself (folder, ending in a backslash).
void FormatLibraryPlace(LibraryPlace place, const char* folder, char* text, size_t size);

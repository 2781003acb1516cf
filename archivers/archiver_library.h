// The entries of an archiver library of the common archiver API. A library
// is loaded by file name per use and released at once; every entry is found
// by the format's prefix followed by a fixed suffix ("Zip" + "GetRunning"),
// the prefix alone naming the main command entry.
#pragma once
#include <windows.h>

#include <type_traits>

#include "archivelib/api/fdarc_progress.h"
#include "archivers/find_record.h"

using ArchiveHandle = HANDLE;

using ArchiverMainEntry = int(WINAPI*)(HWND owner, LPCSTR commandLine, LPSTR output, DWORD outputSize);
using ArchiverGetRunning = BOOL(WINAPI*)();
using ArchiverSetBackGroundMode = BOOL(WINAPI*)(BOOL background);
using ArchiverOpenArchive = ArchiveHandle(WINAPI*)(HWND owner, LPCSTR path, DWORD mode);
using ArchiverCloseArchive = int(WINAPI*)(ArchiveHandle archive);
using ArchiverFindFirst = int(WINAPI*)(ArchiveHandle archive, LPCSTR pattern, void* record);
using ArchiverFindNext = int(WINAPI*)(ArchiveHandle archive, void* record);
using ArchiverGetFileCount = int(WINAPI*)(LPCSTR path);

constexpr DWORD ArchiverOutputSize = 32768;

// One loaded library: every entry the program uses is resolved once, when
// it is loaded, and is null when the library does not export it. Users test
// the entry they need before calling it.
struct ArchiverLibrary {
    HMODULE module;
    char prefix[50];
    ArchiverMainEntry main;
    ArchiverGetRunning getRunning;
    ArchiverSetBackGroundMode setBackGroundMode;
    ArchiverOpenArchive openArchive;
    ArchiverCloseArchive closeArchive;
    ArchiverFindFirst findFirst;
    ArchiverFindNext findNext;
    ArchiverGetFileCount getFileCount;
    ArchiverSetOwnerWindowEx setOwnerWindowEx;    // optional: progress and cancel
    ArchiverKillOwnerWindowEx killOwnerWindowEx;
};

bool LoadArchiverLibrary(const char* fileName, const char* prefix, ArchiverLibrary* library);
void ReleaseArchiverLibrary(ArchiverLibrary* library);
bool HasInspectionEntries(const ArchiverLibrary& library);

// Libraries export their entries as WINAPI (stdcall in 32-bit builds); a
// call through a cdecl pointer would leave the stack unbalanced, and only in
// the 32-bit build, which cannot run here. The 64-bit build has one calling
// convention, so there every function pointer passes.
template <typename Pointer>
struct IsWinapiEntry : std::false_type {};
template <typename Result, typename... Arguments>
struct IsWinapiEntry<Result(WINAPI*)(Arguments...)> : std::true_type {};

// The entries of an archiver library of the common archiver API. A library
// is loaded by file name per use and released at once; every entry is found
// by the format's prefix followed by a fixed suffix ("Zip" + "GetRunning"),
// the prefix alone naming the main command entry.
#pragma once
#include <windows.h>

#include <type_traits>

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
// The find record: libraries fill it by their own record size, so the
// buffer is zero-filled and larger than they write. The entry name starts
// at byte 26 and takes at most 513 bytes.
constexpr size_t FindRecordSize = 1024;
constexpr size_t FindRecordNameOffset = 26;
constexpr size_t FindRecordNameSize = 513;

struct ArchiverLibrary {
    HMODULE module;
    char prefix[50];
};

bool LoadArchiverLibrary(const char* fileName, const char* prefix, ArchiverLibrary* library);
void ReleaseArchiverLibrary(ArchiverLibrary* library);
FARPROC ResolveArchiverEntry(const ArchiverLibrary& library, const char* suffix);
void ReadFindRecordName(const unsigned char* record, char* name, size_t size);

// Libraries export their entries as WINAPI (stdcall in 32-bit builds); a
// call through a cdecl pointer would leave the stack unbalanced, and only in
// the 32-bit build, which cannot run here. The 64-bit build has one calling
// convention, so there every function pointer passes.
template <typename Pointer>
struct IsWinapiEntry : std::false_type {};
template <typename Result, typename... Arguments>
struct IsWinapiEntry<Result(WINAPI*)(Arguments...)> : std::true_type {};

// Each typed entry is null when the library does not export it.
template <typename Entry>
Entry ArchiverEntry(const ArchiverLibrary& library, const char* suffix) {
    static_assert(IsWinapiEntry<Entry>::value, "archiver entries are called through WINAPI pointers");
    return reinterpret_cast<Entry>(reinterpret_cast<void*>(ResolveArchiverEntry(library, suffix)));
}

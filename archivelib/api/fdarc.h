// fdarc: the archiver library bundled with fardelix.
// One DLL answers under seven entry prefixes: "Zip" creates zip archives,
// "UnZip" extracts and lists them, "Tar" does everything for tar (also
// compressed with gzip, bzip2 or xz), "SevenZip" for 7z, "Unlha" for lzh,
// "Cab" for cab; "Unrar" extracts and lists rar. Every prefix extracts and
// lists whatever the library reads: the content decides, not the prefix.
#pragma once
#if defined(UNICODE) || defined(_UNICODE)
#error fdarc is an ANSI (code page 932) library
#endif
#include <windows.h>
#include <stddef.h>

#include "fdarc_errors.h"

// The caller-owned record that FindFirst/FindNext fill; 560 bytes, the
// entry name NUL-terminated at byte 26.
#define FDARC_FIND_RECORD_SIZE 560
#define FDARC_FIND_NAME_SIZE 513
#pragma pack(push, 1)
struct FdarcFindRecord {
    DWORD originalSize;    // low 32 bits
    DWORD packedSize;      // low 32 bits
    DWORD crc;             // CRC-32 for zip, 0 for tar
    DWORD attributes;      // FILE_ATTRIBUTE_DIRECTORY for folders, else FILE_ATTRIBUTE_ARCHIVE
    WORD dosDate;          // local time
    WORD dosTime;
    WORD ratio;            // packed/original in per mille, 0 for empty entries
    WORD method;           // 0 stored, 8 deflated (zip); 0 for tar
    WORD reserved;
    char name[FDARC_FIND_NAME_SIZE];
    BYTE zero[FDARC_FIND_RECORD_SIZE - 26 - FDARC_FIND_NAME_SIZE];
};
#pragma pack(pop)
static_assert(offsetof(FdarcFindRecord, name) == 26, "name sits at byte 26");
static_assert(sizeof(FdarcFindRecord) == FDARC_FIND_RECORD_SIZE, "record is 560 bytes");

// The question asked before an existing file is overwritten. Returns IDYES,
// IDNO, IDCANCEL, or one of the two answers below for the rest of the call.
// Tests and callers with their own question install it.
typedef int(WINAPI* FdarcOverwriteQuestion)(HWND owner, LPCSTR path);
#define FDARC_ANSWER_OVERWRITE_ALL 1122  // this file and every further one of the call
#define FDARC_ANSWER_SKIP_ALL 1123       // keep this file and every further existing one

#define FDARC_DECLARE_ENTRIES(PREFIX)                                                 \
    int WINAPI PREFIX(HWND owner, LPCSTR commandLine, LPSTR output, DWORD outputSize); \
    BOOL WINAPI PREFIX##GetRunning(void);                                             \
    BOOL WINAPI PREFIX##SetBackGroundMode(BOOL background);                           \
    HANDLE WINAPI PREFIX##OpenArchive(HWND owner, LPCSTR path, DWORD mode);           \
    int WINAPI PREFIX##CloseArchive(HANDLE archive);                                  \
    int WINAPI PREFIX##FindFirst(HANDLE archive, LPCSTR pattern, void* record);       \
    int WINAPI PREFIX##FindNext(HANDLE archive, void* record);                        \
    int WINAPI PREFIX##GetFileCount(LPCSTR path);                                    \
    WORD WINAPI PREFIX##GetVersion(void);

#ifdef __cplusplus
extern "C" {
#endif
FDARC_DECLARE_ENTRIES(Zip)
FDARC_DECLARE_ENTRIES(UnZip)
FDARC_DECLARE_ENTRIES(Tar)
FDARC_DECLARE_ENTRIES(SevenZip)
FDARC_DECLARE_ENTRIES(Unlha)
FDARC_DECLARE_ENTRIES(Cab)
FDARC_DECLARE_ENTRIES(Unrar)
// Installs the overwrite question (NULL restores the library's own dialog); returns the previous one.
FdarcOverwriteQuestion WINAPI FdarcSetOverwriteQuestion(FdarcOverwriteQuestion question);
#ifdef __cplusplus
}
#endif

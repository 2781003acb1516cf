// The progress callback of the archiver API, shared by the program and the
// bundled library. A caller registers one callback per loaded library with
// <prefix>SetOwnerWindowEx (32-bit) or <prefix>SetOwnerWindowEx64 (64-bit
// builds) and removes it with <prefix>KillOwnerWindowEx. During every main
// entry call the library then calls it: once with ARC_PROGRESS_BEGIN, with
// ARC_PROGRESS_FILE as it goes (per file and per block of a large one), and
// once with ARC_PROGRESS_END. A callback that returns FALSE asks the library
// to cancel: it stops as soon as it can, leaves nothing half-made, and the
// main entry returns 0x800A.
#pragma once
#include <windows.h>

#define ARC_PROGRESS_BEGIN 0
#define ARC_PROGRESS_FILE 1
#define ARC_PROGRESS_END 2

#define ARC_PROGRESS_NAME_SIZE 264

// The same layout in both widths: the 64-bit counts come first, so neither
// build pads the record differently. The name is code page 932, always
// NUL-terminated, empty at BEGIN and END.
struct ArchiverProgress {
    ULONGLONG bytesDone;   // of the whole call
    ULONGLONG bytesTotal;  // of the whole call; 0 while unknown
    DWORD state;           // ARC_PROGRESS_*
    DWORD reserved;
    char fileName[ARC_PROGRESS_NAME_SIZE];
};

#ifdef __cplusplus
static_assert(sizeof(ArchiverProgress) == 288, "the progress record is 288 bytes in both widths");
#endif

typedef BOOL(WINAPI* ArchiverProgressCallback)(HWND owner, UINT state, struct ArchiverProgress* progress);
typedef BOOL(WINAPI* ArchiverSetOwnerWindowEx)(HWND owner, ArchiverProgressCallback callback);
typedef BOOL(WINAPI* ArchiverKillOwnerWindowEx)(HWND owner);

// The entry a caller of this width resolves.
#ifdef _WIN64
#define ARC_SET_OWNER_WINDOW_SUFFIX "SetOwnerWindowEx64"
#else
#define ARC_SET_OWNER_WINDOW_SUFFIX "SetOwnerWindowEx"
#endif
#define ARC_KILL_OWNER_WINDOW_SUFFIX "KillOwnerWindowEx"

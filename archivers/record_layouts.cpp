// Compile-time checks of everything whose layout crosses into an archiver
// library, built into both widths: a record that changes size or moves a
// field in the 32-bit build would otherwise only show on a user's machine.
// Records read from files need none: the task list and fardelix.ini are text.
#include <cstddef>

#include "archivelib/api/fdarc.h"
#include "archivers/archiver_library.h"

// The find record that FindFirst/FindNext fill, as the bundled library
// declares it. Archiver libraries of the common API share this layout, so
// the offsets are pinned here by number, not taken from the declaration.
static_assert(sizeof(FdarcFindRecord) == 560, "the find record is 560 bytes");
static_assert(offsetof(FdarcFindRecord, originalSize) == 0, "find record: originalSize");
static_assert(offsetof(FdarcFindRecord, packedSize) == 4, "find record: packedSize");
static_assert(offsetof(FdarcFindRecord, crc) == 8, "find record: crc");
static_assert(offsetof(FdarcFindRecord, attributes) == 12, "find record: attributes");
static_assert(offsetof(FdarcFindRecord, dosDate) == 16, "find record: dosDate");
static_assert(offsetof(FdarcFindRecord, dosTime) == 18, "find record: dosTime");
static_assert(offsetof(FdarcFindRecord, ratio) == 20, "find record: ratio");
static_assert(offsetof(FdarcFindRecord, method) == 22, "find record: method");
static_assert(offsetof(FdarcFindRecord, reserved) == 24, "find record: reserved");
static_assert(offsetof(FdarcFindRecord, name) == 26, "find record: name");
static_assert(sizeof(FdarcFindRecord::name) == 513, "find record: name is 513 bytes");
static_assert(offsetof(FdarcFindRecord, zero) == 539, "find record: zero");

// The program reads the name from its own buffer, which must hold a whole
// record and find the name where libraries put it.
static_assert(FindRecordSize >= sizeof(FdarcFindRecord), "the find buffer holds a whole record");
static_assert(FindRecordNameOffset == offsetof(FdarcFindRecord, name), "the program reads the name at byte 26");
static_assert(FindRecordNameSize == sizeof(FdarcFindRecord::name), "the program reads at most 513 name bytes");
static_assert(FindRecordNameOffset + FindRecordNameSize <= FindRecordSize, "the name lies inside the buffer");

// Every entry type, looked up yet or not, and the library's callback type.
static_assert(IsWinapiEntry<ArchiverMainEntry>::value, "main entry is WINAPI");
static_assert(IsWinapiEntry<ArchiverGetRunning>::value, "GetRunning is WINAPI");
static_assert(IsWinapiEntry<ArchiverSetBackGroundMode>::value, "SetBackGroundMode is WINAPI");
static_assert(IsWinapiEntry<ArchiverOpenArchive>::value, "OpenArchive is WINAPI");
static_assert(IsWinapiEntry<ArchiverCloseArchive>::value, "CloseArchive is WINAPI");
static_assert(IsWinapiEntry<ArchiverFindFirst>::value, "FindFirst is WINAPI");
static_assert(IsWinapiEntry<ArchiverFindNext>::value, "FindNext is WINAPI");
static_assert(IsWinapiEntry<ArchiverGetFileCount>::value, "GetFileCount is WINAPI");
static_assert(IsWinapiEntry<FdarcOverwriteQuestion>::value, "the overwrite question is WINAPI");

// The program's entry types are the library's: same arguments, same results.
static_assert(std::is_same<ArchiverMainEntry, decltype(&Zip)>::value, "main entry matches the library");
static_assert(std::is_same<ArchiverGetRunning, decltype(&ZipGetRunning)>::value, "GetRunning matches");
static_assert(std::is_same<ArchiverSetBackGroundMode, decltype(&ZipSetBackGroundMode)>::value,
              "SetBackGroundMode matches");
static_assert(std::is_same<ArchiverOpenArchive, decltype(&ZipOpenArchive)>::value, "OpenArchive matches");
static_assert(std::is_same<ArchiverCloseArchive, decltype(&ZipCloseArchive)>::value, "CloseArchive matches");
static_assert(std::is_same<ArchiverFindFirst, decltype(&ZipFindFirst)>::value, "FindFirst matches");
static_assert(std::is_same<ArchiverFindNext, decltype(&ZipFindNext)>::value, "FindNext matches");
static_assert(std::is_same<ArchiverGetFileCount, decltype(&ZipGetFileCount)>::value, "GetFileCount matches");

// The progress record the callback receives: 64-bit counts first, so the
// two widths agree without packing.
static_assert(sizeof(ArchiverProgress) == 288, "progress record: 288 bytes");
static_assert(offsetof(ArchiverProgress, bytesDone) == 0, "progress record: bytesDone");
static_assert(offsetof(ArchiverProgress, bytesTotal) == 8, "progress record: bytesTotal");
static_assert(offsetof(ArchiverProgress, state) == 16, "progress record: state");
static_assert(offsetof(ArchiverProgress, reserved) == 20, "progress record: reserved");
static_assert(offsetof(ArchiverProgress, fileName) == 24, "progress record: fileName");
static_assert(sizeof(ArchiverProgress::fileName) == 264, "progress record: fileName is 264 bytes");

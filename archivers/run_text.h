// The texts a task run hands to an archiver library, and the name rules of
// the runs. No Windows header: the native tests use them too.
#pragma once
#include <cstddef>

constexpr size_t CommandLineSize = 2048;       // 2047 characters and the terminator
constexpr size_t ResponseLineSize = 270;       // a quoted name of at most 259 bytes

bool BuildCompressCommand(char* line, size_t size, const char* switches, const char* archive, const char* option,
                          const char* folder, const char* listFile);
bool BuildExtractCommand(char* line, size_t size, const char* switches, const char* archive, const char* option,
                         const char* destination);
bool FormatResponseLine(char* line, size_t size, const char* path, bool folderBackslash);
bool StartsNewGroup(const char* groupFolder, const char* rowFolder);
const char* TopLevelNameStart(const char* entry);
size_t TopLevelNameLength(const char* entry);
bool SameTopLevelName(const char* first, const char* other);
bool ArchiveFolderName(const char* archivePath, char* name, size_t size);
bool AppendArchiveFolder(char* destination, size_t size, const char* name);

constexpr size_t MissingEntryTextSize = 256;
bool FormatMissingEntry(char* text, size_t size, const char* library, const char* prefix, const char* suffix);

// What a run says when a library fails: the library and its result code,
// and for the codes the bundled library returns, their meaning.
const char* ResultCodeMeaning(int code);
bool FormatLibraryFailure(char* text, size_t size, const char* library, int code);
bool FormatLibraryNotLoaded(char* text, size_t size, const char* library);
// Whether a task's reason is the one FormatLibraryNotLoaded writes.
bool IsLibraryNotLoadedReason(const char* reason);

#include "archivers/run_text.h"

#include <cstring>

#include "app/text.h"

// `-r "C:\out\x.zip" "C:\data\" "@C:\TEMP\far1A2B.tmp"`; tar puts its "-o "
// option directly in front of the quoted folder. False (and an empty line)
// when the line would not fit: the caller refuses the run.
bool BuildCompressCommand(char* line, size_t size, const char* switches, const char* archive, const char* option,
                          const char* folder, const char* listFile) {
    return FormatText(line, size, "%s \"%s\" %s\"%s\" \"@%s\"", switches, archive, option, folder, listFile);
}

// `-x "C:\in\p.zip" "C:\out\p\"`, `-xvf "C:\in\p.tar" -o "C:\out\"`.
bool BuildExtractCommand(char* line, size_t size, const char* switches, const char* archive, const char* option,
                         const char* destination) {
    return FormatText(line, size, "%s \"%s\" %s\"%s\"", switches, archive, option, destination);
}

// One line of the response file: the row's last path component in double
// quotes and a single line feed. A folder row of a cab archive carries a
// backslash before the closing quote.
bool FormatResponseLine(char* line, size_t size, const char* path, bool folderBackslash) {
    PathParts parts;
    SplitPath(path, &parts);
    if (folderBackslash) return FormatText(line, size, "\"%s%s\\\"\n", parts.name, parts.ext);
    return FormatText(line, size, "\"%s%s\"\n", parts.name, parts.ext);
}

// Consecutive rows of one folder form a group; the comparison is exact and
// case-sensitive. A row after an empty group folder joins without a test.
bool StartsNewGroup(const char* groupFolder, const char* rowFolder) {
    return groupFolder[0] != '\0' && strcmp(groupFolder, rowFolder) != 0;
}

// The top-level name of an archive entry ends at its first "/"; an entry
// without one ends at its first "\"; otherwise it is the whole name. The
// scans step over double-byte characters, so 表 (0x95 0x5C) stays whole.
size_t TopLevelNameLength(const char* entry) {
    const char* end = FindFirstChar932(entry, '/');
    if (end == nullptr) end = FindFirstChar932(entry, '\\');
    return end != nullptr ? static_cast<size_t>(end - entry) : strlen(entry);
}

// Byte by byte, case-sensitive.
bool SameTopLevelName(const char* first, const char* other) {
    size_t length = TopLevelNameLength(first);
    return TopLevelNameLength(other) == length && memcmp(first, other, length) == 0;
}

// The folder made for an archive: its file name without the extension and
// without trailing spaces ("My Files .zip" gives "My Files").
bool ArchiveFolderName(const char* archivePath, char* name, size_t size) {
    PathParts parts;
    SplitPath(archivePath, &parts);
    const char* end = parts.name;
    for (const char* p = parts.name; *p; p = NextChar932(p)) {
        if (*p != ' ') end = NextChar932(p);
    }
    parts.name[end - parts.name] = '\0';
    return CopyText(name, size, parts.name);
}

// destination + name + "\". An empty name adds nothing, so the archive is
// not unpacked into a doubled separator. False when the path would not fit.
bool AppendArchiveFolder(char* destination, size_t size, const char* name) {
    if (name[0] == '\0') return true;
    char folder[PathSize];
    if (!FormatText(folder, sizeof(folder), "%s%s\\", destination, name)) return false;
    return CopyText(destination, size, folder);
}

// The one text for an entry a library does not export: the library and the
// entry's full name ("ZIP32J.DLL から関数ZipGetRunningを…"); with prefix
// and suffix empty it names the library alone.
bool FormatMissingEntry(char* text, size_t size, const char* library, const char* prefix, const char* suffix) {
    return FormatText(text, size, "%s から関数%s%sを取得できませんでした。", library, prefix, suffix);
}

#include "tasks/task_paths.h"

#include <cstring>

#include "app/text.h"
#include "archivers/formats.h"

// The current folder, a backslash when it lacks one, the name, a dot and the
// format's extension.
bool DefaultArchivePath(const char* currentFolder, const char* name, int formatIndex, char* path, size_t size) {
    const char* extension = IsCompressFormat(formatIndex) ? FormatTable[formatIndex].Extension : FormatTable[0].Extension;
    const char* join = EndsWithBackslash(currentFolder) ? "" : "\\";
    return FormatText(path, size, "%s%s%s.%s", currentFolder, join, name, extension);
}

void ArchiveDisplayName(const char* archivePath, char* name, size_t size) {
    PathParts parts;
    SplitPath(archivePath, &parts);
    if (!FormatText(name, size, "%s%s", parts.name, parts.ext)) CopyText(name, size, parts.name);
}

// Drive and folder of the archive, ending in a backslash; a bare file name
// gives a single backslash.
bool ExtractionDestination(const char* archivePath, char* folder, size_t size) {
    if (!FolderOfPath(archivePath, folder, size)) return false;
    return AppendBackslash(folder, size);
}

// The result of an open dialog that allows several files is either one full
// path, or a folder followed by the chosen names, each ended by a zero byte,
// the list ended by an empty name. Each call delivers one path and returns
// the offset for the next call, or -1 with the last path. A folder that
// already ends in a backslash (a drive's root) is joined without a second
// one. A joined path that does not fit is delivered empty, and a result
// without its terminators inside resultSize ends the walk.
int NextSelectedPath(const char* result, size_t resultSize, char* path, size_t pathSize, unsigned short offset) {
    if (pathSize > 0) path[0] = '\0';
    size_t folderLength = strnlen(result, resultSize);
    if (folderLength >= resultSize) return -1;
    size_t at = folderLength + 1 + offset;
    if (at >= resultSize || result[at] == '\0') {
        CopyText(path, pathSize, result);
        return -1;
    }
    const char* name = result + at;
    size_t nameLength = strnlen(name, resultSize - at);
    if (at + nameLength >= resultSize) return -1;
    const char* join = EndsWithBackslash(result) ? "" : "\\";
    FormatText(path, pathSize, "%s%s%s", result, join, name);
    size_t next = at + nameLength + 1;
    if (next >= resultSize || result[next] == '\0') return -1;
    return static_cast<int>(offset + nameLength + 1);
}

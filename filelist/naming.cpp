#include "filelist/naming.h"

#include <cstring>

#include "app/text.h"
#include "archivers/formats.h"

// Drive + folder + base name of the item, a dot and the format's extension:
// only the last extension is dropped (archive.tar.gz -> archive.tar.lzh) and
// a drive's root gives a name that is only the extension (C:\.zip).
// A text of PathSize bytes or more is refused rather than split cut short;
// so is a format that cannot be created. The result is then empty.
bool DeriveArchivePath(const char* itemPath, int formatIndex, char* path, size_t size) {
    if (size == 0) return false;
    path[0] = '\0';
    if (!IsCompressFormat(formatIndex)) return false;
    size_t length = 0;
    while (itemPath[length] != '\0' && length < PathSize) ++length;
    if (length >= PathSize) return false;
    PathParts parts;
    SplitPath(itemPath, &parts);
    return FormatText(path, size, "%s%s%s.%s", parts.drive, parts.dir, parts.name, FormatTable[formatIndex].Extension);
}

// The list path that holds the candidate (is it, or a folder above it);
// null when none does. With above, only a folder above it counts.
static const char* HoldingPath(const char* candidate, const char* const* listPaths, size_t listCount,
                               bool above = false) {
    for (size_t i = 0; i < listCount; ++i) {
        if (!PathIsOrIsInside(candidate, listPaths[i])) continue;
        if (!above || !PathIsOrIsInside(listPaths[i], candidate)) return listPaths[i];
    }
    return nullptr;
}

// "C:\data\" names the folder C:\data; a drive's root keeps its separator.
static void DropTrailingSeparator(char* folder) {
    const char* last = FindLastSeparator(folder);
    if (last != nullptr && last[1] == '\0' && last > folder && last[-1] != ':') folder[last - folder] = '\0';
}

// "C:\in\a.zip" numbered 2 is "C:\in\a (2).zip".
static bool NumberedPath(const char* path, int number, char* numbered, size_t size) {
    PathParts parts;
    SplitPath(path, &parts);
    return FormatText(numbered, size, "%s%s%s (%d)%s", parts.drive, parts.dir, parts.name, number, parts.ext);
}

// The archive path proposed for a task whose list holds listPaths, named
// after itemPath: never one of the list's own paths nor inside a folder of
// the list, or the archive would be packed into itself. A proposal inside a
// folder of the list moves beside that folder (named after it); one that is
// a path of the list gets a number ("a (2).zip"). False, with an empty
// result, when no such path can be made (the list holds a drive's root).
bool ProposeArchivePath(const char* itemPath, int formatIndex, const char* const* listPaths, size_t listCount,
                        char* path, size_t size) {
    char candidate[PathSize];
    if (!DeriveArchivePath(itemPath, formatIndex, candidate, sizeof(candidate))) {
        if (size > 0) path[0] = '\0';
        return false;
    }
    // Each move goes up at least one folder, so a path of 259 bytes needs
    // fewer than PathSize moves.
    for (int move = 0; move < PathSize; ++move) {
        const char* holder = HoldingPath(candidate, listPaths, listCount, true);
        if (holder == nullptr) break;
        char folder[PathSize];
        char beside[PathSize];
        if (!CopyText(folder, sizeof(folder), holder)) break;
        DropTrailingSeparator(folder);
        if (!DeriveArchivePath(folder, formatIndex, beside, sizeof(beside)) || strcmp(beside, candidate) == 0) break;
        CopyText(candidate, sizeof(candidate), beside);
    }
    if (HoldingPath(candidate, listPaths, listCount) == nullptr) return CopyText(path, size, candidate);
    for (int number = 2; number < 100; ++number) {
        char numbered[PathSize];
        if (!NumberedPath(candidate, number, numbered, sizeof(numbered))) break;
        if (HoldingPath(numbered, listPaths, listCount) == nullptr) return CopyText(path, size, numbered);
    }
    if (size > 0) path[0] = '\0';
    return false;
}

// The same formula applied to the archive path itself: a path without an
// extension gets one.
bool ReplaceArchiveExtension(const char* archivePath, int formatIndex, char* path, size_t size) {
    return DeriveArchivePath(archivePath, formatIndex, path, size);
}

static bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Display name: the last component, given the format's extension when it
// has none. Full path: a text with a drive stays as it is; a relative one
// goes below the current folder. Two leading separators (a network path)
// are already a full path and stay; one leading separator means the root of
// the current folder's drive. False when the full path would not fit: the
// text is then kept as it is.
bool CompleteArchivePath(const char* text, int formatIndex, const char* currentFolder, char* displayName,
                         size_t nameSize, char* fullPath, size_t pathSize) {
    PathParts parts;
    SplitPath(text, &parts);
    const char* extension = IsCompressFormat(formatIndex) ? FormatTable[formatIndex].Extension : "";
    bool named = parts.ext[0] != '\0' ? FormatText(displayName, nameSize, "%s%s", parts.name, parts.ext)
                                      : FormatText(displayName, nameSize, "%s.%s", parts.name, extension);
    if (!named) CopyText(displayName, nameSize, parts.name);
    bool complete = true;
    if (parts.drive[0] != '\0' || (IsSeparator(text[0]) && IsSeparator(text[1]))) {
        complete = CopyText(fullPath, pathSize, text);
    } else if (IsSeparator(parts.dir[0])) {
        PathParts current;
        SplitPath(currentFolder, &current);
        complete = FormatText(fullPath, pathSize, "%s%s%s", current.drive, parts.dir, displayName);
    } else {
        const char* join = EndsWithBackslash(currentFolder) ? "" : "\\";
        complete = FormatText(fullPath, pathSize, "%s%s%s%s", currentFolder, join, parts.dir, displayName);
    }
    if (!complete) CopyText(fullPath, pathSize, text);
    return named && complete;
}

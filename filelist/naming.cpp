#include "filelist/naming.h"

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

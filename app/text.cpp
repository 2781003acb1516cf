#include "app/text.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

// Sources are compiled with -fexec-charset=CP932: a kana is two bytes there.
#if !defined(FARDELIX_UTF8_LITERALS)
static_assert(sizeof("あ") == 3, "literals must be compiled as code page 932");
#endif

// Lead bytes of code page 932, the same set IsDBCSLeadByteEx(932, c) reports.
// The trail byte may be 0x5C ('\'), as in 表 (0x95 0x5C) and ソ (0x83 0x5C).
bool IsLeadByte932(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// A lead byte followed by the terminator is a cut character: step onto the
// terminator, never past it.
const char* NextChar932(const char* p) {
    if (*p == '\0') return p;
    if (IsLeadByte932(static_cast<unsigned char>(*p)) && p[1] != '\0') return p + 2;
    return p + 1;
}

const char* FindLastSeparator(const char* text) {
    const char* found = nullptr;
    for (const char* p = text; *p; p = NextChar932(p)) {
        if (*p == '\\' || *p == '/') found = p;
    }
    return found;
}

const char* FindFirstChar932(const char* text, char wanted) {
    for (const char* p = text; *p; p = NextChar932(p)) {
        if (*p == wanted) return p;
    }
    return nullptr;
}

static char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameTextIgnoringCase(const char* text, size_t length, const char* wanted) {
    size_t i = 0;
    while (i < length && wanted[i] != '\0') {
        if (IsLeadByte932(static_cast<unsigned char>(wanted[i])) && wanted[i + 1] != '\0') {
            if (i + 1 >= length || text[i] != wanted[i] || text[i + 1] != wanted[i + 1]) return false;
            i += 2;
            continue;
        }
        if (LowerAscii(text[i]) != LowerAscii(wanted[i])) return false;
        ++i;
    }
    return i == length && wanted[i] == '\0';
}

bool EndsWithBackslash(const char* text) {
    const char* last = nullptr;
    for (const char* p = text; *p; p = NextChar932(p)) last = p;
    return last != nullptr && *last == '\\';
}

// Copies with truncation and always terminates; false when src did not fit.
// A truncation never leaves half a double-byte character behind.
bool CopyText(char* dest, size_t size, const char* src) {
    if (size == 0) return false;
    size_t used = 0;
    const char* p = src;
    while (*p) {
        const char* next = NextChar932(p);
        size_t width = static_cast<size_t>(next - p);
        if (used + width >= size) {
            dest[used] = '\0';
            return false;
        }
        memcpy(dest + used, p, width);
        used += width;
        p = next;
    }
    dest[used] = '\0';
    return true;
}

bool AppendText(char* dest, size_t size, const char* src) {
    size_t length = strnlen(dest, size);
    if (length >= size) return false;
    return CopyText(dest + length, size - length, src);
}

// snprintf into a fixed buffer; false (and an empty text) when it did not fit,
// so a cut path is never used as if it were whole.
bool FormatText(char* dest, size_t size, const char* format, ...) {
    if (size == 0) return false;
    va_list args;
    va_start(args, format);
    int written = vsnprintf(dest, size, format, args);
    va_end(args);
    if (written < 0 || static_cast<size_t>(written) >= size) {
        dest[0] = '\0';
        return false;
    }
    return true;
}

bool AppendBackslash(char* folder, size_t size) {
    if (EndsWithBackslash(folder)) return true;
    return AppendText(folder, size, "\\");
}

// Splits like the C runtime's _splitpath: drive "C:", directory with its
// leading and trailing separator, base name, and extension from the last dot
// of the last component (with the dot). Every part is bounded by PathSize.
void SplitPath(const char* path, PathParts* parts) {
    parts->drive[0] = parts->dir[0] = parts->name[0] = parts->ext[0] = '\0';
    const char* rest = path;
    if (path[0] != '\0' && !IsLeadByte932(static_cast<unsigned char>(path[0])) && path[1] == ':') {
        parts->drive[0] = path[0];
        parts->drive[1] = ':';
        parts->drive[2] = '\0';
        rest = path + 2;
    }
    const char* separator = FindLastSeparator(rest);
    const char* last = rest;
    if (separator != nullptr) {
        size_t length = static_cast<size_t>(separator + 1 - rest);
        if (length >= sizeof(parts->dir)) length = sizeof(parts->dir) - 1;
        memcpy(parts->dir, rest, length);
        parts->dir[length] = '\0';
        last = separator + 1;
    }
    const char* dot = nullptr;
    for (const char* p = last; *p; p = NextChar932(p)) {
        if (*p == '.') dot = p;
    }
    size_t nameLength = dot ? static_cast<size_t>(dot - last) : strlen(last);
    if (nameLength >= sizeof(parts->name)) nameLength = sizeof(parts->name) - 1;
    memcpy(parts->name, last, nameLength);
    parts->name[nameLength] = '\0';
    if (dot != nullptr) CopyText(parts->ext, sizeof(parts->ext), dot);
}

// Drive and directory of a path: the folder, ending in a separator.
bool FolderOfPath(const char* path, char* folder, size_t size) {
    PathParts parts;
    SplitPath(path, &parts);
    return FormatText(folder, size, "%s%s", parts.drive, parts.dir);
}

// A path as Windows compares it: ASCII letters folded to lower case, "/"
// read as "\", a run of separators as one and a trailing one dropped.
// Double-byte characters keep their bytes: their trail bytes may be 0x5C or
// an ASCII letter's code. False when the text does not fit.
static bool ComparablePath(const char* path, char* out, size_t size) {
    size_t used = 0;
    bool afterSeparator = false;
    for (const char* p = path; *p; p = NextChar932(p)) {
        size_t width = static_cast<size_t>(NextChar932(p) - p);
        bool separator = width == 1 && (*p == '\\' || *p == '/');
        if (separator && afterSeparator) continue;
        afterSeparator = separator;
        if (used + width >= size) return false;
        if (separator) {
            out[used++] = '\\';
        } else if (width == 1 && *p >= 'A' && *p <= 'Z') {
            out[used++] = static_cast<char>(*p - 'A' + 'a');
        } else {
            memcpy(out + used, p, width);
            used += width;
        }
    }
    if (afterSeparator) --used;
    out[used] = '\0';
    return true;
}

// Whether path names folder itself or something below it, in the way
// Windows compares paths (C:\Data\ holds c:/data/x.zip; C:\data does not
// hold C:\data.zip). Empty texts hold nothing.
bool PathIsOrIsInside(const char* path, const char* folder) {
    char a[2 * PathSize];
    char b[2 * PathSize];
    if (!ComparablePath(path, a, sizeof(a)) || !ComparablePath(folder, b, sizeof(b))) return false;
    size_t length = strlen(b);
    if (length == 0 || strncmp(a, b, length) != 0) return false;
    // The folder must end where a character of the path ends: a cut lead
    // byte at the folder's end would otherwise take the path's trail byte
    // 0x5C for a separator.
    const char* p = a;
    while (p < a + length) p = NextChar932(p);
    if (p != a + length) return false;
    return a[length] == '\0' || a[length] == '\\';
}

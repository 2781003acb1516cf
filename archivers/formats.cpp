#include "archivers/formats.h"

#include <cstdio>
#include <cstring>

#include "app/text.h"

// Library names are handed unchanged to the loader, mixed case included.
// Zip is the one format that creates and extracts with different libraries.
const FormatRow FormatTable[FormatCount] = {
    {"zip", "ZIP32J.DLL", "Zip", "-r", "UNZIP32.DLL", "UnZip", "-x", "-x -o", ""},
    {"lzh", "UNLHA32.DLL", "Unlha", "a -d1", "UNLHA32.DLL", "Unlha", "x -r1", "x -r1 -gyo0", ""},
    {"cab", "cab32.dll", "Cab", "-a -r -o", "cab32.dll", "Cab", "-x", "-x -o", ""},
    {"tar", "tar32.dll", "Tar", "-cvzf", "tar32.dll", "Tar", "-xvf", "-xvf", "-o "},
    {"7z", "7-zip32.dll", "SevenZip", "a -t7z -ms=off", "7-zip32.dll", "SevenZip", "x", "x -aoa", ""},
    {"bga", "Bga32.dll", "Bga", "a -r", "Bga32.dll", "Bga", "x", "x -o", ""},
    {"yz1", "Yz1.dll", "Yz1", "c", "Yz1.dll", "Yz1", "x", "x", ""},
    {"rar", "", "", "", "unrar32.dll", "Unrar", "-x", "-x -o", ""},
    {"ace", "", "", "", "UnAceV2J.dll", "UnAce", "x", "x -o", ""},
    {"gca", "", "", "", "UnGCA32.dll", "UnGCA", "e", "e -yx0", ""},
    {"arj", "", "", "", "UNARJ32J.DLL", "Unarj", "x", "x -y-", ""},
};

bool IsFormatIndex(int index) { return index >= 0 && index < FormatCount; }

bool IsCompressFormat(int index) { return index >= 0 && index < CompressFormatCount; }

static bool EqualsIgnoringAsciiCase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        char x = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a - 'A' + 'a') : *a;
        char y = (*b >= 'A' && *b <= 'Z') ? static_cast<char>(*b - 'A' + 'a') : *b;
        if (x != y) return false;
    }
    return *a == *b;
}

// Only the last extension of the last component counts: x.tar.gz is gz, a
// dot in a folder name is no extension, and "b." leaves nothing to compare.
signed char FormatFromExtension(const char* path) {
    PathParts parts;
    SplitPath(path, &parts);
    if (parts.ext[0] != '.' || parts.ext[1] == '\0') return -1;
    for (int i = 0; i < FormatCount; ++i) {
        if (EqualsIgnoringAsciiCase(parts.ext + 1, FormatTable[i].Extension)) return static_cast<signed char>(i);
    }
    return -1;
}

// "*.zip;*.lzh;..." from the extensions of every format, in table order.
void BuildArchivePatternList(char* text, size_t size) {
    FormatText(text, size, "*.%s", FormatTable[0].Extension);
    for (int i = 1; i < FormatCount; ++i) {
        char pattern[16];
        snprintf(pattern, sizeof(pattern), ";*.%s", FormatTable[i].Extension);
        AppendText(text, size, pattern);
    }
}

// One filter entry for the archive open dialog: its description, its
// patterns, and the empty entry that ends the filter list.
void BuildArchiveFilter(char* filter, size_t size, const char* patterns) {
    static const char description[] = "すべての圧縮ﾌｧｲﾙ";
    size_t patternBytes = strlen(patterns) + 1;
    if (size < sizeof(description) + patternBytes + 1) {
        if (size >= 2) filter[0] = filter[1] = '\0';
        return;
    }
    memcpy(filter, description, sizeof(description));
    memcpy(filter + sizeof(description), patterns, patternBytes);
    filter[sizeof(description) + patternBytes] = '\0';
}

#include "archivers/library_rows.h"

#include <cstring>

#include "app/text.h"

// The names come from archivelib/library-names.txt through the build,
// separated by '|'.
#ifndef FARDELIX_BUNDLED_NAMES
#error "FARDELIX_BUNDLED_NAMES must list the bundled library's names"
#endif
static const char BundledNames[] = FARDELIX_BUNDLED_NAMES;

bool IsServedByBundledLibrary(const char* library) {
    if (library == nullptr || library[0] == '\0') return false;
    for (const char* name = BundledNames; *name != '\0';) {
        const char* end = strchr(name, '|');
        size_t length = end != nullptr ? static_cast<size_t>(end - name) : strlen(name);
        if (length > 0 && SameTextIgnoringCase(name, length, library)) return true;
        if (end == nullptr) break;
        name = end + 1;
    }
    return false;
}

static int FindRow(const LibraryRow* rows, int count, const char* library) {
    for (int i = 0; i < count; ++i) {
        if (strcmp(rows[i].library, library) == 0) return i;
    }
    return -1;
}

// One role of one format: the library gets the extension, with "作成" or
// "展開" when the format creates and extracts with different libraries.
static int AddFormat(LibraryRow* rows, int count, int capacity, const char* library, const char* prefix,
                     const char* extension, const char* role) {
    if (library[0] == '\0') return count;
    int at = FindRow(rows, count, library);
    if (at < 0) {
        if (count >= capacity) return count;
        at = count++;
        rows[at].library = library;
        rows[at].prefix = prefix;
        rows[at].formats[0] = '\0';
    }
    char part[24];
    FormatText(part, sizeof(part), "%s%s%s%s", rows[at].formats[0] != '\0' ? " " : "", extension,
               role[0] != '\0' ? " " : "", role);
    AppendText(rows[at].formats, sizeof(rows[at].formats), part);
    return count;
}

int BuildLibraryRows(LibraryRow* rows, int capacity) {
    int count = 0;
    for (int i = 0; i < FormatCount; ++i) {
        const FormatRow& f = FormatTable[i];
        bool split = f.CompressLibrary[0] != '\0' && strcmp(f.CompressLibrary, f.ExtractLibrary) != 0;
        count = AddFormat(rows, count, capacity, f.CompressLibrary, f.CompressPrefix, f.Extension, split ? "作成" : "");
        if (f.CompressLibrary[0] != '\0' && !split) continue;
        count = AddFormat(rows, count, capacity, f.ExtractLibrary, f.ExtractPrefix, f.Extension, split ? "展開" : "");
    }
    return count;
}

void FormatLibraryVersion(int version, char* text, size_t size) {
    if (version <= 0) {
        CopyText(text, size, "-");
        return;
    }
    FormatText(text, size, "%d.%02d", version / 100, version % 100);
}

void FormatLibraryPlace(LibraryPlace place, const char* folder, char* text, size_t size) {
    switch (place) {
    case LibraryPlace::ProgramFolder: CopyText(text, size, "プログラムのフォルダ"); return;
    case LibraryPlace::SystemFolder:  CopyText(text, size, "システムフォルダ"); return;
    case LibraryPlace::Bundled:       CopyText(text, size, "付属ライブラリ"); return;
    case LibraryPlace::OtherFolder:
        if (folder != nullptr && folder[0] != '\0') {
            CopyText(text, size, folder);
            return;
        }
        break;
    case LibraryPlace::Missing: break;
    }
    CopyText(text, size, "見つかりません");
}

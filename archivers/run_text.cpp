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

static bool IsNameSeparator(char c) { return c == '/' || c == '\\'; }

// Where an entry's first real component begins. "tar cf x.tar ." stores
// "./", "./a.txt", ...: a leading "." component is the archive's root, not
// a top-level entry, and neither is a leading separator (what is left of
// "/a.txt" once a library's safety rules stop at it). ".." stays a name.
const char* TopLevelNameStart(const char* entry) {
    for (;;) {
        if (IsNameSeparator(entry[0])) {
            ++entry;
        } else if (entry[0] == '.' && (entry[1] == '\0' || IsNameSeparator(entry[1]))) {
            ++entry;
        } else {
            return entry;
        }
    }
}

// The top-level name of an archive entry, from its first real component,
// ends at its first "/"; a name without one ends at its first "\";
// otherwise it is the whole rest. The scans step over double-byte
// characters, so 表 (0x95 0x5C) stays whole. Zero for "./" or "/" alone.
size_t TopLevelNameLength(const char* entry) {
    const char* start = TopLevelNameStart(entry);
    const char* end = FindFirstChar932(start, '/');
    if (end == nullptr) end = FindFirstChar932(start, '\\');
    return end != nullptr ? static_cast<size_t>(end - start) : strlen(start);
}

// Byte by byte, case-sensitive, each from its first real component.
bool SameTopLevelName(const char* first, const char* other) {
    size_t length = TopLevelNameLength(first);
    return TopLevelNameLength(other) == length && memcmp(TopLevelNameStart(first), TopLevelNameStart(other), length) == 0;
}

static bool SameAsciiTextIgnoringCase(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        char x = (*a >= 'A' && *a <= 'Z') ? static_cast<char>(*a - 'A' + 'a') : *a;
        char y = (*b >= 'A' && *b <= 'Z') ? static_cast<char>(*b - 'A' + 'a') : *b;
        if (x != y) return false;
    }
    return *a == *b;
}

// A compressed tar named "x.tar.gz" (or .bz2, .xz) keeps "x.tar" as its name
// without the extension: the ".tar" goes too, unless nothing would be left.
static void DropInnerTar(char* name, const char* ext) {
    const char* compressed[] = {".gz", ".bz2", ".xz"};
    bool known = false;
    for (const char* candidate : compressed) known = known || SameAsciiTextIgnoringCase(ext, candidate);
    if (!known) return;
    char* lastDot = nullptr;
    for (char* p = name; *p; p = const_cast<char*>(NextChar932(p))) {
        if (*p == '.') lastDot = p;
    }
    if (lastDot != nullptr && lastDot != name && SameAsciiTextIgnoringCase(lastDot, ".tar")) *lastDot = '\0';
}

// The folder made for an archive: its file name without the extension (a
// compressed tar's ".tar" included) and without trailing spaces ("My Files
// .zip" gives "My Files", "x.tar.xz" and "x.txz" give "x").
bool ArchiveFolderName(const char* archivePath, char* name, size_t size) {
    PathParts parts;
    SplitPath(archivePath, &parts);
    DropInnerTar(parts.name, parts.ext);
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

// The result codes of the bundled library (and the common ones of the
// archiver API, which share the 0x8000 range), in plain words.
static const struct {
    int code;
    const char* meaning;
} ResultMeanings[] = {
    {0x8001, "コマンドラインが正しくありません"},
    {0x8002, "ライブラリは別の処理を実行中です"},
    {0x8003, "書庫が見つからないか、読み込めません"},
    {0x8004, "書庫が壊れているか、書庫ではありません"},
    {0x8005, "対応していない書庫です（暗号化・未対応の圧縮方法など）"},
    {0x8006, "圧縮するファイルを読み込めません"},
    {0x8007, "ファイルを書き込めません（ディスクの空き不足・書き込み禁止など）"},
    {0x8008, "展開先フォルダの外を指す名前のファイルがあります"},
    {0x8009, "データが壊れています（CRCが一致しません）"},
    {0x800A, "中止されました"},
    {0x800B, "指定されたファイルが見つかりません"},
    {0x800C, "メモリが不足しています"},
    {0x800D, "ファイルが大きすぎて書庫に格納できません"},
    {0x800E, "同じファイル名になる項目があり、後の項目は展開していません"},
};

// Null for a code the table does not know.
const char* ResultCodeMeaning(int code) {
    for (const auto& row : ResultMeanings) {
        if (row.code == code) return row.meaning;
    }
    return nullptr;
}

// "UNZIP32.DLLでエラーが発生しました。コード32772" and, for a known code,
// a second line with its meaning and the code in hex.
bool FormatLibraryFailure(char* text, size_t size, const char* library, int code) {
    const char* meaning = ResultCodeMeaning(code);
    if (meaning == nullptr) return FormatText(text, size, "%sでエラーが発生しました。コード%d", library, code);
    return FormatText(text, size, "%sでエラーが発生しました。コード%d\n%s（0x%04X）", library, code, meaning,
                      static_cast<unsigned>(code));
}

// The loader looks beside the program and in the system folder among
// others: the text names the two places a user would put a library.
bool FormatLibraryNotLoaded(char* text, size_t size, const char* library) {
    return FormatText(text, size,
                      "%sを読み込めませんでした。\n%sをプログラムと同じフォルダかシステムフォルダに置いてください。",
                      library, library);
}

// The library name comes first and may hold double-byte characters: the
// marker is only looked for at the start of a character.
bool IsLibraryNotLoadedReason(const char* reason) {
    static const char marker[] = "を読み込めませんでした。\n";
    if (reason == nullptr) return false;
    for (const char* p = reason; *p != '\0'; p = NextChar932(p)) {
        if (strncmp(p, marker, sizeof(marker) - 1) == 0) return p != reason;
    }
    return false;
}

#include "program/command_line.h"

#include <cstring>

#include "app/text.h"
#include "archivers/formats.h"

// The cursor walks the caller's text and never changes it, so a second pass
// over the same command line sees exactly the same tokens.
void StartCommandLine(CommandLineCursor* cursor, const char* commandLine) {
    cursor->rest = commandLine != nullptr ? commandLine : "";
    cursor->stopped = false;
}

// A token too long for the buffer cannot be a path: it comes back empty, so
// it is not path-like and falls away like any other non-path token.
static void TakeToken(char* token, size_t size, const char* start, size_t length) {
    if (size == 0) return;
    if (length >= size) length = 0;
    memcpy(token, start, length);
    token[length] = '\0';
}

// Spaces and double quotes are below 0x40, so they are never the second byte
// of a code page 932 character: a byte scan cannot split a character.
bool NextCommandToken(CommandLineCursor* cursor, char* token, size_t size) {
    const char* text = cursor->rest;
    if (cursor->stopped || *text == '\0') return false;
    if (*text == '"') {
        const char* close = strchr(text + 1, '"');
        if (close == nullptr) {
            cursor->stopped = true;   // unterminated quote: the rest is ignored
            return false;
        }
        TakeToken(token, size, text + 1, static_cast<size_t>(close - text - 1));
        // Exactly one character after the closing quote is skipped, whatever
        // it is (normally the separating space).
        cursor->rest = close[1] == '\0' ? close + 1 : close + 2;
        return true;
    }
    const char* space = strchr(text, ' ');
    if (space == nullptr) {
        size_t length = strlen(text);
        TakeToken(token, size, text, length);
        cursor->rest = text + length;
    } else {
        TakeToken(token, size, text, static_cast<size_t>(space - text));
        cursor->rest = space + 1;
    }
    return true;
}

// At least four characters and a ':' as the second one: "C:\x".
bool IsPathLikeToken(const char* token) {
    int characters = 0;
    const char* second = nullptr;
    for (const char* p = token; *p; p = NextChar932(p)) {
        if (characters == 1) second = p;
        ++characters;
    }
    return characters >= 4 && *second == ':';
}

// First pass: cleared by any path-like token whose extension is no archive
// format; tokens that are not path-like do not count either way.
bool AllPathTokensAreArchives(const char* commandLine) {
    CommandLineCursor cursor;
    StartCommandLine(&cursor, commandLine);
    char token[CommandTokenSize];
    bool allArchives = true;
    while (NextCommandToken(&cursor, token, sizeof(token))) {
        if (IsPathLikeToken(token) && FormatFromExtension(token) < 0) allArchives = false;
    }
    return allArchives;
}

static bool IsTaskListFileName(const char* path) {
    PathParts parts;
    SplitPath(path, &parts);
    const char* wanted = ".fdl";
    for (size_t i = 0; i < 5; ++i) {
        char c = parts.ext[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != wanted[i]) return false;
    }
    return true;
}

// A task list file alone ("fardelix.exe C:\jobs.fdl", as the shell opens a
// .fdl) is loaded as a list, not packed: true, with its path, when the
// only path-like token names a .fdl file (in any case). Tokens that are not
// path-like do not count; with other paths the usual rules stand.
bool LoneTaskListFile(const char* commandLine, char* path, size_t size) {
    CommandLineCursor cursor;
    StartCommandLine(&cursor, commandLine);
    char token[CommandTokenSize];
    int paths = 0;
    while (NextCommandToken(&cursor, token, sizeof(token))) {
        if (!IsPathLikeToken(token)) continue;
        if (++paths > 1) return false;
        if (!IsTaskListFileName(token) || !CopyText(path, size, token)) return false;
    }
    return paths == 1;
}

// Second pass: every path-like token, in command-line order.
void ForEachPathToken(const char* commandLine, void (*visit)(const char* token, void* context), void* context) {
    CommandLineCursor cursor;
    StartCommandLine(&cursor, commandLine);
    char token[CommandTokenSize];
    while (NextCommandToken(&cursor, token, sizeof(token))) {
        if (IsPathLikeToken(token)) visit(token, context);
    }
}

// Empty when the two texts would not fit: the receiver refuses more.
std::string PackHandoff(const char* folder, const char* commandLine) {
    std::string data = folder != nullptr ? folder : "";
    data += '\0';
    data += commandLine != nullptr ? commandLine : "";
    data += '\0';
    return data.size() <= HandoffMaxSize ? data : std::string();
}

// The data comes from another process: exactly two terminated texts, the
// folder no longer than a path, nothing after the second terminator.
bool UnpackHandoff(const char* data, size_t size, std::string* folder, std::string* commandLine) {
    if (data == nullptr || size < 2 || size > HandoffMaxSize || data[size - 1] != '\0') return false;
    const char* split = static_cast<const char*>(memchr(data, '\0', size));
    size_t folderLength = static_cast<size_t>(split - data);
    if (folderLength >= CommandTokenSize || folderLength + 1 >= size) return false;
    const char* line = split + 1;
    size_t lineLength = size - folderLength - 2;
    if (memchr(line, '\0', lineLength) != nullptr) return false;
    folder->assign(data, folderLength);
    commandLine->assign(line, lineLength);
    return true;
}

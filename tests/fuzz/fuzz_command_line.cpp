// Any bytes as a command line: tokens stay inside their buffer, the cursor
// only moves forward, and both passes see the same path tokens.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "program/command_line.h"

static void Collect(const char* token, void* context) {
    static_cast<std::vector<std::string>*>(context)->push_back(token);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string line(reinterpret_cast<const char*>(data), size);
    line = line.c_str();   // the program gets a terminated string
    CommandLineCursor cursor;
    StartCommandLine(&cursor, line.c_str());
    char token[CommandTokenSize + 1];
    token[CommandTokenSize] = '\x7f';   // a guard byte past the buffer
    std::vector<std::string> paths;
    const char* before = cursor.rest;
    while (NextCommandToken(&cursor, token, CommandTokenSize)) {
        if (token[CommandTokenSize] != '\x7f') abort();
        if (strlen(token) >= CommandTokenSize) abort();
        if (cursor.rest <= before || cursor.rest > line.c_str() + line.size()) abort();
        before = cursor.rest;
        if (IsPathLikeToken(token)) paths.push_back(token);
    }
    std::vector<std::string> second;
    ForEachPathToken(line.c_str(), Collect, &second);
    if (second != paths) abort();
    AllPathTokensAreArchives(line.c_str());
    // A lone task list is the one path-like token there is.
    char list[CommandTokenSize];
    if (LoneTaskListFile(line.c_str(), list, sizeof(list)) && (paths.size() != 1 || paths[0] != list)) abort();
    return 0;
}

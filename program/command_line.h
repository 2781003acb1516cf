// The program's command line: tokens separated by single spaces, a token
// may be quoted. Only drive-letter paths ("C:\x") count as arguments.
#pragma once
#include <cstddef>
#include <string>

constexpr size_t CommandTokenSize = 260;   // one path with its terminator

struct CommandLineCursor {
    const char* rest;   // the text not yet tokenised
    bool stopped;       // an unterminated quote ended tokenising
};

void StartCommandLine(CommandLineCursor* cursor, const char* commandLine);
bool NextCommandToken(CommandLineCursor* cursor, char* token, size_t size);
bool IsPathLikeToken(const char* token);
bool AllPathTokensAreArchives(const char* commandLine);
bool LoneTaskListFile(const char* commandLine, char* path, size_t size);
void ForEachPathToken(const char* commandLine, void (*visit)(const char* token, void* context), void* context);

// A second start hands its current folder and command line to the running
// window: "folder\0command line\0", code page 932.
constexpr size_t HandoffMaxSize = 33000;   // a Windows command line and a folder
std::string PackHandoff(const char* folder, const char* commandLine);
bool UnpackHandoff(const char* data, size_t size, std::string* folder, std::string* commandLine);

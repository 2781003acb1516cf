// Command lines and response files of the main entries. Window-free.
#pragma once
#include <string>
#include <vector>

// One per entry prefix the library exports.
enum class Role { Zip, UnZip, Tar, SevenZip, Unlha, Cab, Unrar };

struct Command {
    bool create = false;          // else extract
    bool recurse = false;         // folder names bring everything below them
    bool overwrite = false;       // extract without asking
    bool gzip = false;            // tar: compress the archive
    int level = 6;                // zip: deflate level, 0 stores
    std::string archive;
    std::string folder;           // base folder (create) or destination (extract)
    std::vector<std::string> names;          // relative to folder; patterns when extracting
    std::vector<std::string> responseFiles;  // "@file" arguments, read by the caller
};

// Splits a command line: tokens are separated by blanks; a double quote runs
// to the next double quote and may sit inside a token. A backslash is only a
// character, so "C:\data\" is the folder C:\data\.
std::vector<std::string> TokenizeCommandLine(const char* line);

// Returns false with *error set when the line does not fit the role.
bool ParseCommand(Role role, const char* line, Command* command, std::string* error);

// One name per line, optionally in double quotes; CR LF or LF; blank lines
// skipped. A name may end with a backslash (a folder).
std::vector<std::string> ParseResponseText(const std::string& text);

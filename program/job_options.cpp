#include "program/job_options.h"

#include <cstring>

#include "app/text.h"
#include "program/command_line.h"

static char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// "/run" and "-RUN" alike: the name after the leading '/' or '-', compared
// without case.
static bool IsSwitchNamed(const char* token, const char* name) {
    if (token[0] != '/' && token[0] != '-') return false;
    const char* p = token + 1;
    for (; *p != '\0' && *name != '\0'; ++p, ++name) {
        if (LowerAscii(*p) != *name) return false;
    }
    return *p == '\0' && *name == '\0';
}

static bool IsSwitch(const char* token) { return (token[0] == '/' || token[0] == '-') && token[1] != '\0'; }

// A token back into a command line the tokeniser reads the same way: quoted,
// unless it holds a quote, which only an unquoted token (so one without a
// space) can.
static void AppendToken(std::string* line, const char* token) {
    if (!line->empty()) *line += ' ';
    bool quote = strchr(token, '"') == nullptr;
    if (quote) *line += '"';
    *line += token;
    if (quote) *line += '"';
}

// Whether the switch is one of the job's; a job switch that takes a value
// reads it here.
static bool TakeJobSwitch(const char* token, CommandLineCursor* cursor, JobOptions* options, bool* missingValue) {
    if (IsSwitchNamed(token, "run")) {
        options->run = true;
    } else if (IsSwitchNamed(token, "min")) {
        options->minimised = true;
    } else if (IsSwitchNamed(token, "overwrite:all")) {
        options->overwrite = JobOverwriteExisting;
    } else if (IsSwitchNamed(token, "overwrite:skip")) {
        options->overwrite = JobSkipExisting;
    } else if (IsSwitchNamed(token, "log")) {
        char file[CommandTokenSize];
        // A switch where the file should be ("/log /min") is no file name.
        if (!NextCommandToken(cursor, file, sizeof(file)) || file[0] == '\0' || file[0] == '/') {
            *missingValue = true;
        } else {
            options->log = file;
        }
    } else {
        return false;
    }
    return true;
}

// Tokens that begin with '/' or '-' are switches; the others keep the path
// rules and go on in options->paths. A switch not understood is refused when
// it begins with '/', or when the line uses the job's switches; a line
// without them keeps its old meaning, where "-r C:\y.lzh" is one archive.
void ReadJobOptions(const char* commandLine, JobOptions* options) {
    *options = JobOptions();
    CommandLineCursor cursor;
    StartCommandLine(&cursor, commandLine);
    char token[CommandTokenSize];
    bool anyJobSwitch = false;
    std::string unknownDash;
    while (NextCommandToken(&cursor, token, sizeof(token))) {
        if (!IsSwitch(token)) {
            AppendToken(&options->paths, token);
            continue;
        }
        bool missingValue = false;
        if (TakeJobSwitch(token, &cursor, options, &missingValue)) {
            anyJobSwitch = true;
            if (missingValue && options->refused.empty()) options->refused = token;
        } else if (token[0] == '/' && options->refused.empty()) {
            options->refused = token;
        } else if (token[0] == '-' && unknownDash.empty()) {
            unknownDash = token;
        }
    }
    if (anyJobSwitch && options->refused.empty()) options->refused = unknownDash;
    if (!anyJobSwitch && options->refused.empty()) options->paths = commandLine != nullptr ? commandLine : "";
    options->nothingToRun = options->run && !AnyPathToken(options->paths.c_str());
}

static void NotePath(const char*, void* seen) { *static_cast<bool*>(seen) = true; }

bool AnyPathToken(const char* commandLine) {
    bool seen = false;
    ForEachPathToken(commandLine, NotePath, &seen);
    return seen;
}

// A switch not understood, or "/run" with nothing to run.
bool JobCommandLineRefused(const JobOptions& options) { return !options.refused.empty() || options.nothingToRun; }

// The text for a refused command line: what is wrong, then how the program
// is called.
void FormatJobUsage(const JobOptions& options, char* text, size_t size) {
    char what[CommandTokenSize + 64];
    if (!options.refused.empty()) {
        FormatText(what, sizeof(what), "スイッチ %s を解釈できません。", options.refused.c_str());
    } else {
        CopyText(what, sizeof(what), "実行するタスクリストファイルもパスもありません。");
    }
    FormatText(text, size,
               "%s\n\n使い方:\nfardelix.exe /run {タスクリスト.fdl | パス...}\n"
               "    [/log ログファイル] [/overwrite:all | /overwrite:skip] [/min]",
               what);
}

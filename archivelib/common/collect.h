// Gathering the files and folders a create command names.
#pragma once
#include <windows.h>
#include <stdint.h>

#include <functional>
#include <string>
#include <vector>

#include "common/callstate.h"
#include "common/cmdline.h"

struct SourceItem {
    std::string path;    // full path on disk
    std::string stored;  // name in the archive, '/' separators, folders end in '/'
    bool isFolder = false;
    uint64_t size = 0;
    FILETIME modified = {};
    DWORD attributes = 0;
};

// Reads the response files, resolves each name against the base folder and,
// with recursion, walks folders. Later duplicates replace earlier ones. The
// archive itself is never collected. Returns an FdarcError; files whose
// names code page 932 cannot hold are left out, logged, and *skipped says so.
int CollectSources(const Command& command, CallLog* log, std::vector<SourceItem>* items, int* skipped);

// What a creation reads: the sizes of the files, the progress's total.
uint64_t SourceBytes(const std::vector<SourceItem>& items);

// The folder part of a path including its trailing separator ("" if none).
std::string FolderOf(const std::string& path);
// A temporary file beside the target, created empty; "" on failure.
std::string MakeTempBeside(const std::string& target);
// A temporary archive beside the target, opened by create(temp): its path,
// or "" when either step failed (nothing is left behind and the log says
// the archive cannot be made).
std::string CreateTemporaryFor(const std::string& target, CallLog* log,
                               const std::function<bool(const std::string&)>& create);
// Puts a finished temporary archive in the target's place; on failure, and
// when the caller has cancelled, the temporary goes, the target stays as it
// was and the log says why.
bool SwapTemporaryIn(const std::string& temp, const std::string& target, CallLog* log);

// Creating and updating lzh archives on disk.
#pragma once
#include "common/callstate.h"
#include "common/cmdline.h"

// Adds the collected files and folders to the archive: a new archive, or an
// existing one whose other entries are kept as they are. Returns an FdarcError.
int CreateLzh(const Command& command, CallLog* log);

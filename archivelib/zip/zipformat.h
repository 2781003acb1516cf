// The zip container: central directory reading, extraction and creation.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

#include "common/callstate.h"
#include "common/cmdline.h"
#include "common/fileio.h"
#include "common/listed_entry.h"
#include "zip/zipread.h"

int ListZip(FileReader* reader, std::vector<ListedEntry>* entries);
int CreateZip(const Command& command, CallLog* log);
int ExtractZip(const Command& command, HWND owner, CallLog* log);

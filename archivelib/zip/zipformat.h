// The zip container: central directory reading, extraction and creation.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

#include "callstate.h"
#include "cmdline.h"
#include "fileio.h"
#include "listing.h"
#include "zipread.h"

int ListZip(FileReader* reader, std::vector<ListedEntry>* entries);
int CreateZip(const Command& command, CallLog* log);
int ExtractZip(const Command& command, HWND owner, CallLog* log);

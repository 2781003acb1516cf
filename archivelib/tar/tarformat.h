// The tar container, plain or gzip-compressed: listing, extraction, creation.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

#include "common/callstate.h"
#include "common/cmdline.h"
#include "common/fileio.h"
#include "common/listed_entry.h"
#include "tar/tarread.h"

int ListTar(const std::string& path, std::vector<ListedEntry>* entries);
int CreateTar(const Command& command, CallLog* log);
int ExtractTar(const Command& command, HWND owner, CallLog* log);


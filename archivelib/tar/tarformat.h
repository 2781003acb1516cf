// The tar container, plain or gzip-compressed: listing, extraction, creation.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

#include "callstate.h"
#include "cmdline.h"
#include "fileio.h"
#include "listing.h"
#include "tarread.h"

int ListTar(const std::string& path, std::vector<ListedEntry>* entries);
int CreateTar(const Command& command, CallLog* log);
int ExtractTar(const Command& command, HWND owner, CallLog* log);


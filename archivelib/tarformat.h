// The tar container, plain or gzip-compressed: listing, extraction, creation.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

#include "callstate.h"
#include "cmdline.h"
#include "fileio.h"
#include "listing.h"

// True when the file starts with the gzip magic or a valid tar header.
bool LooksLikeTar(FileReader* reader);
int ListTar(const std::string& path, std::vector<ListedEntry>* entries);
int CreateTar(const Command& command, CallLog* log);
int ExtractTar(const Command& command, HWND owner, CallLog* log);

// Header checksum test; exposed for the tests.
bool TarChecksumOk(const unsigned char* block);

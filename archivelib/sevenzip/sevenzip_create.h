// 7z creation: our own writer, one block per file; an updated archive's
// entries are read back through libarchive.
#pragma once
#include "common/callstate.h"
#include "common/cmdline.h"

int CreateSevenZip(const Command& command, CallLog* log);

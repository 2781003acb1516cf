// Creating and updating cabinet files from the collected sources.
#pragma once
#include "common/callstate.h"
#include "common/cmdline.h"

// Stores the named files (a cabinet holds no folder entries) compressed with
// MSZIP. An existing cabinet is updated: same-name files are replaced, the
// others stay, through a temporary file that replaces the old one only when
// complete. Returns an FdarcError.
int CreateCab(const Command& command, CallLog* log);

// Which code creates archives under each entry prefix.
#pragma once
#include "common/callstate.h"
#include "common/cmdline.h"

typedef int (*CreateArchiveFunction)(const Command& command, CallLog* log);

// nullptr when the prefix creates nothing (it only extracts).
CreateArchiveFunction CreatorFor(Role role);

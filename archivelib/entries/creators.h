// Which code creates archives under each entry prefix.
#pragma once
#include "callstate.h"
#include "cmdline.h"

typedef int (*CreateArchiveFunction)(const Command& command, CallLog* log);

// nullptr when the prefix creates nothing (it only extracts).
CreateArchiveFunction CreatorFor(Role role);

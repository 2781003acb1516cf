// A job run without a person ("/run"): whether one runs, how it answers the
// question before an existing file is overwritten, and its log. While it
// runs, every modal window of the program becomes a line of the log.
#pragma once
#include <windows.h>

#include "app/text.h"

bool BeginUnattendedJob(const char* logPath, bool overwriteExisting);
void EndUnattendedJob();
bool UnattendedJobRunning();
bool UnattendedJobOverwrites();
bool WriteJobLog(const char* format, ...) FD_PRINTF_FORMAT(1, 2);

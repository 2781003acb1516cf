// A job without a person ("fardelix.exe /run ..."): its tasks are made,
// all started, logged as they end, and the window closes when the queue
// has run dry. The exit code counts the tasks that did not end 完了.
#pragma once
#include <windows.h>

#include "program/job_options.h"

int RefuseCommandLine(const JobOptions& options);
int RunJob(HINSTANCE instance, const JobOptions& options, const char* commandLine, int show);

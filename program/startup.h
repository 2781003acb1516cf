// Turning the program's command line into tasks.
#pragma once

void HandleCommandLine(const char* commandLine);
bool MakeJobTasks(const char* commandLine);

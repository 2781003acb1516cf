// Turning the program's command line into tasks.
#pragma once
#include <cstddef>

void HandleCommandLine(const char* commandLine);
void HandleHandedCommandLine(const char* data, size_t size);
bool MakeJobTasks(const char* commandLine);

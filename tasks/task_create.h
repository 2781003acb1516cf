// Creating tasks: a compression task with its own empty file list, an
// extraction task that counts its archive's entries.
#pragma once
#include <windows.h>

#include <cstddef>

short CreateCompressionTask(const char* name, HWND fileListParent);
short CreateExtractionTask(const char* path);
bool ReadCurrentFolder(char* folder, size_t size);

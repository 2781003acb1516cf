// Pieces shared by the compression and extraction runs.
#pragma once
#include <windows.h>

#include <cstdint>

#include "app/text.h"
#include "archivers/archiver_library.h"

void ReportRunFailure(const char* format, ...) FD_PRINTF_FORMAT(1, 2);
void FailRun(uint32_t id, ArchiverLibrary* library, const char* format, ...) FD_PRINTF_FORMAT(3, 4);
void EndRunWith(uint32_t id, ArchiverLibrary* library, int status);
void FailMissingEntry(uint32_t id, ArchiverLibrary* library, const char* libraryName, const char* suffix);
int CallArchiverMain(ArchiverMainEntry entry, HWND owner, const char* commandLine);

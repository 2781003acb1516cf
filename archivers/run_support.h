// Pieces shared by the compression and extraction runs.
#pragma once
#include <windows.h>

#include <cstdint>

#include "app/text.h"
#include "archivers/archiver_library.h"

short FindTaskById(uint32_t id);
void SetStatusById(uint32_t id, int status);
void ReportRunFailure(const char* format, ...) FD_PRINTF_FORMAT(1, 2);
void FailRun(uint32_t id, ArchiverLibrary* library, const char* format, ...) FD_PRINTF_FORMAT(3, 4);
void EndRunWith(uint32_t id, ArchiverLibrary* library, int status);
void ReadTaskArchivePath(int row, char* path, size_t size);
int CallArchiverMain(ArchiverMainEntry entry, HWND owner, const char* commandLine);
void RecomputeRunSwitch();

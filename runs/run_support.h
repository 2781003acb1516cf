// Pieces shared by the compression and extraction runs.
#pragma once
#include <windows.h>

#include <cstdint>

#include "app/text.h"
#include "archivers/archiver_library.h"

void NoteRunFailure(uint32_t id, const char* format, ...) FD_PRINTF_FORMAT(2, 3);
void FailRun(uint32_t id, ArchiverLibrary* library, const char* format, ...) FD_PRINTF_FORMAT(3, 4);
void FailNotLoaded(uint32_t id, ArchiverLibrary* library, const char* libraryName);
void FailWithResult(uint32_t id, ArchiverLibrary* library, const char* libraryName, int result);
void EndRunWith(uint32_t id, ArchiverLibrary* library, int status);
void FailMissingEntry(uint32_t id, ArchiverLibrary* library, const char* libraryName, const char* suffix);
int CallArchiverMain(ArchiverLibrary* library, uint32_t id, HWND owner, const char* commandLine, bool* cancelled);

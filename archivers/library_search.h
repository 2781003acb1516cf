// Where archiver libraries are looked for. A library is loaded by its file
// name through the loader's usual search, from which start-up removes the
// current folder; when that finds none and the bundled library serves the
// name, archivers\fdarc.dll in the program's own folder is loaded by its
// full path and called under the format's prefix all the same.
#pragma once
#include <windows.h>

#include "app/text.h"
#include "archivers/library_rows.h"

// Once at start-up, before any library is loaded.
void KeepCurrentFolderOutOfLibrarySearch();

// The module, or null; *bundled tells whether it is the bundled library.
HMODULE LoadLibraryByRule(const char* fileName, bool* bundled);

struct LibraryWhereabouts {
    LibraryPlace place;
    char folder[PathSize];   // the module's folder, in code page 932
    int version;             // as the library's GetVersion reports it, 0 unknown
};

// Loads the library by the rule, looks where it came from and asks its
// version, and releases it again: nothing else changes.
LibraryWhereabouts LocateLibrary(const char* fileName, const char* prefix);

// Tests take another folder for the program's own; null goes back to the
// folder of the running program.
void SetProgramFolderForTests(const wchar_t* folder);

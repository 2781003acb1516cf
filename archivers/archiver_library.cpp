#include "archivers/archiver_library.h"

#include "app/text.h"
#include "archivers/library_search.h"

// suffix "" resolves the main entry.
static FARPROC ResolveEntry(const ArchiverLibrary& library, const char* suffix) {
    char name[96];
    if (!FormatText(name, sizeof(name), "%s%s", library.prefix, suffix)) return nullptr;
    return GetProcAddress(library.module, name);
}

template <typename Entry>
static void Resolve(const ArchiverLibrary& library, const char* suffix, Entry* entry) {
    static_assert(IsWinapiEntry<Entry>::value, "archiver entries are called through WINAPI pointers");
    *entry = reinterpret_cast<Entry>(reinterpret_cast<void*>(ResolveEntry(library, suffix)));
}

// The file name goes to the loader unchanged, so the usual search path
// finds the user's installed libraries; the bundled library stands in for
// the names it serves (archivers/library_search.h). Without a module every
// entry is null.
bool LoadArchiverLibrary(const char* fileName, const char* prefix, ArchiverLibrary* library) {
    *library = {};
    bool bundled = false;
    library->module = LoadLibraryByRule(fileName, &bundled);
    CopyText(library->prefix, sizeof(library->prefix), prefix);
    if (library->module == nullptr) return false;
    Resolve(*library, "", &library->main);
    Resolve(*library, "GetRunning", &library->getRunning);
    Resolve(*library, "SetBackGroundMode", &library->setBackGroundMode);
    Resolve(*library, "OpenArchive", &library->openArchive);
    Resolve(*library, "CloseArchive", &library->closeArchive);
    Resolve(*library, "FindFirst", &library->findFirst);
    Resolve(*library, "FindNext", &library->findNext);
    Resolve(*library, "GetFileCount", &library->getFileCount);
    Resolve(*library, ARC_SET_OWNER_WINDOW_SUFFIX, &library->setOwnerWindowEx);
    Resolve(*library, ARC_KILL_OWNER_WINDOW_SUFFIX, &library->killOwnerWindowEx);
    return true;
}

// The entries go with the module: none of them may be called afterwards.
void ReleaseArchiverLibrary(ArchiverLibrary* library) {
    if (library->module != nullptr) FreeLibrary(library->module);
    char prefix[sizeof(library->prefix)];
    CopyText(prefix, sizeof(prefix), library->prefix);
    *library = {};
    CopyText(library->prefix, sizeof(library->prefix), prefix);
}

// Listing an archive's entries takes these four together.
bool HasInspectionEntries(const ArchiverLibrary& library) {
    return library.openArchive != nullptr && library.closeArchive != nullptr && library.findFirst != nullptr &&
           library.findNext != nullptr;
}

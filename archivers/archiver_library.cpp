#include "archivers/archiver_library.h"

#include <cstring>

#include "app/text.h"

// The file name goes to the loader unchanged, so the usual search path
// finds the user's installed libraries.
bool LoadArchiverLibrary(const char* fileName, const char* prefix, ArchiverLibrary* library) {
    library->module = LoadLibraryA(fileName);
    CopyText(library->prefix, sizeof(library->prefix), prefix);
    return library->module != nullptr;
}

void ReleaseArchiverLibrary(ArchiverLibrary* library) {
    if (library->module != nullptr) FreeLibrary(library->module);
    library->module = nullptr;
}

// suffix "" resolves the main entry.
FARPROC ResolveArchiverEntry(const ArchiverLibrary& library, const char* suffix) {
    if (library.module == nullptr) return nullptr;
    char name[96];
    if (!FormatText(name, sizeof(name), "%s%s", library.prefix, suffix)) return nullptr;
    return GetProcAddress(library.module, name);
}

// The name is cut at its 513 bytes when the library did not terminate it.
void ReadFindRecordName(const unsigned char* record, char* name, size_t size) {
    char raw[FindRecordNameSize + 1];
    memcpy(raw, record + FindRecordNameOffset, FindRecordNameSize);
    raw[FindRecordNameSize] = '\0';
    CopyText(name, size, raw);
}

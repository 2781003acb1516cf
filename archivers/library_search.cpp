#include "archivers/library_search.h"

#include <cwchar>

namespace {

constexpr DWORD WidePathSize = 1024;

// The program's own folder, ending in a backslash, found when first needed
// (or set by a test). Empty when it cannot be told.
struct SearchState {
    bool resolved;
    wchar_t programFolder[WidePathSize];
};
SearchState Search = {};

const wchar_t BundledRelativePath[] = L"archivers\\fdarc.dll";

// Optional in a library: its version, 123 for 1.23.
using ArchiverGetVersion = WORD(WINAPI*)();

// Cuts a module path after its last backslash (wide text: no double-byte
// characters to step over).
bool CutToFolder(wchar_t* path) {
    wchar_t* last = wcsrchr(path, L'\\');
    if (last == nullptr) {
        path[0] = L'\0';
        return false;
    }
    last[1] = L'\0';
    return true;
}

const wchar_t* ProgramFolder() {
    if (!Search.resolved) {
        Search.resolved = true;
        DWORD length = GetModuleFileNameW(nullptr, Search.programFolder, WidePathSize);
        if (length == 0 || length >= WidePathSize || !CutToFolder(Search.programFolder)) {
            Search.programFolder[0] = L'\0';
        }
    }
    return Search.programFolder;
}

bool BundledLibraryPath(wchar_t* path, size_t size) {
    const wchar_t* folder = ProgramFolder();
    if (folder[0] == L'\0') return false;
    int written = swprintf(path, size, L"%ls%ls", folder, BundledRelativePath);
    return written > 0 && static_cast<size_t>(written) < size;
}

// Folders compared without their trailing backslash, case ignored.
bool SameFolder(const wchar_t* folder, const wchar_t* other) {
    size_t a = wcslen(folder);
    size_t b = wcslen(other);
    while (a > 0 && folder[a - 1] == L'\\') --a;
    while (b > 0 && other[b - 1] == L'\\') --b;
    return a == b && a > 0 && _wcsnicmp(folder, other, a) == 0;
}

// System32 (SysWOW64 for a 32-bit program on 64-bit Windows), the Windows
// folder and its old 16-bit System folder.
bool IsSystemFolder(const wchar_t* folder) {
    wchar_t system[MAX_PATH];
    UINT length = GetSystemDirectoryW(system, MAX_PATH);
    if (length > 0 && length < MAX_PATH && SameFolder(folder, system)) return true;
    length = GetSystemWow64DirectoryW(system, MAX_PATH);
    if (length > 0 && length < MAX_PATH && SameFolder(folder, system)) return true;
    length = GetWindowsDirectoryW(system, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return false;
    if (SameFolder(folder, system)) return true;
    wchar_t old[MAX_PATH + 8];
    swprintf(old, MAX_PATH + 8, L"%ls\\System", system);
    return SameFolder(folder, old);
}

LibraryPlace PlaceOf(HMODULE module, bool bundled, char* folder, size_t size) {
    folder[0] = '\0';
    if (bundled) return LibraryPlace::Bundled;
    wchar_t path[WidePathSize];
    DWORD length = GetModuleFileNameW(module, path, WidePathSize);
    if (length == 0 || length >= WidePathSize || !CutToFolder(path)) return LibraryPlace::OtherFolder;
    if (!WideCharToMultiByte(CP_ACP, 0, path, -1, folder, static_cast<int>(size), nullptr, nullptr)) folder[0] = '\0';
    if (SameFolder(path, ProgramFolder())) return LibraryPlace::ProgramFolder;
    if (IsSystemFolder(path)) return LibraryPlace::SystemFolder;
    return LibraryPlace::OtherFolder;
}

}  // namespace

// An empty DLL directory takes the current folder out of the search on
// Windows, but Wine searches it all the same. The program's own folder, which
// is searched first anyway, takes its place in both: the search then runs
// through the program's folder, the system folders and PATH.
void KeepCurrentFolderOutOfLibrarySearch() {
    const wchar_t* folder = ProgramFolder();
    if (folder[0] == L'\0' || !SetDllDirectoryW(folder)) SetDllDirectoryW(L"");
}

// A library the user installed under its own name always wins; the
// bundled one is only taken for the names it serves, and only from the
// program's folder, never from the current one.
HMODULE LoadLibraryByRule(const char* fileName, bool* bundled) {
    *bundled = false;
    if (fileName == nullptr || fileName[0] == '\0') return nullptr;
    HMODULE module = LoadLibraryA(fileName);
    if (module != nullptr || !IsServedByBundledLibrary(fileName)) return module;
    wchar_t path[WidePathSize];
    if (!BundledLibraryPath(path, WidePathSize)) return nullptr;
    module = LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    *bundled = module != nullptr;
    return module;
}

LibraryWhereabouts LocateLibrary(const char* fileName, const char* prefix) {
    LibraryWhereabouts found = {};
    bool bundled = false;
    HMODULE module = LoadLibraryByRule(fileName, &bundled);
    if (module == nullptr) return found;
    found.place = PlaceOf(module, bundled, found.folder, sizeof(found.folder));
    char name[96];
    if (FormatText(name, sizeof(name), "%sGetVersion", prefix)) {
        auto getVersion =
            reinterpret_cast<ArchiverGetVersion>(reinterpret_cast<void*>(GetProcAddress(module, name)));
        if (getVersion != nullptr) found.version = getVersion();
    }
    FreeLibrary(module);
    return found;
}

void SetProgramFolderForTests(const wchar_t* folder) {
    Search = {};
    if (folder == nullptr) return;
    Search.resolved = true;
    swprintf(Search.programFolder, WidePathSize, L"%ls", folder);
}

#include "app/shell_entries.h"

// The entry `name` of the system library `library`, loaded once; nullptr
// when either is missing. Only the interface thread calls these.
template <typename Entry>
static Entry Lookup(const char* library, const char* name) {
    HMODULE module = GetModuleHandleA(library);
    if (module == nullptr) module = LoadLibraryA(library);
    if (module == nullptr) return nullptr;
    FARPROC entry = GetProcAddress(module, name);
    return reinterpret_cast<Entry>(reinterpret_cast<void (*)()>(entry));
}

UINT Shell_DragQueryFile(HDROP drop, UINT index, char* path, UINT size) {
    static auto entry = Lookup<UINT(WINAPI*)(HDROP, UINT, LPSTR, UINT)>("shell32.dll", "DragQueryFileA");
    return entry != nullptr ? entry(drop, index, path, size) : 0;
}

void Shell_DragFinish(HDROP drop) {
    static auto entry = Lookup<void(WINAPI*)(HDROP)>("shell32.dll", "DragFinish");
    if (entry != nullptr) entry(drop);
}

BOOL Shell_GetOpenFileName(OPENFILENAMEA* dialog) {
    static auto entry = Lookup<BOOL(WINAPI*)(OPENFILENAMEA*)>("comdlg32.dll", "GetOpenFileNameA");
    return entry != nullptr ? entry(dialog) : FALSE;
}

BOOL Shell_GetSaveFileName(OPENFILENAMEA* dialog) {
    static auto entry = Lookup<BOOL(WINAPI*)(OPENFILENAMEA*)>("comdlg32.dll", "GetSaveFileNameA");
    return entry != nullptr ? entry(dialog) : FALSE;
}

PIDLIST_ABSOLUTE Shell_BrowseForFolder(BROWSEINFOA* info) {
    static auto entry = Lookup<PIDLIST_ABSOLUTE(WINAPI*)(BROWSEINFOA*)>("shell32.dll", "SHBrowseForFolderA");
    return entry != nullptr ? entry(info) : nullptr;
}

BOOL Shell_PathFromIdList(PCIDLIST_ABSOLUTE list, char* path) {
    static auto entry = Lookup<BOOL(WINAPI*)(PCIDLIST_ABSOLUTE, LPSTR)>("shell32.dll", "SHGetPathFromIDListA");
    return entry != nullptr ? entry(list, path) : FALSE;
}

void Shell_FreeIdList(PIDLIST_ABSOLUTE list) {
    static auto entry = Lookup<void(WINAPI*)(LPVOID)>("ole32.dll", "CoTaskMemFree");
    if (entry != nullptr) entry(list);
}

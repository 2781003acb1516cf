#include <windows.h>

#include <cstdio>

#include "app/text.h"

// The number in count.txt beside this library; -1 when there is none.
static int ReadCount() {
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ReadCount), &self);
    char path[PathSize];
    char folder[PathSize];
    char countFile[PathSize];
    if (GetModuleFileNameA(self, path, sizeof(path)) == 0) return -1;
    if (!FolderOfPath(path, folder, sizeof(folder))) return -1;
    if (!FormatText(countFile, sizeof(countFile), "%scount.txt", folder)) return -1;
    FILE* file = fopen(countFile, "rb");
    if (file == nullptr) return -1;
    int count = -1;
    if (fscanf(file, "%d", &count) != 1) count = -1;
    fclose(file);
    return count;
}

extern "C" __declspec(dllexport) int WINAPI UnZipGetFileCount(LPCSTR) { return ReadCount(); }
extern "C" __declspec(dllexport) int WINAPI TarGetFileCount(LPCSTR) { return ReadCount(); }

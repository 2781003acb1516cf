#include <windows.h>

// Loads, but has no GetFileCount entry under any prefix.
extern "C" __declspec(dllexport) BOOL WINAPI UnlhaGetRunning() { return FALSE; }
extern "C" __declspec(dllexport) BOOL WINAPI UnZipGetRunning() { return FALSE; }

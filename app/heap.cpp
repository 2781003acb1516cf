#include "app/heap.h"

static HANDLE PrivateHeap = nullptr;

// Growable, starting at one system page.
bool CreatePrivateHeap() {
    if (PrivateHeap != nullptr) return true;
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    PrivateHeap = HeapCreate(0, info.dwPageSize, 0);
    return PrivateHeap != nullptr;
}

// Zero-filled. Returns null when memory runs out; callers refuse the
// operation rather than letting the heap raise an exception mid-update.
void* PrivateAlloc(size_t size) {
    if (PrivateHeap == nullptr && !CreatePrivateHeap()) return nullptr;
    return HeapAlloc(PrivateHeap, HEAP_ZERO_MEMORY, size == 0 ? 1 : size);
}

void PrivateFree(void* block) {
    if (block != nullptr) HeapFree(PrivateHeap, 0, block);
}

#include "common/block_cache.h"

#include <malloc.h>
#include <windows.h>

extern "C" void* __real_malloc(size_t size);
extern "C" void __real_free(void* block);
extern "C" void* __wrap_malloc(size_t size);
extern "C" void __wrap_free(void* block);

namespace {
struct BlockCache {
    SRWLOCK lock = SRWLOCK_INIT;
    void* blocks[kBlockCacheSlots] = {};
    size_t sizes[kBlockCacheSlots] = {};
    size_t held = 0;
    bool keeping = false;  // while a call runs
};
BlockCache Cache;

class Locked {
public:
    Locked() { AcquireSRWLockExclusive(&Cache.lock); }
    ~Locked() { ReleaseSRWLockExclusive(&Cache.lock); }
};

void* TakeCached(size_t size) {
    Locked locked;
    for (int i = 0; i < kBlockCacheSlots; ++i) {
        if (Cache.blocks[i] != nullptr && Cache.sizes[i] >= size && Cache.sizes[i] / 2 <= size) {
            void* block = Cache.blocks[i];
            Cache.blocks[i] = nullptr;
            Cache.held -= Cache.sizes[i];
            return block;
        }
    }
    return nullptr;
}

bool Keep(void* block, size_t size) {
    Locked locked;
    if (!Cache.keeping || Cache.held + size > kBlockCacheMost) return false;
    for (int i = 0; i < kBlockCacheSlots; ++i) {
        if (Cache.blocks[i] == nullptr) {
            Cache.blocks[i] = block;
            Cache.sizes[i] = size;
            Cache.held += size;
            return true;
        }
    }
    return false;
}
}  // namespace

extern "C" void* __wrap_malloc(size_t size) {
    if (size >= kBlockCacheLeast) {
        if (void* block = TakeCached(size)) return block;
    }
    return __real_malloc(size);
}

extern "C" void __wrap_free(void* block) {
    if (block == nullptr) return;
    size_t size = _msize(block);
    if (size >= kBlockCacheLeast && size != static_cast<size_t>(-1) && Keep(block, size)) return;
    __real_free(block);
}

void KeepFreedBlocks() {
    Locked locked;
    Cache.keeping = true;
}

size_t ReleaseCachedBlocks() {
    void* blocks[kBlockCacheSlots] = {};
    size_t released = 0;
    {
        Locked locked;
        Cache.keeping = false;
        for (int i = 0; i < kBlockCacheSlots; ++i) {
            blocks[i] = Cache.blocks[i];
            if (blocks[i] != nullptr) released += Cache.sizes[i];
            Cache.blocks[i] = nullptr;
        }
        Cache.held = 0;
    }
    for (void* block : blocks) {
        if (block != nullptr) __real_free(block);
    }
    return released;
}

// Large freed blocks kept for the next allocation of about their size.
//
// A Windows heap (and Wine's) gives every block of more than about half a
// megabyte a mapping of its own: freed, the mapping goes, and the next such
// block is new memory whose every page faults in zeroed as it is first
// written. Decoding a 7z archive of many files made one of a file's size for
// each of them (the decoder's dictionary). The library's own malloc and free
// are wrapped (the DLL and the tests link with --wrap=malloc,--wrap=free):
// a freed block from kBlockCacheLeast up is kept, up to kBlockCacheMost
// bytes in kBlockCacheSlots blocks, and a later malloc of no more than its
// size and at least half of it takes it back. Blocks are kept only while a
// call runs: its end releases them, and between calls the library holds
// nothing. Thread-safe.
#pragma once
#include <stddef.h>

const size_t kBlockCacheLeast = 512 << 10;
const size_t kBlockCacheMost = sizeof(void*) == 4 ? 32 << 20 : 64 << 20;
const int kBlockCacheSlots = 4;

// From a call's start on, freed blocks are kept.
void KeepFreedBlocks();
// Frees the blocks kept and keeps none until the next KeepFreedBlocks;
// returns how many bytes they held.
size_t ReleaseCachedBlocks();

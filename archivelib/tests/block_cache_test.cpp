// The library's malloc and free keep large freed blocks for reuse.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include "common/block_cache.h"

namespace {
// Written to, so the compiler keeps every allocation.
void* Take(size_t size) {
    void* block = malloc(size);
    if (block != nullptr) memset(block, 0x5A, 64);
    return block;
}
}  // namespace

TEST(BlockCache, LargeBlocksComeBackForRequestsOfAboutTheirSize) {
    ReleaseCachedBlocks();
    KeepFreedBlocks();
    void* block = Take(2 << 20);
    ASSERT_NE(block, nullptr);
    free(block);
    void* smaller = Take((1 << 20) - 4096);  // under half of it: too small to take it
    EXPECT_NE(smaller, block);
    void* again = Take((2 << 20) - 4096);
    EXPECT_EQ(again, block);
    free(smaller);
    free(again);
    EXPECT_EQ(ReleaseCachedBlocks(), (size_t{3} << 20) - 4096);  // both, by their sizes
    EXPECT_EQ(ReleaseCachedBlocks(), 0u);  // released means gone
}

TEST(BlockCache, KeepsNothingBetweenCallsNoSmallBlocksAndAtMostItsLimit) {
    ReleaseCachedBlocks();
    free(Take(kBlockCacheLeast));  // between calls nothing is kept
    EXPECT_EQ(ReleaseCachedBlocks(), 0u);
    KeepFreedBlocks();
    free(Take(kBlockCacheLeast / 2));
    free(Take(kBlockCacheMost + 1));
    EXPECT_EQ(ReleaseCachedBlocks(), 0u);
    KeepFreedBlocks();
    void* blocks[kBlockCacheSlots + 2] = {};
    for (void*& block : blocks) block = Take(kBlockCacheLeast);
    for (void* block : blocks) free(block);
    size_t held = ReleaseCachedBlocks();
    EXPECT_GE(held, kBlockCacheSlots * kBlockCacheLeast);
    EXPECT_LT(held, (kBlockCacheSlots + 1) * kBlockCacheLeast);
}

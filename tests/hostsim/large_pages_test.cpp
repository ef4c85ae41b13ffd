// Blocks from pools of large pages: each its own, aligned, cut again once
// freed, and the slabs given back but for those the pool keeps.
#include "hostsim/large_pages.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

// Blocks of a document's object chunks (16 KiB and a cache line, so that a
// slab holds more than 64 of them) and of tree chunks (64 KiB), hundreds at
// a time, freed in a different order than they were taken.
TEST(LargePages, BlocksAreDistinctAlignedAndCutAgainOnceFreed) {
    const struct {
        size_t bytes, align;
    } kinds[] = {{16448, 64}, {65536, 65536}};
    for (const auto& kind : kinds) {
        SCOPED_TRACE(kind.bytes);
        LargePagePool* pool = LargePagePoolMake(kind.bytes, kind.align, 1);
        size_t peak = 0;
        for (int round = 0; round < 2; ++round) {
            std::vector<char*> blocks;
            for (int i = 0; i < 300; ++i) {
                char* block = static_cast<char*>(LargePageBlock(pool));
                EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % kind.align, 0u);
                std::memset(block, i & 0xFF, kind.bytes);
                blocks.push_back(block);
            }
            std::vector<char*> sorted = blocks;
            std::sort(sorted.begin(), sorted.end());
            for (size_t i = 1; i < sorted.size(); ++i) EXPECT_GE(size_t(sorted[i] - sorted[i - 1]), kind.bytes);
            for (size_t i = 0; i < blocks.size(); ++i) // each kept what was written into it
                EXPECT_EQ(blocks[i][kind.bytes - 1], char(i & 0xFF));
            size_t held = LargePageBytesHeld(pool);
            EXPECT_GE(held, 300 * kind.bytes);
            if (round) {
                EXPECT_EQ(held, peak); // the second round is cut from the first's slabs
            }
            peak = held;
            for (size_t i = 0; i < blocks.size(); i += 2) LargePageFree(pool, blocks[i]);
            for (size_t i = 1; i < blocks.size(); i += 2) LargePageFree(pool, blocks[i]);
        }
        EXPECT_LE(LargePageBytesHeld(pool), size_t(2) << 20);
        LargePagePoolFree(pool);
    }
}

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/HugePageArena.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

namespace zk::platform {
namespace {

bool Aligned(const void* memory, std::size_t alignment) {
    return reinterpret_cast<std::uintptr_t>(memory) % alignment == 0;
}

TEST(HugePageArenaTest, AllocationsAreAlignedAndNeverOverlap) {
    HugePageArena arena;
    std::vector<std::pair<char*, std::size_t>> blocks;
    const std::size_t sizes[] = {1, 12240, 8, 4096, 3, 200000};
    const std::size_t alignments[] = {1, 16, 8, 4096, 2, 64};
    for (int round = 0; round < 40; ++round) {
        for (std::size_t i = 0; i < std::size(sizes); ++i) {
            auto* memory = static_cast<char*>(arena.Allocate(sizes[i], alignments[i]));
            ASSERT_TRUE(Aligned(memory, alignments[i]));
            std::memset(memory, round, sizes[i]);
            blocks.emplace_back(memory, sizes[i]);
        }
    }
    std::sort(blocks.begin(), blocks.end());
    for (std::size_t i = 1; i < blocks.size(); ++i) {
        EXPECT_GE(blocks[i].first, blocks[i - 1].first + blocks[i - 1].second) << "block " << i << " overlaps";
    }
    EXPECT_GT(arena.ChunkCount(), 1u) << "40 rounds of 216 KB need several chunks";
}

TEST(HugePageArenaTest, ARequestLargerThanAChunkGetsItsOwnAndTheCurrentChunkGoesOn) {
    HugePageArena arena;
    auto* small = static_cast<char*>(arena.Allocate(100, 4));
    auto* large = static_cast<char*>(arena.Allocate(HugePageArena::kChunkBytes * 2 + 1, 64));
    std::memset(large, 1, HugePageArena::kChunkBytes * 2 + 1);
    auto* next = static_cast<char*>(arena.Allocate(100, 4));
    EXPECT_EQ(next, small + 100) << "the large block does not end the current chunk";
    EXPECT_EQ(arena.ChunkCount(), 2u);
    arena.Reset();
    EXPECT_EQ(arena.ChunkCount(), 0u);
    EXPECT_NE(arena.Allocate(8, 8), nullptr);
}

} // namespace
} // namespace zk::platform

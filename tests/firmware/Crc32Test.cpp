// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/Crc32.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace zk::firmware {
namespace {

TEST(Crc32Test, GivesTheStandardCheckValues) {
    EXPECT_EQ(Crc32Buffer("123456789", 9), 0xCBF43926u);
    EXPECT_EQ(Crc32Buffer("", 0), 0u);
    EXPECT_EQ(Crc32Buffer(nullptr, 0), 0u);
    EXPECT_EQ(Crc32Buffer("a", 1), 0xE8B7BE43u);
    const std::string zeros(32, '\0');
    EXPECT_EQ(Crc32Buffer(zeros.data(), zeros.size()), 0x190A55ADu);
}

TEST(Crc32Test, ContinuingOverPiecesGivesTheCrcOfTheWhole) {
    std::string data(1000, '\0');
    std::mt19937 random(34);
    for (auto& c : data) {
        c = static_cast<char>(random());
    }
    const std::uint32_t whole = Crc32Buffer(data.data(), data.size());
    for (std::size_t split = 0; split <= data.size(); split += 37) {
        const std::uint32_t first = Crc32Buffer(data.data(), split);
        EXPECT_EQ(Crc32Update(first, data.data() + split, data.size() - split), whole) << "split " << split;
    }
    EXPECT_EQ(Crc32Update(whole, nullptr, 0), whole);
}

// Catches: a slip in the eight-byte tables or in the tail handling, which would only show for some
// lengths and alignments.
TEST(Crc32Test, EightBytesAtATimeMatchesOneByteAtATime) {
    std::string data(4096 + 16, '\0');
    std::mt19937 random(7);
    for (auto& c : data) {
        c = static_cast<char>(random());
    }
    for (std::size_t offset = 0; offset < 8; ++offset) {
        for (std::size_t length : {0u, 1u, 7u, 8u, 9u, 15u, 16u, 17u, 63u, 64u, 1555u, 4096u}) {
            const std::uint32_t seed = static_cast<std::uint32_t>(random());
            EXPECT_EQ(Crc32Update(seed, data.data() + offset, length),
                      Crc32UpdateBytewise(seed, data.data() + offset, length))
                << "offset " << offset << " length " << length;
        }
    }
}

} // namespace
} // namespace zk::firmware

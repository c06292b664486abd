// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/Crc32.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace zk::firmware {
namespace {

// Bit by bit, without a table: a wrong table entry or shift in the fast version shows against it.
std::uint32_t BitwiseCrc32(const std::string& data) {
    std::uint32_t reg = 0xFFFFFFFFu;
    for (const char c : data) {
        reg ^= static_cast<std::uint8_t>(c);
        for (int bit = 0; bit < 8; ++bit) {
            reg = (reg & 1u) != 0 ? (reg >> 1) ^ 0xEDB88320u : reg >> 1;
        }
    }
    return ~reg;
}

TEST(Crc32Test, GivesTheStandardCheckValues) {
    EXPECT_EQ(Crc32Buffer("123456789", 9), 0xCBF43926u);
    EXPECT_EQ(Crc32Buffer("", 0), 0u);
    EXPECT_EQ(Crc32Buffer(nullptr, 0), 0u);
    EXPECT_EQ(Crc32Buffer("a", 1), 0xE8B7BE43u);
    const std::string zeros(32, '\0');
    EXPECT_EQ(Crc32Buffer(zeros.data(), zeros.size()), 0x190A55ADu);
}

TEST(Crc32Test, AgreesWithTheBitwiseDefinitionOnEveryByteValueAndLength) {
    std::mt19937 random(12);
    for (std::size_t length = 0; length < 600; length += 7) {
        std::string data(length, '\0');
        for (auto& c : data) {
            c = static_cast<char>(random());
        }
        EXPECT_EQ(Crc32Buffer(data.data(), data.size()), BitwiseCrc32(data)) << "length " << length;
    }
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

} // namespace
} // namespace zk::firmware

// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/FirmwareImageHeader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace zk::firmware {
namespace {

std::uint32_t LittleEndianAt(const FirmwareHeaderBytes& bytes, std::size_t offset) {
    return bytes[offset] | bytes[offset + 1] << 8 | bytes[offset + 2] << 16 |
           static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

// Every integer gets a distinct value whose four bytes differ, so that a field written at the wrong
// offset, in the wrong order or in the wrong byte order shows.
TEST(FirmwareImageHeaderTest, EncodesEveryFieldLittleEndianAtItsPublishedOffset) {
    FirmwareImageHeader header;
    std::memcpy(header.magic.data(), "MIREX888", 8);
    header.headerCrc = 0x11223344;
    header.totalSize = 0x01020304;
    header.PartFlags = 0x0A0B0C0D;
    for (std::size_t i = 0; i < kFirmwarePartCount; ++i) {
        const auto base = static_cast<std::uint32_t>(0x10203040u * (i + 1));
        header.parts[i] = {base + 1, base + 2, base + 3};
    }
    std::memset(header.kernelText, 'k', 255);
    std::memset(header.rootfsText, 'r', 10);

    const FirmwareHeaderBytes bytes = EncodeFirmwareHeader(header);
    EXPECT_EQ(std::memcmp(bytes.data(), "MIREX888", 8), 0);
    EXPECT_EQ(LittleEndianAt(bytes, 8), 0x11223344u);
    EXPECT_EQ(bytes[8], 0x44);
    EXPECT_EQ(LittleEndianAt(bytes, 12), 0x01020304u);
    EXPECT_EQ(LittleEndianAt(bytes, 16), 0x0A0B0C0Du);
    const std::size_t starts[] = {20, 288, 556, 568, 580};
    const std::size_t sizes[] = {24, 292, 560, 572, 584};
    const std::size_t crcs[] = {28, 552, 564, 576, 588};
    for (std::size_t i = 0; i < kFirmwarePartCount; ++i) {
        EXPECT_EQ(LittleEndianAt(bytes, starts[i]), header.parts[i].start) << PartName(kFirmwarePartOrder[i]);
        EXPECT_EQ(LittleEndianAt(bytes, sizes[i]), header.parts[i].size) << PartName(kFirmwarePartOrder[i]);
        EXPECT_EQ(LittleEndianAt(bytes, crcs[i]), header.parts[i].crc) << PartName(kFirmwarePartOrder[i]);
    }
    EXPECT_EQ(bytes[32], 'k');
    EXPECT_EQ(bytes[32 + 254], 'k');
    EXPECT_EQ(bytes[32 + 255], 0);
    EXPECT_EQ(bytes[296], 'r');
    EXPECT_EQ(bytes[305], 'r');
    EXPECT_EQ(bytes[306], 0);
    for (std::size_t i = 592; i < kFirmwareHeaderSizeBytes; ++i) {
        ASSERT_EQ(bytes[i], 0) << "reserved byte " << i;
    }
}

TEST(FirmwareImageHeaderTest, DecodingAndEncodingKeepEveryByteIncludingTheReservedOnes) {
    std::mt19937 random(56);
    for (int round = 0; round < 50; ++round) {
        FirmwareHeaderBytes bytes;
        for (auto& byte : bytes) {
            byte = static_cast<std::uint8_t>(random());
        }
        const FirmwareImageHeader header = DecodeFirmwareHeader(bytes);
        ASSERT_EQ(EncodeFirmwareHeader(header), bytes);
        ASSERT_EQ(DecodeFirmwareHeader(EncodeFirmwareHeader(header)), header);
    }
}

TEST(FirmwareImageHeaderTest, AcceptsExactlyTheTwoMagicValues) {
    auto withMagic = [](const char* text) {
        FirmwareImageHeader header;
        std::memcpy(header.magic.data(), text, 8);
        return header;
    };
    EXPECT_TRUE(HasAcceptedMagic(withMagic("MIREX888")));
    // Only eight bytes are compared, so the longer "FIRMWARE88" counts by its first eight.
    EXPECT_TRUE(HasAcceptedMagic(withMagic("FIRMWARE88")));
    EXPECT_FALSE(HasAcceptedMagic(withMagic("MIREX889")));
    EXPECT_FALSE(HasAcceptedMagic(withMagic("mirex888")));
    EXPECT_FALSE(HasAcceptedMagic(withMagic("FIRMWAR\0")));
    EXPECT_FALSE(HasAcceptedMagic(FirmwareImageHeader{}));
}

} // namespace
} // namespace zk::firmware

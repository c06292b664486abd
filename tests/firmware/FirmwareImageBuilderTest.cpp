// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/FirmwareImageBuilder.h"

#include "firmware/Crc32.h"
#include "firmware/FirmwareHeaderReader.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

namespace zk::firmware {
namespace {

FirmwareImageHeader HeaderOf(const std::string& image) {
    FirmwareHeaderBytes bytes;
    std::memcpy(bytes.data(), image.data(), bytes.size());
    return DecodeFirmwareHeader(bytes);
}

std::string Bytes(std::size_t length, char first) {
    std::string bytes(length, '\0');
    for (std::size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<char>(first + i * 7);
    }
    return bytes;
}

class FirmwareImageBuilderTest : public ::testing::Test {
protected:
    test::TempFolder m_folder;
    std::string m_error;
};

// Parts set in any order land in the fixed order, back to back, each record naming its own bytes.
TEST_F(FirmwareImageBuilderTest, PartsFollowTheHeaderInTheFixedOrderWithTheirOwnCrcs) {
    const std::string kernel = Bytes(1000, 'k');
    const std::string rootfs = Bytes(333, 'r');
    const std::string uboot = Bytes(17, 'u');
    const std::string tgz = Bytes(4096, 't');
    const std::string oem = Bytes(1, 'o');
    FirmwareImageBuilder builder;
    builder.SetPartData(FirmwarePartType::Oem, oem);
    builder.SetPartData(FirmwarePartType::Tgz, tgz);
    builder.SetPartData(FirmwarePartType::Uboot, uboot);
    builder.SetPartData(FirmwarePartType::Rootfs, rootfs);
    builder.SetPartData(FirmwarePartType::Kernel, kernel);
    std::string image;
    FirmwareImageHeader reported;
    ASSERT_EQ(builder.Build(image, m_error, &reported), 0) << m_error;

    const FirmwareImageHeader header = HeaderOf(image);
    EXPECT_EQ(header, reported);
    EXPECT_EQ(std::string_view(header.magic.data(), 8), "MIREX888");
    EXPECT_EQ(header.PartFlags, 0x1Fu);
    EXPECT_EQ(header.totalSize, image.size());
    EXPECT_EQ(image.size(), 1556 + kernel.size() + rootfs.size() + uboot.size() + tgz.size() + oem.size());
    EXPECT_EQ(header.headerCrc, ComputeFirmwareHeaderCrc(header));
    std::uint32_t expectedStart = 1556;
    const std::string* contents[] = {&kernel, &rootfs, &uboot, &tgz, &oem};
    for (const FirmwarePartType type : kFirmwarePartOrder) {
        const FirmwarePartRecord& record = header.Part(type);
        const std::string& content = *contents[PartIndex(type)];
        EXPECT_EQ(record.start, expectedStart) << PartName(type);
        EXPECT_EQ(record.size, content.size()) << PartName(type);
        EXPECT_EQ(image.substr(record.start, record.size), content) << PartName(type);
        EXPECT_EQ(record.crc, Crc32Buffer(content.data(), content.size())) << PartName(type);
        expectedStart += record.size;
    }
    EXPECT_TRUE(std::all_of(image.begin() + 592, image.begin() + 1556, [](char c) { return c == 0; }));
}

TEST_F(FirmwareImageBuilderTest, FilePartsGiveTheSameImageAsPartsInMemory) {
    const std::string kernel = Bytes(3 << 20, 'k'); // more than one copy chunk
    const std::string uboot = Bytes(77, 'u');
    ASSERT_TRUE(test::WriteFile(m_folder / "kernel", kernel));
    ASSERT_TRUE(test::WriteFile(m_folder / "uboot", uboot));
    ASSERT_TRUE(test::WriteFile(m_folder / "empty", ""));

    FirmwareImageBuilder fromFiles;
    fromFiles.SetPartFile(FirmwarePartType::Kernel, m_folder / "kernel");
    fromFiles.SetPartFile(FirmwarePartType::Uboot, m_folder / "uboot");
    fromFiles.SetPartFile(FirmwarePartType::Oem, m_folder / "empty");
    ASSERT_EQ(fromFiles.SetKernelText("3.4.35"), 0);
    ASSERT_EQ(fromFiles.WriteFile(m_folder / "image.bin", m_error), 0) << m_error;

    FirmwareImageBuilder inMemory;
    inMemory.SetPartData(FirmwarePartType::Kernel, kernel);
    inMemory.SetPartData(FirmwarePartType::Uboot, uboot);
    inMemory.SetPartData(FirmwarePartType::Oem, "");
    ASSERT_EQ(inMemory.SetKernelText("3.4.35"), 0);
    std::string image;
    ASSERT_EQ(inMemory.Build(image, m_error), 0) << m_error;
    EXPECT_TRUE(test::ReadFile(m_folder / "image.bin") == image);

    // An empty part is still present: flagged, with its start, size 0 and the CRC of nothing.
    const FirmwareImageHeader header = HeaderOf(image);
    EXPECT_EQ(header.PartFlags, 0x15u);
    EXPECT_EQ(header.Part(FirmwarePartType::Oem), (FirmwarePartRecord{static_cast<std::uint32_t>(image.size()), 0, 0}));

    std::ostringstream lines;
    EXPECT_EQ(InspectFirmwareHeader(m_folder / "image.bin", lines).finding, FirmwareHeaderFinding::Valid);
    EXPECT_EQ(lines.str(), "");
}

TEST_F(FirmwareImageBuilderTest, TextsAndMagicThatReadersWouldMisreadAreRefused) {
    FirmwareImageBuilder builder;
    EXPECT_EQ(builder.SetKernelText(std::string(255, 'a')), 0);
    EXPECT_EQ(builder.SetKernelText(std::string(256, 'b')), -1);
    EXPECT_EQ(builder.SetRootfsText(std::string("IPC\0HX3", 7)), -1);
    EXPECT_EQ(builder.SetRootfsText("\xc9\xe3\xcf\xf1\xbb\xfa"), 0); // code page 936 bytes pass unchanged
    EXPECT_EQ(builder.SetMagic("TOOLONG99"), -1);
    EXPECT_EQ(builder.SetMagic("ABC"), 0);
    builder.SetPartData(FirmwarePartType::Kernel, "k");
    builder.SetPartData(FirmwarePartType::Rootfs, "r");

    std::string image;
    ASSERT_EQ(builder.Build(image, m_error), 0) << m_error;
    const FirmwareImageHeader header = HeaderOf(image);
    EXPECT_EQ(std::string_view(header.kernelText), std::string(255, 'a'));
    EXPECT_EQ(std::string_view(header.rootfsText), "\xc9\xe3\xcf\xf1\xbb\xfa");
    EXPECT_EQ(std::string_view(header.magic.data(), 8), std::string_view("ABC\0\0\0\0\0", 8));
}

TEST_F(FirmwareImageBuilderTest, AFailedWriteLeavesAnExistingImageUntouched) {
    const std::string output = m_folder / "image.bin";
    ASSERT_TRUE(test::WriteFile(output, "previous image"));
    FirmwareImageBuilder builder;
    builder.SetPartData(FirmwarePartType::Kernel, "kernel");
    builder.SetPartFile(FirmwarePartType::Rootfs, m_folder / "missing");
    EXPECT_EQ(builder.WriteFile(output, m_error), -1);
    EXPECT_NE(m_error.find("rootfs file \"" + m_folder / "missing" + "\""), std::string::npos) << m_error;
    EXPECT_NE(m_error.find("No such file or directory"), std::string::npos) << m_error;
    EXPECT_EQ(test::ReadFile(output), "previous image");

    builder.SetPartFile(FirmwarePartType::Rootfs, m_folder.Path());
    EXPECT_EQ(builder.WriteFile(output, m_error), -1);
    EXPECT_NE(m_error.find("Is a directory"), std::string::npos) << m_error;
    EXPECT_EQ(test::ReadFile(output), "previous image");

    builder.ClearPart(FirmwarePartType::Rootfs);
    EXPECT_EQ(builder.WriteFile(m_folder / "no-such-folder/image.bin", m_error), -1);
    EXPECT_FALSE(m_error.empty());
    ASSERT_EQ(builder.WriteFile(output, m_error), 0) << m_error;
    EXPECT_EQ(HeaderOf(test::ReadFile(output)).PartFlags, 0x01u);
}

} // namespace
} // namespace zk::firmware

// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/FirmwareHeaderReader.h"

#include "firmware/Crc32.h"
#include "firmware/FirmwareImageBuilder.h"
#include "support/FuzzDriver.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <sstream>

#include <sys/stat.h>

namespace zk::firmware {
namespace {

struct Reading {
    int result = 0;
    std::string lines;
    FirmwareImageHeader header;
    std::uint64_t fileLength = 0;
    FirmwarePartSizes sizes{};
};

Reading ReadPath(const std::string& path) {
    Reading reading;
    std::ostringstream lines;
    // Stale values in every output show whether the reader really clears them first.
    reading.fileLength = 77;
    reading.sizes.fill(77);
    auto& s = reading.sizes;
    reading.result = ReadFirmwareHeader(path, reading.header, reading.fileLength, s[0], s[1], s[2], s[3], s[4], lines);
    reading.lines = lines.str();
    return reading;
}

std::string BuildImage(const FirmwareImageBuilder& builder) {
    std::string image;
    std::string error;
    EXPECT_EQ(builder.Build(image, error), 0) << error;
    return image;
}

// A header with the given fields, signed with a right CRC, followed by fill bytes up to fileLength.
std::string SignedImage(FirmwareImageHeader header, std::size_t fileLength) {
    header.headerCrc = ComputeFirmwareHeaderCrc(header);
    const FirmwareHeaderBytes bytes = EncodeFirmwareHeader(header);
    std::string image(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    image.resize(std::max(fileLength, image.size()), 'x');
    return image;
}

FirmwareImageHeader HeaderWithMagic(std::string_view magic) {
    FirmwareImageHeader header;
    std::memcpy(header.magic.data(), magic.data(), kFirmwareMagicBytes);
    return header;
}

class FirmwareHeaderReaderTest : public ::testing::Test {
protected:
    Reading ReadBytes(const std::string& bytes) {
        const std::string path = m_folder / "image.bin";
        EXPECT_TRUE(test::WriteFile(path, bytes));
        return ReadPath(path);
    }

    test::TempFolder m_folder;
};

TEST_F(FirmwareHeaderReaderTest, AValidImageReadsSilentlyWithEveryFlaggedSize) {
    FirmwareImageBuilder builder;
    builder.SetPartData(FirmwarePartType::Kernel, std::string(300, 'k'));
    builder.SetPartData(FirmwarePartType::Rootfs, std::string(200, 'r'));
    builder.SetPartData(FirmwarePartType::Uboot, std::string(30, 'u'));
    builder.SetPartData(FirmwarePartType::Tgz, std::string(40, 't'));
    builder.SetPartData(FirmwarePartType::Oem, std::string(5, 'o'));
    ASSERT_EQ(builder.SetRootfsText("IPC-HX3"), 0);
    const std::string image = BuildImage(builder);

    const Reading reading = ReadBytes(image);
    EXPECT_EQ(reading.result, 0);
    EXPECT_EQ(reading.lines, "");
    EXPECT_EQ(reading.fileLength, image.size());
    EXPECT_EQ(reading.sizes, (FirmwarePartSizes{300, 200, 30, 40, 5}));
    EXPECT_EQ(std::string_view(reading.header.rootfsText), "IPC-HX3");
    // The copy keeps its stored CRC, not the zero it was computed with.
    EXPECT_NE(reading.header.headerCrc, 0u);
    EXPECT_EQ(reading.header.headerCrc, ComputeFirmwareHeaderCrc(reading.header));
}

TEST_F(FirmwareHeaderReaderTest, ARootfsOnlyImageStartsItsRootfsRightAfterTheHeader) {
    FirmwareImageBuilder builder;
    builder.SetPartData(FirmwarePartType::Rootfs, std::string(1234, 'r'));
    const Reading reading = ReadBytes(BuildImage(builder));
    EXPECT_EQ(reading.result, 0);
    EXPECT_EQ(reading.lines, "");
    EXPECT_EQ(reading.header.PartFlags, 0x02u);
    EXPECT_EQ(reading.header.Part(FirmwarePartType::Rootfs).start, 1556u);
    EXPECT_EQ(reading.header.totalSize, 1556u + 1234u);
    EXPECT_EQ(reading.header.Part(FirmwarePartType::Kernel), FirmwarePartRecord{});
    EXPECT_EQ(reading.sizes, (FirmwarePartSizes{0, 1234, 0, 0, 0}));
}

TEST_F(FirmwareHeaderReaderTest, ATotalSizeOtherThanTheFileLengthIsReportedButAccepted) {
    FirmwareImageBuilder builder;
    builder.SetPartData(FirmwarePartType::Kernel, std::string(100, 'k'));
    const std::string image = BuildImage(builder);

    Reading reading = ReadBytes(image + "trailing");
    EXPECT_EQ(reading.result, 0);
    EXPECT_EQ(reading.lines, "size error(header->file_size = 1656, total_size = 1664\n");
    // The magic and the part sizes are not examined after this finding.
    EXPECT_EQ(reading.sizes, FirmwarePartSizes{});

    FirmwareImageHeader header = HeaderWithMagic("BADMAGIC");
    header.totalSize = 5000;
    reading = ReadBytes(SignedImage(header, 1600));
    EXPECT_EQ(reading.result, 0);
    EXPECT_EQ(reading.lines, "size error(header->file_size = 5000, total_size = 1600\n");
}

TEST_F(FirmwareHeaderReaderTest, LargeSizesPrintAsUnsignedNumbers) {
    FirmwareImageHeader header = HeaderWithMagic("MIREX888");
    header.totalSize = 0xFFFFFFF0u;
    const Reading reading = ReadBytes(SignedImage(header, 1556));
    EXPECT_EQ(reading.result, 0);
    EXPECT_EQ(reading.lines, "size error(header->file_size = 4294967280, total_size = 1556\n");
}

TEST_F(FirmwareHeaderReaderTest, TheOlderMagicIsAcceptedAndAnyOtherIsReportedButAccepted) {
    FirmwareImageBuilder builder;
    builder.SetPartData(FirmwarePartType::Rootfs, std::string(10, 'r'));
    ASSERT_EQ(builder.SetMagic("FIRMWARE"), 0);
    Reading reading = ReadBytes(BuildImage(builder));
    EXPECT_EQ(reading.result, 0);
    EXPECT_EQ(reading.lines, "");
    EXPECT_EQ(reading.sizes[PartIndex(FirmwarePartType::Rootfs)], 10u);

    ASSERT_EQ(builder.SetMagic("MIREX999"), 0);
    reading = ReadBytes(BuildImage(builder));
    EXPECT_EQ(reading.result, 0);
    EXPECT_EQ(reading.lines, "magic number error\n");
    EXPECT_EQ(reading.sizes, FirmwarePartSizes{});
}

TEST_F(FirmwareHeaderReaderTest, AFileShorterThanTheHeaderIsAReadError) {
    FirmwareImageBuilder builder;
    const std::string image = BuildImage(builder);
    for (const std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{1555}}) {
        const Reading reading = ReadBytes(image.substr(0, length));
        EXPECT_EQ(reading.result, -1) << length;
        EXPECT_EQ(reading.lines, "read error\n") << length;
        EXPECT_EQ(reading.fileLength, length);
        EXPECT_EQ(reading.sizes, FirmwarePartSizes{});
    }
    EXPECT_EQ(ReadBytes(image).result, 0);
}

TEST_F(FirmwareHeaderReaderTest, ChangingAnyHeaderByteFailsTheCrc) {
    FirmwareImageBuilder builder;
    builder.SetPartData(FirmwarePartType::Kernel, std::string(64, 'k'));
    builder.SetPartData(FirmwarePartType::Rootfs, std::string(64, 'r'));
    const std::string image = BuildImage(builder);
    for (std::size_t offset = 0; offset < kFirmwareHeaderSizeBytes; ++offset) {
        std::string changed = image;
        changed[offset] = static_cast<char>(changed[offset] ^ 0x01);
        std::ostringstream lines;
        const FirmwareHeaderReport report = ValidateFirmwareHeader(changed, changed.size(), lines);
        ASSERT_EQ(report.result, -1) << "byte " << offset;
        ASSERT_EQ(lines.str(), "crc error\n") << "byte " << offset;
        ASSERT_EQ(report.partSizes, FirmwarePartSizes{});
    }
    // The same through a file, and a part byte, which the header does not cover, changes nothing.
    std::string changed = image;
    changed[20] = static_cast<char>(changed[20] ^ 0x80);
    const Reading reading = ReadBytes(changed);
    EXPECT_EQ(reading.result, -1);
    EXPECT_EQ(reading.lines, "crc error\n");
    changed = image;
    changed[kFirmwareHeaderSizeBytes + 3] = 'X';
    EXPECT_EQ(ReadBytes(changed).result, 0);
}

// Each part counts towards the sum only when its flag is set: a size left in an unflagged record is
// ignored, and a flagged size that the total does not include is reported.
TEST_F(FirmwareHeaderReaderTest, TheSumCheckCountsEachPartOnlyWhenItsFlagIsSet) {
    for (const FirmwarePartType type : {FirmwarePartType::Kernel, FirmwarePartType::Rootfs, FirmwarePartType::Uboot,
                                        FirmwarePartType::Tgz, FirmwarePartType::Oem}) {
        FirmwareImageHeader header = HeaderWithMagic("MIREX888");
        header.PartFlags = PartFlag(FirmwarePartType::Kernel);
        header.Part(FirmwarePartType::Kernel) = {1556, 50, 0};
        if (type != FirmwarePartType::Kernel) {
            header.Part(type) = {1606, 25, 0};
        }
        header.totalSize = 1556 + 50;

        Reading reading = ReadBytes(SignedImage(header, header.totalSize));
        EXPECT_EQ(reading.lines, "") << PartName(type);
        EXPECT_EQ(reading.sizes[PartIndex(type)], type == FirmwarePartType::Kernel ? 50u : 0u);

        if (type == FirmwarePartType::Kernel) {
            continue;
        }
        header.PartFlags |= PartFlag(type);
        reading = ReadBytes(SignedImage(header, header.totalSize));
        EXPECT_EQ(reading.result, 0) << PartName(type);
        EXPECT_EQ(reading.lines, "size error\n") << PartName(type);
        EXPECT_EQ(reading.sizes[PartIndex(type)], 25u) << PartName(type);

        header.totalSize += 25;
        reading = ReadBytes(SignedImage(header, header.totalSize));
        EXPECT_EQ(reading.lines, "") << PartName(type);
    }
}

TEST_F(FirmwareHeaderReaderTest, PartSizesThatWrapAroundIn32BitsDoNotPassTheSumCheck) {
    FirmwareImageHeader header = HeaderWithMagic("MIREX888");
    header.PartFlags = PartFlag(FirmwarePartType::Kernel) | PartFlag(FirmwarePartType::Rootfs);
    header.Part(FirmwarePartType::Kernel).size = 0xFFFFFFFFu;
    header.Part(FirmwarePartType::Rootfs).size = 101;
    header.totalSize = 1556 + 100;
    const Reading reading = ReadBytes(SignedImage(header, header.totalSize));
    EXPECT_EQ(reading.result, 0);
    EXPECT_EQ(reading.lines, "size error\n");
}

TEST_F(FirmwareHeaderReaderTest, MissingFilesFoldersAndPipesFailWithoutHanging) {
    const std::string missing = m_folder / "missing.bin";
    Reading reading = ReadPath(missing);
    EXPECT_EQ(reading.result, -1);
    EXPECT_EQ(reading.lines, "open file (" + missing + ") fail(No such file or directory)\n");
    EXPECT_EQ(reading.fileLength, 0u);
    EXPECT_EQ(reading.sizes, FirmwarePartSizes{});

    reading = ReadPath(m_folder.Path());
    EXPECT_EQ(reading.result, -1);
    EXPECT_EQ(reading.lines, "open file (" + m_folder.Path() + ") fail(Is a directory)\n");

    // A file where a folder should be makes the path unusable even for root.
    ASSERT_TRUE(test::WriteFile(m_folder / "plain", "x"));
    reading = ReadPath(m_folder / "plain/image.bin");
    EXPECT_EQ(reading.result, -1);
    EXPECT_EQ(reading.lines, "open file (" + m_folder / "plain/image.bin" + ") fail(Not a directory)\n");

    const std::string fifo = m_folder / "fifo";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    reading = ReadPath(fifo);
    EXPECT_EQ(reading.result, -1);
    // A pipe has no length to seek to, so it is refused like a file that cannot be opened.
    EXPECT_EQ(reading.lines, "open file (" + fifo + ") fail(Illegal seek)\n");
}

// Whatever the bytes, the reader prints at most one of its lines, and its result and outputs agree
// with what it printed. Half of the inputs get a right CRC so that the later checks run too.
TEST(FirmwareHeaderReaderFuzzTest, AnyBytesGiveAConsistentVerdict) {
    std::vector<std::string> seeds;
    {
        FirmwareImageBuilder builder;
        builder.SetPartData(FirmwarePartType::Kernel, std::string(40, 'k'));
        builder.SetPartData(FirmwarePartType::Oem, std::string(8, 'o'));
        std::string image;
        std::string error;
        builder.Build(image, error);
        seeds.push_back(image);
        builder.SetMagic("FIRMWARE");
        builder.SetPartData(FirmwarePartType::Rootfs, "root");
        builder.SetRootfsText("IPC-HX3");
        builder.Build(image, error);
        seeds.push_back(image);
        seeds.push_back(image.substr(0, 1555));
    }
    std::size_t accepted = 0;
    std::size_t validWithoutFinding = 0;
    test::RunMutations(
        seeds, 100000, 20250106,
        [&](std::string_view input) {
            std::string bytes(input);
            if (bytes.size() >= kFirmwareHeaderSizeBytes && (bytes.size() % 2) == 0) {
                FirmwareHeaderBytes raw;
                std::memcpy(raw.data(), bytes.data(), raw.size());
                std::memset(raw.data() + 8, 0, 4);
                const std::uint32_t crc = Crc32Buffer(raw.data(), raw.size());
                for (int i = 0; i < 4; ++i) {
                    bytes[8 + i] = static_cast<char>(crc >> (8 * i));
                }
            }
            // The length of the file is sometimes the input's, sometimes what the header claims.
            std::uint64_t fileLength = bytes.size();
            if (bytes.size() >= 16 && (bytes.size() % 3) == 0) {
                fileLength = static_cast<std::uint8_t>(bytes[12]) | static_cast<std::uint8_t>(bytes[13]) << 8 |
                             static_cast<std::uint8_t>(bytes[14]) << 16 |
                             static_cast<std::uint64_t>(static_cast<std::uint8_t>(bytes[15])) << 24;
            }
            std::ostringstream lines;
            const FirmwareHeaderReport report = ValidateFirmwareHeader(bytes, fileLength, lines);
            const std::string text = lines.str();
            ASSERT_LE(std::count(text.begin(), text.end(), '\n'), 1);
            ASSERT_EQ(report.result == 0, report.HeaderRead() && report.finding != FirmwareHeaderFinding::CrcError);
            if (bytes.size() < kFirmwareHeaderSizeBytes) {
                ASSERT_EQ(text, "read error\n");
                ASSERT_EQ(report.result, -1);
                return;
            }
            ASSERT_EQ(report.header.headerCrc == ComputeFirmwareHeaderCrc(report.header), report.result == 0);
            for (const FirmwarePartType type : kFirmwarePartOrder) {
                const std::uint32_t size = report.partSizes[PartIndex(type)];
                ASSERT_TRUE(size == 0 || (report.header.HasPart(type) && size == report.header.Part(type).size));
            }
            switch (report.finding) {
            case FirmwareHeaderFinding::Valid:
                ++validWithoutFinding;
                ASSERT_EQ(text, "");
                ASSERT_EQ(report.header.totalSize, fileLength);
                ASSERT_TRUE(HasAcceptedMagic(report.header));
                break;
            case FirmwareHeaderFinding::CrcError:
                ASSERT_EQ(text, "crc error\n");
                break;
            case FirmwareHeaderFinding::FileSizeError:
                ASSERT_EQ(text.rfind("size error(header->file_size = ", 0), 0u);
                ASSERT_EQ(report.partSizes, FirmwarePartSizes{});
                break;
            case FirmwareHeaderFinding::MagicError:
                ASSERT_EQ(text, "magic number error\n");
                ASSERT_EQ(report.partSizes, FirmwarePartSizes{});
                break;
            case FirmwareHeaderFinding::PartSizeError:
                ASSERT_EQ(text, "size error\n");
                break;
            default:
                FAIL() << "unexpected finding for " << bytes.size() << " bytes";
            }
            accepted += report.result == 0 ? 1 : 0;
        },
        8192);
    // The later checks must really have been reached, not only the CRC check.
    EXPECT_GT(accepted, 1000u);
    EXPECT_GT(validWithoutFinding, 10u);
}

// Files of any length and content through the whole reader, including the file system calls.
TEST_F(FirmwareHeaderReaderTest, AnyFileContentIsReadWithoutHarm) {
    FirmwareImageBuilder builder;
    builder.SetPartData(FirmwarePartType::Tgz, std::string(100, 't'));
    const std::vector<std::string> seeds = {BuildImage(builder), std::string(1556, '\0'), std::string()};
    const std::string path = m_folder / "fuzz.bin";
    test::RunMutations(
        seeds, 500, 7,
        [&](std::string_view input) {
            ASSERT_TRUE(test::WriteFile(path, std::string(input)));
            const Reading reading = ReadPath(path);
            ASSERT_EQ(reading.fileLength, input.size());
            ASSERT_EQ(reading.result == -1, input.size() < kFirmwareHeaderSizeBytes ||
                                                reading.header.headerCrc != ComputeFirmwareHeaderCrc(reading.header));
        },
        4096);
}

} // namespace
} // namespace zk::firmware

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "firmware/FirmwareImageHeader.h"

#include <array>
#include <cstdint>
#include <iostream>
#include <string>
#include <string_view>

// Reading and validating the header of a firmware image file. Only the header's 1556 bytes are read.
// Findings are single lines written to the given stream (standard output unless a caller passes
// another), in the words that installers and scripts know:
//   "open file (<path>) fail(<system error text>)", "read error", "crc error",
//   "size error(header->file_size = <header total size>, total_size = <file length>",
//   "magic number error", "size error".
// Every function may be called from any thread; none keeps state between calls. Sizes are bytes.
namespace zk::firmware {

// The size of each present part, indexed by PartIndex; 0 for an absent one.
using FirmwarePartSizes = std::array<std::uint32_t, kFirmwarePartCount>;

// What the checks found; the first three reject the file, the last three are only reported.
enum class FirmwareHeaderFinding {
    Valid,
    OpenFailed,
    ReadError,
    CrcError,
    FileSizeError,
    MagicError,
    PartSizeError,
};

// The outcome of reading one header.
struct FirmwareHeaderReport {
    // 0 when the header was read and its CRC is right, else -1.
    int result = -1;
    FirmwareHeaderFinding finding = FirmwareHeaderFinding::OpenFailed;
    // The bytes read, stored CRC in place; all zero unless 1556 bytes arrived.
    FirmwareImageHeader header;
    std::uint64_t fileLength = 0;
    // Reported only when the total size and the magic passed, and only for flagged parts.
    FirmwarePartSizes partSizes{};

    bool HeaderRead() const {
        return finding != FirmwareHeaderFinding::OpenFailed && finding != FirmwareHeaderFinding::ReadError;
    }
};

// Reads the header of the file at path (a narrow path as the file system spells it) and checks it
// in this order: the file opens (a folder does not), 1556 bytes can be read, the header CRC is
// right; then, only reported, the total size against the file length, the magic, and the sum of the
// flagged parts' sizes against the total size. Returns 0 when the header was read and its CRC is
// right, even after a size or magic line; -1 otherwise. Every size output is set to 0 first.
int ReadFirmwareHeader(const std::string& path, FirmwareImageHeader& header, std::uint64_t& fileLength,
                       std::uint32_t& kernelSize, std::uint32_t& rootfsSize, std::uint32_t& ubootSize,
                       std::uint32_t& tgzSize, std::uint32_t& oemSize, std::ostream& output = std::cout);

// The same reading and lines, with the finding told apart.
FirmwareHeaderReport InspectFirmwareHeader(const std::string& path, std::ostream& output = std::cout);

// The checks after the file is read, on the bytes at the start of a file of fileLength bytes: fewer
// than 1556 bytes is a read error; bytes past the header are ignored.
FirmwareHeaderReport ValidateFirmwareHeader(std::string_view headerBytes, std::uint64_t fileLength,
                                            std::ostream& output = std::cout);

} // namespace zk::firmware

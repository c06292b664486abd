// SPDX-License-Identifier: GPL-3.0-or-later
// Firmware image headers come from files of any origin: any bytes and any file length must give
// one consistent verdict. The first byte picks whether the header is re-signed, so that the checks
// after the CRC are reached, and whether the file length is the input's or the header's claim.
#include "firmware/Crc32.h"
#include "firmware/FirmwareHeaderReader.h"

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zk::firmware;
    if (size == 0) {
        return 0;
    }
    const std::uint8_t mode = data[0];
    std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    if ((mode & 1) != 0 && bytes.size() >= kFirmwareHeaderSizeBytes) {
        FirmwareHeaderBytes raw;
        std::memcpy(raw.data(), bytes.data(), raw.size());
        std::memset(raw.data() + layout::kHeaderCrc, 0, layout::kU32);
        const std::uint32_t crc = Crc32Buffer(raw.data(), raw.size());
        for (std::size_t i = 0; i < layout::kU32; ++i) {
            bytes[layout::kHeaderCrc + i] = static_cast<char>(crc >> (8 * i));
        }
    }
    std::uint64_t fileLength = bytes.size();
    if ((mode & 2) != 0 && bytes.size() >= kFirmwareHeaderSizeBytes) {
        std::uint64_t claimed = 0;
        for (std::size_t i = 0; i < layout::kU32; ++i) {
            claimed |= static_cast<std::uint64_t>(static_cast<std::uint8_t>(bytes[layout::kTotalSize + i])) << (8 * i);
        }
        fileLength = claimed;
    }

    std::ostringstream lines;
    const FirmwareHeaderReport report = ValidateFirmwareHeader(bytes, fileLength, lines);
    const std::string text = lines.str();
    std::size_t lineCount = 0;
    for (const char c : text) {
        lineCount += c == '\n' ? 1 : 0;
    }
    const bool crcRight =
        bytes.size() >= kFirmwareHeaderSizeBytes && report.header.headerCrc == ComputeFirmwareHeaderCrc(report.header);
    if (lineCount > 1 || (report.result == 0) != crcRight) {
        std::abort();
    }
    for (const FirmwarePartType type : kFirmwarePartOrder) {
        const std::uint32_t partSize = report.partSizes[PartIndex(type)];
        if (partSize != 0 && (!report.header.HasPart(type) || partSize != report.header.Part(type).size)) {
            std::abort();
        }
    }
    if (report.finding == FirmwareHeaderFinding::Valid &&
        (!text.empty() || report.header.totalSize != fileLength || !HasAcceptedMagic(report.header))) {
        std::abort();
    }
    return 0;
}

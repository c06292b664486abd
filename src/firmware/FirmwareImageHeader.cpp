// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/FirmwareImageHeader.h"

#include "firmware/Crc32.h"

#include <algorithm>
#include <cstring>

namespace zk::firmware {
namespace {

void StoreLe32(FirmwareHeaderBytes& bytes, std::size_t offset, std::uint32_t value) {
    bytes[offset] = static_cast<std::uint8_t>(value);
    bytes[offset + 1] = static_cast<std::uint8_t>(value >> 8);
    bytes[offset + 2] = static_cast<std::uint8_t>(value >> 16);
    bytes[offset + 3] = static_cast<std::uint8_t>(value >> 24);
}

std::uint32_t LoadLe32(const FirmwareHeaderBytes& bytes, std::size_t offset) {
    return static_cast<std::uint32_t>(bytes[offset]) | static_cast<std::uint32_t>(bytes[offset + 1]) << 8 |
           static_cast<std::uint32_t>(bytes[offset + 2]) << 16 | static_cast<std::uint32_t>(bytes[offset + 3]) << 24;
}

} // namespace

std::string_view PartName(FirmwarePartType type) {
    switch (type) {
    case FirmwarePartType::Kernel:
        return "kernel";
    case FirmwarePartType::Rootfs:
        return "rootfs";
    case FirmwarePartType::Uboot:
        return "uboot";
    case FirmwarePartType::Tgz:
        return "tgz";
    case FirmwarePartType::Oem:
        return "oem";
    }
    return "unknown";
}

FirmwareHeaderBytes EncodeFirmwareHeader(const FirmwareImageHeader& header) {
    FirmwareHeaderBytes bytes{};
    std::memcpy(bytes.data() + layout::kMagic, header.magic.data(), kFirmwareMagicBytes);
    StoreLe32(bytes, layout::kHeaderCrc, header.headerCrc);
    StoreLe32(bytes, layout::kTotalSize, header.totalSize);
    StoreLe32(bytes, layout::kPartFlags, header.PartFlags);
    for (std::size_t i = 0; i < kFirmwarePartCount; ++i) {
        StoreLe32(bytes, layout::kPartFields[i].start, header.parts[i].start);
        StoreLe32(bytes, layout::kPartFields[i].size, header.parts[i].size);
        StoreLe32(bytes, layout::kPartFields[i].crc, header.parts[i].crc);
    }
    std::memcpy(bytes.data() + layout::kKernelText, header.kernelText, kFirmwareTextFieldBytes);
    std::memcpy(bytes.data() + layout::kRootfsText, header.rootfsText, kFirmwareTextFieldBytes);
    std::copy(header.reserved.begin(), header.reserved.end(), bytes.begin() + layout::kReserved);
    std::copy(header.reservedTail.begin(), header.reservedTail.end(), bytes.begin() + layout::kReservedTail);
    return bytes;
}

FirmwareImageHeader DecodeFirmwareHeader(const FirmwareHeaderBytes& bytes) {
    FirmwareImageHeader header;
    std::memcpy(header.magic.data(), bytes.data() + layout::kMagic, kFirmwareMagicBytes);
    header.headerCrc = LoadLe32(bytes, layout::kHeaderCrc);
    header.totalSize = LoadLe32(bytes, layout::kTotalSize);
    header.PartFlags = LoadLe32(bytes, layout::kPartFlags);
    for (std::size_t i = 0; i < kFirmwarePartCount; ++i) {
        header.parts[i].start = LoadLe32(bytes, layout::kPartFields[i].start);
        header.parts[i].size = LoadLe32(bytes, layout::kPartFields[i].size);
        header.parts[i].crc = LoadLe32(bytes, layout::kPartFields[i].crc);
    }
    std::memcpy(header.kernelText, bytes.data() + layout::kKernelText, kFirmwareTextFieldBytes);
    std::memcpy(header.rootfsText, bytes.data() + layout::kRootfsText, kFirmwareTextFieldBytes);
    const auto reserved = bytes.begin() + layout::kReserved;
    std::copy(reserved, reserved + layout::kReservedBytes, header.reserved.begin());
    const auto tail = bytes.begin() + layout::kReservedTail;
    std::copy(tail, tail + layout::kReservedTailBytes, header.reservedTail.begin());
    return header;
}

std::uint32_t ComputeFirmwareHeaderCrc(const FirmwareImageHeader& header) {
    FirmwareImageHeader copy = header;
    copy.headerCrc = 0;
    const FirmwareHeaderBytes bytes = EncodeFirmwareHeader(copy);
    return Crc32Buffer(bytes.data(), bytes.size());
}

bool HasAcceptedMagic(const FirmwareImageHeader& header) {
    const std::string_view magic(header.magic.data(), header.magic.size());
    return magic == kFirmwareMagic || magic == kFirmwareMagicAlternative;
}

} // namespace zk::firmware

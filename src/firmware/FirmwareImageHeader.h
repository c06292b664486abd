// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

// The fixed 1556-byte header at the start of a firmware image file. It names which of the five
// parts (kernel, root file system, boot loader, archive, customisation blob) the file carries, where
// each lies, its size and CRC-32, and protects itself with a CRC-32 over all its bytes. Integers are
// unsigned 32-bit little-endian on disk; offsets and sizes are bytes. Every function here is pure
// and may be called from any thread.
namespace zk::firmware {

inline constexpr std::size_t kFirmwareHeaderSizeBytes = 1556;
inline constexpr std::size_t kFirmwareMagicBytes = 8;
inline constexpr std::size_t kFirmwareTextFieldBytes = 256;
// A text field keeps at least one terminating NUL.
inline constexpr std::size_t kFirmwareTextMaxBytes = kFirmwareTextFieldBytes - 1;

// The magic a builder writes, and the older one that readers accept as well.
inline constexpr std::string_view kFirmwareMagic = "MIREX888";
inline constexpr std::string_view kFirmwareMagicAlternative = "FIRMWARE";

// The parts' flag bits in `PartFlags`; the same values are the part type codes.
enum class FirmwarePartType : std::uint32_t {
    Kernel = 0x01,
    Rootfs = 0x02,
    Uboot = 0x04,
    Tgz = 0x08,
    Oem = 0x10,
};

inline constexpr std::size_t kFirmwarePartCount = 5;
// The order in which parts follow the header and in which their sizes are summed.
inline constexpr std::array<FirmwarePartType, kFirmwarePartCount> kFirmwarePartOrder = {
    FirmwarePartType::Kernel, FirmwarePartType::Rootfs, FirmwarePartType::Uboot, FirmwarePartType::Tgz,
    FirmwarePartType::Oem};

// Position of a part in kFirmwarePartOrder and in FirmwareImageHeader::parts.
constexpr std::size_t PartIndex(FirmwarePartType type) {
    switch (type) {
    case FirmwarePartType::Kernel:
        return 0;
    case FirmwarePartType::Rootfs:
        return 1;
    case FirmwarePartType::Uboot:
        return 2;
    case FirmwarePartType::Tgz:
        return 3;
    case FirmwarePartType::Oem:
        return 4;
    }
    return 0;
}

constexpr std::uint32_t PartFlag(FirmwarePartType type) {
    return static_cast<std::uint32_t>(type);
}

// Lower-case short name of a part ("kernel", "rootfs", "uboot", "tgz", "oem").
std::string_view PartName(FirmwarePartType type);

// Byte offsets of every header field. The kernel record is start, size, CRC, text; the root file
// system record is start, size, text, CRC; the other three records have no text.
namespace layout {
inline constexpr std::size_t kMagic = 0;
inline constexpr std::size_t kHeaderCrc = 8;
inline constexpr std::size_t kTotalSize = 12;
inline constexpr std::size_t kPartFlags = 16;
inline constexpr std::size_t kKernelStart = 20;
inline constexpr std::size_t kKernelSize = 24;
inline constexpr std::size_t kKernelCrc = 28;
inline constexpr std::size_t kKernelText = 32;
inline constexpr std::size_t kRootfsStart = 288;
inline constexpr std::size_t kRootfsSize = 292;
inline constexpr std::size_t kRootfsText = 296;
inline constexpr std::size_t kRootfsCrc = 552;
inline constexpr std::size_t kUbootStart = 556;
inline constexpr std::size_t kUbootSize = 560;
inline constexpr std::size_t kUbootCrc = 564;
inline constexpr std::size_t kTgzStart = 568;
inline constexpr std::size_t kTgzSize = 572;
inline constexpr std::size_t kTgzCrc = 576;
inline constexpr std::size_t kOemStart = 580;
inline constexpr std::size_t kOemSize = 584;
inline constexpr std::size_t kOemCrc = 588;
inline constexpr std::size_t kReserved = 592;
inline constexpr std::size_t kReservedBytes = 4;
inline constexpr std::size_t kReservedTail = 596;
inline constexpr std::size_t kReservedTailBytes = 960;

inline constexpr std::size_t kU32 = 4;

// Each field begins where the one before it ends, and the last ends at the header's size.
static_assert(kMagic == 0 && kHeaderCrc == kMagic + kFirmwareMagicBytes);
static_assert(kTotalSize == kHeaderCrc + kU32 && kPartFlags == kTotalSize + kU32);
static_assert(kKernelStart == kPartFlags + kU32 && kKernelSize == kKernelStart + kU32);
static_assert(kKernelCrc == kKernelSize + kU32 && kKernelText == kKernelCrc + kU32);
static_assert(kRootfsStart == kKernelText + kFirmwareTextFieldBytes && kRootfsSize == kRootfsStart + kU32);
static_assert(kRootfsText == kRootfsSize + kU32 && kRootfsCrc == kRootfsText + kFirmwareTextFieldBytes);
static_assert(kUbootStart == kRootfsCrc + kU32 && kUbootSize == kUbootStart + kU32 && kUbootCrc == kUbootSize + kU32);
static_assert(kTgzStart == kUbootCrc + kU32 && kTgzSize == kTgzStart + kU32 && kTgzCrc == kTgzSize + kU32);
static_assert(kOemStart == kTgzCrc + kU32 && kOemSize == kOemStart + kU32 && kOemCrc == kOemSize + kU32);
static_assert(kReserved == kOemCrc + kU32 && kReservedTail == kReserved + kReservedBytes);
static_assert(kReservedTail + kReservedTailBytes == kFirmwareHeaderSizeBytes);
// The published offsets themselves, so that a slip in the chain above cannot move them all.
static_assert(kKernelText == 32 && kRootfsStart == 288 && kRootfsText == 296 && kRootfsCrc == 552);
static_assert(kUbootStart == 556 && kTgzStart == 568 && kOemStart == 580 && kReservedTail == 596);
static_assert(kFirmwareHeaderSizeBytes == 1556);

// Start, size and CRC offsets of each part's record, in kFirmwarePartOrder.
struct PartFieldOffsets {
    std::size_t start;
    std::size_t size;
    std::size_t crc;
};
inline constexpr std::array<PartFieldOffsets, kFirmwarePartCount> kPartFields = {{
    {kKernelStart, kKernelSize, kKernelCrc},
    {kRootfsStart, kRootfsSize, kRootfsCrc},
    {kUbootStart, kUbootSize, kUbootCrc},
    {kTgzStart, kTgzSize, kTgzCrc},
    {kOemStart, kOemSize, kOemCrc},
}};
} // namespace layout

// Where one part lies in the file: start offset and size in bytes, and the CRC-32 of its bytes.
struct FirmwarePartRecord {
    std::uint32_t start = 0;
    std::uint32_t size = 0;
    std::uint32_t crc = 0;

    friend bool operator==(const FirmwarePartRecord&, const FirmwarePartRecord&) = default;
};

// The header's fields in host form. Text fields hold code page 936 bytes, NUL-padded; the reserved
// bytes are kept so that a decoded header encodes back to exactly the bytes it came from.
struct FirmwareImageHeader {
    std::array<char, kFirmwareMagicBytes> magic{};
    std::uint32_t headerCrc = 0;
    std::uint32_t totalSize = 0;
    std::uint32_t PartFlags = 0;
    // Indexed by PartIndex, in kFirmwarePartOrder.
    std::array<FirmwarePartRecord, kFirmwarePartCount> parts{};
    char kernelText[kFirmwareTextFieldBytes] = {};
    char rootfsText[kFirmwareTextFieldBytes] = {};
    std::array<std::uint8_t, layout::kReservedBytes> reserved{};
    std::array<std::uint8_t, layout::kReservedTailBytes> reservedTail{};

    FirmwarePartRecord& Part(FirmwarePartType type) { return parts[PartIndex(type)]; }
    const FirmwarePartRecord& Part(FirmwarePartType type) const { return parts[PartIndex(type)]; }
    bool HasPart(FirmwarePartType type) const { return (PartFlags & PartFlag(type)) != 0; }

    friend bool operator==(const FirmwareImageHeader&, const FirmwareImageHeader&) = default;
};

using FirmwareHeaderBytes = std::array<std::uint8_t, kFirmwareHeaderSizeBytes>;

// The header's 1556 on-disk bytes, integers written as little-endian bytes.
FirmwareHeaderBytes EncodeFirmwareHeader(const FirmwareImageHeader& header);

// The fields of 1556 on-disk bytes; every byte pattern decodes.
FirmwareImageHeader DecodeFirmwareHeader(const FirmwareHeaderBytes& bytes);

// The CRC-32 of the encoded header with its CRC field set to 0, whatever the field holds.
std::uint32_t ComputeFirmwareHeaderCrc(const FirmwareImageHeader& header);

// True when the magic is one of the two accepted values (all eight bytes compared).
bool HasAcceptedMagic(const FirmwareImageHeader& header);

} // namespace zk::firmware

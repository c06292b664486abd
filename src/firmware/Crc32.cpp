// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/Crc32.h"

#include <array>

namespace zk::firmware {
namespace {

constexpr std::uint32_t kCrc32Polynomial = 0xEDB88320u;

constexpr std::array<std::uint32_t, 256> MakeTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit) {
            value = (value & 1u) != 0 ? (value >> 1) ^ kCrc32Polynomial : value >> 1;
        }
        table[i] = value;
    }
    return table;
}

constexpr std::array<std::uint32_t, 256> kTable = MakeTable();
static_assert(kTable[1] == 0x77073096u && kTable[255] == 0x2D02EF8Du);

} // namespace

std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::size_t length) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    // The stored value is the inverted register, so undo the inversion to go on from it.
    std::uint32_t reg = ~crc;
    for (std::size_t i = 0; i < length; ++i) {
        reg = kTable[(reg ^ bytes[i]) & 0xFFu] ^ (reg >> 8);
    }
    return ~reg;
}

std::uint32_t Crc32Buffer(const void* data, std::size_t length) {
    return Crc32Update(0, data, length);
}

} // namespace zk::firmware

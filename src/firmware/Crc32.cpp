// SPDX-License-Identifier: GPL-3.0-or-later
#include "firmware/Crc32.h"

#include <array>
#include <bit>
#include <cstring>

namespace zk::firmware {
namespace {

constexpr std::uint32_t kCrc32Polynomial = 0xEDB88320u;

// Eight tables: table k gives the CRC contribution of a byte followed by k zero bytes, so eight
// bytes are folded in with eight independent lookups instead of eight dependent steps.
using Tables = std::array<std::array<std::uint32_t, 256>, 8>;

constexpr Tables MakeTables() {
    Tables tables{};
    for (std::uint32_t i = 0; i < 256; ++i) {
        std::uint32_t value = i;
        for (int bit = 0; bit < 8; ++bit) {
            value = (value & 1u) != 0 ? (value >> 1) ^ kCrc32Polynomial : value >> 1;
        }
        tables[0][i] = value;
    }
    for (std::size_t k = 1; k < tables.size(); ++k) {
        for (std::uint32_t i = 0; i < 256; ++i) {
            const std::uint32_t previous = tables[k - 1][i];
            tables[k][i] = (previous >> 8) ^ tables[0][previous & 0xFFu];
        }
    }
    return tables;
}

constexpr Tables kTables = MakeTables();
static_assert(kTables[0][1] == 0x77073096u && kTables[0][255] == 0x2D02EF8Du);

std::uint32_t UpdateBytewise(std::uint32_t reg, const std::uint8_t* bytes, std::size_t length) {
    for (std::size_t i = 0; i < length; ++i) {
        reg = kTables[0][(reg ^ bytes[i]) & 0xFFu] ^ (reg >> 8);
    }
    return reg;
}

} // namespace

std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::size_t length) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    // The stored value is the inverted register, so undo the inversion to go on from it.
    std::uint32_t reg = ~crc;
    if constexpr (std::endian::native == std::endian::little) {
        for (; length >= 8; bytes += 8, length -= 8) {
            std::uint32_t low = 0;
            std::uint32_t high = 0;
            std::memcpy(&low, bytes, 4);
            std::memcpy(&high, bytes + 4, 4);
            low ^= reg;
            reg = kTables[7][low & 0xFFu] ^ kTables[6][(low >> 8) & 0xFFu] ^ kTables[5][(low >> 16) & 0xFFu] ^
                  kTables[4][low >> 24] ^ kTables[3][high & 0xFFu] ^ kTables[2][(high >> 8) & 0xFFu] ^
                  kTables[1][(high >> 16) & 0xFFu] ^ kTables[0][high >> 24];
        }
    }
    return ~UpdateBytewise(reg, bytes, length);
}

std::uint32_t Crc32UpdateBytewise(std::uint32_t crc, const void* data, std::size_t length) {
    return ~UpdateBytewise(~crc, static_cast<const std::uint8_t*>(data), length);
}

std::uint32_t Crc32Buffer(const void* data, std::size_t length) {
    return Crc32Update(0, data, length);
}

} // namespace zk::firmware

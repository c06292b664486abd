// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

// The CRC-32 of IEEE 802.3 (reflected polynomial 0xEDB88320, register preset to 0xFFFFFFFF, result
// inverted), as firmware images carry it for their header and every part. Pure; any thread.
namespace zk::firmware {

// The CRC-32 of length bytes at data; 0 for an empty block ("123456789" gives 0xCBF43926).
std::uint32_t Crc32Buffer(const void* data, std::size_t length);

// Continues a CRC over a further block: Crc32Update(Crc32Buffer(a), b) == Crc32Buffer(a + b), and
// Crc32Update(0, b) == Crc32Buffer(b). Lets large parts be checked as they stream by.
std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::size_t length);

// The same result one byte per step, the plain table method: the yardstick the eight-byte method
// of Crc32Update is checked and measured against.
std::uint32_t Crc32UpdateBytewise(std::uint32_t crc, const void* data, std::size_t length);

} // namespace zk::firmware

// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/CTag.h"

namespace zk::audio {

CTag::CTag(const QString& name, const QString& version, qint64 offset, qint64 size)
    : m_name(name), m_version(version), m_offset(offset), m_size(size) {}

std::uint32_t CTag::ReadLittleEndian32(const std::uint8_t* bytes) {
    return std::uint32_t{bytes[0]} | std::uint32_t{bytes[1]} << 8 | std::uint32_t{bytes[2]} << 16 |
           std::uint32_t{bytes[3]} << 24;
}

bool CTag::ReadSyncSafe32(const std::uint8_t* bytes, qint64& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
        if (bytes[i] & 0x80) {
            return false;
        }
        value = value << 7 | bytes[i];
    }
    return true;
}

} // namespace zk::audio

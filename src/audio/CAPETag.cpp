// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/CAPETag.h"

#include "audio/CMPAStream.h"

#include <algorithm>
#include <cstring>

namespace zk::audio {
namespace {

constexpr std::uint32_t kHasHeaderFlag = 0x80000000u;

} // namespace

CAPETag::CAPETag(const QString& version, qint64 offset, qint64 size, int itemCount)
    : CTag(QStringLiteral("APE"), version, offset, size), m_itemCount(itemCount) {}

std::unique_ptr<CAPETag> CAPETag::Find(CMPAStream& stream, qint64 begin, qint64 end, bool atEnd) {
    if (end - begin < kFooterBytes) {
        return nullptr;
    }
    const std::uint8_t* bytes = stream.ReadBytes(atEnd ? end - kFooterBytes : begin, kFooterBytes);
    if (std::memcmp(bytes, "APETAGEX", 8) != 0) {
        return nullptr;
    }
    const std::uint32_t version = ReadLittleEndian32(bytes + 8);
    // The stored size counts the items and the footer but not the header.
    const qint64 storedSize = ReadLittleEndian32(bytes + 12);
    const std::uint32_t itemCount = ReadLittleEndian32(bytes + 16);
    const std::uint32_t flags = ReadLittleEndian32(bytes + 20);
    if (storedSize < kFooterBytes) {
        return nullptr;
    }
    const bool hasHeader = !atEnd || (flags & kHasHeaderFlag) != 0;
    const qint64 size = storedSize + (hasHeader ? kFooterBytes : 0);
    if (size > end - begin) {
        return nullptr;
    }
    const QString versionText = QStringLiteral("%1.%2").arg(version / 1000).arg(version % 1000 / 100);
    return std::unique_ptr<CAPETag>(
        new CAPETag(versionText, atEnd ? end - size : begin, size, static_cast<int>(std::min(itemCount, 0x7FFFFFFFu))));
}

} // namespace zk::audio

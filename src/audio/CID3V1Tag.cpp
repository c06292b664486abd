// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/CID3V1Tag.h"

#include "audio/CMPAStream.h"

#include <cstring>

namespace zk::audio {

CID3V1Tag::CID3V1Tag(const QString& version, qint64 offset) : CTag(QStringLiteral("ID3"), version, offset, kTagBytes) {}

std::unique_ptr<CID3V1Tag> CID3V1Tag::Find(CMPAStream& stream, qint64 begin, qint64 end, bool atEnd) {
    if (!atEnd || end - begin < kTagBytes) {
        return nullptr;
    }
    const qint64 offset = end - kTagBytes;
    const std::uint8_t* bytes = stream.ReadBytes(offset, kTagBytes);
    if (std::memcmp(bytes, "TAG", 3) != 0) {
        return nullptr;
    }
    // Version 1.1 ends the comment with a zero byte followed by the track number.
    const bool hasTrack = bytes[125] == 0 && bytes[126] != 0;
    return std::unique_ptr<CID3V1Tag>(new CID3V1Tag(hasTrack ? QStringLiteral("1.1") : QStringLiteral("1.0"), offset));
}

} // namespace zk::audio

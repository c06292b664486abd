// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/CID3V2Tag.h"

#include "audio/CMPAStream.h"

#include <cstring>

namespace zk::audio {
namespace {

constexpr int kFooterFlag = 0x10;

} // namespace

CID3V2Tag::CID3V2Tag(const QString& version, qint64 offset, qint64 size, bool hasFooter)
    : CTag(QStringLiteral("ID3"), version, offset, size), m_hasFooter(hasFooter) {}

bool CID3V2Tag::ReadHeader(const std::uint8_t* bytes, const char* id, int& major, int& revision, int& flags,
                           qint64& bodySize) {
    if (std::memcmp(bytes, id, 3) != 0 || bytes[3] == 0xFF || bytes[4] == 0xFF) {
        return false;
    }
    major = bytes[3];
    revision = bytes[4];
    flags = bytes[5];
    return ReadSyncSafe32(bytes + 6, bodySize);
}

std::unique_ptr<CID3V2Tag> CID3V2Tag::Find(CMPAStream& stream, qint64 begin, qint64 end, bool atEnd) {
    int major = 0;
    int revision = 0;
    int flags = 0;
    qint64 bodySize = 0;
    if (!atEnd) {
        if (end - begin < kHeaderBytes ||
            !ReadHeader(stream.ReadBytes(begin, kHeaderBytes), "ID3", major, revision, flags, bodySize)) {
            return nullptr;
        }
        const bool hasFooter = (flags & kFooterFlag) != 0;
        const qint64 size = kHeaderBytes + bodySize + (hasFooter ? kHeaderBytes : 0);
        if (size > end - begin) {
            return nullptr;
        }
        return std::unique_ptr<CID3V2Tag>(
            new CID3V2Tag(QStringLiteral("2.%1.%2").arg(major).arg(revision), begin, size, hasFooter));
    }

    // Only a tag with a footer can be found from its end; its header must confirm the footer.
    if (end - begin < 2 * kHeaderBytes ||
        !ReadHeader(stream.ReadBytes(end - kHeaderBytes, kHeaderBytes), "3DI", major, revision, flags, bodySize)) {
        return nullptr;
    }
    const qint64 size = bodySize + 2 * kHeaderBytes;
    if (size > end - begin) {
        return nullptr;
    }
    int headerMajor = 0;
    int headerRevision = 0;
    int headerFlags = 0;
    qint64 headerBodySize = 0;
    if (!ReadHeader(stream.ReadBytes(end - size, kHeaderBytes), "ID3", headerMajor, headerRevision, headerFlags,
                    headerBodySize) ||
        headerBodySize != bodySize) {
        return nullptr;
    }
    return std::unique_ptr<CID3V2Tag>(
        new CID3V2Tag(QStringLiteral("2.%1.%2").arg(major).arg(revision), end - size, size, true));
}

} // namespace zk::audio

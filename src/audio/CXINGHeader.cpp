// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/CXINGHeader.h"

#include "audio/CMPAException.h"
#include "audio/CMPAFrameRef.h"
#include "audio/CMPAStream.h"

#include <cstring>

namespace zk::audio {
namespace {

constexpr std::uint32_t kFramesFlag = 0x1;
constexpr std::uint32_t kBytesFlag = 0x2;
constexpr std::uint32_t kTOCFlag = 0x4;
constexpr std::uint32_t kQualityFlag = 0x8;
constexpr qint64 kIdAndFlagsBytes = 8;

} // namespace

CXINGHeader::CXINGHeader(const QString& name, qint64 offset, std::uint32_t flags, std::uint32_t frames,
                         std::uint32_t bytes, std::vector<std::uint32_t> toc, int quality)
    : CVBRHeader(name, offset, frames, bytes, std::move(toc)), m_flags(flags), m_quality(quality) {}

std::unique_ptr<CXINGHeader> CXINGHeader::Find(CMPAStream& stream, const CMPAFrameRef& frame) {
    const qint64 offset = frame.GetOffset() + CMPAFrameHeader::kHeaderBytes + frame.GetHeader().GetSideInfoSize();
    if (offset + kIdAndFlagsBytes > frame.GetEnd()) {
        return nullptr;
    }
    const std::uint8_t* bytes = stream.ReadBytes(offset, kIdAndFlagsBytes);
    const bool xing = std::memcmp(bytes, "Xing", 4) == 0;
    if (!xing && std::memcmp(bytes, "Info", 4) != 0) {
        return nullptr;
    }
    const std::uint32_t flags = ReadBigEndian(bytes + 4, 4);
    const qint64 fieldsBytes = ((flags & kFramesFlag) ? 4 : 0) + ((flags & kBytesFlag) ? 4 : 0) +
                               ((flags & kTOCFlag) ? kTOCEntries : 0) + ((flags & kQualityFlag) ? 4 : 0);
    if (offset + kIdAndFlagsBytes + fieldsBytes > frame.GetEnd()) {
        throw CMPAException(CMPAException::Error::IncompleteVBRHeader, stream.GetFileName());
    }
    const std::uint8_t* field = stream.ReadBytes(offset + kIdAndFlagsBytes, fieldsBytes);
    std::uint32_t frames = 0;
    std::uint32_t byteCount = 0;
    std::vector<std::uint32_t> toc;
    int quality = -1;
    if (flags & kFramesFlag) {
        frames = ReadBigEndian(field, 4);
        field += 4;
    }
    if (flags & kBytesFlag) {
        byteCount = ReadBigEndian(field, 4);
        field += 4;
    }
    if (flags & kTOCFlag) {
        toc.assign(field, field + kTOCEntries);
        field += kTOCEntries;
    }
    if (flags & kQualityFlag) {
        quality = static_cast<int>(ReadBigEndian(field, 4));
    }
    return std::unique_ptr<CXINGHeader>(new CXINGHeader(xing ? QStringLiteral("Xing") : QStringLiteral("Info"), offset,
                                                        flags, frames, byteCount, std::move(toc), quality));
}

} // namespace zk::audio

// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/CVBRIHeader.h"

#include "audio/CMPAException.h"
#include "audio/CMPAFrameRef.h"
#include "audio/CMPAStream.h"

#include <cstring>

namespace zk::audio {
namespace {

// "VBRI", version, delay, quality, bytes, frames, table entries, table scale, entry size, frames
// per entry.
constexpr qint64 kFixedBytes = 26;

} // namespace

CVBRIHeader::CVBRIHeader(qint64 offset, std::uint32_t frames, std::uint32_t bytes, std::vector<std::uint32_t> toc,
                         const Fields& fields)
    : CVBRHeader(QStringLiteral("VBRI"), offset, frames, bytes, std::move(toc)), m_version(fields.version),
      m_delay(fields.delay), m_quality(fields.quality), m_tocScale(fields.tocScale),
      m_tocEntrySize(fields.tocEntrySize), m_framesPerTocEntry(fields.framesPerTocEntry) {}

std::unique_ptr<CVBRIHeader> CVBRIHeader::Find(CMPAStream& stream, const CMPAFrameRef& frame) {
    const qint64 offset = frame.GetOffset() + kOffsetInFrame;
    if (offset + 4 > frame.GetEnd() || std::memcmp(stream.ReadBytes(offset, 4), "VBRI", 4) != 0) {
        return nullptr;
    }
    auto incomplete = [&stream] {
        return CMPAException(CMPAException::Error::IncompleteVBRHeader, stream.GetFileName());
    };
    if (offset + kFixedBytes > frame.GetEnd()) {
        throw incomplete();
    }
    const std::uint8_t* bytes = stream.ReadBytes(offset, kFixedBytes);
    Fields fields;
    fields.version = static_cast<int>(ReadBigEndian(bytes + 4, 2));
    fields.delay = static_cast<int>(ReadBigEndian(bytes + 6, 2));
    fields.quality = static_cast<int>(ReadBigEndian(bytes + 8, 2));
    const std::uint32_t byteCount = ReadBigEndian(bytes + 10, 4);
    const std::uint32_t frames = ReadBigEndian(bytes + 14, 4);
    const int entries = static_cast<int>(ReadBigEndian(bytes + 18, 2));
    fields.tocScale = static_cast<int>(ReadBigEndian(bytes + 20, 2));
    fields.tocEntrySize = static_cast<int>(ReadBigEndian(bytes + 22, 2));
    fields.framesPerTocEntry = static_cast<int>(ReadBigEndian(bytes + 24, 2));
    if (fields.tocEntrySize < 1 || fields.tocEntrySize > 4 ||
        offset + kFixedBytes + qint64{entries} * fields.tocEntrySize > frame.GetEnd()) {
        throw incomplete();
    }
    const std::uint8_t* table = stream.ReadBytes(offset + kFixedBytes, qint64{entries} * fields.tocEntrySize);
    std::vector<std::uint32_t> toc(static_cast<std::size_t>(entries));
    for (int i = 0; i < entries; ++i) {
        toc[static_cast<std::size_t>(i)] = ReadBigEndian(table + i * fields.tocEntrySize, fields.tocEntrySize);
    }
    return std::unique_ptr<CVBRIHeader>(new CVBRIHeader(offset, frames, byteCount, std::move(toc), fields));
}

} // namespace zk::audio

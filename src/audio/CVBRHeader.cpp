// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/CVBRHeader.h"

#include "audio/CMPAException.h"
#include "audio/CMPAStream.h"
#include "audio/CVBRIHeader.h"
#include "audio/CXINGHeader.h"

namespace zk::audio {

CVBRHeader::CVBRHeader(const QString& name, qint64 offset, std::uint32_t frames, std::uint32_t bytes,
                       std::vector<std::uint32_t> toc)
    : m_name(name), m_offset(offset), m_frames(frames), m_bytes(bytes), m_toc(std::move(toc)) {}

std::unique_ptr<CVBRHeader> CVBRHeader::Find(CMPAStream& stream, const CMPAFrameRef& frame) {
    if (auto xing = CXINGHeader::Find(stream, frame)) {
        return xing;
    }
    if (auto vbri = CVBRIHeader::Find(stream, frame)) {
        return vbri;
    }
    throw CMPAException(CMPAException::Error::NoVBRHeader, stream.GetFileName());
}

std::uint32_t CVBRHeader::ReadBigEndian(const std::uint8_t* bytes, int count) {
    std::uint32_t value = 0;
    for (int i = 0; i < count; ++i) {
        value = value << 8 | bytes[i];
    }
    return value;
}

} // namespace zk::audio

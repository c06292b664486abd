// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/CMPAFrameRef.h"

#include "audio/CMPAStream.h"

namespace zk::audio {

CMPAFrameRef::CMPAFrameRef(CMPAStream& stream, qint64 offset, const CMPAFrameHeader& header)
    : m_stream(&stream), m_offset(offset), m_size(header.GetFrameSize()), m_header(header) {}

QByteArray CMPAFrameRef::ReadData() const {
    const std::uint8_t* bytes = m_stream->ReadBytes(m_offset, m_size);
    return QByteArray(reinterpret_cast<const char*>(bytes), m_size);
}

} // namespace zk::audio

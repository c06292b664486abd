// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/CMPAFrameHeader.h"

#include <QByteArray>

// One frame of an MP3 file: where it lies in the stream and its header. It refers to the stream
// of the CMPAFile that found it and must not outlive that reader; the reader's thread only.
namespace zk::audio {

class CMPAStream;

class CMPAFrameRef final {
public:
    CMPAFrameRef(CMPAStream& stream, qint64 offset, const CMPAFrameHeader& header);

    // Byte offset of the header from the start of the file.
    qint64 GetOffset() const { return m_offset; }
    // Bytes of the whole frame, header included.
    int GetSize() const { return m_size; }
    // The offset just past the frame, where the next frame is expected.
    qint64 GetEnd() const { return m_offset + m_size; }
    const CMPAFrameHeader& GetHeader() const { return m_header; }

    // The frame's bytes, header included; throws CMPAException when they cannot be read.
    QByteArray ReadData() const;

private:
    CMPAStream* m_stream;
    qint64 m_offset;
    int m_size;
    CMPAFrameHeader m_header;
};

} // namespace zk::audio

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/CVBRHeader.h"

namespace zk::audio {

// The VBRI header that some encoders write 32 bytes after the first frame's header.
class CVBRIHeader final : public CVBRHeader {
public:
    // Bytes from the frame's start to the identifier.
    static constexpr qint64 kOffsetInFrame = 36;

    // The header inside the frame, or nothing when its identifier is not there. Throws
    // CMPAException 5 when its fields or table run past the frame.
    static std::unique_ptr<CVBRIHeader> Find(CMPAStream& stream, const CMPAFrameRef& frame);

    int GetVersion() const { return m_version; }
    int GetDelay() const { return m_delay; }
    int GetQuality() const { return m_quality; }
    // Each table entry times this scale is a byte count; each entry covers this many frames.
    int GetTOCScale() const { return m_tocScale; }
    int GetTOCEntrySize() const { return m_tocEntrySize; }
    int GetFramesPerTOCEntry() const { return m_framesPerTocEntry; }

private:
    struct Fields {
        int version = 0;
        int delay = 0;
        int quality = 0;
        int tocScale = 0;
        int tocEntrySize = 0;
        int framesPerTocEntry = 0;
    };

    CVBRIHeader(qint64 offset, std::uint32_t frames, std::uint32_t bytes, std::vector<std::uint32_t> toc,
                const Fields& fields);

    int m_version;
    int m_delay;
    int m_quality;
    int m_tocScale;
    int m_tocEntrySize;
    int m_framesPerTocEntry;
};

} // namespace zk::audio

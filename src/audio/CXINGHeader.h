// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/CVBRHeader.h"

namespace zk::audio {

// The Xing header of a variable-bit-rate stream, or the same layout named "Info" that encoders
// write into constant-bit-rate streams. It follows the first frame's side information.
class CXINGHeader final : public CVBRHeader {
public:
    static constexpr int kTOCEntries = 100;

    // The header inside the frame, or nothing when its identifier is not there. Throws
    // CMPAException 5 when the fields its flags announce run past the frame.
    static std::unique_ptr<CXINGHeader> Find(CMPAStream& stream, const CMPAFrameRef& frame);

    std::uint32_t GetFlags() const { return m_flags; }
    // The encoder's quality indicator 0-100, or -1 when not given.
    int GetQuality() const { return m_quality; }

private:
    CXINGHeader(const QString& name, qint64 offset, std::uint32_t flags, std::uint32_t frames, std::uint32_t bytes,
                std::vector<std::uint32_t> toc, int quality);

    std::uint32_t m_flags;
    int m_quality;
};

} // namespace zk::audio

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/CTag.h"

#include <memory>

namespace zk::audio {

class CMPAStream;

// The 128-byte ID3v1 tag ("TAG") in the last bytes of a file; version 1.1 when its comment
// carries a track number.
class CID3V1Tag final : public CTag {
public:
    static constexpr qint64 kTagBytes = 128;

    // The tag ending at `end` when it stands there (only tags at the end exist), else nothing.
    // Throws CMPAException when the stream cannot be read.
    static std::unique_ptr<CID3V1Tag> Find(CMPAStream& stream, qint64 begin, qint64 end, bool atEnd);

private:
    CID3V1Tag(const QString& version, qint64 offset);
};

} // namespace zk::audio

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/CTag.h"

#include <memory>

namespace zk::audio {

class CMPAStream;

// A Lyrics3 tag at the end of a file: version 1 from "LYRICSBEGIN" to "LYRICSEND", version 2
// from "LYRICSBEGIN" to a six-digit size and "LYRICS200".
class CLyrics3Tag final : public CTag {
public:
    // The tag ending at `end` (only tags at the end exist), else nothing. Throws CMPAException 11
    // when the end marker is there but the tag does not parse, or a read error.
    static std::unique_ptr<CLyrics3Tag> Find(CMPAStream& stream, qint64 begin, qint64 end, bool atEnd);

private:
    CLyrics3Tag(const QString& version, qint64 offset, qint64 size);
};

} // namespace zk::audio

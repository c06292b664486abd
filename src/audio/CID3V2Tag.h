// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/CTag.h"

#include <memory>

namespace zk::audio {

class CMPAStream;

// An ID3v2 tag: at the start of a file behind its "ID3" header, or at the end when it carries an
// ID3v2.4 footer ("3DI").
class CID3V2Tag final : public CTag {
public:
    static constexpr qint64 kHeaderBytes = 10;

    // The tag starting at `begin` (atEnd false) or ending at `end` (atEnd true), else nothing.
    // Throws CMPAException when the stream cannot be read.
    static std::unique_ptr<CID3V2Tag> Find(CMPAStream& stream, qint64 begin, qint64 end, bool atEnd);

    bool HasFooter() const { return m_hasFooter; }

private:
    CID3V2Tag(const QString& version, qint64 offset, qint64 size, bool hasFooter);

    // Reads a ten-byte header or footer with the given identifier; false when it is none.
    static bool ReadHeader(const std::uint8_t* bytes, const char* id, int& major, int& revision, int& flags,
                           qint64& bodySize);

    bool m_hasFooter;
};

} // namespace zk::audio

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/CTag.h"

#include <memory>

namespace zk::audio {

class CMPAStream;

// An APE tag ("APETAGEX"), version 1 (footer only) or 2 (optional header): at the end of a file
// found by its footer, at the start by its header.
class CAPETag final : public CTag {
public:
    static constexpr qint64 kFooterBytes = 32;

    // The tag starting at `begin` (atEnd false) or ending at `end` (atEnd true), else nothing.
    // Throws CMPAException when the stream cannot be read.
    static std::unique_ptr<CAPETag> Find(CMPAStream& stream, qint64 begin, qint64 end, bool atEnd);

    int GetItemCount() const { return m_itemCount; }

private:
    CAPETag(const QString& version, qint64 offset, qint64 size, int itemCount);

    int m_itemCount;
};

} // namespace zk::audio

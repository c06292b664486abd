// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/CMPAFile.h"

#include "audio/CAPETag.h"
#include "audio/CID3V1Tag.h"
#include "audio/CID3V2Tag.h"
#include "audio/CLyrics3Tag.h"
#include "base/DebugLog.h"

#include <cmath>

namespace zk::audio {
namespace {

bool IsReadError(CMPAException::Error error) {
    return error == CMPAException::Error::CantOpenFile || error == CMPAException::Error::CantSetFilePosition ||
           error == CMPAException::Error::CantReadFromFile || error == CMPAException::Error::EndOfBuffer;
}

} // namespace

CMPAFile::CMPAFile(const QString& path, qint64 begin, qint64 end, TagErrorHandler onTagError)
    : m_stream(std::make_unique<CMPAStream>(path)) {
    Open(begin, end, onTagError);
}

CMPAFile::CMPAFile(QByteArray bytes, const QString& fileName, qint64 begin, qint64 end, TagErrorHandler onTagError)
    : m_stream(std::make_unique<CMPAStream>(std::move(bytes), fileName)) {
    Open(begin, end, onTagError);
}

CMPAFile::~CMPAFile() = default;

void CMPAFile::Open(qint64 begin, qint64 end, const TagErrorHandler& onTagError) {
    m_begin = begin;
    m_end = end == 0 ? m_stream->GetSize() : end;
    if (m_begin < 0 || m_end < m_begin || m_end > m_stream->GetSize()) {
        throw CMPAException(CMPAException::Error::EndOfBuffer, GetFileName());
    }
    FindTags(onTagError);
    m_firstFrame = FindFrame(m_begin, SearchMode::Search, Direction::Forward, nullptr, true);
    FindVBRHeader();
    ComputeSummary();
}

void CMPAFile::FindTags(const TagErrorHandler& onTagError) {
    // Each kind is looked for once; a found tag moves the usable range past it.
    auto find = [&](auto finder, bool atEnd) {
        try {
            std::unique_ptr<CTag> tag = finder(*m_stream, m_begin, m_end, atEnd);
            if (!tag) {
                return false;
            }
            if (atEnd) {
                m_end -= tag->GetSize();
            } else {
                m_begin += tag->GetSize();
            }
            m_tags.push_back(std::move(tag));
            return true;
        } catch (const CMPAException& error) {
            base::Log("MPAFile Error: %s\n", qUtf8Printable(error.GetErrorDescription()));
            if (onTagError) {
                onTagError(error);
            }
            return false;
        }
    };
    find(&CID3V1Tag::Find, true);
    find(&CID3V2Tag::Find, true);
    const bool lyricsFound = find(&CLyrics3Tag::Find, true);
    const bool apeFound = find(&CAPETag::Find, true);
    // A Lyrics3 tag may also stand before the APE tag; without an APE tag the end has not moved
    // and a second look would only repeat the first one's error.
    if (!lyricsFound && apeFound) {
        find(&CLyrics3Tag::Find, true);
    }
    find(&CID3V2Tag::Find, false);
    find(&CAPETag::Find, false);
}

void CMPAFile::FindVBRHeader() {
    try {
        m_vbrHeader = CVBRHeader::Find(*m_stream, *m_firstFrame);
    } catch (const CMPAException& error) {
        if (IsReadError(error.GetErrorID())) {
            throw;
        }
        // Without a usable VBR header the stream counts as constant bit rate.
        if (error.GetErrorID() != CMPAException::Error::NoVBRHeader) {
            base::Log("MPAFile Error: %s\n", qUtf8Printable(error.GetErrorDescription()));
        }
        m_vbrHeader.reset();
    }
}

void CMPAFile::ComputeSummary() {
    const CMPAFrameHeader& first = m_firstFrame->GetHeader();
    const qint64 streamBytes = m_end - m_firstFrame->GetOffset();
    if (m_vbrHeader && m_vbrHeader->GetFrames() > 0) {
        m_summaryFromVBRHeader = true;
        m_frameCount = m_vbrHeader->GetFrames();
        m_bytes = m_vbrHeader->GetBytes() > 0 ? qint64{m_vbrHeader->GetBytes()} : streamBytes;
        m_lengthSeconds = static_cast<double>(m_frameCount) * first.GetDurationSeconds();
        return;
    }

    // A stream may start with a few quiet low-rate frames; a later frame tells its rate better.
    CMPAFrameRef reached = *m_firstFrame;
    if (first.GetBitrate() <= kLowBitrate) {
        for (int i = 0; i < kLowBitrateMaxFrames; ++i) {
            try {
                reached = GetNextFrame(reached);
            } catch (const CMPAException& error) {
                if (IsReadError(error.GetErrorID())) {
                    throw;
                }
                break;
            }
            if (reached.GetHeader().GetBitrate() > kLowBitrateLimit) {
                break;
            }
        }
    }
    const CMPAFrameHeader& header = reached.GetHeader();
    m_summaryFromVBRHeader = false;
    m_bytes = streamBytes;
    m_lengthSeconds = static_cast<double>(m_bytes) * 8.0 / header.GetBitrate();
    m_frameCount = std::llround(m_lengthSeconds / header.GetDurationSeconds());
}

int CMPAFile::GetAverageBitrate() const {
    if (m_lengthSeconds <= 0) {
        return m_firstFrame->GetHeader().GetBitrate();
    }
    return static_cast<int>(std::lround(static_cast<double>(m_bytes) * 8.0 / m_lengthSeconds));
}

CMPAFrameRef CMPAFile::GetNextFrame(const CMPAFrameRef& frame) const {
    return FindFrame(frame.GetEnd(), SearchMode::Tolerance, Direction::Forward, &frame.GetHeader(), false);
}

CMPAFrameRef CMPAFile::GetLastFrame() const {
    // The last position a header can take and still leave a frame after it.
    const qint64 last = m_end - CMPAFrameHeader::kHeaderBytes - 1;
    return FindFrame(std::max(last, m_begin), SearchMode::Search, Direction::Backward, &m_firstFrame->GetHeader(),
                     true);
}

bool CMPAFile::InRange(qint64 position) const {
    return position >= m_begin && position < m_end - CMPAFrameHeader::kHeaderBytes;
}

CMPAFrameRef CMPAFile::FindFrame(qint64 position, SearchMode mode, Direction direction,
                                 const CMPAFrameHeader* reference, bool checkFollowing) const {
    std::optional<CMPAException::Error> noted;
    auto failure = [&](CMPAException::Error fallback) {
        return CMPAException(noted.value_or(fallback), GetFileName());
    };
    if (!InRange(position)) {
        throw failure(CMPAException::Error::NoFrameFound);
    }
    const qint64 step = direction == Direction::Forward ? 1 : -1;

    if (mode == SearchMode::Tolerance) {
        for (int n = 0; n < kToleranceTries; ++n) {
            // The n-th try moves by (n + 1) / 2 bytes, alternately ahead and back.
            const qint64 distance = (n + 1) / 2;
            const qint64 candidate = position + (n % 2 == 1 ? step : -step) * distance;
            // Leaving the range ends the search as the end of the data, not as a missing frame.
            if (!InRange(candidate)) {
                throw failure(CMPAException::Error::NoFrameFound);
            }
            if (auto frame = FrameAt(candidate, reference, checkFollowing, noted)) {
                return *frame;
            }
        }
        throw failure(CMPAException::Error::NoFrameInTolerance);
    }

    for (qint64 moved = 0; moved < kMaxSearchBytes; ++moved) {
        const qint64 candidate = position + step * moved;
        if (!InRange(candidate)) {
            throw failure(CMPAException::Error::NoFrameFound);
        }
        if (auto frame = FrameAt(candidate, reference, checkFollowing, noted)) {
            return *frame;
        }
    }
    throw failure(CMPAException::Error::NoFrameInTolerance);
}

std::optional<CMPAFrameRef> CMPAFile::FrameAt(qint64 position, const CMPAFrameHeader* reference, bool checkFollowing,
                                              std::optional<CMPAException::Error>& noted) const {
    const std::uint8_t* bytes = m_stream->ReadBytes(position, CMPAFrameHeader::kHeaderBytes);
    if (!CMPAFrameHeader::IsSync(bytes)) {
        return std::nullopt;
    }
    CMPAFrameHeader header;
    if (const auto error = CMPAFrameHeader::Decode(bytes, header)) {
        if (*error == CMPAException::Error::FreeBitrate && !noted) {
            noted = error;
        }
        return std::nullopt;
    }
    if (reference && !header.IsCompatible(*reference)) {
        if (!noted) {
            noted = CMPAException::Error::IncompatibleHeader;
        }
        return std::nullopt;
    }
    CMPAFrameRef frame(*m_stream, position, header);
    // A frame cut off by a tag or the end of the file is not handed out.
    if (frame.GetEnd() > m_end) {
        return std::nullopt;
    }
    if (checkFollowing && frame.GetEnd() < m_end - CMPAFrameHeader::kHeaderBytes) {
        try {
            FindFrame(frame.GetEnd(), SearchMode::Tolerance, Direction::Forward, &header, false);
        } catch (const CMPAException& error) {
            if (IsReadError(error.GetErrorID())) {
                throw;
            }
            return std::nullopt;
        }
    }
    return frame;
}

} // namespace zk::audio

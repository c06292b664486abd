// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/CMPAException.h"
#include "audio/CMPAFrameRef.h"
#include "audio/CMPAStream.h"
#include "audio/CTag.h"
#include "audio/CVBRHeader.h"

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The MPEG audio frame reader: opens an MP3 file, steps over the tags at both ends, finds the
// first frame and the VBR header, and hands out the frames one after the other. Every failure is a
// CMPAException, which callers inside the audio subsystem catch; code outside it uses
// MpaFileInfo.h. Offsets and sizes are bytes from the start of the file. One thread at a time.
namespace zk::audio {

class CMPAFile final {
public:
    // Receives each error met while looking for tags; the search goes on with the next kind.
    using TagErrorHandler = std::function<void(const CMPAException&)>;

    // A search for a first frame gives up after this many bytes.
    static constexpr qint64 kMaxSearchBytes = 163840;
    // Positions tried for a following frame: p, p + 1, p - 1, ... p + 3, p - 3.
    static constexpr int kToleranceTries = 7;
    // A first frame at most this bit rate may be a quiet lead-in of a stream without VBR header.
    static constexpr int kLowBitrate = 32000;
    static constexpr int kLowBitrateLimit = 48000;
    static constexpr int kLowBitrateMaxFrames = 26;

    // Opens the file and reads the bytes from begin to end (0: the end of the file). Throws
    // CMPAException when the file cannot be read or holds no frame there.
    explicit CMPAFile(const QString& path, qint64 begin = 0, qint64 end = 0, TagErrorHandler onTagError = {});
    // The same over bytes in memory; fileName only names them in error texts.
    CMPAFile(QByteArray bytes, const QString& fileName, qint64 begin = 0, qint64 end = 0,
             TagErrorHandler onTagError = {});
    ~CMPAFile();
    CMPAFile(const CMPAFile&) = delete;
    CMPAFile& operator=(const CMPAFile&) = delete;

    const QString& GetFileName() const { return m_stream->GetFileName(); }
    qint64 GetFileSize() const { return m_stream->GetSize(); }
    // The usable bytes after the tags were removed: [begin, end).
    qint64 GetBegin() const { return m_begin; }
    qint64 GetEnd() const { return m_end; }
    // In the order they were found: end tags outermost first, then start tags.
    const std::vector<std::unique_ptr<CTag>>& GetTags() const { return m_tags; }
    // The VBR header of the first frame, or null.
    const CVBRHeader* GetVBRHeader() const { return m_vbrHeader.get(); }

    // The frame found at begin (its VBR header frame, when it has one).
    const CMPAFrameRef& GetFirstFrame() const { return *m_firstFrame; }
    // The frame at the end of `frame`, a few bytes of junk allowed. Throws CMPAException 7 when no
    // frame can start there any more, 6 when none is near it, 10 when the stream changes format.
    CMPAFrameRef GetNextFrame(const CMPAFrameRef& frame) const;
    // The last frame, searched backwards from end; throws CMPAException like the search for the first.
    CMPAFrameRef GetLastFrame() const;

    // Frame count, audio bytes and duration from the VBR header, or estimated from the first
    // frames of a stream without one (see IsSummaryFromVBRHeader).
    qint64 GetFrameCount() const { return m_frameCount; }
    qint64 GetBytes() const { return m_bytes; }
    double GetLengthSeconds() const { return m_lengthSeconds; }
    int GetAverageBitrate() const; // bit/s
    bool IsSummaryFromVBRHeader() const { return m_summaryFromVBRHeader; }

private:
    enum class SearchMode { Search, Tolerance };
    enum class Direction { Forward, Backward };

    void Open(qint64 begin, qint64 end, const TagErrorHandler& onTagError);
    void FindTags(const TagErrorHandler& onTagError);
    void FindVBRHeader();
    void ComputeSummary();

    // The frame found from `position`; see GetNextFrame for what it throws.
    CMPAFrameRef FindFrame(qint64 position, SearchMode mode, Direction direction, const CMPAFrameHeader* reference,
                           bool checkFollowing) const;
    // The frame whose header is at `position`, if any. Notes in `noted` a reason worth reporting
    // when the whole search fails (free format, a change of format).
    std::optional<CMPAFrameRef> FrameAt(qint64 position, const CMPAFrameHeader* reference, bool checkFollowing,
                                        std::optional<CMPAException::Error>& noted) const;
    bool InRange(qint64 position) const;

    std::unique_ptr<CMPAStream> m_stream;
    qint64 m_begin = 0;
    qint64 m_end = 0;
    std::vector<std::unique_ptr<CTag>> m_tags;
    std::optional<CMPAFrameRef> m_firstFrame;
    std::unique_ptr<CVBRHeader> m_vbrHeader;
    qint64 m_frameCount = 0;
    qint64 m_bytes = 0;
    double m_lengthSeconds = 0;
    bool m_summaryFromVBRHeader = false;
};

} // namespace zk::audio

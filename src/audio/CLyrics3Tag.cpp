// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/CLyrics3Tag.h"

#include "audio/CMPAException.h"
#include "audio/CMPAStream.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

namespace zk::audio {
namespace {

constexpr std::string_view kBeginMarker = "LYRICSBEGIN";
constexpr std::string_view kEndMarkerV1 = "LYRICSEND";
constexpr std::string_view kEndMarkerV2 = "LYRICS200";
constexpr qint64 kSizeDigits = 6;
// Version 1 holds at most this many bytes of lyrics between its markers.
constexpr qint64 kMaxLyricsV1Bytes = 5100;

} // namespace

CLyrics3Tag::CLyrics3Tag(const QString& version, qint64 offset, qint64 size)
    : CTag(QStringLiteral("Lyrics3"), version, offset, size) {}

std::unique_ptr<CLyrics3Tag> CLyrics3Tag::Find(CMPAStream& stream, qint64 begin, qint64 end, bool atEnd) {
    const auto markerBytes = static_cast<qint64>(kEndMarkerV1.size());
    if (!atEnd || end - begin < markerBytes) {
        return nullptr;
    }
    auto corrupt = [&stream] { return CMPAException(CMPAException::Error::CorruptLyricsTag, stream.GetFileName()); };
    // Copied, because the next read may move the stream's window.
    const std::string endMarker(reinterpret_cast<const char*>(stream.ReadBytes(end - markerBytes, markerBytes)),
                                kEndMarkerV1.size());

    if (endMarker == kEndMarkerV2) {
        // The six digits count the bytes from "LYRICSBEGIN" up to the digits themselves.
        if (end - begin < markerBytes + kSizeDigits) {
            throw corrupt();
        }
        const auto* digits = stream.ReadBytes(end - markerBytes - kSizeDigits, kSizeDigits);
        qint64 bodySize = 0;
        for (qint64 i = 0; i < kSizeDigits; ++i) {
            if (digits[i] < '0' || digits[i] > '9') {
                throw corrupt();
            }
            bodySize = bodySize * 10 + (digits[i] - '0');
        }
        const qint64 size = bodySize + kSizeDigits + markerBytes;
        const auto beginBytes = static_cast<qint64>(kBeginMarker.size());
        if (bodySize < beginBytes || size > end - begin ||
            std::memcmp(stream.ReadBytes(end - size, beginBytes), kBeginMarker.data(), kBeginMarker.size()) != 0) {
            throw corrupt();
        }
        return std::unique_ptr<CLyrics3Tag>(new CLyrics3Tag(QStringLiteral("2.0"), end - size, size));
    }

    if (endMarker == kEndMarkerV1) {
        // Version 1 has no size: the nearest "LYRICSBEGIN" before the end marker starts it.
        const qint64 windowStart =
            std::max(begin, end - markerBytes - kMaxLyricsV1Bytes - static_cast<qint64>(kBeginMarker.size()));
        const qint64 windowBytes = end - markerBytes - windowStart;
        const auto* window = reinterpret_cast<const char*>(stream.ReadBytes(windowStart, windowBytes));
        const std::size_t found = std::string_view(window, static_cast<std::size_t>(windowBytes)).rfind(kBeginMarker);
        if (found == std::string_view::npos) {
            throw corrupt();
        }
        const qint64 offset = windowStart + static_cast<qint64>(found);
        return std::unique_ptr<CLyrics3Tag>(new CLyrics3Tag(QStringLiteral("1.0"), offset, end - offset));
    }
    return nullptr;
}

} // namespace zk::audio

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "audio/CMPAException.h"

#include <QString>

#include <cstdint>
#include <optional>

// The four-byte header of an MPEG audio frame (MPEG-1, MPEG-2 and MPEG 2.5, Layers I to III).
// A plain value; any thread.
namespace zk::audio {

class CMPAFrameHeader final {
public:
    enum class MPAVersion { MPEG25, MPEG2, MPEG1 };
    enum class MPALayer { Layer1, Layer2, Layer3 };
    enum class ChannelMode { Stereo, JointStereo, DualChannel, SingleChannel };
    enum class Emphasis { None, MS50_15, CCITJ17 };

    static constexpr int kHeaderBytes = 4;

    // True when the bytes start with the 11 sync bits (0xFF, then at least 0xE0).
    static bool IsSync(const std::uint8_t* bytes);

    // Decodes four bytes that carry the sync. Returns nothing and fills header, or the reason it is
    // no frame header: HeaderCorrupt or FreeBitrate.
    static std::optional<CMPAException::Error> Decode(const std::uint8_t* bytes, CMPAFrameHeader& header);
    // The same, throwing the reason as a CMPAException that names fileName.
    static CMPAFrameHeader Parse(const std::uint8_t* bytes, const QString& fileName);

    // Same MPEG version, layer, sample rate, mono versus not mono, and emphasis: a frame with such a
    // header may follow one with this header in the same stream.
    bool IsCompatible(const CMPAFrameHeader& reference) const;

    MPAVersion GetVersion() const { return m_version; }
    MPALayer GetLayer() const { return m_layer; }
    // True when a 16-bit CRC follows the header (the protection bit is 0).
    bool IsProtected() const { return m_protected; }
    int GetBitrate() const { return m_bitrate; }       // bit/s
    int GetSampleRate() const { return m_sampleRate; } // Hz
    int GetSamplesPerFrame() const { return m_samplesPerFrame; }
    bool HasPadding() const { return m_padding; }
    bool IsPrivate() const { return m_private; }
    ChannelMode GetChannelMode() const { return m_channelMode; }
    int GetModeExtension() const { return m_modeExtension; }
    // Layer III joint stereo: which of intensity and middle/side stereo the mode extension enables.
    bool IsIntensityStereo() const { return m_intensityStereo; }
    bool IsMSStereo() const { return m_msStereo; }
    bool IsCopyright() const { return m_copyright; }
    bool IsOriginal() const { return m_original; }
    Emphasis GetEmphasis() const { return m_emphasis; }
    // The first subband coded jointly: 4 x mode extension + 4 in joint stereo, else 32.
    int GetBound() const { return m_bound; }
    bool IsMono() const { return m_channelMode == ChannelMode::SingleChannel; }

    // The whole frame in bytes, header and padding included.
    int GetFrameSize() const;
    // Bytes of Layer III side information after the header (and CRC).
    int GetSideInfoSize() const;
    // Samples per frame / sample rate.
    double GetDurationSeconds() const;

    static QString VersionName(MPAVersion version); // "1", "2", "2.5"
    static int LayerNumber(MPALayer layer);         // 1, 2, 3
    static QString ChannelModeName(ChannelMode mode);
    static QString EmphasisName(Emphasis emphasis);

private:
    MPAVersion m_version = MPAVersion::MPEG1;
    MPALayer m_layer = MPALayer::Layer3;
    bool m_protected = false;
    int m_bitrate = 0;
    int m_sampleRate = 0;
    int m_samplesPerFrame = 0;
    bool m_padding = false;
    bool m_private = false;
    ChannelMode m_channelMode = ChannelMode::Stereo;
    int m_modeExtension = 0;
    bool m_intensityStereo = false;
    bool m_msStereo = false;
    bool m_copyright = false;
    bool m_original = false;
    Emphasis m_emphasis = Emphasis::None;
    int m_bound = 32;
};

} // namespace zk::audio

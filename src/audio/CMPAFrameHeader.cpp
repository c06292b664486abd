// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/CMPAFrameHeader.h"

namespace zk::audio {
namespace {

// Bit rates in kbit/s by bit-rate index 0-14 (index 0 is free format). Rows: MPEG-1 Layers I, II
// and III; MPEG-2 and 2.5 Layer I; MPEG-2 and 2.5 Layers II and III.
constexpr int kBitratesKbps[5][15] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320},
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
};

// Sample rates in Hz by sample-rate index 0-2, for MPEG 2.5, 2 and 1.
constexpr int kSampleRatesHz[3][3] = {
    {11025, 12000, 8000},
    {22050, 24000, 16000},
    {44100, 48000, 32000},
};

// MPEG-1 Layer II allows some bit rates only with one channel and others only with two.
bool IsLayer2ModeAllowed(int bitrateKbps, bool mono) {
    switch (bitrateKbps) {
    case 32:
    case 48:
    case 56:
    case 80:
        return mono;
    case 224:
    case 256:
    case 320:
    case 384:
        return !mono;
    default:
        return true;
    }
}

} // namespace

bool CMPAFrameHeader::IsSync(const std::uint8_t* bytes) {
    return bytes[0] == 0xFF && bytes[1] >= 0xE0;
}

std::optional<CMPAException::Error> CMPAFrameHeader::Decode(const std::uint8_t* bytes, CMPAFrameHeader& header) {
    const int versionBits = (bytes[1] >> 3) & 0x3;
    const int layerBits = (bytes[1] >> 1) & 0x3;
    const int bitrateIndex = bytes[2] >> 4;
    const int sampleRateIndex = (bytes[2] >> 2) & 0x3;
    const int emphasisBits = bytes[3] & 0x3;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 15 || sampleRateIndex == 3 || emphasisBits == 2) {
        return CMPAException::Error::HeaderCorrupt;
    }
    if (bitrateIndex == 0) {
        return CMPAException::Error::FreeBitrate;
    }

    CMPAFrameHeader h;
    h.m_version = versionBits == 0 ? MPAVersion::MPEG25 : versionBits == 2 ? MPAVersion::MPEG2 : MPAVersion::MPEG1;
    h.m_layer = layerBits == 3 ? MPALayer::Layer1 : layerBits == 2 ? MPALayer::Layer2 : MPALayer::Layer3;
    h.m_protected = (bytes[1] & 0x1) == 0;

    const bool mpeg1 = h.m_version == MPAVersion::MPEG1;
    const int layerIndex = static_cast<int>(h.m_layer);
    const int row = mpeg1 ? layerIndex : (h.m_layer == MPALayer::Layer1 ? 3 : 4);
    const int bitrateKbps = kBitratesKbps[row][bitrateIndex];
    h.m_bitrate = bitrateKbps * 1000;
    h.m_sampleRate = kSampleRatesHz[static_cast<int>(h.m_version)][sampleRateIndex];
    h.m_samplesPerFrame = h.m_layer == MPALayer::Layer1 ? 384 : (h.m_layer == MPALayer::Layer3 && !mpeg1) ? 576 : 1152;
    h.m_padding = (bytes[2] & 0x2) != 0;
    h.m_private = (bytes[2] & 0x1) != 0;

    h.m_channelMode = static_cast<ChannelMode>(bytes[3] >> 6);
    h.m_modeExtension = (bytes[3] >> 4) & 0x3;
    if (h.m_channelMode == ChannelMode::JointStereo) {
        h.m_bound = 4 * h.m_modeExtension + 4;
        if (h.m_layer == MPALayer::Layer3) {
            h.m_intensityStereo = (h.m_modeExtension & 0x1) != 0;
            h.m_msStereo = (h.m_modeExtension & 0x2) != 0;
        }
    }
    h.m_copyright = (bytes[3] & 0x8) != 0;
    h.m_original = (bytes[3] & 0x4) != 0;
    h.m_emphasis = emphasisBits == 0 ? Emphasis::None : emphasisBits == 1 ? Emphasis::MS50_15 : Emphasis::CCITJ17;

    if (h.m_layer == MPALayer::Layer2 && mpeg1 && !IsLayer2ModeAllowed(bitrateKbps, h.IsMono())) {
        return CMPAException::Error::HeaderCorrupt;
    }
    header = h;
    return std::nullopt;
}

CMPAFrameHeader CMPAFrameHeader::Parse(const std::uint8_t* bytes, const QString& fileName) {
    CMPAFrameHeader header;
    if (!IsSync(bytes)) {
        throw CMPAException(CMPAException::Error::HeaderCorrupt, fileName);
    }
    if (const auto error = Decode(bytes, header)) {
        throw CMPAException(*error, fileName);
    }
    return header;
}

bool CMPAFrameHeader::IsCompatible(const CMPAFrameHeader& reference) const {
    return m_version == reference.m_version && m_layer == reference.m_layer && m_sampleRate == reference.m_sampleRate &&
           IsMono() == reference.IsMono() && m_emphasis == reference.m_emphasis;
}

int CMPAFrameHeader::GetFrameSize() const {
    // Layer I counts in four-byte slots, the other layers in bytes.
    if (m_layer == MPALayer::Layer1) {
        return (12 * m_bitrate / m_sampleRate + (m_padding ? 1 : 0)) * 4;
    }
    return m_samplesPerFrame / 8 * m_bitrate / m_sampleRate + (m_padding ? 1 : 0);
}

int CMPAFrameHeader::GetSideInfoSize() const {
    if (m_layer != MPALayer::Layer3) {
        return 0;
    }
    if (m_version == MPAVersion::MPEG1) {
        return IsMono() ? 17 : 32;
    }
    return IsMono() ? 9 : 17;
}

double CMPAFrameHeader::GetDurationSeconds() const {
    return static_cast<double>(m_samplesPerFrame) / m_sampleRate;
}

QString CMPAFrameHeader::VersionName(MPAVersion version) {
    switch (version) {
    case MPAVersion::MPEG25:
        return QStringLiteral("2.5");
    case MPAVersion::MPEG2:
        return QStringLiteral("2");
    case MPAVersion::MPEG1:
        break;
    }
    return QStringLiteral("1");
}

int CMPAFrameHeader::LayerNumber(MPALayer layer) {
    return static_cast<int>(layer) + 1;
}

QString CMPAFrameHeader::ChannelModeName(ChannelMode mode) {
    switch (mode) {
    case ChannelMode::Stereo:
        return QStringLiteral("Stereo");
    case ChannelMode::JointStereo:
        return QStringLiteral("Joint Stereo");
    case ChannelMode::DualChannel:
        return QStringLiteral("Dual Channel");
    case ChannelMode::SingleChannel:
        break;
    }
    return QStringLiteral("Single Channel");
}

QString CMPAFrameHeader::EmphasisName(Emphasis emphasis) {
    switch (emphasis) {
    case Emphasis::None:
        return QStringLiteral("None");
    case Emphasis::MS50_15:
        return QStringLiteral("50/15ms");
    case Emphasis::CCITJ17:
        break;
    }
    return QStringLiteral("CCIT J.17");
}

} // namespace zk::audio

// SPDX-License-Identifier: GPL-3.0-or-later
#include "audio/CMPAFrameHeader.h"

#include <gtest/gtest.h>

#include <array>

namespace zk::audio {
namespace {

using Header = CMPAFrameHeader;
using Bytes = std::array<std::uint8_t, 4>;

Header Parse(const Bytes& bytes) {
    return Header::Parse(bytes.data(), QStringLiteral("test.mp3"));
}

std::optional<CMPAException::Error> Reject(const Bytes& bytes) {
    Header header;
    return Header::Decode(bytes.data(), header);
}

TEST(CMPAFrameHeaderTest, DecodesEveryFieldOfAnMpeg1Layer3Header) {
    // 128 kbit/s, 44100 Hz, padded, joint stereo with middle/side, original.
    const Header h = Parse({0xFF, 0xFB, 0x92, 0x64});
    EXPECT_EQ(h.GetVersion(), Header::MPAVersion::MPEG1);
    EXPECT_EQ(h.GetLayer(), Header::MPALayer::Layer3);
    EXPECT_FALSE(h.IsProtected());
    EXPECT_EQ(h.GetBitrate(), 128000);
    EXPECT_EQ(h.GetSampleRate(), 44100);
    EXPECT_EQ(h.GetSamplesPerFrame(), 1152);
    EXPECT_TRUE(h.HasPadding());
    EXPECT_FALSE(h.IsPrivate());
    EXPECT_EQ(h.GetChannelMode(), Header::ChannelMode::JointStereo);
    EXPECT_EQ(h.GetModeExtension(), 2);
    EXPECT_TRUE(h.IsMSStereo());
    EXPECT_FALSE(h.IsIntensityStereo());
    EXPECT_EQ(h.GetBound(), 12);
    EXPECT_FALSE(h.IsCopyright());
    EXPECT_TRUE(h.IsOriginal());
    EXPECT_EQ(h.GetEmphasis(), Header::Emphasis::None);
    EXPECT_EQ(h.GetFrameSize(), 418);
    EXPECT_EQ(h.GetSideInfoSize(), 32);
    EXPECT_DOUBLE_EQ(h.GetDurationSeconds(), 1152.0 / 44100.0);

    // CRC present, private, copyright, 50/15 ms emphasis, stereo.
    const Header other = Parse({0xFF, 0xFA, 0x91, 0x09});
    EXPECT_TRUE(other.IsProtected());
    EXPECT_TRUE(other.IsPrivate());
    EXPECT_TRUE(other.IsCopyright());
    EXPECT_FALSE(other.IsOriginal());
    EXPECT_EQ(other.GetEmphasis(), Header::Emphasis::MS50_15);
    EXPECT_EQ(other.GetChannelMode(), Header::ChannelMode::Stereo);
    EXPECT_EQ(other.GetBound(), 32);
    EXPECT_EQ(Parse({0xFF, 0xFB, 0x90, 0xC3}).GetEmphasis(), Header::Emphasis::CCITJ17);
}

// Frame sizes decide where the next frame is looked for: one wrong table entry or formula loses
// every frame after the first.
TEST(CMPAFrameHeaderTest, FrameSizesAndTimingFollowEachVersionAndLayer) {
    struct Case {
        Bytes bytes;
        Header::MPAVersion version;
        int layer;
        int bitrate;
        int sampleRate;
        int samples;
        int frameSize;
        int sideInfo;
    };
    const Case cases[] = {
        {{0xFF, 0xFF, 0xC0, 0x00}, Header::MPAVersion::MPEG1, 1, 384000, 44100, 384, 416, 0},
        {{0xFF, 0xFF, 0xC2, 0x00}, Header::MPAVersion::MPEG1, 1, 384000, 44100, 384, 420, 0},
        {{0xFF, 0xFD, 0xA4, 0x00}, Header::MPAVersion::MPEG1, 2, 192000, 48000, 1152, 576, 0},
        {{0xFF, 0xFB, 0x18, 0xC0}, Header::MPAVersion::MPEG1, 3, 32000, 32000, 1152, 144, 17},
        {{0xFF, 0xF7, 0x14, 0x00}, Header::MPAVersion::MPEG2, 1, 32000, 24000, 384, 64, 0},
        {{0xFF, 0xF5, 0xE8, 0x00}, Header::MPAVersion::MPEG2, 2, 160000, 16000, 1152, 1440, 0},
        {{0xFF, 0xF3, 0x80, 0x00}, Header::MPAVersion::MPEG2, 3, 64000, 22050, 576, 208, 17},
        {{0xFF, 0xF3, 0x82, 0xC0}, Header::MPAVersion::MPEG2, 3, 64000, 22050, 576, 209, 9},
        {{0xFF, 0xE3, 0x28, 0xC0}, Header::MPAVersion::MPEG25, 3, 16000, 8000, 576, 144, 9},
        {{0xFF, 0xE3, 0x14, 0x00}, Header::MPAVersion::MPEG25, 3, 8000, 12000, 576, 48, 17},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << std::hex << int{c.bytes[1]} << ' ' << int{c.bytes[2]});
        const Header h = Parse(c.bytes);
        EXPECT_EQ(h.GetVersion(), c.version);
        EXPECT_EQ(Header::LayerNumber(h.GetLayer()), c.layer);
        EXPECT_EQ(h.GetBitrate(), c.bitrate);
        EXPECT_EQ(h.GetSampleRate(), c.sampleRate);
        EXPECT_EQ(h.GetSamplesPerFrame(), c.samples);
        EXPECT_EQ(h.GetFrameSize(), c.frameSize);
        EXPECT_EQ(h.GetSideInfoSize(), c.sideInfo);
    }
}

TEST(CMPAFrameHeaderTest, ReservedValuesAreCorruptAndFreeFormatIsUnsupported) {
    const auto corrupt = CMPAException::Error::HeaderCorrupt;
    EXPECT_EQ(Reject({0xFF, 0xEB, 0x90, 0x00}), corrupt) << "reserved version";
    EXPECT_EQ(Reject({0xFF, 0xF9, 0x90, 0x00}), corrupt) << "reserved layer";
    EXPECT_EQ(Reject({0xFF, 0xFB, 0xF0, 0x00}), corrupt) << "bit-rate index 15";
    EXPECT_EQ(Reject({0xFF, 0xFB, 0x9C, 0x00}), corrupt) << "sample-rate index 3";
    EXPECT_EQ(Reject({0xFF, 0xFB, 0x90, 0x02}), corrupt) << "reserved emphasis";
    EXPECT_EQ(Reject({0xFF, 0xFB, 0x00, 0x00}), CMPAException::Error::FreeBitrate);
    EXPECT_EQ(Reject({0xFF, 0xFB, 0x90, 0x00}), std::nullopt);

    try {
        Parse({0xFF, 0xFB, 0x00, 0x00});
        FAIL() << "a free-format header parsed";
    } catch (const CMPAException& error) {
        EXPECT_EQ(error.GetErrorIndex(), 9);
        EXPECT_EQ(error.GetFileName(), QStringLiteral("test.mp3"));
    }
    EXPECT_TRUE(Header::IsSync(Bytes{0xFF, 0xE0, 0, 0}.data()));
    EXPECT_FALSE(Header::IsSync(Bytes{0xFF, 0xDF, 0, 0}.data()));
    EXPECT_FALSE(Header::IsSync(Bytes{0xFE, 0xFF, 0, 0}.data()));
}

// MPEG-1 Layer II forbids low rates with two channels and high rates with one; MPEG-2 has no such
// rule.
TEST(CMPAFrameHeaderTest, Layer2RejectsBitRatesTheChannelModeDoesNotAllow) {
    const auto corrupt = CMPAException::Error::HeaderCorrupt;
    EXPECT_EQ(Reject({0xFF, 0xFD, 0x10, 0x00}), corrupt) << "32 kbit/s stereo";
    EXPECT_EQ(Reject({0xFF, 0xFD, 0x10, 0xC0}), std::nullopt) << "32 kbit/s mono";
    EXPECT_EQ(Reject({0xFF, 0xFD, 0x50, 0x40}), corrupt) << "80 kbit/s joint stereo";
    EXPECT_EQ(Reject({0xFF, 0xFD, 0x60, 0x80}), std::nullopt) << "96 kbit/s dual channel";
    EXPECT_EQ(Reject({0xFF, 0xFD, 0xE0, 0xC0}), corrupt) << "384 kbit/s mono";
    EXPECT_EQ(Reject({0xFF, 0xFD, 0xE0, 0x00}), std::nullopt) << "384 kbit/s stereo";
    EXPECT_EQ(Reject({0xFF, 0xF5, 0x10, 0x00}), std::nullopt) << "MPEG-2 8 kbit/s stereo";
    EXPECT_EQ(Reject({0xFF, 0xFB, 0x10, 0x00}), std::nullopt) << "Layer III 32 kbit/s stereo";
}

TEST(CMPAFrameHeaderTest, JointStereoSetsTheBoundAndLayer3Flags) {
    const Header intensity = Parse({0xFF, 0xFB, 0x90, 0x50});
    EXPECT_TRUE(intensity.IsIntensityStereo());
    EXPECT_FALSE(intensity.IsMSStereo());
    EXPECT_EQ(intensity.GetBound(), 8);
    const Header layer2 = Parse({0xFF, 0xFD, 0x90, 0x70});
    EXPECT_EQ(layer2.GetBound(), 16);
    EXPECT_FALSE(layer2.IsIntensityStereo()) << "the flags belong to Layer III";
    EXPECT_FALSE(layer2.IsMSStereo());
}

// A following frame may change its bit rate and stereo coding, never its format.
TEST(CMPAFrameHeaderTest, CompatibilityIgnoresBitRateButNotFormat) {
    const Header reference = Parse({0xFF, 0xFB, 0x90, 0x64});
    EXPECT_TRUE(Parse({0xFF, 0xFB, 0xB2, 0x04}).IsCompatible(reference)) << "other rate, padding, stereo";
    EXPECT_TRUE(Parse({0xFF, 0xFA, 0x90, 0xA4}).IsCompatible(reference)) << "CRC, dual channel";
    EXPECT_FALSE(Parse({0xFF, 0xFB, 0x90, 0xC4}).IsCompatible(reference)) << "mono";
    EXPECT_FALSE(Parse({0xFF, 0xFB, 0x94, 0x64}).IsCompatible(reference)) << "48000 Hz";
    EXPECT_FALSE(Parse({0xFF, 0xFD, 0x90, 0x64}).IsCompatible(reference)) << "Layer II";
    EXPECT_FALSE(Parse({0xFF, 0xF3, 0x90, 0x64}).IsCompatible(reference)) << "MPEG-2";
    EXPECT_FALSE(Parse({0xFF, 0xFB, 0x90, 0x65}).IsCompatible(reference)) << "emphasis";
}

} // namespace
} // namespace zk::audio

// SPDX-License-Identifier: GPL-3.0-or-later
// Files made by the lame encoder, their frames counted independently by ffprobe.
#include "audio/MpaFileInfo.h"
#include "support/Mp3Tools.h"
#include "support/ScriptedPrompt.h"
#include "support/TempFolder.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace zk::audio {
namespace {

using Frames = std::vector<std::pair<qint64, qint64>>;

class MpaFileInfoTest : public testing::Test {
protected:
    void SetUp() override {
        if (!test::HaveProgram(QStringLiteral("lame")) || !test::HaveProgram(QStringLiteral("ffprobe"))) {
            GTEST_SKIP() << "needs the lame and ffprobe programs (scripts/install-deps installs them)";
        }
    }

    // Encodes 2.5 s of test audio; empty when lame fails.
    std::string Encode(const std::string& name, int sampleRateHz, int channels, const QStringList& options) {
        const std::string wav = m_folder / (name + ".wav");
        const std::string mp3 = m_folder / (name + ".mp3");
        if (!test::WriteFile(wav, test::MakeWav(sampleRateHz, channels, 2.5)) || !test::EncodeMp3(wav, mp3, options)) {
            ADD_FAILURE() << "lame could not encode " << name;
            return {};
        }
        return mp3;
    }

    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = m_folder / name;
        EXPECT_TRUE(test::WriteFile(path, bytes));
        return path;
    }

    static Frames Probe(const std::string& path) {
        const auto packets = test::ProbePackets(path);
        EXPECT_TRUE(packets.has_value()) << "ffprobe failed on " << path;
        Frames frames;
        for (const auto& packet : packets.value_or(std::vector<test::ProbedPacket>{})) {
            frames.emplace_back(packet.offset, packet.size);
        }
        return frames;
    }

    static Frames Read(const MpaFileInfo& info) {
        Frames frames;
        for (const auto& frame : info.frames) {
            frames.emplace_back(frame.offset, frame.size);
        }
        return frames;
    }

    // ffprobe leaves the VBR header's frame out; the reader hands it out as the first frame.
    static Frames WithHeaderFrame(const MpaFileInfo& info, Frames probed) {
        if (info.vbr) {
            probed.insert(probed.begin(), {info.summary.firstFrame.offset, info.summary.firstFrame.size});
        }
        return probed;
    }

    static MpaFileInfo Info(const std::string& path, base::Prompt* prompt = nullptr) {
        MpaFileInfo info;
        EXPECT_EQ(ReadMpaFileInfo(QString::fromStdString(path), true, info, prompt), 0) << info.errorText.toStdString();
        return info;
    }

    test::TempFolder m_folder;
};

// Every bit-rate mode, every MPEG version's sample rates, mono and stereo, with and without CRC
// and VBR header: the reader steps through exactly the frames ffprobe finds.
TEST_F(MpaFileInfoTest, FramesOfEncodedFilesMatchAnIndependentCount) {
    struct Case {
        const char* name;
        int sampleRate;
        int channels;
        QStringList options;
        const char* version;
        const char* vbrName; // nullptr: none expected, "": either
    };
    const Case cases[] = {
        {"cbr", 44100, 2, {QStringLiteral("-b"), QStringLiteral("128")}, "1", "Info"},
        {"vbr", 44100, 2, {QStringLiteral("-V"), QStringLiteral("2")}, "1", "Xing"},
        {"abr",
         44100,
         2,
         {QStringLiteral("--abr"), QStringLiteral("96"), QStringLiteral("--resample"), QStringLiteral("44.1")},
         "1",
         "Xing"},
        {"no_header", 44100, 2, {QStringLiteral("-t"), QStringLiteral("-b"), QStringLiteral("192")}, "1", nullptr},
        {"crc", 48000, 2, {QStringLiteral("-p"), QStringLiteral("-b"), QStringLiteral("160")}, "1", "Info"},
        {"mono_32k", 32000, 1, {QStringLiteral("-b"), QStringLiteral("64")}, "1", "Info"},
        {"mpeg2_22k", 22050, 1, {QStringLiteral("-b"), QStringLiteral("32")}, "2", ""},
        {"mpeg2_24k_vbr", 24000, 2, {QStringLiteral("-V"), QStringLiteral("4")}, "2", "Xing"},
        {"mpeg2_16k", 16000, 2, {QStringLiteral("-b"), QStringLiteral("48")}, "2", ""},
        {"mpeg25_8k", 8000, 1, {QStringLiteral("-b"), QStringLiteral("16")}, "2.5", ""},
        {"mpeg25_11k", 11025, 2, {QStringLiteral("-b"), QStringLiteral("32")}, "2.5", ""},
        {"mpeg25_12k_vbr", 12000, 1, {QStringLiteral("-V"), QStringLiteral("5")}, "2.5", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = Encode(c.name, c.sampleRate, c.channels, c.options);
        ASSERT_FALSE(path.empty());
        const MpaFileInfo info = Info(path);
        const Frames probed = Probe(path);
        ASSERT_GT(probed.size(), 10u);
        EXPECT_EQ(Read(info), WithHeaderFrame(info, probed));
        EXPECT_EQ(info.summary.stopReason, QString());
        EXPECT_EQ(info.summary.trailingBytes, 0);
        EXPECT_EQ(info.summary.lastFrameOffset, probed.back().first);

        const MpaFrameInfo& first = info.summary.firstFrame;
        EXPECT_EQ(first.mpegVersion, QLatin1StringView(c.version));
        EXPECT_EQ(first.layer, 3);
        EXPECT_EQ(first.sampleRate, c.sampleRate);
        EXPECT_EQ(first.samplesPerFrame, c.sampleRate >= 32000 ? 1152 : 576);
        EXPECT_EQ(first.channelMode == QStringLiteral("Single Channel"), c.channels == 1);

        if (c.vbrName == nullptr) {
            EXPECT_FALSE(info.vbr.has_value());
        } else if (*c.vbrName != '\0') {
            ASSERT_TRUE(info.vbr.has_value());
            EXPECT_EQ(info.vbr->name, QLatin1StringView(c.vbrName));
        }
        if (info.vbr) {
            // The encoder counts the audio frames, not its header's own frame.
            EXPECT_EQ(info.vbr->frames, static_cast<qint64>(probed.size()));
            EXPECT_TRUE(info.summary.fromVbrHeader);
            EXPECT_EQ(info.summary.frameCount, static_cast<qint64>(probed.size()));
            EXPECT_DOUBLE_EQ(info.summary.durationSeconds,
                             static_cast<double>(probed.size()) * first.samplesPerFrame / c.sampleRate);
        } else {
            EXPECT_NEAR(static_cast<double>(info.summary.frameCount), static_cast<double>(probed.size()), 1.0);
        }
    }
}

TEST_F(MpaFileInfoTest, EncoderTagsAreReportedWhereTheyWereWritten) {
    const QStringList text{QStringLiteral("--tt"), QStringLiteral("A Title"), QStringLiteral("--ta"),
                           QStringLiteral("An Artist")};
    const QStringList cbr{QStringLiteral("-b"), QStringLiteral("128")};
    const std::string both = Encode("both", 44100, 2, cbr + text + QStringList{QStringLiteral("--add-id3v2")});
    const std::string v1 = Encode("v1", 44100, 2, cbr + text + QStringList{QStringLiteral("--id3v1-only")});
    const std::string v2 = Encode("v2", 44100, 2, cbr + text + QStringList{QStringLiteral("--id3v2-only")});
    ASSERT_FALSE(both.empty() || v1.empty() || v2.empty());

    const MpaFileInfo info = Info(both);
    ASSERT_EQ(info.tags.size(), 2u);
    EXPECT_EQ(info.tags[0].name, QStringLiteral("ID3"));
    EXPECT_TRUE(info.tags[0].version.startsWith(u'1'));
    EXPECT_EQ(info.tags[0].offset, info.fileSize - 128);
    EXPECT_EQ(info.tags[0].size, 128);
    EXPECT_TRUE(info.tags[1].version.startsWith(QStringLiteral("2.")));
    EXPECT_EQ(info.tags[1].offset, 0);
    EXPECT_EQ(info.summary.begin, info.tags[1].size);
    EXPECT_EQ(info.summary.firstFrame.offset, info.tags[1].size) << "the audio starts right after the tag";
    EXPECT_EQ(info.summary.end, info.fileSize - 128);
    EXPECT_EQ(Read(info), WithHeaderFrame(info, Probe(both)));

    const MpaFileInfo onlyV1 = Info(v1);
    ASSERT_EQ(onlyV1.tags.size(), 1u);
    EXPECT_EQ(onlyV1.tags[0].offset, onlyV1.fileSize - 128);
    EXPECT_EQ(Read(onlyV1), WithHeaderFrame(onlyV1, Probe(v1)));

    const MpaFileInfo onlyV2 = Info(v2);
    ASSERT_EQ(onlyV2.tags.size(), 1u);
    EXPECT_EQ(onlyV2.tags[0].offset, 0);
    EXPECT_TRUE(onlyV2.tags[0].version.startsWith(QStringLiteral("2.")));
    EXPECT_EQ(Read(onlyV2), WithHeaderFrame(onlyV2, Probe(v2)));
}

// One stray byte is read through. The tolerance search reaches three bytes ahead, so three are
// read through as well; five end the file at the last frame before them.
TEST_F(MpaFileInfoTest, StrayBytesBetweenEncodedFrames) {
    const std::string plain =
        Encode("plain", 44100, 2, {QStringLiteral("-t"), QStringLiteral("-b"), QStringLiteral("128")});
    ASSERT_FALSE(plain.empty());
    const std::string audio = test::ReadFile(plain);
    const Frames probed = Probe(plain);
    ASSERT_GT(probed.size(), 20u);
    const qint64 at = probed[10].first;

    for (const int stray : {1, 3, 5}) {
        SCOPED_TRACE(stray);
        std::string bytes = audio;
        bytes.insert(static_cast<std::size_t>(at), static_cast<std::size_t>(stray), '\0');
        const MpaFileInfo info = Info(Write("stray.mp3", bytes));
        Frames expected;
        for (const auto& [offset, frameSize] : probed) {
            if (offset < at) {
                expected.emplace_back(offset, frameSize);
            } else if (stray <= 3) {
                expected.emplace_back(offset + stray, frameSize);
            }
        }
        EXPECT_EQ(Read(info), expected);
        if (stray <= 3) {
            EXPECT_EQ(info.summary.stopReason, QString());
        } else {
            EXPECT_THAT(info.summary.stopReason.toStdString(),
                        testing::HasSubstr("No subsequent frame found within tolerance range."));
        }
    }
}

TEST_F(MpaFileInfoTest, FreeFormatFileFailsWithItsOwnError) {
    const std::string free =
        Encode("free", 44100, 2, {QStringLiteral("--freeformat"), QStringLiteral("-b"), QStringLiteral("200")});
    ASSERT_FALSE(free.empty());
    test::ScriptedPrompt prompt;
    MpaFileInfo info;
    EXPECT_EQ(ReadMpaFileInfo(QString::fromStdString(free), true, info, &prompt), -1);
    EXPECT_EQ(info.errorIndex, 9);
    EXPECT_EQ(info.errorText,
              QStringLiteral("'%1'\nFree Bitrate currently not supported").arg(QString::fromStdString(free)));
    ASSERT_EQ(prompt.Questions().size(), 1u);
    EXPECT_EQ(prompt.Questions()[0].caption, QStringLiteral("MPAFile Error"));
    EXPECT_EQ(prompt.Questions()[0].text, info.errorText);
}

// A tag that does not parse is shown and the file is read all the same.
TEST_F(MpaFileInfoTest, CorruptLyrics3TagIsShownAndTheFileStillReads) {
    const std::string plain = Encode("plain", 22050, 1, {QStringLiteral("-b"), QStringLiteral("32")});
    ASSERT_FALSE(plain.empty());
    const std::string path = Write("broken.mp3", test::ReadFile(plain) + "LYRICSEND");
    test::ScriptedPrompt prompt;
    const MpaFileInfo info = Info(path, &prompt);
    ASSERT_EQ(info.tagErrors.size(), 1);
    EXPECT_EQ(info.tagErrors[0], QStringLiteral("'%1'\nCorrupt Lyrics3 Tag").arg(QString::fromStdString(path)));
    ASSERT_EQ(prompt.Questions().size(), 1u);
    EXPECT_EQ(prompt.Questions()[0].caption, QStringLiteral("MPAFile Error"));
    EXPECT_EQ(prompt.Questions()[0].text, info.tagErrors[0]);
    EXPECT_EQ(Read(info), WithHeaderFrame(info, Probe(plain)));
}

} // namespace
} // namespace zk::audio

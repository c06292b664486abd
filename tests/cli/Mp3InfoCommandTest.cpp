// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliRun.h"
#include "support/Mp3Tools.h"
#include "support/TempFolder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sstream>

namespace zk::cli {
namespace {

CliRunResult RunMp3InfoCli(const QStringList& arguments) {
    return RunWith(QStringList{QStringLiteral("mp3-info")} + arguments);
}

class Mp3InfoCommandTest : public testing::Test {
protected:
    void SetUp() override {
        if (!test::HaveProgram(QStringLiteral("lame")) || !test::HaveProgram(QStringLiteral("ffprobe"))) {
            GTEST_SKIP() << "needs the lame and ffprobe programs (scripts/install-deps installs them)";
        }
        const std::string wav = m_folder / "tone.wav";
        ASSERT_TRUE(test::WriteFile(wav, test::MakeWav(44100, 2, 2.0)));
        // A variable-rate file with both ID3 tags, then APE and Lyrics3 tags put between the audio
        // and ID3v1, as taggers write them.
        const std::string encoded = m_folder / "encoded.mp3";
        ASSERT_TRUE(test::EncodeMp3(wav, encoded,
                                    {QStringLiteral("-V"), QStringLiteral("3"), QStringLiteral("--tt"),
                                     QStringLiteral("Title"), QStringLiteral("--add-id3v2")}));
        std::string bytes = test::ReadFile(encoded);
        m_apeOffset = static_cast<qint64>(bytes.size()) - 128;
        const std::string ape = test::ApeTag("Song", true);
        m_lyricsOffset = m_apeOffset + static_cast<qint64>(ape.size());
        bytes.insert(bytes.size() - 128, ape + test::Lyrics3V2Tag("[00:01]la la la"));
        m_path = m_folder / "song.mp3";
        ASSERT_TRUE(test::WriteFile(m_path, bytes));
        m_fileSize = static_cast<qint64>(bytes.size());
    }

    test::TempFolder m_folder;
    std::string m_path;
    qint64 m_apeOffset = 0;
    qint64 m_lyricsOffset = 0;
    qint64 m_fileSize = 0;
};

// The JSON frame list holds exactly the frames ffprobe counts, plus the Xing header's own frame.
TEST_F(Mp3InfoCommandTest, JsonFramesAreExactlyTheIndependentlyCountedFrames) {
    const CliRunResult result =
        RunMp3InfoCli({QString::fromStdString(m_path), QStringLiteral("--frames"), QStringLiteral("--json")});
    ASSERT_EQ(result.status, kExitOk) << result.err;
    EXPECT_EQ(result.err, "");
    QJsonParseError error;
    const QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(result.out), &error).object();
    ASSERT_EQ(error.error, QJsonParseError::NoError) << result.out;

    const auto packets = test::ProbePackets(m_path);
    ASSERT_TRUE(packets.has_value());
    const QJsonObject vbr = root[QStringLiteral("vbr")].toObject();
    EXPECT_EQ(vbr[QStringLiteral("name")].toString(), QStringLiteral("Xing"));
    EXPECT_EQ(vbr[QStringLiteral("frames")].toInteger(), static_cast<qint64>(packets->size()));

    const QJsonArray frames = root[QStringLiteral("frames")].toArray();
    ASSERT_EQ(frames.size(), static_cast<qsizetype>(packets->size() + 1));
    const QJsonObject summary = root[QStringLiteral("summary")].toObject();
    EXPECT_EQ(frames[0].toObject()[QStringLiteral("offset")].toInteger(),
              summary[QStringLiteral("firstFrameOffset")].toInteger());
    for (std::size_t i = 0; i < packets->size(); ++i) {
        const QJsonObject frame = frames[static_cast<qsizetype>(i + 1)].toObject();
        ASSERT_EQ(frame[QStringLiteral("offset")].toInteger(), (*packets)[i].offset) << i;
        ASSERT_EQ(frame[QStringLiteral("size")].toInteger(), (*packets)[i].size) << i;
        EXPECT_EQ(frame[QStringLiteral("sampleRate")].toInt(), 44100);
        EXPECT_EQ(frame[QStringLiteral("samplesPerFrame")].toInt(), 1152);
    }
    EXPECT_EQ(summary[QStringLiteral("framesRead")].toInteger(), frames.size());
    EXPECT_EQ(summary[QStringLiteral("frameCount")].toInteger(), static_cast<qint64>(packets->size()));
    EXPECT_TRUE(summary[QStringLiteral("fromVbrHeader")].toBool());
    EXPECT_EQ(summary[QStringLiteral("stopReason")].toString(), QString());

    // Tags in the order found: ID3v1 at the very end, Lyrics3 and APE before it, ID3v2 at the start.
    const QJsonArray tags = root[QStringLiteral("tags")].toArray();
    ASSERT_EQ(tags.size(), 4);
    EXPECT_EQ(tags[0].toObject()[QStringLiteral("offset")].toInteger(), m_fileSize - 128);
    EXPECT_EQ(tags[1].toObject()[QStringLiteral("name")].toString(), QStringLiteral("Lyrics3"));
    EXPECT_EQ(tags[1].toObject()[QStringLiteral("offset")].toInteger(), m_lyricsOffset);
    EXPECT_EQ(tags[2].toObject()[QStringLiteral("name")].toString(), QStringLiteral("APE"));
    EXPECT_EQ(tags[2].toObject()[QStringLiteral("offset")].toInteger(), m_apeOffset);
    EXPECT_EQ(tags[3].toObject()[QStringLiteral("offset")].toInteger(), 0);
    EXPECT_EQ(tags[3].toObject()[QStringLiteral("size")].toInteger(), summary[QStringLiteral("begin")].toInteger());
    EXPECT_EQ(summary[QStringLiteral("end")].toInteger(), m_apeOffset);
}

TEST_F(Mp3InfoCommandTest, TextListsTheSummaryAndOneLinePerFrame) {
    const CliRunResult summaryOnly = RunMp3InfoCli({QString::fromStdString(m_path)});
    ASSERT_EQ(summaryOnly.status, kExitOk);
    EXPECT_THAT(summaryOnly.out, testing::HasSubstr("tag: APE 2.0 at " + std::to_string(m_apeOffset)));
    EXPECT_THAT(summaryOnly.out, testing::HasSubstr("vbr header: Xing at "));
    EXPECT_THAT(summaryOnly.out, testing::HasSubstr("(from the VBR header)"));
    EXPECT_THAT(summaryOnly.out, testing::Not(testing::HasSubstr("frames read")));

    const CliRunResult listed = RunMp3InfoCli({QString::fromStdString(m_path), QStringLiteral("--frames")});
    ASSERT_EQ(listed.status, kExitOk);
    const auto packets = test::ProbePackets(m_path);
    ASSERT_TRUE(packets.has_value());
    std::istringstream lines(listed.out);
    std::string line;
    std::size_t frameLines = 0;
    while (std::getline(lines, line)) {
        if (line.find("\tMPEG 1\tLayer 3\t") != std::string::npos) {
            ++frameLines;
        }
    }
    EXPECT_EQ(frameLines, packets->size() + 1);
    EXPECT_THAT(listed.out, testing::HasSubstr("frames read: " + std::to_string(packets->size() + 1) + "\n"));
    const std::string firstAudio = "\n" + std::to_string(packets->front().offset) + '\t' +
                                   std::to_string(packets->front().size) + "\tMPEG 1\tLayer 3\t";
    EXPECT_THAT(listed.out, testing::HasSubstr(firstAudio));

    const CliRunResult json = RunMp3InfoCli({QString::fromStdString(m_path), QStringLiteral("--json")});
    ASSERT_EQ(json.status, kExitOk);
    const QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).object();
    EXPECT_FALSE(root.contains(QStringLiteral("frames")));
    EXPECT_TRUE(root.contains(QStringLiteral("summary")));
}

TEST_F(Mp3InfoCommandTest, UnreadableFilesFailAndBadArgumentsAreUsageErrors) {
    const CliRunResult missing = RunMp3InfoCli({QString::fromStdString(m_folder / "missing.mp3")});
    EXPECT_EQ(missing.status, kExitFailed);
    EXPECT_THAT(missing.err, testing::HasSubstr("CreateFile: '"));
    EXPECT_THAT(missing.err, testing::HasSubstr("Can't open the file."));
    EXPECT_EQ(missing.out, "");

    ASSERT_TRUE(test::WriteFile(m_folder / "noise.bin", std::string(5000, '\x12')));
    const CliRunResult noise = RunMp3InfoCli({QString::fromStdString(m_folder / "noise.bin")});
    EXPECT_EQ(noise.status, kExitFailed);
    EXPECT_THAT(noise.err, testing::HasSubstr("No frame found."));

    EXPECT_EQ(RunMp3InfoCli({}).status, kExitUsage);
    EXPECT_EQ(RunMp3InfoCli({QStringLiteral("a.mp3"), QStringLiteral("b.mp3")}).status, kExitUsage);
    EXPECT_EQ(RunMp3InfoCli({QStringLiteral("--bogus"), QString::fromStdString(m_path)}).status, kExitUsage);
}

} // namespace
} // namespace zk::cli

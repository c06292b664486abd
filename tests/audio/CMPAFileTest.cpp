// SPDX-License-Identifier: GPL-3.0-or-later
// The reader on streams built byte by byte, where every offset is known exactly. Files made by a
// real encoder are in MpaFileInfoTest.
#include "audio/CMPAFile.h"
#include "audio/CVBRIHeader.h"
#include "audio/CXINGHeader.h"
#include "support/FuzzDriver.h"
#include "support/Mp3Tools.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace zk::audio {
namespace {

using Error = CMPAException::Error;

// MPEG-1 Layer III, 44100 Hz, joint stereo; 417 bytes at 128 kbit/s, 104 at 32 kbit/s.
constexpr const char* kFrame128 = "\xFF\xFB\x90\x64";
constexpr const char* kFrame32 = "\xFF\xFB\x10\x64";
constexpr const char* kFrame48kHz = "\xFF\xFB\x94\x64";
constexpr const char* kFreeFormat = "\xFF\xFB\x00\x64";
constexpr int kSize128 = 417;

int FrameSize(const char* header) {
    return CMPAFrameHeader::Parse(reinterpret_cast<const std::uint8_t*>(header), {}).GetFrameSize();
}

// Whole frames whose filler never carries a sync; free-format frames need their size given.
std::string Frames(const char* header, int count, int size = 0) {
    std::string frame(header, 4);
    frame.resize(static_cast<std::size_t>(size > 0 ? size : FrameSize(header)), '\x55');
    std::string bytes;
    for (int i = 0; i < count; ++i) {
        bytes += frame;
    }
    return bytes;
}

void PutBigEndian(std::string& bytes, std::size_t at, std::uint32_t value, int count) {
    for (int i = 0; i < count; ++i) {
        bytes[at + static_cast<std::size_t>(i)] = static_cast<char>(value >> (8 * (count - 1 - i)));
    }
}

// A 128 kbit/s frame carrying a Xing or Info header with every field.
std::string XingFrame(const char* name, std::uint32_t frames, std::uint32_t bytes) {
    std::string frame(Frames(kFrame128, 1));
    const std::size_t at = 4 + 32;
    frame.replace(at, 4, name);
    PutBigEndian(frame, at + 4, 0xF, 4);
    PutBigEndian(frame, at + 8, frames, 4);
    PutBigEndian(frame, at + 12, bytes, 4);
    for (std::size_t i = 0; i < 100; ++i) {
        frame[at + 16 + i] = static_cast<char>(i * 2);
    }
    PutBigEndian(frame, at + 116, 57, 4);
    return frame;
}

std::string VbriFrame(std::uint32_t frames, std::uint32_t bytes, int entries, int entrySize) {
    std::string frame(Frames(kFrame128, 1));
    const std::size_t at = 36;
    frame.replace(at, 4, "VBRI");
    PutBigEndian(frame, at + 4, 1, 2);
    PutBigEndian(frame, at + 10, bytes, 4);
    PutBigEndian(frame, at + 14, frames, 4);
    PutBigEndian(frame, at + 18, static_cast<std::uint32_t>(entries), 2);
    PutBigEndian(frame, at + 20, 1, 2);
    PutBigEndian(frame, at + 22, static_cast<std::uint32_t>(entrySize), 2);
    PutBigEndian(frame, at + 24, 10, 2);
    return frame;
}

struct Opened {
    std::unique_ptr<CMPAFile> file;
    std::optional<Error> error;
    std::vector<Error> tagErrors;
};

Opened Open(const std::string& bytes, qint64 begin = 0, qint64 end = 0) {
    Opened opened;
    try {
        opened.file = std::make_unique<CMPAFile>(
            QByteArray::fromStdString(bytes), QStringLiteral("memory.mp3"), begin, end,
            [&opened](const CMPAException& error) { opened.tagErrors.push_back(error.GetErrorID()); });
    } catch (const CMPAException& error) {
        opened.error = error.GetErrorID();
    }
    return opened;
}

struct Stepped {
    std::vector<qint64> offsets;
    Error stop = Error::NoFrameFound;
};

Stepped StepAll(const CMPAFile& file) {
    Stepped stepped;
    CMPAFrameRef frame = file.GetFirstFrame();
    stepped.offsets.push_back(frame.GetOffset());
    for (;;) {
        try {
            frame = file.GetNextFrame(frame);
        } catch (const CMPAException& error) {
            stepped.stop = error.GetErrorID();
            return stepped;
        }
        stepped.offsets.push_back(frame.GetOffset());
    }
}

std::vector<qint64> Offsets(qint64 first, int count, int size = kSize128) {
    std::vector<qint64> offsets;
    for (int i = 0; i < count; ++i) {
        offsets.push_back(first + qint64{i} * size);
    }
    return offsets;
}

struct TagSeen {
    QString name;
    QString version;
    qint64 offset;
    qint64 size;
    bool operator==(const TagSeen&) const = default;
};

std::vector<TagSeen> Tags(const CMPAFile& file) {
    std::vector<TagSeen> tags;
    for (const auto& tag : file.GetTags()) {
        tags.push_back({tag->GetName(), tag->GetVersion(), tag->GetOffset(), tag->GetSize()});
    }
    return tags;
}

void PrintTo(const TagSeen& tag, std::ostream* out) {
    *out << tag.name.toStdString() << ' ' << tag.version.toStdString() << " @" << tag.offset << '+' << tag.size;
}

TEST(CMPAFileTest, FramesAreReadOnlyBetweenAnId3v2AtTheStartAndAnId3v1AtTheEnd) {
    const std::string id3v2 = test::Id3V2Tag(90, false);
    const std::string bytes = id3v2 + Frames(kFrame128, 10) + test::Id3V1Tag("title", 3);
    const Opened opened = Open(bytes);
    ASSERT_TRUE(opened.file) << static_cast<int>(*opened.error);
    const CMPAFile& file = *opened.file;
    EXPECT_EQ(file.GetBegin(), 100);
    EXPECT_EQ(file.GetEnd(), 100 + 10 * kSize128);
    EXPECT_EQ(Tags(file), (std::vector<TagSeen>{{QStringLiteral("ID3"), QStringLiteral("1.1"), 4270, 128},
                                                {QStringLiteral("ID3"), QStringLiteral("2.4.0"), 0, 100}}));
    const Stepped stepped = StepAll(file);
    EXPECT_EQ(stepped.offsets, Offsets(100, 10));
    EXPECT_EQ(stepped.stop, Error::NoFrameFound);
    EXPECT_EQ(file.GetLastFrame().GetOffset(), 100 + 9 * kSize128);
    EXPECT_TRUE(opened.tagErrors.empty());
}

// Tags at the end are stripped outermost first; Lyrics3 is looked for before and after APE, so
// either order of the two is found.
TEST(CMPAFileTest, EndTagsAreFoundInEitherOrderOfLyrics3AndApe) {
    const std::string audio = Frames(kFrame128, 4);
    const qint64 audioEnd = static_cast<qint64>(audio.size());
    const std::string ape = test::ApeTag("Song", true);
    const std::string apeV1 = test::ApeTag("Old", false, 1000);
    const std::string lyrics1 = test::Lyrics3V1Tag("la la la");
    const std::string lyrics2 = test::Lyrics3V2Tag("la la la");
    const std::string id3v1 = test::Id3V1Tag("t", 0);
    const auto size = [](const std::string& s) { return static_cast<qint64>(s.size()); };
    const QString id3 = QStringLiteral("ID3");
    const QString apeName = QStringLiteral("APE");
    const QString lyrics = QStringLiteral("Lyrics3");

    struct Case {
        std::string tail;
        std::vector<TagSeen> tags;
    };
    const Case cases[] = {
        {ape + lyrics2 + id3v1,
         {{id3, QStringLiteral("1.0"), audioEnd + size(ape) + size(lyrics2), 128},
          {lyrics, QStringLiteral("2.0"), audioEnd + size(ape), size(lyrics2)},
          {apeName, QStringLiteral("2.0"), audioEnd, size(ape)}}},
        {lyrics1 + ape + id3v1,
         {{id3, QStringLiteral("1.0"), audioEnd + size(lyrics1) + size(ape), 128},
          {apeName, QStringLiteral("2.0"), audioEnd + size(lyrics1), size(ape)},
          {lyrics, QStringLiteral("1.0"), audioEnd, size(lyrics1)}}},
        {apeV1 + test::Id3V2Tag(50, true),
         {{id3, QStringLiteral("2.4.0"), audioEnd + size(apeV1), 70},
          {apeName, QStringLiteral("1.0"), audioEnd, size(apeV1)}}},
        {lyrics2, {{lyrics, QStringLiteral("2.0"), audioEnd, size(lyrics2)}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.tail.substr(0, 11));
        const Opened opened = Open(audio + c.tail);
        ASSERT_TRUE(opened.file);
        EXPECT_EQ(Tags(*opened.file), c.tags);
        EXPECT_EQ(opened.file->GetEnd(), audioEnd);
        EXPECT_EQ(StepAll(*opened.file).offsets, Offsets(0, 4));
        EXPECT_TRUE(opened.tagErrors.empty());
    }

    // At the start: an ID3v2 tag, then an APE tag with its header.
    const Opened front = Open(test::Id3V2Tag(20, false) + ape + audio);
    ASSERT_TRUE(front.file);
    EXPECT_EQ(Tags(*front.file), (std::vector<TagSeen>{{id3, QStringLiteral("2.4.0"), 0, 30},
                                                       {apeName, QStringLiteral("2.0"), 30, size(ape)}}));
    EXPECT_EQ(StepAll(*front.file).offsets, Offsets(30 + size(ape), 4));
}

TEST(CMPAFileTest, CorruptLyrics3TagIsReportedAndTheOtherTagsAreStillFound) {
    std::string broken = test::Lyrics3V2Tag("words");
    broken.replace(broken.size() - 15, 6, "12x456");
    const std::string ape = test::ApeTag("Song", true);
    const std::string audio = Frames(kFrame128, 3);
    const Opened opened = Open(audio + broken + ape + test::Id3V1Tag("t", 1));
    ASSERT_TRUE(opened.file);
    EXPECT_EQ(opened.tagErrors, std::vector<Error>{Error::CorruptLyricsTag});
    ASSERT_EQ(opened.file->GetTags().size(), 2u);
    EXPECT_EQ(opened.file->GetTags()[1]->GetName(), QStringLiteral("APE"));
    // The unparsed tag stays in the audio range, where stepping stops before it.
    const Stepped stepped = StepAll(*opened.file);
    EXPECT_EQ(stepped.offsets, Offsets(0, 3));
    EXPECT_EQ(stepped.stop, Error::NoFrameInTolerance);

    // Version 1 without its begin marker, and a version 2 size pointing before the file.
    EXPECT_EQ(Open(audio + "LYRICSEND").tagErrors, std::vector<Error>{Error::CorruptLyricsTag});
    EXPECT_EQ(Open(audio + "999999LYRICS200").tagErrors, std::vector<Error>{Error::CorruptLyricsTag});
}

// Stray bytes are also tested on encoded files (MpaFileInfoTest); here the exact edges: four bytes
// are one beyond the tolerance search, and a frame a byte early is found at p - 1.
TEST(CMPAFileTest, ToleranceReachesThreeBytesEitherWay) {
    const Opened four = Open(Frames(kFrame128, 4) + std::string(4, '\0') + Frames(kFrame128, 3));
    ASSERT_TRUE(four.file);
    const Stepped stepped = StepAll(*four.file);
    EXPECT_EQ(stepped.offsets, Offsets(0, 4));
    EXPECT_EQ(stepped.stop, Error::NoFrameInTolerance);

    std::string early = Frames(kFrame128, 2);
    early.pop_back();
    const Opened opened = Open(early + Frames(kFrame128, 2));
    ASSERT_TRUE(opened.file);
    EXPECT_EQ(StepAll(*opened.file).offsets, (std::vector<qint64>{0, kSize128, 2 * kSize128 - 1, 3 * kSize128 - 1}));

    // Junk at the end: a try beyond the last four bytes is the end of the data.
    const Opened tail = Open(Frames(kFrame128, 3) + std::string(5, '\0'));
    ASSERT_TRUE(tail.file);
    const Stepped ended = StepAll(*tail.file);
    EXPECT_EQ(ended.offsets, Offsets(0, 3));
    EXPECT_EQ(ended.stop, Error::NoFrameFound);
}

TEST(CMPAFileTest, AChangeOfFormatEndsTheFileButBitRateChangesDoNot) {
    const Opened vbr = Open(Frames(kFrame128, 2) + Frames(kFrame32, 3) + Frames(kFrame128, 1));
    ASSERT_TRUE(vbr.file);
    const int small = FrameSize(kFrame32);
    EXPECT_EQ(StepAll(*vbr.file).offsets, (std::vector<qint64>{0, kSize128, 2 * kSize128, 2 * kSize128 + small,
                                                               2 * kSize128 + 2 * small, 2 * kSize128 + 3 * small}));

    const Opened changed = Open(Frames(kFrame128, 3) + Frames(kFrame48kHz, 3));
    ASSERT_TRUE(changed.file);
    const Stepped stepped = StepAll(*changed.file);
    EXPECT_EQ(stepped.offsets, Offsets(0, 3));
    EXPECT_EQ(stepped.stop, Error::IncompatibleHeader);
}

// A sync pattern in junk before the audio is no frame unless a frame follows it.
TEST(CMPAFileTest, FirstFrameNeedsAFollowingFrame) {
    std::string junk(300, '\x11');
    junk.replace(10, 4, kFrame128);
    const Opened opened = Open(junk + Frames(kFrame128, 3));
    ASSERT_TRUE(opened.file);
    EXPECT_EQ(opened.file->GetFirstFrame().GetOffset(), 300);

    // A lone frame needs no follower: nothing can follow it.
    const Opened single = Open(Frames(kFrame128, 1));
    ASSERT_TRUE(single.file);
    EXPECT_EQ(StepAll(*single.file).offsets, std::vector<qint64>{0});
}

TEST(CMPAFileTest, SearchForTheFirstFrameGivesUpAfter163840Bytes) {
    const Opened within = Open(std::string(163839, '\0') + Frames(kFrame128, 2));
    ASSERT_TRUE(within.file);
    EXPECT_EQ(within.file->GetFirstFrame().GetOffset(), 163839);
    EXPECT_EQ(Open(std::string(163840, '\0') + Frames(kFrame128, 2)).error, Error::NoFrameInTolerance);
}

TEST(CMPAFileTest, EmptyTruncatedAndFreeFormatStreamsCannotBeOpened) {
    EXPECT_EQ(Open("").error, Error::NoFrameFound);
    EXPECT_EQ(Open("\xFF\xFB\x90").error, Error::NoFrameFound);
    EXPECT_EQ(Open(std::string(1000, '\xFF')).error, Error::NoFrameFound);
    EXPECT_EQ(Open(Frames(kFrame128, 1).substr(0, 300)).error, Error::NoFrameFound) << "a cut frame is no frame";
    EXPECT_EQ(Open(Frames(kFreeFormat, 5, 400)).error, Error::FreeBitrate);
    EXPECT_EQ(Open(test::Id3V2Tag(10, false) + test::Id3V1Tag("only tags", 1)).error, Error::NoFrameFound);

    // A file cut inside its last frame hands out the whole frames only.
    const Opened cut = Open(Frames(kFrame128, 5).substr(0, 4 * kSize128 + 200));
    ASSERT_TRUE(cut.file);
    const Stepped stepped = StepAll(*cut.file);
    EXPECT_EQ(stepped.offsets, Offsets(0, 4));
    EXPECT_EQ(stepped.stop, Error::NoFrameInTolerance);
}

TEST(CMPAFileTest, BeginAndEndLimitTheFrames) {
    const std::string bytes = Frames(kFrame128, 8);
    const Opened opened = Open(bytes, 2 * kSize128, 6 * kSize128);
    ASSERT_TRUE(opened.file);
    EXPECT_EQ(StepAll(*opened.file).offsets, Offsets(2 * kSize128, 4));
    EXPECT_EQ(Open(bytes, 0, static_cast<qint64>(bytes.size()) + 1).error, Error::EndOfBuffer);
    EXPECT_EQ(Open(bytes, 500, 400).error, Error::EndOfBuffer);
}

// With a VBR header the summary is the header's, however many frames the file holds.
TEST(CMPAFileTest, XingAndVbriHeadersGiveTheSummaryWithoutReadingFrames) {
    for (const char* name : {"Xing", "Info"}) {
        const Opened opened = Open(XingFrame(name, 1000, 123456) + Frames(kFrame128, 3));
        ASSERT_TRUE(opened.file);
        const CVBRHeader* vbr = opened.file->GetVBRHeader();
        ASSERT_NE(vbr, nullptr);
        EXPECT_EQ(vbr->GetName(), QLatin1StringView(name));
        EXPECT_EQ(vbr->GetOffset(), 36);
        EXPECT_EQ(vbr->GetFrames(), 1000u);
        EXPECT_EQ(vbr->GetBytes(), 123456u);
        ASSERT_EQ(vbr->GetTOC().size(), 100u);
        EXPECT_EQ(vbr->GetTOC()[99], 198u);
        EXPECT_EQ(static_cast<const CXINGHeader*>(vbr)->GetQuality(), 57);
        EXPECT_TRUE(opened.file->IsSummaryFromVBRHeader());
        EXPECT_EQ(opened.file->GetFrameCount(), 1000);
        EXPECT_EQ(opened.file->GetBytes(), 123456);
        EXPECT_DOUBLE_EQ(opened.file->GetLengthSeconds(), 1000 * 1152.0 / 44100.0);
        // The header's frame is still the first frame handed out.
        EXPECT_EQ(StepAll(*opened.file).offsets, Offsets(0, 4));
    }

    const Opened vbri = Open(VbriFrame(500, 99999, 20, 2) + Frames(kFrame128, 2));
    ASSERT_TRUE(vbri.file);
    const auto* header = dynamic_cast<const CVBRIHeader*>(vbri.file->GetVBRHeader());
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->GetName(), QStringLiteral("VBRI"));
    EXPECT_EQ(header->GetTOC().size(), 20u);
    EXPECT_EQ(header->GetFramesPerTOCEntry(), 10);
    EXPECT_EQ(vbri.file->GetFrameCount(), 500);
}

// A header that does not fit into its frame is not trusted; the stream counts as constant rate.
TEST(CMPAFileTest, VbrHeadersThatDoNotFitTheFrameAreIgnored) {
    const Opened table = Open(VbriFrame(500, 99999, 400, 4) + Frames(kFrame128, 2));
    ASSERT_TRUE(table.file);
    EXPECT_EQ(table.file->GetVBRHeader(), nullptr);
    EXPECT_FALSE(table.file->IsSummaryFromVBRHeader());

    std::string small = Frames(kFrame32, 3);
    small.replace(36, 8, std::string("Xing\0\0\0\x0F", 8));
    const Opened xing = Open(small);
    ASSERT_TRUE(xing.file);
    EXPECT_EQ(xing.file->GetVBRHeader(), nullptr);
    EXPECT_EQ(xing.file->GetFrameCount(), 3);
}

// Without a VBR header the summary comes from the bit rate; a quiet low-rate start is looked past.
TEST(CMPAFileTest, ConstantRateSummaryLooksPastALowRateStart) {
    const Opened cbr = Open(Frames(kFrame128, 20));
    ASSERT_TRUE(cbr.file);
    EXPECT_EQ(cbr.file->GetFrameCount(), 20);
    EXPECT_NEAR(cbr.file->GetLengthSeconds(), 20 * kSize128 * 8 / 128000.0, 1e-9);

    const int small = FrameSize(kFrame32);
    const Opened quiet = Open(Frames(kFrame32, 3) + Frames(kFrame128, 20));
    ASSERT_TRUE(quiet.file);
    const double bytes = 3 * small + 20 * kSize128;
    EXPECT_EQ(quiet.file->GetBytes(), static_cast<qint64>(bytes));
    EXPECT_NEAR(quiet.file->GetLengthSeconds(), bytes * 8 / 128000.0, 1e-9) << "the rate of the first loud frame";

    const Opened allQuiet = Open(Frames(kFrame32, 40) + Frames(kFrame128, 5));
    ASSERT_TRUE(allQuiet.file);
    EXPECT_NEAR(allQuiet.file->GetLengthSeconds(), (40.0 * small + 5 * kSize128) * 8 / 32000.0, 1e-9)
        << "only 26 further frames are looked at";
}

TEST(CMPAFileTest, LastFrameIsFoundSearchingBackFromTheEnd) {
    const Opened opened = Open(Frames(kFrame128, 6) + "\0\0");
    ASSERT_TRUE(opened.file);
    EXPECT_EQ(opened.file->GetLastFrame().GetOffset(), 5 * kSize128);
    const CMPAFrameRef last = opened.file->GetLastFrame();
    const QByteArray data = last.ReadData();
    EXPECT_EQ(data.size(), kSize128);
    EXPECT_EQ(data.left(4), QByteArray(kFrame128, 4));
}

// The file reader moves a window over the file; it must hand out what the memory reader does,
// forwards and backwards across window borders.
TEST(CMPAFileTest, FileAndMemoryReadersAgree) {
    const std::string bytes = test::Id3V2Tag(1000, false) + Frames(kFrame128, 200) + Frames(kFrame32, 50) +
                              Frames(kFrame128, 200) + test::ApeTag("x", true) + test::Id3V1Tag("t", 2);
    test::TempFolder folder;
    ASSERT_TRUE(test::WriteFile(folder / "big.mp3", bytes));
    const CMPAFile fromFile(QString::fromStdString(folder / "big.mp3"));
    const Opened fromMemory = Open(bytes);
    ASSERT_TRUE(fromMemory.file);
    const Stepped stepped = StepAll(fromFile);
    EXPECT_EQ(stepped.offsets, StepAll(*fromMemory.file).offsets);
    EXPECT_EQ(stepped.offsets.size(), 450u);
    EXPECT_EQ(fromFile.GetLastFrame().GetOffset(), stepped.offsets.back());
    EXPECT_EQ(fromFile.GetTags().size(), 3u);
    EXPECT_EQ(fromFile.GetFirstFrame().ReadData(), QByteArray::fromStdString(bytes.substr(1010, kSize128)));
}

// Any bytes: the reader opens or throws, and whatever it hands out lies inside the file, in order.
TEST(CMPAFileTest, SurvivesMutatedStreams) {
    const std::vector<std::string> seeds = {
        test::Id3V2Tag(30, false) + XingFrame("Xing", 9, 4000) + Frames(kFrame128, 4) + test::Id3V1Tag("x", 1),
        VbriFrame(3, 2000, 8, 2) + Frames(kFrame32, 6) + test::ApeTag("v", true) + test::Lyrics3V2Tag("words"),
        Frames(kFrame128, 2) + "\0" + Frames(kFrame128, 2) + test::Lyrics3V1Tag("x") + test::ApeTag("v", false),
        Frames("\xFF\xF3\x82\xC0", 6) + test::Id3V2Tag(10, true),
        Frames("\xFF\xFF\xC0\x00", 4) + Frames("\xFF\xFD\xA4\x00", 3),
        Frames(kFreeFormat, 3, 400),
    };
    std::size_t opened = 0;
    test::RunMutations(seeds, 100000, 13, [&](std::string_view input) {
        const std::string bytes(input);
        Opened result = Open(bytes);
        if (!result.file) {
            return;
        }
        ++opened;
        const CMPAFile& file = *result.file;
        const auto size = static_cast<qint64>(bytes.size());
        ASSERT_LE(0, file.GetBegin());
        ASSERT_LE(file.GetEnd(), size);
        for (const auto& tag : file.GetTags()) {
            ASSERT_GE(tag->GetOffset(), 0);
            ASSERT_LE(tag->GetOffset() + tag->GetSize(), size);
        }
        ASSERT_TRUE(std::isfinite(file.GetLengthSeconds()));
        qint64 previous = -1;
        CMPAFrameRef frame = file.GetFirstFrame();
        for (;;) {
            ASSERT_GT(frame.GetOffset(), previous);
            ASSERT_GE(frame.GetOffset(), file.GetBegin());
            ASSERT_LE(frame.GetEnd(), file.GetEnd());
            previous = frame.GetOffset();
            try {
                frame = file.GetNextFrame(frame);
            } catch (const CMPAException&) {
                break;
            }
        }
        try {
            ASSERT_LE(file.GetLastFrame().GetEnd(), file.GetEnd());
        } catch (const CMPAException&) {
        }
    });
    EXPECT_GT(opened, 10000u) << "the mutations should mostly keep a readable stream";
}

} // namespace
} // namespace zk::audio

// SPDX-License-Identifier: GPL-3.0-or-later
#include "label/QrEncoder.h"

#include "label/QrBitmap.h"
#include "support/FuzzDriver.h"
#include "support/QrScan.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace zk::label {
namespace {

using Segments = std::vector<QrSegment>;
constexpr QrMode kNumeric = QrMode::Numeric;
constexpr QrMode kAlphanumeric = QrMode::Alphanumeric;
constexpr QrMode kEightBit = QrMode::EightBit;
constexpr QrMode kKanji = QrMode::Kanji;

bool Encode(QrEncoder& encoder, const std::string& data, int level = kQrLevelL, int version = kQrChooseVersion,
            bool autoExtend = true, int mask = kQrChooseMask) {
    return encoder.EncodeData(level, version, autoExtend, mask, data.data(), static_cast<int>(data.size()));
}

// Two pixels per module are enough for zbar and keep the scans quick.
std::optional<std::string> ScanBytes(const QrEncoder& encoder) {
    return test::ScanQrBytes(ScaleQrBitmap(RenderQrBitmap(encoder), 2));
}

std::vector<std::uint8_t> RowMajor(const QrEncoder& encoder) {
    const int size = encoder.SymbolSize();
    std::vector<std::uint8_t> modules(static_cast<std::size_t>(size * size));
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            modules[static_cast<std::size_t>(y * size + x)] = encoder.Module(x, y);
        }
    }
    return modules;
}

// The four penalty rules read module by module, straight from their wording; outside is light.
int ReferenceScore(const std::vector<std::uint8_t>& modules, int n) {
    auto at = [&](int x, int y) -> int { return x < 0 || y < 0 || x >= n || y >= n ? 0 : modules[y * n + x]; };
    int score = 0;
    for (int line = 0; line < n; ++line) {
        for (int across = 0; across < 2; ++across) {
            auto get = [&](int i) { return across ? at(i, line) : at(line, i); };
            for (int i = 1, run = 1; i <= n; ++i) {
                if (i < n && get(i) == get(i - 1)) {
                    ++run;
                    continue;
                }
                score += run >= 5 ? run - 2 : 0;
                run = 1;
            }
            static const int kFinder[7] = {1, 0, 1, 1, 1, 0, 1};
            for (int p = 0; p + 7 <= n; ++p) {
                bool match = get(p - 1) == 0 && get(p + 7) == 0;
                for (int k = 0; k < 7 && match; ++k) {
                    match = get(p + k) == kFinder[k];
                }
                const bool darkBefore = get(p - 2) || get(p - 3) || get(p - 4);
                const bool darkAfter = get(p + 8) || get(p + 9) || get(p + 10);
                score += match && !(darkBefore && darkAfter) ? 40 : 0;
            }
        }
    }
    int dark = 0;
    for (int y = 0; y < n; ++y) {
        for (int x = 0; x < n; ++x) {
            dark += at(x, y);
            const int c = at(x, y);
            if (x + 1 < n && y + 1 < n && at(x + 1, y) == c && at(x, y + 1) == c && at(x + 1, y + 1) == c) {
                score += 3;
            }
        }
    }
    return score + std::abs(50 - (n * n - dark) * 100 / (n * n)) / 5 * 10;
}

// Text of a length that needs most of the given version at the level, in one kind of data.
std::string FillVersion(int version, int level, int kind, std::mt19937& random) {
    static const char kAlphanumeric[] = "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ $%*+-./:";
    const int bits = (QrVersion(version).dataCodewords[level] - 3) * 8;
    const int length = kind == 0 ? bits * 3 / 10 - 3 : kind == 1 ? bits * 2 / 11 - 2 : bits / 8;
    std::string text;
    for (int i = 0; i < std::max(1, length); ++i) {
        const int pick = kind == 3 ? static_cast<int>(random() % 3) : kind;
        text += pick == 0   ? static_cast<char>('0' + random() % 10)
                : pick == 1 ? kAlphanumeric[random() % 45]
                            : static_cast<char>(random());
    }
    return text;
}

TEST(QrEncoderTest, TenDigitsMakeOneNumericSegmentInVersionOne) {
    QrEncoder encoder;
    ASSERT_TRUE(encoder.EncodeData(kQrLevelL, kQrChooseVersion, true, kQrChooseMask, "0123456789", 0));
    EXPECT_EQ(encoder.Version(), 1);
    EXPECT_EQ(encoder.SymbolSize(), 21);
    EXPECT_EQ(encoder.Segments(), (Segments{{kNumeric, 10}}));
    EXPECT_EQ(ScanBytes(encoder), "0123456789");
}

TEST(QrEncoderTest, SeventeenCharacterIdsFitVersionOneAsAlphanumericOrBytes) {
    struct Case {
        std::string id;
        Segments segments;
    };
    for (const Case& c : {Case{"ABCDEFGHJKLMNPQRS", {{kAlphanumeric, 17}}},
                          Case{"ZKAB1234567890CDE", {{kAlphanumeric, 4}, {kNumeric, 10}, {kAlphanumeric, 3}}},
                          Case{"abcdefghjkmnpqrst", {{kEightBit, 17}}}, // 4 + 8 + 136 = 148 of 152 bits
                          Case{"zk-ab12-cd34-ef56", {{kEightBit, 17}}}}) {
        QrEncoder encoder;
        ASSERT_TRUE(Encode(encoder, c.id)) << c.id;
        EXPECT_EQ(encoder.Version(), 1) << c.id;
        EXPECT_EQ(encoder.Segments(), c.segments) << c.id;
        EXPECT_EQ(ScanBytes(encoder), c.id);
    }
}

TEST(QrEncoderTest, SameInputGivesTheSameSymbolEvenOnAReusedEncoder) {
    const std::string inputs[] = {"ZKAB1234567890CDE", "http://192.168.1.10:8080/", std::string(300, '7') + "x"};
    QrEncoder reused;
    for (const std::string& input : inputs) {
        QrEncoder first;
        ASSERT_TRUE(Encode(first, input));
        // Something else encoded in between must leave nothing behind.
        ASSERT_TRUE(Encode(reused, std::string(500, 'q') + input));
        ASSERT_TRUE(Encode(reused, input));
        EXPECT_EQ(reused.Segments(), first.Segments());
        EXPECT_EQ(reused.Version(), first.Version());
        EXPECT_EQ(reused.MaskNumber(), first.MaskNumber());
        EXPECT_EQ(RowMajor(reused), RowMajor(first)) << input;
    }
}

TEST(QrEncoderTest, ScoreFollowsTheFourPenaltyRules) {
    // All light: 42 lines with a run of 21 (19 each), 400 blocks, 100 % light.
    const int n = 21;
    std::vector<std::uint8_t> modules(n * n, 0);
    EXPECT_EQ(QrEncoder::Score(modules.data(), n), 42 * 19 + 400 * 3 + 100);
    // A checkerboard has no runs, blocks or finder patterns, and 220 of 441 light modules (49 %).
    for (int i = 0; i < n * n; ++i) {
        modules[i] = static_cast<std::uint8_t>((i % n + i / n) % 2 == 0);
    }
    EXPECT_EQ(QrEncoder::Score(modules.data(), n), 0);
    EXPECT_EQ(QrEncoder::Score(modules.data(), 0), -1);
    EXPECT_EQ(QrEncoder::Score(modules.data(), 178), -1);

    // Lines made of short random runs are full of finder-like patterns near and away from the edges.
    std::mt19937 random(3);
    for (int trial = 0; trial < 300; ++trial) {
        const int size = 21 + 4 * static_cast<int>(random() % 40);
        std::vector<std::uint8_t> matrix(static_cast<std::size_t>(size * size));
        std::uint8_t colour = 0;
        for (std::size_t i = 0; i < matrix.size();) {
            static const int kRuns[] = {1, 1, 1, 3, 4, 5, 7};
            for (int run = kRuns[random() % 7]; run > 0 && i < matrix.size(); --run) {
                matrix[i++] = colour;
            }
            colour ^= 1;
        }
        if (trial % 2) {
            std::reverse(matrix.begin(), matrix.end());
        }
        ASSERT_EQ(QrEncoder::Score(matrix.data(), size), ReferenceScore(matrix, size)) << "trial " << trial;
    }
}

TEST(QrEncoderTest, ChosenMaskHasTheLowestScoreAndTiesGoToTheLowerNumber) {
    std::mt19937 random(7);
    int ties = 0;
    for (int trial = 0; trial < 150; ++trial) {
        const std::string input = FillVersion(1 + trial % 6, trial % 4, trial % 4, random).substr(0, 1 + trial % 40);
        QrEncoder chosen;
        ASSERT_TRUE(Encode(chosen, input, trial % 4));
        const auto& scores = chosen.MaskScores();
        const int lowest = *std::min_element(scores.begin(), scores.end());
        EXPECT_EQ(chosen.MaskNumber(), std::find(scores.begin(), scores.end(), lowest) - scores.begin());
        ties += std::count(scores.begin(), scores.end(), lowest) > 1;
        // Each score is that of the finished symbol drawn with the mask.
        for (int mask = 0; mask < kQrMaskCount; ++mask) {
            QrEncoder forced;
            ASSERT_TRUE(Encode(forced, input, trial % 4, chosen.Version(), false, mask));
            EXPECT_EQ(forced.MaskNumber(), mask);
            const std::vector<std::uint8_t> modules = RowMajor(forced);
            EXPECT_EQ(scores[mask], ReferenceScore(modules, forced.SymbolSize())) << "mask " << mask;
            if (mask == chosen.MaskNumber()) {
                EXPECT_EQ(modules, RowMajor(chosen));
            }
        }
    }
    EXPECT_GT(ties, 0) << "no input had equal best scores; the tie rule went untested";
}

TEST(QrEncoderTest, ShiftJisInputUsesKanjiModeOnlyWithTheSwitchOn) {
    const std::string shiftJis = "\x93\xfa\x96\x7b\x8c\xea"
                                 "ABC"; // 日本語ABC
    QrEncoder kanji(QrKanji::ShiftJis);
    ASSERT_TRUE(Encode(kanji, shiftJis));
    EXPECT_EQ(kanji.Segments(), (Segments{{kKanji, 6}, {kAlphanumeric, 3}}));
    // Readers turn Kanji mode into text as Shift JIS.
    const QImage image = ScaleQrBitmap(RenderQrBitmap(kanji), 2);
    EXPECT_EQ(test::ScanQrText(image), "日本語ABC");
    EXPECT_EQ(test::ScanQrBytes(image), shiftJis);

    QrEncoder bytes;
    ASSERT_TRUE(Encode(bytes, shiftJis));
    EXPECT_EQ(bytes.Segments(), (Segments{{kEightBit, 9}}));
    EXPECT_EQ(ScanBytes(bytes), shiftJis);

    // The ends of both Kanji ranges, and pairs just outside them.
    for (const std::string pair :
         {"\x81\x40", "\x9f\xfc", "\xe0\x40", "\xeb\xbf", "\x81\x3f", "\x9f\xfd", "\xeb\xc0", "\xa0\x80", "\xec\x40"}) {
        QrEncoder encoder(QrKanji::ShiftJis);
        ASSERT_TRUE(Encode(encoder, pair));
        const bool inRange = pair == "\x81\x40" || pair == "\x9f\xfc" || pair == "\xe0\x40" || pair == "\xeb\xbf";
        EXPECT_EQ(encoder.Segments().front().mode, inRange ? kKanji : kEightBit);
    }
}

TEST(QrEncoderTest, ChineseUtf8TextScansBackUnchangedBecauseKanjiModeIsOff) {
    const QString text = QStringLiteral("前门摄像机 ZK-2024 设备编号");
    const std::string utf8 = text.toStdString();
    // With the switch on, UTF-8 byte pairs fall into the Kanji ranges and would be read as Shift JIS.
    QrEncoder kanji(QrKanji::ShiftJis);
    ASSERT_TRUE(Encode(kanji, utf8));
    EXPECT_TRUE(std::any_of(kanji.Segments().begin(), kanji.Segments().end(),
                            [](const QrSegment& s) { return s.mode == kKanji; }));

    QrEncoder plain;
    ASSERT_TRUE(plain.EncodeText(text));
    for (const QrSegment& segment : plain.Segments()) {
        EXPECT_NE(segment.mode, kKanji);
    }
    const QImage image = ScaleQrBitmap(RenderQrBitmap(plain), 2);
    EXPECT_EQ(test::ScanQrBytes(image), utf8);
    EXPECT_EQ(test::ScanQrText(image), utf8);
    // Encoding a text never uses Kanji mode, even on an encoder made for Shift JIS.
    ASSERT_TRUE(kanji.EncodeText(text));
    EXPECT_EQ(ScanBytes(kanji), utf8);
    for (const QrSegment& segment : kanji.Segments()) {
        EXPECT_NE(segment.mode, kKanji);
    }
}

TEST(QrEncoderTest, LargestInputsOfEachModeFitVersion40LAndOneMoreFails) {
    struct Case {
        char fill;
        int longest;
        int level;
    };
    for (const Case& c : {Case{'\xa5', 2953, kQrLevelL}, Case{'7', 7089, kQrLevelL}, Case{'Q', 4296, kQrLevelL},
                          Case{'x', 1273, kQrLevelH}}) {
        QrEncoder encoder;
        const std::string longest(static_cast<std::size_t>(c.longest), c.fill);
        ASSERT_TRUE(Encode(encoder, longest, c.level)) << c.fill;
        EXPECT_EQ(encoder.Version(), 40);
        EXPECT_EQ(encoder.Segments().size(), 1u);
        EXPECT_EQ(ScanBytes(encoder), longest) << c.fill;
        EXPECT_FALSE(Encode(encoder, longest + c.fill, c.level)) << c.fill;
        EXPECT_FALSE(encoder.HasSymbol());
        EXPECT_EQ(encoder.SymbolSize(), 0);
    }
    QrEncoder encoder;
    EXPECT_FALSE(encoder.EncodeText(QString(8000, u'1')));
    EXPECT_FALSE(encoder.EncodeText(QString(2000, u'é'))); // 4000 UTF-8 bytes
}

TEST(QrEncoderTest, EmptySourcesAndArgumentsOutOfRangeFail) {
    QrEncoder encoder;
    ASSERT_TRUE(Encode(encoder, "HELLO"));
    EXPECT_FALSE(encoder.EncodeData(kQrLevelL, 0, true, -1, "", 0));
    EXPECT_FALSE(encoder.HasSymbol()) << "a failed encoding must not leave the previous symbol";
    EXPECT_FALSE(encoder.EncodeData(kQrLevelL, 0, true, -1, nullptr, 5));
    EXPECT_FALSE(encoder.EncodeText(QString()));
    // Level, version or mask out of range.
    for (const auto& [level, version, mask] :
         {std::tuple{4, 0, -1}, {-1, 0, -1}, {0, 41, -1}, {0, -1, -1}, {0, 0, 8}, {0, 0, -2}}) {
        EXPECT_FALSE(encoder.EncodeData(level, version, true, mask, "A", 1)) << level << ' ' << version << ' ' << mask;
    }

    // A length of 0 or less measures the zero-terminated string; a given length keeps zero bytes.
    ASSERT_TRUE(encoder.EncodeData(kQrLevelL, 0, true, -1, "HELLO\0WORLD", -3));
    EXPECT_EQ(ScanBytes(encoder), "HELLO");
    ASSERT_TRUE(encoder.EncodeData(kQrLevelL, 0, true, -1, "HELLO\0WORLD", 11));
    EXPECT_EQ(ScanBytes(encoder), std::string("HELLO\0WORLD", 11));
}

TEST(QrEncoderTest, RequestedVersionIsTheSmallestAllowedAndAutoExtendMayGoBeyond) {
    QrEncoder encoder;
    ASSERT_TRUE(Encode(encoder, "A", kQrLevelM, 5, false, 6));
    EXPECT_EQ(encoder.Version(), 5);
    EXPECT_EQ(encoder.MaskNumber(), 6);
    EXPECT_EQ(ScanBytes(encoder), "A");

    const std::string thirty(30, 'z'); // 4 + 8 + 240 bits: version 2 at level L
    EXPECT_FALSE(Encode(encoder, thirty, kQrLevelL, 1, false));
    ASSERT_TRUE(Encode(encoder, thirty, kQrLevelL, 1, true));
    EXPECT_EQ(encoder.Version(), 2);
    // A request in a later version group still gets that group's count widths.
    ASSERT_TRUE(Encode(encoder, thirty, kQrLevelL, 12, false));
    EXPECT_EQ(encoder.Version(), 12);
    EXPECT_EQ(ScanBytes(encoder), thirty);
}

// Symbols of every version and level, filled with numeric, alphanumeric, byte and mixed data,
// read back by zbar.
TEST(QrEncoderTest, GeneratedSymbolsOfEveryVersionLevelAndModeDecodeToTheirInput) {
    std::mt19937 random(11);
    int decoded = 0;
    for (int version = 1; version <= kQrMaxVersion; ++version) {
        for (int level = 0; level < kQrLevelCount; ++level) {
            for (int kind = 0; kind < 4; ++kind) {
                // Level L in every version; the others in every third one.
                if (level != kQrLevelL && (version + kind) % 3 != 0) {
                    continue;
                }
                const std::string input = FillVersion(version, level, kind, random);
                QrEncoder encoder(kind == 3 ? QrKanji::ShiftJis : QrKanji::AsBytes);
                ASSERT_TRUE(Encode(encoder, input, level));
                EXPECT_EQ(encoder.Version(), version) << "level " << level << " kind " << kind;
                EXPECT_EQ(ScanBytes(encoder), input) << "version " << version << " level " << level << " kind " << kind;
                ++decoded;
            }
        }
    }
    EXPECT_GT(decoded, 250);
}

// Device identifiers and names come from the network: any bytes must encode to a well-formed symbol
// that reads back as the same bytes.
TEST(QrEncoderTest, AnyBytesEncodeToAWellFormedSymbol) {
    const std::vector<std::string> seeds = {"ZKAB1234567890CDE",        "0123456789",         "http://192.168.1.10/",
                                            "\x93\xfa\x96\x7b\x8c\xea", "前门摄像机 ZK-2024", "a1B2$%*+-./: "};
    int scanned = 0;
    int count = 0;
    test::RunMutations(
        seeds, 100000, 2024,
        [&](std::string_view input) {
            const bool shiftJis = input.size() % 2 == 0;
            QrEncoder encoder(shiftJis ? QrKanji::ShiftJis : QrKanji::AsBytes);
            // Scoring all masks dominates the time and does not depend on the input's bytes, so most
            // inputs are drawn with a given mask.
            const int mask = ++count % 16 == 0 ? kQrChooseMask : count % kQrMaskCount;
            const bool ok = encoder.EncodeData(kQrLevelL, kQrChooseVersion, true, mask, input.data(),
                                               static_cast<int>(input.size()));
            // Up to 160 bytes always fit; only an empty input fails.
            ASSERT_EQ(ok, !input.empty());
            if (!ok) {
                return;
            }
            const int size = encoder.SymbolSize();
            ASSERT_EQ(size, 17 + 4 * encoder.Version());
            int covered = 0;
            for (const QrSegment& segment : encoder.Segments()) {
                covered += segment.lengthBytes;
            }
            ASSERT_EQ(covered, static_cast<int>(input.size()));
            // Finder pattern corners, the dark module and the timing pattern.
            const std::pair<int, int> dark[] = {{0, 0}, {size - 1, 0}, {0, size - 1}, {8, size - 8}};
            for (const auto& [x, y] : dark) {
                ASSERT_EQ(encoder.Module(x, y), 1);
            }
            for (int i = 8; i < size - 8; ++i) {
                ASSERT_EQ(encoder.Module(i, 6), (i + 1) % 2);
                ASSERT_EQ(encoder.Module(6, i), (i + 1) % 2);
            }
            if (++scanned % 1000 == 0) {
                ASSERT_EQ(ScanBytes(encoder), std::string(input));
            }
        },
        160);
    EXPECT_GT(scanned, 90000);
}

} // namespace
} // namespace zk::label

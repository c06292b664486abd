// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/TitleCodec.h"

#include "platform/TextCodec.h"
#include "support/FuzzDriver.h"

#include <gtest/gtest.h>

#include <random>

namespace zk::base {
namespace {

// The decoder devices' titles were first read with: hexadecimal pairs into bytes, then every byte
// with the top bit set taken as the start of a three-byte sequence. The tool's decoder must agree
// with it wherever that reading was right (ASCII and three-byte characters).
QString ThreeByteOnlyDecode(std::string_view hex) {
    auto value = [](char c) {
        if (c >= '0' && c <= '9') {
            return c - '0';
        }
        if (c >= 'a' && c <= 'f') {
            return c - 'a' + 10;
        }
        if (c >= 'A' && c <= 'F') {
            return c - 'A' + 10;
        }
        return 0;
    };
    unsigned char bytes[513] = {}; // two spare zero bytes for a sequence cut at the end
    for (std::size_t i = 0, j = 0; i < hex.size() && j < 510; i += 2, ++j) {
        bytes[j] = static_cast<unsigned char>(value(hex[i]) * 16 + (i + 1 < hex.size() ? value(hex[i + 1]) : 0));
    }
    QString text;
    for (std::size_t i = 0; i < 510 && bytes[i] != 0;) {
        if (bytes[i] < 0x80) {
            text += QChar(static_cast<char16_t>(bytes[i]));
            i += 1;
        } else {
            text += QChar(static_cast<char16_t>(((bytes[i] & 0x0F) << 12) | ((bytes[i + 1] & 0x3F) << 6) |
                                                (bytes[i + 2] & 0x3F)));
            i += 3;
        }
    }
    return text;
}

TEST(TitleCodecTest, EncodesEveryUtf8ByteAsTwoLowerCaseDigits) {
    EXPECT_EQ(EncodeTitleHex(QStringLiteral("Camera")), "43616d657261");
    EXPECT_EQ(EncodeTitleHex(QStringLiteral("摄像机")), "e69184e5838fe69cba");
    EXPECT_EQ(EncodeTitleHex(QString()), "");
    EXPECT_EQ(EncodeTitleHexFromAnsi(platform::WideToAnsi(QStringLiteral("门口"))),
              EncodeTitleHex(QStringLiteral("门口")));
}

TEST(TitleCodecTest, ChineseRussianAccentedAndEmojiTitlesRoundTrip) {
    for (const QString& title :
         {QStringLiteral("Camera"), QStringLiteral("前门摄像机 1"), QStringLiteral("Камера у входа"),
          QStringLiteral("Caméra façade"), QStringLiteral("카메라"), QStringLiteral("Cam 📷🚪")}) {
        EXPECT_EQ(DecodeTitleHex(EncodeTitleHex(title)), title) << title.toStdString();
    }
}

TEST(TitleCodecTest, ARussianTitleDoesNotSwallowTheFollowingCharacters) {
    // "Кам" is three two-byte sequences; read as three-byte ones it turned into two wrong characters.
    EXPECT_EQ(DecodeTitleHex("d09ad0b0d0bc41"), QStringLiteral("КамA"));
}

TEST(TitleCodecTest, AgreesWithTheThreeByteReadingOnAsciiAndCjkTitles) {
    std::mt19937 random(20250106);
    std::uniform_int_distribution<int> kind(0, 2);
    for (int round = 0; round < 2000; ++round) {
        QString title;
        const int length = round % 40;
        for (int i = 0; i < length; ++i) {
            switch (kind(random)) {
            case 0:
                title += QChar(static_cast<char16_t>(0x20 + random() % 0x5F));
                break;
            case 1:
                title += QChar(static_cast<char16_t>(0x4E00 + random() % 0x51A5)); // CJK ideographs
                break;
            default:
                title += QChar(static_cast<char16_t>(0xAC00 + random() % 0x2BA4)); // Hangul syllables
                break;
            }
        }
        const std::string hex = EncodeTitleHex(title);
        ASSERT_EQ(DecodeTitleHex(hex), ThreeByteOnlyDecode(hex)) << hex;
        ASSERT_EQ(DecodeTitleHex(hex), title);
    }
}

TEST(TitleCodecTest, ReadsDigitsOfEitherCaseAndCountsOtherCharactersAsZero) {
    EXPECT_EQ(DecodeTitleHex("43616D657261"), QStringLiteral("Camera"));
    EXPECT_EQ(DecodeTitleHex("4g41"), QStringLiteral("@A")) << "\"g\" counts 0, so 4g is 0x40";
    EXPECT_EQ(DecodeTitleHex("414"), QStringLiteral("A@")) << "a lone last digit pairs with 0";
    EXPECT_EQ(DecodeTitleHex("41004243"), QStringLiteral("A")) << "the title ends at its first zero byte";
    EXPECT_EQ(DecodeTitleHex("zz41"), QString()) << "a pair of non-digits is a zero byte";
    EXPECT_EQ(DecodeTitleHex(""), QString());
}

TEST(TitleCodecTest, InvalidUtf8BecomesTheReplacementCharacter) {
    const QString decoded = DecodeTitleHex("41ff42");
    EXPECT_EQ(decoded, QStringLiteral("A\uFFFDB"));
    EXPECT_EQ(DecodeTitleHex("41e69c"), QStringLiteral("A\uFFFD")) << "a sequence cut at the end";
}

TEST(TitleCodecTest, DecodesAtMost510BytesOfAnyInput) {
    EXPECT_EQ(DecodeTitleHex(std::string(5000, '4')).size(), static_cast<qsizetype>(kTitleDecodeMaxBytes));
    const std::vector<std::string> seeds = {"43616d657261", EncodeTitleHex(QStringLiteral("前门 Камера 📷")),
                                            "f09f93b7e69184", "c0afed a080"};
    test::RunMutations(seeds, 100000, 2, [](std::string_view input) {
        const QString title = DecodeTitleHex(input);
        ASSERT_LE(title.size(), static_cast<qsizetype>(kTitleDecodeMaxBytes));
        const std::string hex = EncodeTitleHex(title);
        if (hex.size() <= 2 * kTitleDecodeMaxBytes) {
            ASSERT_EQ(DecodeTitleHex(hex), title) << "a decoded title must survive being stored again";
        }
    });
}

} // namespace
} // namespace zk::base

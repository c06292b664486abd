// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TextCodec.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace zk::platform {
namespace {

TEST(TextCodecTest, ChineseTextRoundTripsThroughCodePage936) {
    const QString text = QStringLiteral("中文测试 IPC-摄像机 ABC123");
    const std::string ansi = WideToAnsi(text);
    EXPECT_EQ(ansi.substr(0, 8), "\xD6\xD0\xCE\xC4\xB2\xE2\xCA\xD4");
    EXPECT_EQ(AnsiToWide(ansi), text);
}

TEST(TextCodecTest, AsciiIsUnchangedBothWays) {
    std::string ascii;
    for (int c = 1; c < 0x80; ++c) {
        ascii.push_back(static_cast<char>(c));
    }
    EXPECT_EQ(WideToAnsi(QString::fromLatin1(ascii.c_str())), ascii);
    EXPECT_EQ(AnsiToWide(ascii), QString::fromLatin1(ascii.c_str()));
    EXPECT_EQ(WideToAnsi(QString()), "");
    EXPECT_EQ(AnsiToWide(""), QString());
}

TEST(TextCodecTest, CharactersOutsideCodePage936BecomeQuestionMarks) {
    EXPECT_EQ(WideToAnsi(QStringLiteral("a😀b")), "a?b");
    EXPECT_EQ(WideToAnsi(QStringLiteral("ก中")), "?\xD6\xD0");
}

TEST(TextCodecTest, InvalidCodePage936BytesBecomeReplacementCharacters) {
    EXPECT_EQ(AnsiToWide("A\xFF"
                         "B"),
              QStringLiteral("A\uFFFDB"));
    EXPECT_EQ(AnsiToWide("A\xD6"), QStringLiteral("A\uFFFD")) << "a lead byte cut at the end";
    EXPECT_EQ(AnsiToWide(std::string("A\0B", 3)), QString(QStringLiteral("A") + QChar(0) + QStringLiteral("B")));
}

TEST(TextCodecTest, AnyBytesConvertWithoutFailingAndLongTextsAreWhole) {
    std::string noise;
    for (int i = 0; i < 200000; ++i) {
        noise.push_back(static_cast<char>((i * 7919 + 13) % 256));
    }
    const QString wide = AnsiToWide(noise);
    EXPECT_FALSE(wide.isEmpty());
    const std::string back = WideToAnsi(wide);
    EXPECT_FALSE(back.empty());

    QString longText;
    for (int i = 0; i < 20000; ++i) {
        longText += QStringLiteral("设备");
    }
    EXPECT_EQ(WideToAnsi(longText).size(), 80000u);
    EXPECT_EQ(AnsiToWide(WideToAnsi(longText)), longText);
}

TEST(TextCodecTest, ThreadsConvertAtTheSameTime) {
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&failures, t] {
            const QString text = QStringLiteral("线程 %1 的标题").arg(t);
            for (int i = 0; i < 2000; ++i) {
                if (AnsiToWide(WideToAnsi(text)) != text) {
                    ++failures;
                }
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(failures, 0);
}

} // namespace
} // namespace zk::platform

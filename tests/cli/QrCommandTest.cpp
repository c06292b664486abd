// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliRun.h"
#include "label/QrEncoder.h"
#include "support/TempFolder.h"

#include <QImage>
#include <QProcess>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace zk::cli {
namespace {

// What zbarimg, run as a user would, reads from an image file: its raw bytes.
std::string ZbarImg(const std::string& path) {
    QProcess process;
    process.start(QStringLiteral("zbarimg"), {QStringLiteral("--quiet"), QStringLiteral("--raw"),
                                              QStringLiteral("-Sbinary"), QString::fromStdString(path)});
    process.waitForFinished(30000);
    return process.readAllStandardOutput().toStdString();
}

TEST(QrCommandTest, PngOfHelloIsReadByZbarimg) {
    test::TempFolder folder;
    const std::string path = folder / "x.png";
    const auto result =
        RunWith({QStringLiteral("qr"), QStringLiteral("HELLO"), QStringLiteral("--png"), QString::fromStdString(path)});
    ASSERT_EQ(result.status, kExitOk) << result.err;
    EXPECT_EQ(result.out, "");
    const QImage image(QString::fromStdString(path));
    EXPECT_EQ(image.width(), 25 * 8); // version 1 with its margin, 8 pixels per module
    EXPECT_EQ(ZbarImg(path), "HELLO");
}

TEST(QrCommandTest, ChineseTextAtAnotherScaleReadsBackAsItsUtf8Bytes) {
    test::TempFolder folder;
    const std::string path = folder / "zh.png";
    const QString text = QStringLiteral("仓库 3 号摄像机");
    const auto result = RunWith({QStringLiteral("qr"), text, QStringLiteral("--png"), QString::fromStdString(path),
                                 QStringLiteral("--scale"), QStringLiteral("3"), QStringLiteral("--verbose")});
    ASSERT_EQ(result.status, kExitOk) << result.err;
    label::QrEncoder encoder;
    ASSERT_TRUE(encoder.EncodeText(text));
    EXPECT_EQ(result.out, "version 2, 25 x 25 modules, level L, mask " + std::to_string(encoder.MaskNumber()) +
                              "\nsegment eight-bit 21 bytes\n");
    EXPECT_EQ(QImage(QString::fromStdString(path)).width(), 29 * 3);
    EXPECT_EQ(ZbarImg(path), text.toStdString());
}

// The terminal drawing read back, two module rows per line, matches the symbol in its margin.
TEST(QrCommandTest, TerminalDrawingShowsEveryModule) {
    for (const bool invert : {false, true}) {
        QStringList arguments{QStringLiteral("qr"), QStringLiteral("ZKAB1234567890CDE")};
        if (invert) {
            arguments << QStringLiteral("--invert");
        }
        const auto result = RunWith(arguments);
        ASSERT_EQ(result.status, kExitOk) << result.err;
        label::QrEncoder encoder;
        ASSERT_TRUE(encoder.EncodeText(QStringLiteral("ZKAB1234567890CDE")));
        const int side = encoder.SymbolSize() + 4;
        const QStringList lines = QString::fromStdString(result.out).split(u'\n', Qt::SkipEmptyParts);
        ASSERT_EQ(lines.size(), (side + 1) / 2);
        for (int row = 0; row < lines.size(); ++row) {
            ASSERT_EQ(lines[row].size(), side);
            for (int x = 0; x < side; ++x) {
                const QChar c = lines[row][x];
                const bool top = c == u'\u2588' || c == u'\u2580';
                const bool bottom = c == u'\u2588' || c == u'\u2584';
                auto dark = [&](int mx, int my) {
                    const bool inside = mx >= 2 && my >= 2 && mx < side - 2 && my < side - 2;
                    return (inside && encoder.Module(mx - 2, my - 2)) != invert;
                };
                ASSERT_EQ(top, dark(x, 2 * row)) << "line " << row << " column " << x;
                ASSERT_EQ(bottom, 2 * row + 1 < side ? dark(x, 2 * row + 1) : invert) << "line " << row;
            }
        }
    }
}

TEST(QrCommandTest, BadArgumentsAreUsageErrorsAndUnencodableTextFails) {
    for (const QStringList& arguments :
         {QStringList{QStringLiteral("qr")},
          QStringList{QStringLiteral("qr"), QStringLiteral("A"), QStringLiteral("B")},
          QStringList{QStringLiteral("qr"), QStringLiteral("A"), QStringLiteral("--scale"), QStringLiteral("0")},
          QStringList{QStringLiteral("qr"), QStringLiteral("A"), QStringLiteral("--scale"), QStringLiteral("65")},
          QStringList{QStringLiteral("qr"), QStringLiteral("A"), QStringLiteral("--scale"), QStringLiteral("x")},
          QStringList{QStringLiteral("qr"), QStringLiteral("A"), QStringLiteral("--png")}}) {
        const auto result = RunWith(arguments);
        EXPECT_EQ(result.status, kExitUsage) << arguments.join(u' ').toStdString();
        EXPECT_THAT(result.err, testing::StartsWith("zkdevcli qr: "));
    }
    auto result = RunWith({QStringLiteral("qr"), QString(2954, u'x')});
    EXPECT_EQ(result.status, kExitFailed);
    EXPECT_THAT(result.err, testing::HasSubstr("does not fit"));
    result = RunWith({QStringLiteral("qr"), QString()});
    EXPECT_EQ(result.status, kExitFailed);
    EXPECT_THAT(result.err, testing::HasSubstr("empty"));

    // A regular file where the folder should be.
    test::TempFolder folder;
    ASSERT_TRUE(test::WriteFile(folder / "file", "x"));
    result = RunWith({QStringLiteral("qr"), QStringLiteral("A"), QStringLiteral("--png"),
                      QString::fromStdString(folder / "file/x.png")});
    EXPECT_EQ(result.status, kExitFailed);
    EXPECT_THAT(result.err, testing::HasSubstr("cannot write the image"));

    result = RunWith({QStringLiteral("qr"), QStringLiteral("--help")});
    EXPECT_EQ(result.status, kExitOk);
    EXPECT_THAT(result.out, testing::HasSubstr("--scale"));
}

} // namespace
} // namespace zk::cli

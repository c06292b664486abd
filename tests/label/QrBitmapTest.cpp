// SPDX-License-Identifier: GPL-3.0-or-later
#include "label/QrBitmap.h"

#include "label/QrEncoder.h"
#include "support/QrScan.h"

#include <gtest/gtest.h>

namespace zk::label {
namespace {

// Every pixel of an image drawn at the scale: black exactly where a module is dark, white in the
// 2-module margin.
void ExpectPixelsMatchModules(const QImage& image, const QrEncoder& encoder, int scale) {
    const int size = encoder.SymbolSize();
    ASSERT_EQ(image.width(), (size + 4) * scale);
    ASSERT_EQ(image.height(), (size + 4) * scale);
    ASSERT_EQ(image.format(), QImage::Format_Mono);
    for (int py = 0; py < image.height(); ++py) {
        for (int px = 0; px < image.width(); ++px) {
            const int x = px / scale - 2;
            const int y = py / scale - 2;
            const bool dark = x >= 0 && y >= 0 && x < size && y < size && encoder.Module(x, y);
            ASSERT_EQ(image.pixel(px, py), dark ? qRgb(0, 0, 0) : qRgb(255, 255, 255)) << "pixel " << px << "," << py;
        }
    }
}

TEST(QrBitmapTest, BitmapHasOnePixelPerModuleInsideATwoModuleMargin) {
    QrEncoder encoder;
    ASSERT_TRUE(encoder.EncodeText(QStringLiteral("ZKAB1234567890CDE")));
    const QImage bitmap = RenderQrBitmap(encoder);
    ExpectPixelsMatchModules(bitmap, encoder, 1);
    EXPECT_EQ(bitmap.colorCount(), 2);
    EXPECT_EQ(bitmap.color(0), qRgb(255, 255, 255));
    EXPECT_EQ(bitmap.color(1), qRgb(0, 0, 0));
}

TEST(QrBitmapTest, ClipboardImageIsEightTimesLargerAtNinetySixDpiAndScans) {
    QrEncoder encoder;
    ASSERT_TRUE(encoder.EncodeText(QStringLiteral("前门 ZK-0042")));
    const QImage image = QrClipboardImage(encoder);
    ExpectPixelsMatchModules(image, encoder, 8);
    EXPECT_EQ(image.dotsPerMeterX(), 3780);
    EXPECT_EQ(image.dotsPerMeterY(), 3780);
    EXPECT_EQ(test::ScanQrBytes(image), QStringLiteral("前门 ZK-0042").toStdString());

    // Odd scales and a large symbol fill whole bytes of the mono lines correctly.
    ASSERT_TRUE(encoder.EncodeText(QString(1500, u'x')));
    ExpectPixelsMatchModules(ScaleQrBitmap(RenderQrBitmap(encoder), 3), encoder, 3);
}

TEST(QrBitmapTest, NoSymbolOrABadScaleGivesANullImage) {
    QrEncoder encoder;
    EXPECT_TRUE(RenderQrBitmap(encoder).isNull());
    EXPECT_TRUE(QrClipboardImage(encoder).isNull());
    EXPECT_FALSE(encoder.EncodeText(QString()));
    EXPECT_TRUE(RenderQrBitmap(encoder).isNull());
    ASSERT_TRUE(encoder.EncodeText(QStringLiteral("A")));
    const QImage bitmap = RenderQrBitmap(encoder);
    EXPECT_TRUE(ScaleQrBitmap(bitmap, 0).isNull());
    EXPECT_TRUE(ScaleQrBitmap(bitmap, kQrMaxScale + 1).isNull());
    EXPECT_TRUE(ScaleQrBitmap(QImage(), 2).isNull());
    EXPECT_EQ(ScaleQrBitmap(bitmap, kQrMaxScale).width(), 25 * kQrMaxScale);
}

} // namespace
} // namespace zk::label

// SPDX-License-Identifier: GPL-3.0-or-later
#include "label/QrBitmap.h"

#include "label/QrEncoder.h"

#include <cstring>

namespace zk::label {
namespace {

constexpr int kWhiteIndex = 0;
constexpr int kBlackIndex = 1;

QImage BlankMono(int side) {
    QImage image(side, side, QImage::Format_Mono);
    if (image.isNull()) {
        return image;
    }
    image.setColorTable({qRgb(255, 255, 255), qRgb(0, 0, 0)});
    image.fill(kWhiteIndex);
    return image;
}

} // namespace

QImage RenderQrBitmap(const QrEncoder& encoder) {
    const int size = encoder.SymbolSize();
    if (size <= 0) {
        return {};
    }
    QImage image = BlankMono(size + 2 * kQrQuietMarginModules);
    if (image.isNull()) {
        return image;
    }
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            if (encoder.Module(x, y)) {
                image.setPixel(x + kQrQuietMarginModules, y + kQrQuietMarginModules, kBlackIndex);
            }
        }
    }
    return image;
}

QImage ScaleQrBitmap(const QImage& bitmap, int pixelsPerModule) {
    if (bitmap.isNull() || pixelsPerModule < 1 || pixelsPerModule > kQrMaxScale) {
        return {};
    }
    const int side = bitmap.width() * pixelsPerModule;
    QImage image = BlankMono(side);
    if (image.isNull()) {
        return image;
    }
    const QRgb black = qRgb(0, 0, 0);
    for (int y = 0; y < bitmap.height(); ++y) {
        uchar* line = image.scanLine(y * pixelsPerModule);
        for (int x = 0; x < bitmap.width(); ++x) {
            if (bitmap.pixel(x, y) != black) {
                continue;
            }
            // Format_Mono keeps the leftmost pixel in the most significant bit of each byte.
            for (int p = x * pixelsPerModule; p < (x + 1) * pixelsPerModule; ++p) {
                line[p >> 3] |= static_cast<uchar>(0x80u >> (p & 7));
            }
        }
        for (int repeat = 1; repeat < pixelsPerModule; ++repeat) {
            std::memcpy(image.scanLine(y * pixelsPerModule + repeat), line,
                        static_cast<std::size_t>(image.bytesPerLine()));
        }
    }
    return image;
}

QImage QrClipboardImage(const QrEncoder& encoder) {
    QImage image = ScaleQrBitmap(RenderQrBitmap(encoder), kQrClipboardScale);
    if (!image.isNull()) {
        image.setDotsPerMeterX(kQrClipboardDotsPerMetre);
        image.setDotsPerMeterY(kQrClipboardDotsPerMetre);
    }
    return image;
}

} // namespace zk::label

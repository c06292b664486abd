// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

// Monochrome images of an encoded QR symbol: the one-pixel-per-module bitmap that the QR window
// stretches over its picture, and its enlargement for the clipboard and for files. Pure functions
// of their arguments: safe from any thread.
namespace zk::label {

class QrEncoder;

// Light modules around the symbol on every side.
inline constexpr int kQrQuietMarginModules = 2;
// The clipboard copy draws every module as an 8 x 8 square at 3780 pixels per metre (96 dpi).
inline constexpr int kQrClipboardScale = 8;
inline constexpr int kQrClipboardDotsPerMetre = 3780;
// Largest enlargement offered, so that a version 40 image stays below 12000 pixels a side.
inline constexpr int kQrMaxScale = 64;

// Side of size + 4 pixels, white, with each dark module [x][y] black at pixel (x + 2, y + 2);
// colour index 0 is white and 1 black. A null image when the encoder holds no symbol.
QImage RenderQrBitmap(const QrEncoder& encoder);

// The bitmap with each pixel drawn as a pixelsPerModule square, still monochrome. A null image
// for a null bitmap or a scale outside 1 to 64.
QImage ScaleQrBitmap(const QImage& bitmap, int pixelsPerModule);

// The image the copy button puts on the clipboard: the bitmap scaled by 8 at 3780 pixels per metre.
QImage QrClipboardImage(const QrEncoder& encoder);

} // namespace zk::label

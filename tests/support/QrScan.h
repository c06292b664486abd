// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QImage>

#include <optional>
#include <string>

// Reads QR symbols back with zbar, an independent decoder, so that tests check what a reader sees.
namespace zk::test {

// The raw bytes of the one QR symbol in the image (zbar's binary option: no character conversion);
// nothing when no symbol is found.
std::optional<std::string> ScanQrBytes(const QImage& image);

// The text zbar makes of the symbol, as UTF-8 (Kanji mode read as Shift JIS, bytes guessed).
std::optional<std::string> ScanQrText(const QImage& image);

} // namespace zk::test

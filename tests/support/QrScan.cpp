// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/QrScan.h"

#include <zbar.h>

#include <cstring>
#include <memory>
#include <vector>

namespace zk::test {
namespace {

std::optional<std::string> Scan(const QImage& image, bool binary) {
    if (image.isNull()) {
        return std::nullopt;
    }
    const QImage grey = image.convertToFormat(QImage::Format_Grayscale8);
    const auto width = static_cast<std::size_t>(grey.width());
    const auto height = static_cast<std::size_t>(grey.height());
    std::vector<unsigned char> pixels(width * height);
    for (std::size_t y = 0; y < height; ++y) {
        std::memcpy(pixels.data() + y * width, grey.constScanLine(static_cast<int>(y)), width);
    }

    std::unique_ptr<zbar::zbar_image_scanner_t, void (*)(zbar::zbar_image_scanner_t*)> scanner(
        zbar::zbar_image_scanner_create(), &zbar::zbar_image_scanner_destroy);
    zbar::zbar_image_scanner_set_config(scanner.get(), zbar::ZBAR_NONE, zbar::ZBAR_CFG_ENABLE, 0);
    zbar::zbar_image_scanner_set_config(scanner.get(), zbar::ZBAR_QRCODE, zbar::ZBAR_CFG_ENABLE, 1);
    zbar::zbar_image_scanner_set_config(scanner.get(), zbar::ZBAR_QRCODE, zbar::ZBAR_CFG_BINARY, binary ? 1 : 0);
    std::unique_ptr<zbar::zbar_image_t, void (*)(zbar::zbar_image_t*)> zimage(zbar::zbar_image_create(),
                                                                              &zbar::zbar_image_destroy);
    zbar::zbar_image_set_format(zimage.get(), zbar_fourcc('Y', '8', '0', '0'));
    zbar::zbar_image_set_size(zimage.get(), static_cast<unsigned>(width), static_cast<unsigned>(height));
    zbar::zbar_image_set_data(zimage.get(), pixels.data(), pixels.size(), nullptr);
    if (zbar::zbar_scan_image(scanner.get(), zimage.get()) != 1) {
        return std::nullopt;
    }
    const zbar::zbar_symbol_t* symbol = zbar::zbar_image_first_symbol(zimage.get());
    return std::string(zbar::zbar_symbol_get_data(symbol), zbar::zbar_symbol_get_data_length(symbol));
}

} // namespace

std::optional<std::string> ScanQrBytes(const QImage& image) {
    return Scan(image, true);
}

std::optional<std::string> ScanQrText(const QImage& image) {
    return Scan(image, false);
}

} // namespace zk::test

// SPDX-License-Identifier: GPL-3.0-or-later
// Device titles arrive as hexadecimal text in search replies: any bytes must decode, and a decoded
// title that fits must survive encoding and decoding again.
#include "base/TitleCodec.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString title = zk::base::DecodeTitleHex(std::string_view(reinterpret_cast<const char*>(data), size));
    if (title.size() > static_cast<qsizetype>(zk::base::kTitleDecodeMaxBytes)) {
        std::abort();
    }
    // Replacement characters take three bytes, so only titles that still fit are compared.
    const std::string hex = zk::base::EncodeTitleHex(title);
    if (hex.size() <= 2 * zk::base::kTitleDecodeMaxBytes && zk::base::DecodeTitleHex(hex) != title) {
        std::abort();
    }
    return 0;
}

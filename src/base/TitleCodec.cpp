// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/TitleCodec.h"

#include "platform/TextCodec.h"

#include <algorithm>

namespace zk::base {
namespace {

int HexValue(char c) {
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
}

std::string HexOf(std::string_view bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        hex.push_back(kDigits[byte >> 4]);
        hex.push_back(kDigits[byte & 0x0F]);
    }
    return hex;
}

// Reads UTF-8 the way browsers do: every maximal invalid part of a sequence (a stray byte, a
// sequence cut short, an overlong form or a surrogate) becomes one U+FFFD.
QString DecodeUtf8(std::string_view bytes) {
    constexpr char32_t kReplacement = 0xFFFD;
    std::u32string codePoints;
    codePoints.reserve(bytes.size());
    char32_t codePoint = 0;
    int needed = 0;
    int seen = 0;
    unsigned char lower = 0x80;
    unsigned char upper = 0xBF;
    for (std::size_t i = 0; i < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (needed == 0) {
            ++i;
            if (byte <= 0x7F) {
                codePoints.push_back(byte);
            } else if (byte >= 0xC2 && byte <= 0xDF) {
                needed = 1;
                codePoint = byte & 0x1F;
            } else if (byte >= 0xE0 && byte <= 0xEF) {
                lower = byte == 0xE0 ? 0xA0 : 0x80;
                upper = byte == 0xED ? 0x9F : 0xBF;
                needed = 2;
                codePoint = byte & 0x0F;
            } else if (byte >= 0xF0 && byte <= 0xF4) {
                lower = byte == 0xF0 ? 0x90 : 0x80;
                upper = byte == 0xF4 ? 0x8F : 0xBF;
                needed = 3;
                codePoint = byte & 0x07;
            } else {
                codePoints.push_back(kReplacement);
            }
            continue;
        }
        if (byte < lower || byte > upper) {
            // The byte is read again as the start of the next character.
            codePoints.push_back(kReplacement);
            needed = seen = 0;
            lower = 0x80;
            upper = 0xBF;
            continue;
        }
        ++i;
        lower = 0x80;
        upper = 0xBF;
        codePoint = (codePoint << 6) | (byte & 0x3F);
        if (++seen == needed) {
            codePoints.push_back(codePoint);
            needed = seen = 0;
        }
    }
    if (needed != 0) {
        codePoints.push_back(kReplacement);
    }
    return QString::fromUcs4(codePoints.data(), static_cast<qsizetype>(codePoints.size()));
}

} // namespace

std::string EncodeTitleHex(const QString& title) {
    const QByteArray utf8 = title.toUtf8();
    return HexOf(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size())));
}

std::string EncodeTitleHexFromAnsi(std::string_view ansiTitle) {
    return HexOf(platform::AnsiToUtf8(ansiTitle));
}

QString DecodeTitleHex(std::string_view hex) {
    std::string bytes;
    bytes.reserve(std::min(hex.size() / 2 + 1, kTitleDecodeMaxBytes));
    for (std::size_t i = 0; i < hex.size() && bytes.size() < kTitleDecodeMaxBytes; i += 2) {
        const int high = HexValue(hex[i]);
        const int low = i + 1 < hex.size() ? HexValue(hex[i + 1]) : 0;
        const char byte = static_cast<char>(high * 16 + low);
        if (byte == '\0') {
            break;
        }
        bytes.push_back(byte);
    }
    return DecodeUtf8(bytes);
}

} // namespace zk::base

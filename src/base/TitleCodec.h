// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <string>
#include <string_view>

// Device titles travel and are stored as hexadecimal text: two lower-case digits per UTF-8 byte,
// so "Camera" is "43616d657261". Safe from any thread.
namespace zk::base {

// Longest title, in bytes, that the decoder reads out of a hexadecimal text.
inline constexpr std::size_t kTitleDecodeMaxBytes = 510;

// "%02x" of every UTF-8 byte of the title.
std::string EncodeTitleHex(const QString& title);

// The same for a title held in code page 936.
std::string EncodeTitleHexFromAnsi(std::string_view ansiTitle);

// Reads the text two characters at a time into bytes ("0"-"9", "a"-"f" and "A"-"F" count their
// value, any other character 0; a last lone digit pairs with 0), stops at the first zero byte, and
// reads the bytes as UTF-8. A sequence that is not valid UTF-8 becomes U+FFFD.
QString DecodeTitleHex(std::string_view hex);

} // namespace zk::base

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <string>
#include <string_view>

// The one conversion pair between window text (QString) and the narrow text that devices, the
// search protocol and the tool's XML files carry in code page 936 (GBK; GB2312 is a subset).
// Both functions are thread-safe and never fail: what cannot be converted is replaced.
namespace zk::platform {

// Wide to code page 936. A character that code page 936 cannot hold becomes "?".
std::string WideToAnsi(const QString& text);

// Code page 936 to wide. A byte sequence that is not valid code page 936 becomes U+FFFD, one per
// offending byte, and the conversion goes on after it.
QString AnsiToWide(std::string_view text);

// Converts between UTF-8 and code page 936 bytes with the same replacement rules.
std::string Utf8ToAnsi(std::string_view utf8);
std::string AnsiToUtf8(std::string_view ansi);

} // namespace zk::platform

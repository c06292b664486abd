// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <string_view>

// Fixed-size zero-terminated text fields of the tool's plain records. Safe from any thread.
namespace zk::base {

// Copies at most size - 1 bytes of text into the field and always terminates it; the rest of the
// field is zero-filled, so records compare and copy deterministically. Does nothing when size is 0.
void CopyBounded(char* field, std::size_t size, std::string_view text);

template <std::size_t N>
void CopyBounded(char (&field)[N], std::string_view text) {
    CopyBounded(field, N, text);
}

// The text of a field up to its first zero byte, never reading past the field even when a record
// from outside left it unterminated.
std::string_view FieldText(const char* field, std::size_t size);

template <std::size_t N>
std::string_view FieldText(const char (&field)[N]) {
    return FieldText(field, N);
}

} // namespace zk::base

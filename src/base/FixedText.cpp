// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/FixedText.h"

#include <algorithm>
#include <cstring>

namespace zk::base {

void CopyBounded(char* field, std::size_t size, std::string_view text) {
    if (field == nullptr || size == 0) {
        return;
    }
    const std::size_t length = std::min(text.size(), size - 1);
    if (length > 0) {
        std::memmove(field, text.data(), length);
    }
    std::memset(field + length, 0, size - length);
}

std::string_view FieldText(const char* field, std::size_t size) {
    if (field == nullptr) {
        return {};
    }
    const void* end = std::memchr(field, 0, size);
    return {field, end == nullptr ? size : static_cast<std::size_t>(static_cast<const char*>(end) - field)};
}

} // namespace zk::base

// SPDX-License-Identifier: GPL-3.0-or-later
#include "devsim/RequestParams.h"

#include <charconv>
#include <cstdint>

namespace zk::devsim {
namespace {

constexpr std::string_view kElement = "REQUEST_PARAM";

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsNameStart(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':';
}

bool IsNameChar(char c) {
    return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

void SkipSpace(std::string_view text, std::size_t& at) {
    while (at < text.size() && IsSpace(text[at])) {
        ++at;
    }
}

void AppendUtf8(std::string& out, std::uint32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (code >> 18)));
        out.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

// The entity at the start of text ("&quot;..."): its replacement and length; nothing when it is
// none of the known ones, and the '&' then stands for itself, as a lenient reader keeps it.
std::optional<std::pair<std::string, std::size_t>> Entity(std::string_view text) {
    static constexpr std::pair<std::string_view, char> kNamed[] = {
        {"&quot;", '"'}, {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&apos;", '\''}};
    for (const auto& [name, character] : kNamed) {
        if (text.substr(0, name.size()) == name) {
            return std::pair{std::string(1, character), name.size()};
        }
    }
    if (text.substr(0, 2) != "&#") {
        return std::nullopt;
    }
    const std::size_t end = text.find(';');
    if (end == std::string_view::npos || end > 12) {
        return std::nullopt;
    }
    const bool hex = text.size() > 2 && (text[2] == 'x' || text[2] == 'X');
    const std::string_view digits = text.substr(hex ? 3 : 2, end - (hex ? 3 : 2));
    std::uint32_t code = 0;
    const auto [last, error] = std::from_chars(digits.data(), digits.data() + digits.size(), code, hex ? 16 : 10);
    if (digits.empty() || error != std::errc() || last != digits.data() + digits.size() || code == 0 ||
        code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        return std::nullopt;
    }
    std::string out;
    AppendUtf8(out, code);
    return std::pair{out, end + 1};
}

std::string Unescape(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t at = 0; at < value.size();) {
        if (value[at] == '&') {
            if (const auto entity = Entity(value.substr(at))) {
                out += entity->first;
                at += entity->second;
                continue;
            }
        }
        out.push_back(value[at++]);
    }
    return out;
}

} // namespace

std::optional<std::map<std::string, std::string>> ScanRequestParams(std::string_view text) {
    std::size_t at = 0;
    SkipSpace(text, at);
    if (text.substr(at, 1) != "<" || text.substr(at + 1, kElement.size()) != kElement) {
        return std::nullopt;
    }
    at += 1 + kElement.size();
    if (at < text.size() && IsNameChar(text[at])) {
        return std::nullopt; // another element whose name only starts the same
    }
    std::map<std::string, std::string> params;
    for (;;) {
        SkipSpace(text, at);
        if (at >= text.size()) {
            return std::nullopt;
        }
        if (text.substr(at, 2) == "/>") {
            at += 2;
            break;
        }
        if (text[at] == '>') {
            at += 1;
            SkipSpace(text, at);
            const std::string_view closing = "</REQUEST_PARAM";
            if (text.substr(at, closing.size()) != closing) {
                return std::nullopt;
            }
            at += closing.size();
            SkipSpace(text, at);
            if (text.substr(at, 1) != ">") {
                return std::nullopt;
            }
            at += 1;
            break;
        }
        if (!IsNameStart(text[at])) {
            return std::nullopt;
        }
        const std::size_t nameStart = at;
        while (at < text.size() && IsNameChar(text[at])) {
            ++at;
        }
        std::string name(text.substr(nameStart, at - nameStart));
        SkipSpace(text, at);
        if (text.substr(at, 1) != "=") {
            return std::nullopt;
        }
        ++at;
        SkipSpace(text, at);
        if (at >= text.size() || (text[at] != '"' && text[at] != '\'')) {
            return std::nullopt;
        }
        const char quote = text[at++];
        const std::size_t valueEnd = text.find(quote, at);
        if (valueEnd == std::string_view::npos) {
            return std::nullopt;
        }
        if (!params.emplace(std::move(name), Unescape(text.substr(at, valueEnd - at))).second) {
            return std::nullopt;
        }
        at = valueEnd + 1;
    }
    SkipSpace(text, at);
    if (at != text.size()) {
        return std::nullopt;
    }
    return params;
}

} // namespace zk::devsim

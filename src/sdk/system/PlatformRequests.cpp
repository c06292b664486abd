// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/system/PlatformRequests.h"

#include "base/LanguageTable.h"
#include "discovery/SearchMessage.h"
#include "platform/TextCodec.h"
#include "sdk/system/SystemRequests.h"

#include <limits>

namespace zk::sdk::system {
namespace {

using discovery::EscapeXmlAttribute;

constexpr std::int64_t kMax = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kMin = std::numeric_limits<std::int64_t>::min();

std::int64_t SaturatingAdd(std::int64_t a, std::int64_t b) {
    if (b > 0 && a > kMax - b) {
        return kMax;
    }
    if (b < 0 && a < kMin - b) {
        return kMin;
    }
    return a + b;
}

// atoi's reading of a number, in 64 bits and saturating instead of overflowing.
std::int64_t LeadingNumber(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r'))) {
        ++at;
    }
    const bool negative = at < text.size() && text[at] == '-';
    if (at < text.size() && (text[at] == '-' || text[at] == '+')) {
        ++at;
    }
    std::int64_t value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        const int digit = text[at] - '0';
        // Accumulated as a negative number, which reaches one further than a positive one.
        value = value < (kMin + digit) / 10 ? kMin : value * 10 - digit;
    }
    return negative ? value : (value == kMin ? kMax : -value);
}

} // namespace

const char* PlatformProblem(const PlatformChoice& choice) {
    if (choice.enable && choice.server.trimmed().isEmpty()) {
        return ZK_TEXT_KEY("MSGTIP47");
    }
    if (choice.port <= 0 || choice.port > 65535) {
        return ZK_TEXT_KEY("MSGTIP48");
    }
    return DevicePasswordProblem(choice.password);
}

std::string IncreasedUserName(std::string_view name, std::int64_t n) {
    const auto comma = name.find(',');
    const std::string_view number = comma == std::string_view::npos ? name : name.substr(0, comma);
    std::string increased = std::to_string(SaturatingAdd(LeadingNumber(number), n));
    if (comma != std::string_view::npos) {
        increased += name.substr(comma);
    }
    return increased;
}

std::string PlatformRequest(const PlatformChoice& choice, std::string_view ansiUser) {
    return "<PlatformConfig>\t <NimbexConfig Enable=\"" + std::to_string(choice.enable ? 1 : 0) + "\" Server=\"" +
           EscapeXmlAttribute(platform::WideToAnsi(choice.server)) + "\" Port=\"" + std::to_string(choice.port) +
           "\" Username=\"" + EscapeXmlAttribute(ansiUser) + "\" Password=\"" +
           EscapeXmlAttribute(platform::WideToAnsi(choice.password)) + "\" PlayTone=\"" +
           std::to_string(choice.playTone ? 1 : 0) + "\"/> </PlatformConfig>\r\n";
}

} // namespace zk::sdk::system

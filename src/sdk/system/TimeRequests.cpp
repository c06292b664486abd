// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/system/TimeRequests.h"

#include "base/FixedText.h"
#include "base/LanguageTable.h"
#include "discovery/SearchMessage.h"
#include "platform/NetworkAdapters.h"

#include <cctype>
#include <cstdio>

namespace zk::sdk::system {
namespace {

using discovery::EscapeXmlAttribute;

// Reads one to three decimal digits at text[at] and moves past them.
std::optional<int> Digits(std::string_view text, std::size_t& at, std::size_t maxDigits = 3) {
    const std::size_t start = at;
    int value = 0;
    while (at < text.size() && at - start < maxDigits && std::isdigit(static_cast<unsigned char>(text[at])) != 0) {
        value = value * 10 + (text[at++] - '0');
    }
    return at > start ? std::optional<int>(value) : std::nullopt;
}

bool TwoDigits(std::string_view text, std::size_t at, int& value) {
    if (at + 2 > text.size() || std::isdigit(static_cast<unsigned char>(text[at])) == 0 ||
        std::isdigit(static_cast<unsigned char>(text[at + 1])) == 0) {
        return false;
    }
    value = (text[at] - '0') * 10 + (text[at + 1] - '0');
    return true;
}

std::string Attribute(const char* name, std::string_view value) {
    return std::string(" ") + name + "=\"" + EscapeXmlAttribute(value) + '"';
}

std::string Attribute(const char* name, int value) {
    return Attribute(name, std::to_string(value));
}

std::string RuleElement(const char* name, const SummerTimeRule& rule) {
    return std::string("\t\t<") + name + Attribute("month", rule.month) + Attribute("week", rule.week) +
           Attribute("weekday", rule.weekday) + Attribute("hour", rule.hour) + " />\n";
}

} // namespace

const char* TimeModeName(int choice) {
    switch (choice) {
    case kTimeModeNtp:
        return "NTP";
    case kTimeModeP2p:
        return "P2P";
    default:
        return "MANUAL";
    }
}

int TimeModeChoice(std::string_view name) {
    const auto same = [name](std::string_view known) {
        if (name.size() != known.size()) {
            return false;
        }
        for (std::size_t i = 0; i < name.size(); ++i) {
            if (std::toupper(static_cast<unsigned char>(name[i])) != known[i]) {
                return false;
            }
        }
        return true;
    };
    if (same("NTP")) {
        return kTimeModeNtp;
    }
    return same("P2P") ? kTimeModeP2p : kTimeModeManual;
}

std::optional<int> ZoneOfName(std::string_view name) {
    name = name.substr(0, name.find('('));
    if (name.size() < 6 || name.substr(0, 3) != "GMT" || (name[3] != '+' && name[3] != '-')) {
        return std::nullopt;
    }
    int hours = 0;
    int minutes = 0;
    if (!TwoDigits(name, 4, hours)) {
        return std::nullopt;
    }
    if (name.size() != 6 && (name.size() != 9 || name[6] != ':' || !TwoDigits(name, 7, minutes) || minutes > 59)) {
        return std::nullopt;
    }
    const int zone = kZoneGmt + (name[3] == '-' ? -1 : 1) * (hours * 60 + minutes);
    if (zone < kZoneMin || zone > kZoneMax) {
        return std::nullopt;
    }
    return zone;
}

std::string ZoneName(int zone) {
    const int offset = zone - kZoneGmt;
    const int magnitude = offset < 0 ? -offset : offset;
    char text[32];
    std::snprintf(text, sizeof(text), "GMT%c%02d:%02d", offset < 0 ? '-' : '+', magnitude / 60, magnitude % 60);
    return text;
}

bool ValidSummerTimeRule(const SummerTimeRule& rule) {
    return rule.month >= 1 && rule.month <= 12 && rule.week >= 1 && rule.week <= 5 && rule.weekday >= 0 &&
           rule.weekday <= 6 && rule.hour >= 0 && rule.hour <= 23;
}

std::optional<SummerTimeRule> ParseSummerTimeRule(std::string_view text) {
    std::size_t at = 1;
    if (text.empty() || text[0] != 'M') {
        return std::nullopt;
    }
    SummerTimeRule rule;
    const auto month = Digits(text, at);
    if (!month || at >= text.size() || text[at++] != '.') {
        return std::nullopt;
    }
    const auto week = Digits(text, at);
    if (!week || at >= text.size() || text[at++] != '.') {
        return std::nullopt;
    }
    const auto weekday = Digits(text, at);
    if (!weekday) {
        return std::nullopt;
    }
    rule = {*month, *week, *weekday, 2};
    if (at < text.size()) {
        if (text[at++] != '/') {
            return std::nullopt;
        }
        const auto hour = Digits(text, at);
        if (!hour || at != text.size()) {
            return std::nullopt;
        }
        rule.hour = *hour;
    }
    return ValidSummerTimeRule(rule) ? std::optional<SummerTimeRule>(rule) : std::nullopt;
}

std::string SummerTimeRuleText(const SummerTimeRule& rule) {
    // Appended piece by piece: GCC 12's optimiser reports a false overlap (-Wrestrict) for a literal
    // joined to a temporary string, which fails the optimised build.
    std::string text = "M";
    text += std::to_string(rule.month);
    text += '.';
    text += std::to_string(rule.week);
    text += '.';
    text += std::to_string(rule.weekday);
    text += '/';
    text += std::to_string(rule.hour);
    return text;
}

bool ValidSummerTime(const SummerTime& summer) {
    return ValidSummerTimeRule(summer.start) && ValidSummerTimeRule(summer.end) &&
           summer.offsetMinutes >= kSummerOffsetMinMinutes && summer.offsetMinutes <= kSummerOffsetMaxMinutes;
}

TimeChoice TimeChoiceFrom(const base::TimeConfigParam& block, const SummerTime& summer) {
    TimeChoice choice;
    choice.mode = TimeModeName(TimeModeChoice(base::FieldText(block.TimeMode)));
    choice.zone = block.TimeZone;
    choice.ntpServer = std::string(base::FieldText(block.NTPConfig.ServerIP));
    choice.ntpPort = block.NTPConfig.ServerPort;
    choice.ntpIntervalMinutes = block.NTPConfig.RefreshInterval;
    choice.summer = summer;
    return choice;
}

base::TimeConfigParam TimeConfigOf(const TimeChoice& choice) {
    base::TimeConfigParam block;
    base::CopyBounded(block.TimeMode, choice.mode);
    block.TimeZone = choice.zone;
    base::CopyBounded(block.NTPConfig.ServerIP, choice.ntpServer);
    block.NTPConfig.ServerPort = static_cast<std::uint16_t>(choice.ntpPort);
    block.NTPConfig.RefreshInterval = choice.ntpIntervalMinutes;
    return block;
}

const char* TimeProblem(const TimeChoice& choice) {
    if (TimeModeChoice(choice.mode) == kTimeModeNtp) {
        const auto address = platform::ParseDottedAddress(choice.ntpServer);
        if (!address || *address == 0 || *address == 0xFFFFFFFFu) {
            return ZK_TEXT_KEY("IDS_STR_ZH_CN_MSG_TIPS126");
        }
        // A netmask typed into the server box is the usual slip when copying a network's settings.
        if (choice.ntpServer == "255.255.255.0" || choice.ntpServer == "255.255.0.0" ||
            choice.ntpServer == "255.0.0.0") {
            return ZK_TEXT_KEY("IDS_STR_ZH_CN_MSG_TIPS127");
        }
    }
    if (choice.ntpPort < 1 || choice.ntpPort > 65535 || choice.ntpIntervalMinutes < 1 ||
        choice.ntpIntervalMinutes > kMaxNtpIntervalMinutes) {
        return ZK_TEXT_KEY("IDS_STR_ZH_CN_MSG_TIPS128");
    }
    return nullptr;
}

std::string TimeRequest(const TimeChoice& choice) {
    const SummerTime& summer = choice.summer;
    return "<TimeConfig" + Attribute("TimeMode", choice.mode) + Attribute("TimeZone", choice.zone) + ">\n" +
           "\t<NTPConfig" + Attribute("ServerIP", choice.ntpServer) + Attribute("ServerPort", choice.ntpPort) +
           Attribute("RefreshInterval", choice.ntpIntervalMinutes) + " />\n" + "\t<SummerTime" +
           Attribute("enable", summer.enable ? 1 : 0) + Attribute("auto", summer.automatic ? 1 : 0) +
           Attribute("offset", summer.offsetMinutes) + ">\n" + RuleElement("start", summer.start) +
           RuleElement("end", summer.end) + "\t</SummerTime>\n</TimeConfig>\n";
}

} // namespace zk::sdk::system

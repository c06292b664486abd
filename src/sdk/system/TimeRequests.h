// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/CSaveParam.h"

#include <optional>
#include <string>
#include <string_view>

// The time settings batch: how devices keep their clocks (NTP, manual, P2P), their time zone, the
// time server and summer time, the checks of the time dialog and the request. Pure functions: any
// thread.
namespace zk::sdk::system {

inline constexpr int kSetTime = 222;

// The mode choices of the time dialog, in its order; any other choice is manual.
inline constexpr int kTimeModeNtp = 0;
inline constexpr int kTimeModeManual = 1;
inline constexpr int kTimeModeP2p = 2;
// "NTP", "P2P" or "MANUAL".
const char* TimeModeName(int choice);
// The choice of a mode name (any letter case); manual for an unknown name.
int TimeModeChoice(std::string_view name);

// A time zone's value is 720 + the zone's offset from GMT in minutes: 0 is GMT-12:00, 1200
// GMT+08:00, 1560 GMT+14:00.
inline constexpr int kZoneGmt = 720;
inline constexpr int kZoneMin = 0;
inline constexpr int kZoneMax = 1560;
// The zone value of a name whose part before "(" is "GMT+HH:MM" or "GMT+HH" ("-" west of GMT, two
// digits each, minutes below 60); nothing for any other name or a value outside 0..1560.
std::optional<int> ZoneOfName(std::string_view name);
// "GMT+HH:MM" of a zone value.
std::string ZoneName(int zone);

// The day summer time starts or ends: the weekday (0 Sunday .. 6 Saturday) of the week (1 the
// first .. 5 the last) of the month (1..12), at the hour (0..23).
struct SummerTimeRule {
    int month = 3;
    int week = 5;
    int weekday = 0;
    int hour = 2;
    bool operator==(const SummerTimeRule&) const = default;
};
// Whether every field of the rule is in its range.
bool ValidSummerTimeRule(const SummerTimeRule& rule);
// Reads "M<month>.<week>.<weekday>[/<hour>]" (the POSIX TZ form; no hour means 2); nothing when the
// text is not that or a field is out of range.
std::optional<SummerTimeRule> ParseSummerTimeRule(std::string_view text);
// "M<month>.<week>.<weekday>/<hour>".
std::string SummerTimeRuleText(const SummerTimeRule& rule);

inline constexpr int kSummerOffsetMinMinutes = 1;
inline constexpr int kSummerOffsetMaxMinutes = 180;

struct SummerTime {
    bool enable = false;
    bool automatic = false; // the device follows its zone's own rules
    int offsetMinutes = 60;
    SummerTimeRule start{3, 5, 0, 2};
    SummerTimeRule end{10, 5, 0, 3};
    bool operator==(const SummerTime&) const = default;
};
// Both rules valid and the offset 1..180 minutes.
bool ValidSummerTime(const SummerTime& summer);

inline constexpr int kMaxNtpIntervalMinutes = 65535;

// What the time dialog edits. The NTP server is narrow text (code page 936).
struct TimeChoice {
    std::string mode = "MANUAL";
    int zone = 1200;
    std::string ntpServer = "pool.ntp.org";
    int ntpPort = 123;
    int ntpIntervalMinutes = 60;
    SummerTime summer;
    bool operator==(const TimeChoice&) const = default;
};
// The choice that opens on a stored block, with this summer time.
TimeChoice TimeChoiceFrom(const base::TimeConfigParam& block, const SummerTime& summer);
// The block that stores a choice (the summer time has no place there).
base::TimeConfigParam TimeConfigOf(const TimeChoice& choice);

// Why a choice cannot be sent; null when it can. In NTP mode the server must be an IPv4 address
// ("IDS_STR_ZH_CN_MSG_TIPS126"; 0.0.0.0 and 255.255.255.255 are none) other than the netmasks
// 255.255.255.0, 255.255.0.0 and 255.0.0.0 ("IDS_STR_ZH_CN_MSG_TIPS127"); the port must be 1..65535
// and the interval 1..65535 minutes ("IDS_STR_ZH_CN_MSG_TIPS128").
const char* TimeProblem(const TimeChoice& choice);

// SetDVRConfig 222: the TimeConfig document, one element per line ("\n"), children indented by one
// tab per level, every value XML-escaped.
std::string TimeRequest(const TimeChoice& choice);

} // namespace zk::sdk::system

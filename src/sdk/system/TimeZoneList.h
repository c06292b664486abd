// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sdk/system/TimeRequests.h"

#include <QString>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The time zones the time dialog offers, shipped as "kfm_tz.xml" beside the program: one `item`
// element per zone under the root, its `name` ("GMT+01:00(Amsterdam, Berlin, ...)") giving the zone
// value and its `value` a POSIX TZ text whose two ",M" rules are the zone's summer time
// ("CET-1CEST,M3.5.0,M10.5.0/3"). Any thread.
namespace zk::sdk::system {

inline constexpr const char* kTimeZoneFileName = "kfm_tz.xml";
// The shipped list is a few kilobytes; a larger file is not one.
inline constexpr std::size_t kTimeZoneFileMaxBytes = 1024 * 1024;

struct TimeZoneItem {
    QString name;
    int zone = 0;
    // The summer time rules, only when the value holds two valid ones.
    std::optional<SummerTimeRule> start;
    std::optional<SummerTimeRule> end;
};

// Reads the list from the file's bytes, in file order. Items whose name gives no zone are left out;
// a text that is not such a document gives an empty list. Never fails otherwise.
std::vector<TimeZoneItem> ReadTimeZoneList(std::string_view xml);
// Reads the file at this path; an empty list when it is missing, unreadable or too large.
std::vector<TimeZoneItem> LoadTimeZoneList(const std::string& path);
// The shipped file (platform::FindProgramFile).
std::vector<TimeZoneItem> LoadShippedTimeZoneList();

// The first item of a zone value; null when none has it.
const TimeZoneItem* FindZone(const std::vector<TimeZoneItem>& items, int zone);
// The item whose whole name is this, else the first whose name's part before "(" is this; null
// when none is.
const TimeZoneItem* FindZoneByName(const std::vector<TimeZoneItem>& items, const QString& name);

} // namespace zk::sdk::system

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sdk/AlarmRecord.h"

#include <QString>

namespace zk::base {
class LanguageTable;
}

namespace zk::sdk {

// Video-analysis alarms: an object appeared (21) or went away (22).
inline constexpr int kAlarmVideoAnalysisStart = 21;
inline constexpr int kAlarmVideoAnalysisEnd = 22;

// The status text of an alarm (event 23) in the table's language: the text of the alarm code's key,
// or for video analysis the object class's text followed by "appeared" or "went away". Unknown
// codes give the text of IDS_ALARM. Safe on any thread (the table is only read).
QString AlarmStatusText(const AlarmRecord& alarm, const base::LanguageTable& texts);

} // namespace zk::sdk

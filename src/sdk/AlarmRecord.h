// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

namespace zk::sdk {

// The payload of status event 23: one alarm a device reports. The status callback hands over this
// record in the machine's own layout (168 bytes); on the wire its numbers are big-endian
// (docs/session-protocol.md). Text is narrow (code page 936) and zero-terminated inside its field.
struct AlarmRecord {
    std::int32_t AlarmCode;   // what happened: 14 motion, 21/22 video analysis start/end, ...
    std::int32_t Channel;     // video channel, 0 for single-channel cameras
    std::int32_t ObjectClass; // codes 21 and 22: 1 person, 2 car, 3 motorcycle, ... 13 falling object
    std::int32_t Value;       // a number some codes carry (IO port, free space in percent)
    std::int64_t Time;        // when, in seconds since 1970-01-01 UTC
    char Text[128];           // a text some codes carry ("@@alarmjpg1=<file>" for a picture)
    char Reserved[16];
};

inline constexpr std::size_t kAlarmRecordBytes = 168;
static_assert(sizeof(AlarmRecord) == kAlarmRecordBytes);
static_assert(std::is_trivially_copyable_v<AlarmRecord> && std::is_standard_layout_v<AlarmRecord>);

// The 168 wire bytes of a record.
std::string EncodeAlarmRecord(const AlarmRecord& record);
// Reads exactly 168 wire bytes; the text ends inside its field whatever arrived. 0 or -1.
int DecodeAlarmRecord(std::string_view bytes, AlarmRecord& record);

} // namespace zk::sdk

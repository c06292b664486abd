// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/AlarmRecord.h"

#include "sdk/SessionFrame.h"

#include <cstring>

namespace zk::sdk {

std::string EncodeAlarmRecord(const AlarmRecord& record) {
    std::string out;
    out.reserve(kAlarmRecordBytes);
    PutU32(out, static_cast<std::uint32_t>(record.AlarmCode));
    PutU32(out, static_cast<std::uint32_t>(record.Channel));
    PutU32(out, static_cast<std::uint32_t>(record.ObjectClass));
    PutU32(out, static_cast<std::uint32_t>(record.Value));
    const auto time = static_cast<std::uint64_t>(record.Time);
    PutU32(out, static_cast<std::uint32_t>(time >> 32));
    PutU32(out, static_cast<std::uint32_t>(time & 0xFFFFFFFFu));
    out.append(record.Text, sizeof(record.Text));
    out.append(record.Reserved, sizeof(record.Reserved));
    return out;
}

int DecodeAlarmRecord(std::string_view bytes, AlarmRecord& record) {
    if (bytes.size() != kAlarmRecordBytes) {
        return -1;
    }
    const char* data = bytes.data();
    record.AlarmCode = static_cast<std::int32_t>(GetU32(data));
    record.Channel = static_cast<std::int32_t>(GetU32(data + 4));
    record.ObjectClass = static_cast<std::int32_t>(GetU32(data + 8));
    record.Value = static_cast<std::int32_t>(GetU32(data + 12));
    record.Time = static_cast<std::int64_t>((static_cast<std::uint64_t>(GetU32(data + 16)) << 32) | GetU32(data + 20));
    std::memcpy(record.Text, data + 24, sizeof(record.Text));
    record.Text[sizeof(record.Text) - 1] = '\0';
    std::memcpy(record.Reserved, data + 24 + sizeof(record.Text), sizeof(record.Reserved));
    return 0;
}

} // namespace zk::sdk

// SPDX-License-Identifier: GPL-3.0-or-later
// Answers and events arrive from devices: whatever their bytes, the records the callbacks make stay
// within their bounds. The first byte chooses the answer code and the event number.
#include "sdk/DeviceSdk.h"
#include "sdk/SessionRecords.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    static constexpr int kCodes[] = {1012, 1019, 1095, 1020, 223, 0};
    static constexpr int kEvents[] = {zk::sdk::kEventAlarm, 25, 30, 16, 4, 0};
    const int code = kCodes[data[0] % 6];
    const int event = kEvents[(data[0] / 6) % 6];
    const char* payload = reinterpret_cast<const char*>(data + 1);
    const int bytes = static_cast<int>(size - 1);
    const auto answer = zk::sdk::MakeAuxRecord(1, zk::sdk::PackAuxWord(code, data[0]), payload, bytes);
    const bool reduced = code == 1012 || code == 1019 || code == 1095;
    if (answer.code != code || answer.payload.size() > (reduced ? 127 : bytes)) {
        std::abort();
    }
    const auto status = zk::sdk::MakeStatusRecord(1, event, payload, bytes);
    if (status.payload.size() > bytes) {
        std::abort();
    }
    return 0;
}

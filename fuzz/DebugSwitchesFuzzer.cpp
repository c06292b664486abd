// SPDX-License-Identifier: GPL-3.0-or-later
// The debug switch file is read whole from disk at start-up: any bytes must parse.
#include "base/DebugLog.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto switches = zk::base::ParseDebugSwitches(std::string_view(reinterpret_cast<const char*>(data), size));
    if (switches.monitorIp.size() > zk::base::kLogSwitchValueMaxChars) {
        std::abort();
    }
    return 0;
}

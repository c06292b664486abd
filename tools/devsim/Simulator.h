// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "devsim/DeviceProfile.h"
#include "devsim/SimOptions.h"

#include <ostream>
#include <vector>

namespace zk::devsim {

// Exit statuses of the program.
inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// The running simulator: puts the devices' addresses in place, listens on the search port, answers
// through the request handler and the reply scheduler, records what it hears, and undoes its
// address changes when SIGTERM or SIGINT ends it. Run on the main thread before any other thread
// starts (it blocks those signals for the whole process).
class Simulator final {
public:
    Simulator(SimOptions options, std::vector<DeviceProfile> fleet);

    // Serves until a signal. Returns kExitOk after a signal, kExitFailed when setting up failed
    // (the reason goes to err).
    int Run(std::ostream& err);

private:
    SimOptions m_options;
    std::vector<DeviceProfile> m_fleet;
};

} // namespace zk::devsim

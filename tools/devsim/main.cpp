// SPDX-License-Identifier: GPL-3.0-or-later
// zkdevsim: the device simulator, the tool's peer in tests and demos. It plays a fleet of devices
// inside a private network namespace.
#include "base/BuildInfo.h"
#include "devsim/FleetBuilder.h"
#include "devsim/SimOptions.h"
#include "devsim/Simulator.h"

#include <iostream>
#include <string>
#include <vector>

int main(int argc, char* argv[]) {
    using namespace zk::devsim;
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    ParsedOptions parsed = ParseSimOptions(arguments);
    switch (parsed.outcome) {
    case ParseOutcome::Help:
        std::cout << UsageText();
        return kExitOk;
    case ParseOutcome::ProgramVersion:
        std::cout << zk::base::kVersionString << '\n';
        return kExitOk;
    case ParseOutcome::Error:
        std::cerr << "zkdevsim: " << parsed.error << "\nRun \"zkdevsim --help\" for the options.\n";
        return kExitUsage;
    case ParseOutcome::Run:
        break;
    }
    std::vector<DeviceProfile> fleet;
    std::string error;
    if (BuildFleet(parsed.options, fleet, error) != 0) {
        std::cerr << "zkdevsim: " << error << '\n';
        return kExitUsage;
    }
    Simulator simulator(std::move(parsed.options), std::move(fleet));
    return simulator.Run(std::cerr);
}

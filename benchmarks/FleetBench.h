// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// What the benchmarks against a simulated fleet share: their options, and running themselves
// inside the private namespaces of scripts/netns-run next to zkdevsim (they send to the devices'
// addresses, so they never run in the machine's own network).
namespace zk::bench {

struct FleetOptions {
    int count = 1000;   // simulated devices, from 192.168.0.10 in a /22
    int jitterMs = 100; // each reply waits a random 0..jitterMs
    int seconds = 60;   // the measurement gives up after this long
};

// Reads --count, --jitter-ms and --seconds over the given defaults.
FleetOptions ParseFleetOptions(int argc, char* argv[], FleetOptions defaults);

// True when this process runs in the harness's namespace and may measure. False when it still has
// to start itself there (RunInFleetNamespace). A process that says it is inside but sees another
// interface than loopback and the harness's own ends with a refusal.
bool InFleetNamespace(const char* program);

// Starts this program again inside the namespaces, with the simulated fleet beside it; returns only
// when that cannot be done. simulatorExtra holds further simulator arguments ("--record FILE").
int RunInFleetNamespace(const char* program, const FleetOptions& options, char* argv[],
                        const std::string& simulatorExtra = {});

} // namespace zk::bench

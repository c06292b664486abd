// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <chrono>
#include <functional>
#include <string>

// What the benchmarks against a simulated fleet share: their options, and running themselves
// inside the private namespaces of scripts/netns-run next to zkdevsim (they send to the devices'
// addresses, so they never run in the machine's own network).
namespace zk::bench {

struct FleetOptions {
    int count = 1000;   // simulated devices, from 192.168.0.10
    int jitterMs = 100; // each reply waits a random 0..jitterMs
    int seconds = 60;   // the measurement gives up after this long
    // The fleet's network is 192.168.0.0 with this prefix (16 to 24); the harness's tool and
    // simulator sides take its last two host addresses (192.168.3.253 and .254 under a /22).
    int prefixLength = 22;
};

// Reads --count, --jitter-ms, --seconds and --prefix over the given defaults; other arguments (a
// benchmark's own, Google Benchmark's) are passed over.
FleetOptions ParseFleetOptions(int argc, char* argv[], FleetOptions defaults);

// The whole number after the first argument `name` ("--count 5"); fallback when it is not given.
int IntOption(int argc, char* argv[], const char* name, int fallback);

// True when this process runs in the harness's namespace and may measure. False when it still has
// to start itself there (RunInFleetNamespace). A process that says it is inside but sees another
// interface than loopback and the harness's own ends with a refusal.
bool InFleetNamespace(const char* program);

// Starts this program again inside the namespaces, with the simulated fleet beside it; returns only
// when that cannot be done. simulatorExtra holds further simulator arguments ("--record FILE").
int RunInFleetNamespace(const char* program, const FleetOptions& options, char* argv[],
                        const std::string& simulatorExtra = {});

// Runs the event loop of this (the window) thread until done() holds, asking every millisecond or
// so; false when limitMs passed first.
bool WaitFor(const std::function<bool()>& done, double limitMs);

// Milliseconds since a moment of the steady clock.
double MsSince(std::chrono::steady_clock::time_point start);
// "PASS" or "FAIL", as the programs print a limit's verdict.
const char* Verdict(bool met);

} // namespace zk::bench

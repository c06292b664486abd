// SPDX-License-Identifier: GPL-3.0-or-later
// How fast a whole fleet is found: 1000 simulated devices in a /22, each answering after a random
// 0..100 ms, searched by the real engine. Runs itself inside a private network namespace with the
// simulator next to it (scripts/netns-run), so nothing reaches the machine's network.
//   bench_search_fleet [--count N] [--jitter-ms J] [--seconds S]
#include "discovery/SearchEngine.h"
#include "discovery/SearchMessage.h"

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "FleetBench.h"

namespace {

using namespace zk;
using Clock = std::chrono::steady_clock;

// UDP datagrams the kernel of this namespace dropped for want of receive-buffer room.
long ReceiveBufferErrors() {
    std::ifstream snmp("/proc/net/snmp");
    std::string header;
    std::string values;
    for (std::string line; std::getline(snmp, line);) {
        if (line.rfind("Udp:", 0) == 0) {
            if (header.empty()) {
                header = line;
            } else {
                values = line;
                break;
            }
        }
    }
    std::istringstream names(header);
    std::istringstream numbers(values);
    std::string name;
    std::string number;
    while (names >> name && numbers >> number) {
        if (name == "RcvbufErrors") {
            return std::atol(number.c_str());
        }
    }
    return -1;
}

} // namespace

int main(int argc, char* argv[]) {
    const bench::FleetOptions options = bench::ParseFleetOptions(argc, argv, {1000, 100, 5});
    if (!bench::InFleetNamespace("bench_search_fleet")) {
        return bench::RunInFleetNamespace("bench_search_fleet", options, argv);
    }

    discovery::DeviceTable table;
    discovery::SearchEngine engine(table);
    const long dropsBefore = ReceiveBufferErrors();
    const auto start = Clock::now();
    if (engine.Start(0, discovery::AcceptedRootNames("")) != discovery::kEngineStarted) {
        std::fprintf(stderr, "bench_search_fleet: the search thread did not start\n");
        return 1;
    }
    const std::size_t half = static_cast<std::size_t>(options.count) / 2;
    const std::size_t ninety = static_cast<std::size_t>(options.count) * 9 / 10;
    double at50 = -1;
    double at90 = -1;
    double at100 = -1;
    int nextAskSeconds = 1;
    while (true) {
        const double elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        const std::size_t found = table.Size();
        if (at50 < 0 && found >= half) {
            at50 = elapsed;
        }
        if (at90 < 0 && found >= ninety) {
            at90 = elapsed;
        }
        if (found >= static_cast<std::size_t>(options.count)) {
            at100 = elapsed;
            break;
        }
        if (elapsed >= options.seconds) {
            break;
        }
        // The window's search timer asks again every second.
        if (elapsed >= nextAskSeconds) {
            engine.QueueRequest(discovery::BuildSearchRequest(discovery::kCodeSearch, std::nullopt));
            ++nextAskSeconds;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    const auto stats = engine.GetStats();
    engine.Stop();
    const long dropsAfter = ReceiveBufferErrors();

    std::printf("devices %d, jitter 0..%d ms\n", options.count, options.jitterMs);
    std::printf("found %zu of %d\n", table.Size(), options.count);
    std::printf("time to 50%%: %.3f s, 90%%: %.3f s, 100%%: %s\n", at50, at90,
                at100 < 0 ? "not reached" : (std::to_string(at100) + " s").c_str());
    std::printf("requests sent %llu (per socket), datagrams received %llu, replies stored %llu\n",
                static_cast<unsigned long long>(stats.requestsSent),
                static_cast<unsigned long long>(stats.datagramsReceived),
                static_cast<unsigned long long>(stats.repliesStored));
    std::printf("replies the kernel dropped (UDP receive-buffer errors): %ld\n", dropsAfter - dropsBefore);
    if (stats.repliesStored > 0) {
        std::printf("search thread CPU: %.1f ms in all, %.1f ms per 1000 replies\n", stats.threadCpuNs / 1e6,
                    stats.threadCpuNs / 1e6 * 1000.0 / static_cast<double>(stats.repliesStored));
    }
    return at100 < 0 ? 1 : 0;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// How fast a whole fleet is found: 1000 simulated devices in a /22, each answering after a random
// 0..100 ms, searched by the real engine. Runs itself inside a private network namespace with the
// simulator next to it (scripts/netns-run), so nothing reaches the machine's network.
//   bench_search_fleet [--count N] [--jitter-ms J] [--seconds S]
#include "discovery/SearchEngine.h"
#include "discovery/SearchMessage.h"

#include <ifaddrs.h>
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

namespace {

using namespace zk;
using Clock = std::chrono::steady_clock;

struct Options {
    int count = 1000;
    int jitterMs = 100;
    int seconds = 5;
};

Options ParseOptions(int argc, char* argv[]) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        const int value = std::atoi(argv[i + 1]);
        if (name == "--count") {
            options.count = value;
        } else if (name == "--jitter-ms") {
            options.jitterMs = value;
        } else if (name == "--seconds") {
            options.seconds = value;
        }
    }
    return options;
}

std::string OwnFolder() {
    char path[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    std::string folder(path, length > 0 ? static_cast<std::size_t>(length) : 0);
    return folder.substr(0, folder.rfind('/'));
}

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

// True when every network interface here is loopback or one of the test harness's own (zkt*):
// then this process lives in a namespace that scripts/netns-run made, not in the machine's own.
bool InPrivateNetworkNamespace() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        return false;
    }
    bool harnessOnly = true;
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        const std::string name = entry->ifa_name != nullptr ? entry->ifa_name : "";
        if (name != "lo" && name.rfind("zkt", 0) != 0) {
            harnessOnly = false;
        }
    }
    freeifaddrs(list);
    return harnessOnly;
}

// Outside a namespace: start again inside one, with the simulated fleet beside it.
int RunInNamespace(const Options& options, char* argv[]) {
    const std::string folder = OwnFolder();
    const std::string root = folder + "/../../..";
    setenv("ZKDEVSIM", (folder + "/zkdevsim").c_str(), 1);
    setenv("ZK_TOOL_ADDR", "192.168.3.253/22", 1);
    setenv("ZK_SIM_ADDR", "192.168.3.254/22", 1);
    setenv("ZK_BENCH_IN_NAMESPACE", "1", 1);
    const std::string simulator = "--count " + std::to_string(options.count) +
                                  " --first-ip 192.168.0.10 --netmask 255.255.252.0 --gateway 192.168.0.1"
                                  " --jitter-ms " +
                                  std::to_string(options.jitterMs);
    const std::string script = root + "/scripts/netns-run";
    std::vector<const char*> command = {script.c_str(), "--sim", simulator.c_str(), "--", argv[0]};
    for (int i = 1; argv[i] != nullptr; ++i) {
        command.push_back(argv[i]);
    }
    command.push_back(nullptr);
    execv(script.c_str(), const_cast<char* const*>(command.data()));
    std::perror("bench_search_fleet: cannot run scripts/netns-run");
    return 1;
}

} // namespace

int main(int argc, char* argv[]) {
    const Options options = ParseOptions(argc, argv);
    if (std::getenv("ZK_BENCH_IN_NAMESPACE") == nullptr) {
        return RunInNamespace(options, argv);
    }
    if (!InPrivateNetworkNamespace()) {
        std::fprintf(stderr, "bench_search_fleet: refusing to broadcast outside a private network namespace\n");
        return 1;
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

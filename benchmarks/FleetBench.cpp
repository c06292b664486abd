// SPDX-License-Identifier: GPL-3.0-or-later
#include "FleetBench.h"

#include "netcfg/IpRules.h"

#include <QEventLoop>
#include <QTimer>

#include <ifaddrs.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace zk::bench {
namespace {

constexpr const char* kInsideMarker = "ZK_BENCH_IN_NAMESPACE";
constexpr std::uint32_t kFleetNetwork = 0xC0A80000u; // 192.168.0.0
// Wider would leave 192.168.0.0/16; narrower leaves no room beside the first device.
constexpr int kWidestPrefix = 16;
constexpr int kNarrowestPrefix = 24;

std::string OwnFolder() {
    char path[4096] = {};
    const ssize_t length = readlink("/proc/self/exe", path, sizeof(path) - 1);
    std::string folder(path, length > 0 ? static_cast<std::size_t>(length) : 0);
    return folder.substr(0, folder.rfind('/'));
}

// Every interface is loopback or one of the harness's own (zkt*).
bool OnlyHarnessInterfaces() {
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

} // namespace

int IntOption(int argc, char* argv[], const char* name, int fallback) {
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], name) == 0) {
            return std::atoi(argv[i + 1]);
        }
    }
    return fallback;
}

FleetOptions ParseFleetOptions(int argc, char* argv[], FleetOptions defaults) {
    FleetOptions options = defaults;
    options.count = IntOption(argc, argv, "--count", defaults.count);
    options.jitterMs = IntOption(argc, argv, "--jitter-ms", defaults.jitterMs);
    options.seconds = IntOption(argc, argv, "--seconds", defaults.seconds);
    options.prefixLength = IntOption(argc, argv, "--prefix", defaults.prefixLength);
    return options;
}

bool InFleetNamespace(const char* program) {
    if (std::getenv(kInsideMarker) == nullptr) {
        return false;
    }
    if (!OnlyHarnessInterfaces()) {
        std::fprintf(stderr, "%s: refusing to send outside a private network namespace\n", program);
        std::exit(1);
    }
    return true;
}

int RunInFleetNamespace(const char* program, const FleetOptions& options, char* argv[],
                        const std::string& simulatorExtra) {
    if (options.prefixLength < kWidestPrefix || options.prefixLength > kNarrowestPrefix) {
        std::fprintf(stderr, "%s: the fleet's prefix must be /%d to /%d\n", program, kWidestPrefix, kNarrowestPrefix);
        return 1;
    }
    const std::string folder = OwnFolder();
    const std::string root = folder + "/../../..";
    const std::uint32_t netmask = ~std::uint32_t{0} << (32 - options.prefixLength);
    const std::uint32_t broadcast = kFleetNetwork | ~netmask;
    const std::string prefix = std::string("/").append(std::to_string(options.prefixLength));
    setenv("ZKDEVSIM", (folder + "/zkdevsim").c_str(), 1);
    setenv("ZK_TOOL_ADDR", (netcfg::FormatIpv4(broadcast - 2) + prefix).c_str(), 1);
    setenv("ZK_SIM_ADDR", (netcfg::FormatIpv4(broadcast - 1) + prefix).c_str(), 1);
    setenv(kInsideMarker, "1", 1);
    const std::string simulator = "--count " + std::to_string(options.count) + " --first-ip 192.168.0.10 --netmask " +
                                  netcfg::FormatIpv4(netmask) + " --gateway 192.168.0.1 --jitter-ms " +
                                  std::to_string(options.jitterMs) + " " + simulatorExtra;
    const std::string script = root + "/scripts/netns-run";
    std::vector<const char*> command = {script.c_str(), "--sim", simulator.c_str(), "--", argv[0]};
    for (int i = 1; argv[i] != nullptr; ++i) {
        command.push_back(argv[i]);
    }
    command.push_back(nullptr);
    execv(script.c_str(), const_cast<char* const*>(command.data()));
    std::fprintf(stderr, "%s: cannot run scripts/netns-run\n", program);
    return 1;
}

bool WaitFor(const std::function<bool()>& done, double limitMs) {
    const auto start = std::chrono::steady_clock::now();
    while (!done()) {
        if (std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() > limitMs) {
            return false;
        }
        QEventLoop loop;
        QTimer::singleShot(1, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
}

double MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

const char* Verdict(bool met) {
    return met ? "PASS" : "FAIL";
}

} // namespace zk::bench

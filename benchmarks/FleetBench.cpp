// SPDX-License-Identifier: GPL-3.0-or-later
#include "FleetBench.h"

#include <ifaddrs.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace zk::bench {
namespace {

constexpr const char* kInsideMarker = "ZK_BENCH_IN_NAMESPACE";

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

FleetOptions ParseFleetOptions(int argc, char* argv[], FleetOptions defaults) {
    FleetOptions options = defaults;
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
    const std::string folder = OwnFolder();
    const std::string root = folder + "/../../..";
    setenv("ZKDEVSIM", (folder + "/zkdevsim").c_str(), 1);
    setenv("ZK_TOOL_ADDR", "192.168.3.253/22", 1);
    setenv("ZK_SIM_ADDR", "192.168.3.254/22", 1);
    setenv(kInsideMarker, "1", 1);
    const std::string simulator = "--count " + std::to_string(options.count) +
                                  " --first-ip 192.168.0.10 --netmask 255.255.252.0 --gateway 192.168.0.1"
                                  " --jitter-ms " +
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

} // namespace zk::bench

// SPDX-License-Identifier: GPL-3.0-or-later
// How fast the client library logs in to a whole fleet, and what 500 sessions cost it: 500
// simulated devices in a /22, logged in at once through NetSdk. Runs itself inside a private
// network namespace with the simulator next to it (scripts/netns-run), so nothing reaches the
// machine's network.
//   bench_session_fleet [--count N] [--seconds S] [--idle-seconds I]
#include "sdk/NetSdk.h"

#include <dirent.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "FleetBench.h"

namespace {

using namespace zk;
using Clock = std::chrono::steady_clock;

std::string DeviceAddress(int index) {
    const unsigned address = 0xC0A8000Au + static_cast<unsigned>(index); // from 192.168.0.10
    return std::to_string(address >> 24) + "." + std::to_string((address >> 16) & 0xFF) + "." +
           std::to_string((address >> 8) & 0xFF) + "." + std::to_string(address & 0xFF);
}

int ThreadCount() {
    int count = 0;
    if (DIR* tasks = opendir("/proc/self/task")) {
        while (const dirent* entry = readdir(tasks)) {
            count += entry->d_name[0] != '.' ? 1 : 0;
        }
        closedir(tasks);
    }
    return count;
}

// A line of /proc/self/status in kB ("VmRSS", "VmHWM").
long StatusKb(const char* key) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind(key, 0) == 0) {
            return std::atol(line.c_str() + std::strlen(key) + 1);
        }
    }
    return -1;
}

double ProcessCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

// Counts logins and answers as the library reports them.
struct Counters {
    std::mutex mutex;
    std::condition_variable changed;
    int loggedIn = 0;
    int failed = 0;
    int answered = 0;
    std::vector<double> loginMs;
    Clock::time_point start;
};

void OnStatus(int, int event, const char*, int, void* user) {
    auto* counters = static_cast<Counters*>(user);
    std::lock_guard lock(counters->mutex);
    if (event == sdk::kEventLoggedIn) {
        ++counters->loggedIn;
        counters->loginMs.push_back(std::chrono::duration<double, std::milli>(Clock::now() - counters->start).count());
    } else {
        ++counters->failed;
    }
    counters->changed.notify_all();
}

void OnAux(int, std::uint32_t word, const char*, int, void* user) {
    auto* counters = static_cast<Counters*>(user);
    std::lock_guard lock(counters->mutex);
    counters->answered += sdk::AuxResult(word) == sdk::kResultOk ? 1 : 0;
    counters->changed.notify_all();
}

// How long the client sits idle with every session open, to measure its idle cost.
int IdleSeconds(int argc, char* argv[]) {
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--idle-seconds") {
            return std::atoi(argv[i + 1]);
        }
    }
    return 5;
}

} // namespace

int main(int argc, char* argv[]) {
    // Logins need no reply jitter: the devices' answers are what is measured.
    const bench::FleetOptions options = bench::ParseFleetOptions(argc, argv, {500, 0, 60});
    if (!bench::InFleetNamespace("bench_session_fleet")) {
        return bench::RunInFleetNamespace("bench_session_fleet", options, argv);
    }
    const int idleSeconds = IdleSeconds(argc, argv);

    const int threadsBefore = ThreadCount();
    const long rssBeforeKb = StatusKb("VmRSS");
    Counters counters;
    sdk::NetSdk sdk;
    if (sdk.Init() != 0) {
        std::fprintf(stderr, "bench_session_fleet: the library did not start\n");
        return 1;
    }
    sdk.SetStatusEventCallBack(&OnStatus, &counters);
    sdk.SetAUXResponseCallBack(&OnAux, &counters);
    sdk.SetAutoReconnect(0, 1);

    std::vector<int> handles;
    const double cpuBefore = ProcessCpuMs();
    counters.start = Clock::now();
    double longestCallMs = 0;
    for (int i = 0; i < options.count; ++i) {
        const auto callStart = Clock::now();
        handles.push_back(sdk.Login(DeviceAddress(i).c_str(), 34567, "admin", "507913", 0));
        longestCallMs =
            std::max(longestCallMs, std::chrono::duration<double, std::milli>(Clock::now() - callStart).count());
    }
    const double callsMs = std::chrono::duration<double, std::milli>(Clock::now() - counters.start).count();
    bool all = false;
    {
        std::unique_lock lock(counters.mutex);
        all = counters.changed.wait_for(lock, std::chrono::seconds(options.seconds),
                                        [&] { return counters.loggedIn >= options.count; });
    }
    const double loginCpuMs = ProcessCpuMs() - cpuBefore;
    std::vector<double> times;
    int failed = 0;
    {
        std::lock_guard lock(counters.mutex);
        times = counters.loginMs;
        failed = counters.failed;
    }
    auto at = [&times](double share) {
        const std::size_t index = static_cast<std::size_t>(share * static_cast<double>(times.size()));
        return times.empty() ? -1.0 : times[std::min(index, times.size() - 1)];
    };
    std::printf("devices %d\n", options.count);
    std::printf("Login calls for all: %.2f ms (%.1f us each, the longest %.2f ms)\n", callsMs,
                callsMs * 1000.0 / options.count, longestCallMs);
    std::printf("logged in %zu of %d, other status events %d\n", times.size(), options.count, failed);
    std::printf("time from the first Login to 50%%: %.1f ms, 90%%: %.1f ms, all: %s\n", at(0.5), at(0.9),
                all ? (std::to_string(times.back()) + " ms").c_str() : "not reached");
    std::printf("client CPU during the logins: %.1f ms\n", loginCpuMs);

    // One request to every device, answered.
    const auto askStart = Clock::now();
    for (const int handle : handles) {
        sdk.SystemControl(handle, 1012, 0, "RESPONSE_PARAM");
    }
    {
        std::unique_lock lock(counters.mutex);
        counters.changed.wait_for(lock, std::chrono::seconds(options.seconds),
                                  [&] { return counters.answered >= options.count; });
    }
    std::printf("1012 to every device, all answered: %.1f ms (%d answers)\n",
                std::chrono::duration<double, std::milli>(Clock::now() - askStart).count(), counters.answered);

    // Sessions at rest: keep-alives only.
    const double idleCpuBefore = ProcessCpuMs();
    std::this_thread::sleep_for(std::chrono::seconds(idleSeconds));
    const double idleCpuMs = ProcessCpuMs() - idleCpuBefore;
    const long rssAfterKb = StatusKb("VmRSS");
    std::printf("client threads: %d before the library, %d with %zu sessions\n", threadsBefore, ThreadCount(),
                sdk.SessionCount());
    std::printf("client memory: resident %ld kB before, %ld kB with the sessions (%.1f kB per session), peak %ld kB\n",
                rssBeforeKb, rssAfterKb,
                static_cast<double>(rssAfterKb - rssBeforeKb) / static_cast<double>(options.count), StatusKb("VmHWM"));
    std::printf("client CPU while %zu sessions idle: %.1f ms in %d s\n", sdk.LoggedInCount(), idleCpuMs, idleSeconds);
    return all ? 0 : 1;
}

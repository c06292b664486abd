// SPDX-License-Identifier: GPL-3.0-or-later
// A whole fleet from search to online, as the window runs it: the search controller and the device
// list on this (the window) thread, the session manager logging in every new row and running each
// device's connect sequence, NetSdk carrying the sessions. A 5 ms timer on the window thread
// measures how late it fires: the longest stall of the window thread while the fleet logs in. Runs
// itself inside a private network namespace with the simulator next to it (scripts/netns-run).
//   bench_login_fleet [--count N] [--jitter-ms J] [--seconds S]
#include "base/CLoadDisplayCfg.h"
#include "base/LanguageTable.h"
#include "discovery/DeviceListModel.h"
#include "discovery/SearchController.h"
#include "sdk/NetSdk.h"
#include "sdk/SessionManager.h"

#include <QCoreApplication>
#include <QTimer>

#include <ifaddrs.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace zk;
using Clock = std::chrono::steady_clock;

constexpr int kProbePeriodMs = 5;
constexpr double kStallLimitMs = 50.0;

struct Options {
    int count = 500;
    int jitterMs = 100;
    int seconds = 60;
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
    std::perror("bench_login_fleet: cannot run scripts/netns-run");
    return 1;
}

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double ThreadCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

} // namespace

int main(int argc, char* argv[]) {
    const Options options = ParseOptions(argc, argv);
    if (std::getenv("ZK_BENCH_IN_NAMESPACE") == nullptr) {
        return RunInNamespace(options, argv);
    }
    if (!InPrivateNetworkNamespace()) {
        std::fprintf(stderr, "bench_login_fleet: refusing to search outside a private network namespace\n");
        return 1;
    }
    QCoreApplication application(argc, argv);

    const base::CLoadDisplayCfg display;
    base::LanguageSources sources = base::DefaultLanguageSources();
    sources.languageCode = QStringLiteral("en-us");
    const base::LanguageTable texts(sources);
    discovery::DeviceTable table;
    discovery::DeviceListModel list(table, texts, discovery::DeviceListSettings::From(display, texts));
    sdk::NetSdk library;
    sdk::SessionManager sessions(library, list, texts);
    if (sessions.Start() != 0) {
        std::fprintf(stderr, "bench_login_fleet: the device SDK did not start\n");
        return 1;
    }
    discovery::SearchSettings settings;
    settings.autoStop = false;
    discovery::SearchEngine engine(table);
    discovery::SearchController search(table, engine, settings);
    double longestMergeMs = 0;
    QObject::connect(&search, &discovery::SearchController::listRefreshTick, &list, [&] {
        const auto start = Clock::now();
        list.Merge(); // new rows log in from inside the merge
        longestMergeMs = std::max(longestMergeMs, MsSince(start));
    });
    QObject::connect(&search, &discovery::SearchController::tableCleared, &list,
                     &discovery::DeviceListModel::ClearRows);
    sessions.FollowSearch(search);

    int events = 0;
    int answers = 0;
    QObject::connect(&sessions, &sdk::SessionManager::sessionEvent, &list, [&] { ++events; });
    QObject::connect(&sessions, &sdk::SessionManager::answerReceived, &list, [&] { ++answers; });

    // The probe: how late each 5 ms tick comes is how long the window thread was busy elsewhere.
    std::vector<double> lateness;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(kProbePeriodMs);
    Clock::time_point lastTick = Clock::now();
    QObject::connect(&probe, &QTimer::timeout, &list, [&] {
        const auto now = Clock::now();
        lateness.push_back(
            std::max(0.0, std::chrono::duration<double, std::milli>(now - lastTick).count() - kProbePeriodMs));
        lastTick = now;
    });

    const auto start = Clock::now();
    double allListedMs = -1;
    double allOnlineMs = -1;
    double allVersionsMs = -1;
    QTimer check;
    check.setInterval(20);
    QObject::connect(&check, &QTimer::timeout, &list, [&] {
        const double elapsed = MsSince(start);
        int online = 0;
        int versions = 0;
        for (int row = 0; row < list.RowCount(); ++row) {
            online += list.RowAt(row)->Online != 0 ? 1 : 0;
            versions += list.RowAt(row)->InfoText1012[0] != '\0' ? 1 : 0;
        }
        if (allListedMs < 0 && list.RowCount() >= options.count) {
            allListedMs = elapsed;
        }
        if (allOnlineMs < 0 && online >= options.count) {
            allOnlineMs = elapsed;
        }
        if (allVersionsMs < 0 && versions >= options.count) {
            allVersionsMs = elapsed;
        }
        if (allVersionsMs >= 0 || elapsed > options.seconds * 1000.0) {
            QCoreApplication::quit();
        }
    });
    const double cpuBefore = ThreadCpuMs();
    lastTick = Clock::now();
    probe.start();
    check.start();
    search.StartSearch();
    QCoreApplication::exec();
    const double windowCpuMs = ThreadCpuMs() - cpuBefore;
    search.StopSearch();
    probe.stop();

    std::sort(lateness.begin(), lateness.end());
    auto at = [&lateness](double share) {
        const auto index = static_cast<std::size_t>(share * static_cast<double>(lateness.size()));
        return lateness.empty() ? -1.0 : lateness[std::min(index, lateness.size() - 1)];
    };
    const double longest = lateness.empty() ? -1.0 : lateness.back();
    std::printf("devices %d, search reply jitter 0..%d ms\n", options.count, options.jitterMs);
    std::printf("all listed: %.0f ms, all online: %.0f ms, all versions: %.0f ms after the search started\n",
                allListedMs, allOnlineMs, allVersionsMs);
    std::printf("status events %d, answers %d handled on the window thread\n", events, answers);
    std::printf("window thread: %zu probe ticks, lateness median %.2f ms, 99%% %.2f ms, longest %.2f ms\n",
                lateness.size(), at(0.5), at(0.99), longest);
    std::printf("longest list refresh tick (logins of its new rows included): %.2f ms\n", longestMergeMs);
    std::printf("window thread CPU: %.1f ms\n", windowCpuMs);
    std::printf("longest stall under %.0f ms: %s\n", kStallLimitMs, longest < kStallLimitMs ? "yes" : "NO");
    sessions.LogoutAll();
    return allVersionsMs >= 0 && longest < kStallLimitMs ? 0 : 1;
}

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

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "FleetBench.h"

namespace {

using namespace zk;
using Clock = std::chrono::steady_clock;
using bench::MsSince;
using bench::Verdict;

constexpr int kProbePeriodMs = 5;
constexpr double kStallLimitMs = 50.0;

double ThreadCpuMs() {
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    return (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000.0 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000.0;
}

} // namespace

int main(int argc, char* argv[]) {
    const bench::FleetOptions options = bench::ParseFleetOptions(argc, argv, {500, 100, 60});
    if (!bench::InFleetNamespace("bench_login_fleet")) {
        return bench::RunInFleetNamespace("bench_login_fleet", options, argv);
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

// SPDX-License-Identifier: GPL-3.0-or-later
// The system commands on a logged-in fleet, as the window runs them: 500 simulated devices found,
// listed and logged in on this (the window) thread, then the password batch (one SetDVRConfig 223
// per device, from the call to the last row's answer) and the factory reset keeping the network
// (the first round's 1500 datagrams, from the call to the last one's arrival at the simulator, and
// none missing). A 5 ms timer on the window thread measures its longest stall throughout. The
// baselines in the same run: the password requests sent in one unsliced loop, and the reset's four
// rounds with the window thread sleeping 500 ms between them.
//   bench_system_batch [--count N] [--jitter-ms J] [--seconds S]
#include "discovery/SearchMessage.h"
#include "sdk/system/RestartCommands.h"
#include "sdk/system/SettingCommands.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "FleetBench.h"
#include "FleetWindow.h"
#include "StallProbe.h"

namespace {

using namespace zk;
using Clock = std::chrono::steady_clock;
using bench::MsSince;
using bench::Verdict;

constexpr double kStallLimitMs = 50.0;
constexpr double kPasswordLimitMs = 1000.0;
constexpr double kRoundLimitMs = 100.0;
constexpr const char* kRecordPath = "/tmp/zk-bench-system-record.jsonl";

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// The arrival times of the restore datagrams the simulator recorded.
std::vector<double> RestoreArrivals() {
    std::vector<double> times;
    std::ifstream record(kRecordPath);
    for (std::string line; std::getline(record, line);) {
        const QJsonObject entry = QJsonDocument::fromJson(QByteArray::fromStdString(line)).object();
        if (entry.value(QStringLiteral("protocol")).toString() == u"search" &&
            entry.value(QStringLiteral("code")).toInt() == 5) {
            times.push_back(entry.value(QStringLiteral("time")).toDouble());
        }
    }
    std::sort(times.begin(), times.end());
    return times;
}

} // namespace

int main(int argc, char* argv[]) {
    const bench::FleetOptions options = bench::ParseFleetOptions(argc, argv, {500, 0, 60});
    if (!bench::InFleetNamespace("bench_system_batch")) {
        std::remove(kRecordPath);
        return bench::RunInFleetNamespace("bench_system_batch", options, argv, std::string("--record ") + kRecordPath);
    }
    QCoreApplication application(argc, argv);

    bench::FleetWindow window(true);
    discovery::DeviceListModel& list = window.List();
    discovery::SearchController& search = window.Search();
    discovery::SearchEngine& engine = window.Engine();
    sdk::batch::BatchRunner& runner = window.Runner();
    sdk::system::RestartHooks restartHooks;
    restartHooks.credentials = [] { return discovery::Credentials{"admin", "507913"}; };
    sdk::system::RestartCommands restart(list, window.Table(), search, runner, window.Library(), window.Display(),
                                         restartHooks);
    sdk::system::SettingHooks settingHooks;
    settingHooks.editPassword = [] { return std::pair(QStringLiteral("507913"), QStringLiteral("507913")); };
    sdk::system::SettingCommands commands(list, window.Sessions(), runner, settingHooks);
    bench::StallProbe probe;

    // The fleet found, listed and online, each device's own serial number known; the list stays as
    // it is from here while the search keeps running, as in the window.
    const auto ticked = window.TickFleet("bench_system_batch", options.count, options.seconds * 1000.0);
    if (!ticked) {
        return 1;
    }
    const std::vector<std::string>& keys = *ticked;
    auto allAnswered = [&] { return window.AllAnswered(keys); };

    probe.Start();

    // The password batch.
    std::size_t mark = probe.Mark();
    auto start = Clock::now();
    commands.SetPassword(keys);
    const bool passwordDone = bench::WaitFor(allAnswered, options.seconds * 1000.0);
    const double passwordMs = MsSince(start);
    const long passwordOk = window.CountResult(keys, sdk::batch::RowResult::Ok);
    const double passwordStall = probe.LongestSince(mark);

    // Baseline: the same requests in one loop on the window thread, answers awaited as above.
    const std::string text = sdk::system::PasswordRequest("507913");
    mark = probe.Mark();
    start = Clock::now();
    window.SendUnsliced(sdk::system::kSetUser, text);
    const double baselineLoopMs = MsSince(start);
    bench::WaitFor([&] { return runner.AwaitedAnswers() == 0; }, options.seconds * 1000.0);
    const double baselinePasswordMs = MsSince(start);
    const double baselineStall = probe.LongestSince(mark);

    // The reset keeping the network: its first round, from the call until the search thread sent
    // every datagram, and how many of them reached the simulator.
    const std::size_t perRound = static_cast<std::size_t>(options.count) * discovery::kCopiesRestore;
    const std::uint64_t sentBefore = engine.GetStats().requestsSent;
    const std::uint64_t droppedBefore = engine.GetStats().requestsDropped;
    const std::size_t recordedBefore = RestoreArrivals().size();
    mark = probe.Mark();
    const double wallStart = WallSeconds();
    start = Clock::now();
    restart.Reset(keys, true);
    const double callMs = MsSince(start);
    bench::WaitFor([&] { return engine.GetStats().requestsSent - sentBefore >= perRound; }, 5000);
    const double roundMs = MsSince(start);
    bench::WaitFor([&] { return !restart.Busy(); }, 10000);
    const double resetStall = probe.LongestSince(mark);
    const std::uint64_t dropped = engine.GetStats().requestsDropped - droppedBefore;
    bench::WaitFor([] { return false; }, 300); // the last datagrams reach the record
    std::vector<double> arrivals = RestoreArrivals();
    arrivals.erase(arrivals.begin(), arrivals.begin() + static_cast<std::ptrdiff_t>(recordedBefore));
    // Every request goes out once on each of the search thread's sockets.
    const std::size_t sockets = engine.SocketAddresses().size();
    const std::size_t firstRound = static_cast<std::size_t>(
        std::count_if(arrivals.begin(), arrivals.end(), [&](double t) { return t < wallStart + 0.4; }));

    // Baseline: four rounds with the window thread asleep between them.
    mark = probe.Mark();
    start = Clock::now();
    for (int round = 0; round < sdk::system::kResetRounds; ++round) {
        for (const std::string& key : keys) {
            search.QueueRequest(discovery::kCodeRestore,
                                discovery::BuildCommandBody(key, true, discovery::Credentials{"admin", "507913"}), 0,
                                discovery::kCopiesRestore);
        }
        if (round + 1 < sdk::system::kResetRounds) {
            QThread::msleep(sdk::system::kResetRoundSpacingMs);
        }
    }
    bench::WaitFor([] { return false; }, 50);
    const double baselineResetStall = probe.LongestSince(mark);
    probe.Stop();
    search.StopSearch();

    const double worst = std::max({passwordStall, resetStall});
    std::printf("devices %d, all online and listed\n", options.count);
    std::printf("password batch: %ld of %zu ok, last answer %.0f ms after the call (limit %.0f), longest stall "
                "%.2f ms\n",
                passwordOk, keys.size(), passwordMs, kPasswordLimitMs, passwordStall);
    std::printf("  baseline unsliced loop: loop %.1f ms, last answer %.0f ms, longest stall %.2f ms\n", baselineLoopMs,
                baselinePasswordMs, baselineStall);
    std::printf("reset keeping the network: call returned in %.1f ms; the first round's %zu requests sent %.1f ms "
                "after the call (limit %.0f), %llu dropped; the simulator recorded %zu of the %zu datagrams of that "
                "round (%zu sockets), %zu in all four rounds; longest stall %.2f ms\n",
                callMs, perRound, roundMs, kRoundLimitMs, static_cast<unsigned long long>(dropped), firstRound,
                perRound * sockets, sockets, arrivals.size(), resetStall);
    std::printf("  baseline rounds with the window asleep between them: longest stall %.0f ms\n", baselineResetStall);
    std::printf("window thread: longest stall %.2f ms (limit %.0f)\n", worst, kStallLimitMs);
    const bool met = passwordDone && passwordOk == static_cast<long>(keys.size()) && passwordMs < kPasswordLimitMs &&
                     dropped == 0 && firstRound == perRound * sockets && roundMs < kRoundLimitMs &&
                     worst < kStallLimitMs;
    std::printf("targets met: %s\n", met ? "yes" : "NO");
    return met ? 0 : 1;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The system commands on a logged-in fleet, as the window runs them: 500 simulated devices found,
// listed and logged in on this (the window) thread, then the password batch (one SetDVRConfig 223
// per device, from the call to the last row's answer) and the factory reset keeping the network
// (the first round's 1500 datagrams, from the call to the last one's arrival at the simulator, and
// none missing). A 5 ms timer on the window thread measures its longest stall throughout. The
// baselines in the same run: the password requests sent in one unsliced loop, and the reset's four
// rounds with the window thread sleeping 500 ms between them.
//   bench_system_batch [--count N] [--jitter-ms J] [--seconds S]
#include "base/CLoadDisplayCfg.h"
#include "base/FixedText.h"
#include "base/LanguageTable.h"
#include "base/Prompt.h"
#include "discovery/DeviceListModel.h"
#include "discovery/SearchController.h"
#include "discovery/SearchEngine.h"
#include "sdk/NetSdk.h"
#include "sdk/SessionManager.h"
#include "sdk/batch/BatchRunner.h"
#include "sdk/system/RestartCommands.h"
#include "sdk/system/SettingCommands.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "FleetBench.h"

namespace {

using namespace zk;
using Clock = std::chrono::steady_clock;

constexpr int kProbePeriodMs = 5;
constexpr double kStallLimitMs = 50.0;
constexpr double kPasswordLimitMs = 1000.0;
constexpr double kRoundLimitMs = 100.0;
constexpr const char* kRecordPath = "/tmp/zk-bench-system-record.jsonl";

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::system_clock::now().time_since_epoch()).count();
}

// Answers every question Yes, as a person confirming the command.
class YesPrompt final : public base::Prompt {
public:
    void ShowMessage(const QString&, const QString& text, base::PromptIcon) override {
        std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
    }
    bool AskYesNo(const QString&, const QString&, base::PromptIcon) override { return true; }
    std::optional<QString> ChooseOpenFile(const base::FileQuestion&) override { return std::nullopt; }
    std::optional<QString> ChooseSaveFile(const base::FileQuestion&) override { return std::nullopt; }
    std::optional<QString> ChooseFolder(const QString&, const QString&) override { return std::nullopt; }
    std::optional<QString> EnterText(const base::TextQuestion&) override { return std::nullopt; }
};

// Runs the event loop until done() holds or the time is up; false when it is up.
bool WaitFor(const std::function<bool()>& done, double limitMs) {
    const auto start = Clock::now();
    while (!done()) {
        if (MsSince(start) > limitMs) {
            return false;
        }
        QEventLoop loop;
        QTimer::singleShot(1, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return true;
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

    const base::CLoadDisplayCfg display;
    base::LanguageSources sources = base::DefaultLanguageSources();
    sources.languageCode = QStringLiteral("en-us");
    const base::LanguageTable texts(sources);
    discovery::DeviceTable table;
    discovery::DeviceListModel list(table, texts, discovery::DeviceListSettings::From(display, texts));
    sdk::NetSdk library;
    sdk::SessionManager sessions(library, list, texts);
    if (sessions.Start() != 0) {
        std::fprintf(stderr, "bench_system_batch: the device SDK did not start\n");
        return 1;
    }
    discovery::SearchSettings settings;
    settings.autoStop = false;
    discovery::SearchEngine engine(table);
    discovery::SearchController search(table, engine, settings);
    QObject::connect(&search, &discovery::SearchController::listRefreshTick, &list, &discovery::DeviceListModel::Merge);
    sessions.FollowSearch(search);
    YesPrompt prompt;
    sdk::batch::BatchRunner runner(list, sessions, library, texts, prompt);
    sdk::system::RestartHooks restartHooks;
    restartHooks.credentials = [] { return discovery::Credentials{"admin", "507913"}; };
    sdk::system::RestartCommands restart(list, table, search, runner, library, display, restartHooks);
    sdk::system::SettingHooks settingHooks;
    settingHooks.editPassword = [] { return std::pair(QStringLiteral("507913"), QStringLiteral("507913")); };
    sdk::system::SettingCommands commands(list, sessions, runner, settingHooks);

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
    auto longest = [&lateness](std::size_t from) {
        double worst = 0;
        for (std::size_t i = from; i < lateness.size(); ++i) {
            worst = std::max(worst, lateness[i]);
        }
        return worst;
    };

    // The fleet found, listed and online, each device's own serial number known.
    search.StartSearch();
    const bool online = WaitFor(
        [&] {
            if (list.RowCount() < options.count) {
                return false;
            }
            for (int row = 0; row < list.RowCount(); ++row) {
                if (list.RowAt(row)->Online == 0 || list.RowAt(row)->InfoText1019[0] == '\0') {
                    return false;
                }
            }
            return true;
        },
        options.seconds * 1000.0);
    if (!online) {
        std::fprintf(stderr, "bench_system_batch: %d rows, not all online in %d s\n", list.RowCount(), options.seconds);
        return 1;
    }
    // The list stays as it is from here; the search keeps running, as in the window.
    QObject::disconnect(&search, &discovery::SearchController::listRefreshTick, &list,
                        &discovery::DeviceListModel::Merge);
    list.SetAllTicked(true);
    const std::vector<std::string> keys = runner.TickedKeys();
    auto allAnswered = [&] {
        return std::all_of(keys.begin(), keys.end(), [&](const std::string& key) {
            const sdk::batch::RowState* state = runner.State(key);
            return state != nullptr && state->result != sdk::batch::RowResult::Waiting &&
                   state->result != sdk::batch::RowResult::None;
        });
    };
    auto okCount = [&] {
        return std::count_if(keys.begin(), keys.end(), [&](const std::string& key) {
            const sdk::batch::RowState* state = runner.State(key);
            return state != nullptr && state->result == sdk::batch::RowResult::Ok;
        });
    };

    lastTick = Clock::now();
    probe.start();

    // The password batch.
    std::size_t mark = lateness.size();
    auto start = Clock::now();
    commands.SetPassword(keys);
    const bool passwordDone = WaitFor(allAnswered, options.seconds * 1000.0);
    const double passwordMs = MsSince(start);
    const long passwordOk = okCount();
    const double passwordStall = longest(mark);

    // Baseline: the same requests in one loop on the window thread, answers awaited as above.
    const std::string text = sdk::system::PasswordRequest("507913");
    mark = lateness.size();
    start = Clock::now();
    for (int row = 0; row < list.RowCount(); ++row) {
        const int handle = list.RowAt(row)->LoginHandle;
        library.SetDVRConfig(handle, sdk::system::kSetUser, 0, text.c_str(), static_cast<int>(text.size()));
        runner.Await(row, sdk::system::kSetUser);
    }
    const double baselineLoopMs = MsSince(start);
    WaitFor([&] { return runner.AwaitedAnswers() == 0; }, options.seconds * 1000.0);
    const double baselinePasswordMs = MsSince(start);
    const double baselineStall = longest(mark);

    // The reset keeping the network: its first round, from the call until the search thread sent
    // every datagram, and how many of them reached the simulator.
    const std::size_t perRound = static_cast<std::size_t>(options.count) * discovery::kCopiesRestore;
    const std::uint64_t sentBefore = engine.GetStats().requestsSent;
    const std::uint64_t droppedBefore = engine.GetStats().requestsDropped;
    const std::size_t recordedBefore = RestoreArrivals().size();
    mark = lateness.size();
    const double wallStart = WallSeconds();
    start = Clock::now();
    restart.Reset(keys, true);
    const double callMs = MsSince(start);
    WaitFor([&] { return engine.GetStats().requestsSent - sentBefore >= perRound; }, 5000);
    const double roundMs = MsSince(start);
    WaitFor([&] { return !restart.Busy(); }, 10000);
    const double resetStall = longest(mark);
    const std::uint64_t dropped = engine.GetStats().requestsDropped - droppedBefore;
    WaitFor([] { return false; }, 300); // the last datagrams reach the record
    std::vector<double> arrivals = RestoreArrivals();
    arrivals.erase(arrivals.begin(), arrivals.begin() + static_cast<std::ptrdiff_t>(recordedBefore));
    // Every request goes out once on each of the search thread's sockets.
    const std::size_t sockets = engine.SocketAddresses().size();
    const std::size_t firstRound = static_cast<std::size_t>(
        std::count_if(arrivals.begin(), arrivals.end(), [&](double t) { return t < wallStart + 0.4; }));

    // Baseline: four rounds with the window thread asleep between them.
    mark = lateness.size();
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
    WaitFor([] { return false; }, 50);
    const double baselineResetStall = longest(mark);
    probe.stop();
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
    sessions.LogoutAll();
    return met ? 0 : 1;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// One setting for a whole logged-in fleet through the batch runner, as the window sends it: 1000
// simulated devices answering without delay are found, listed and logged in on this (the window)
// thread and all ticked; then the scheduled maintenance (SetDVRConfig 228) goes to every ticked row,
// timed from the call, as the button's click makes it, to the last row's "SET_OK". A 5 ms timer on
// the window thread measures its longest stall meanwhile. The baseline in the same run: the same
// requests sent in one unsliced loop on the window thread.
//   bench_batch_runner [--count N] [--jitter-ms J] [--seconds S]
#include "sdk/system/SettingCommands.h"

#include <QCoreApplication>

#include <chrono>
#include <cstdio>
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

constexpr double kBatchLimitMs = 1000.0;
constexpr double kStallLimitMs = 50.0;
constexpr const char* kProgram = "bench_batch_runner";

} // namespace

int main(int argc, char* argv[]) {
    const bench::FleetOptions options = bench::ParseFleetOptions(argc, argv, {1000, 0, 60});
    if (!bench::InFleetNamespace(kProgram)) {
        return bench::RunInFleetNamespace(kProgram, options, argv);
    }
    QCoreApplication application(argc, argv);

    bench::FleetWindow window(true);
    sdk::batch::BatchRunner& runner = window.Runner();
    sdk::system::SettingHooks hooks;
    // The maintenance dialog's OK: every day at 03:00:00, which the simulated devices do not have yet.
    hooks.editMaintenance = [](sdk::system::MaintenanceChoice& choice) {
        choice.enable = true;
        choice.day = sdk::system::kMaintenanceEveryDay;
        choice.time = "03:00:00";
        return true;
    };
    sdk::system::SettingCommands commands(window.List(), window.Sessions(), runner, hooks);
    bench::StallProbe probe;

    const auto ticked = window.TickFleet(kProgram, options.count, options.seconds * 1000.0);
    if (!ticked) {
        return 1;
    }
    const std::vector<std::string>& keys = *ticked;
    probe.Start();

    // The batch: from the click until every row has its answer and text.
    std::size_t mark = probe.Mark();
    auto start = Clock::now();
    double rowLoopMs = -1;
    QObject::connect(&runner, &sdk::batch::BatchRunner::batchFinished, &runner, [&] {
        if (rowLoopMs < 0) {
            rowLoopMs = MsSince(start);
        }
    });
    commands.Maintenance(keys);
    const bool answered = bench::WaitFor([&] { return window.AllAnswered(keys); }, options.seconds * 1000.0);
    const double batchMs = MsSince(start);
    const double batchStall = probe.LongestSince(mark);
    const long okRows = window.CountResult(keys, sdk::batch::RowResult::Ok);
    const int okTexts = window.RowsShowing("SET_OK");

    // Baseline: the same document to every row in one loop on the window thread.
    sdk::system::MaintenanceChoice choice;
    choice.day = 3;
    const std::string text = sdk::system::MaintenanceRequest(choice);
    mark = probe.Mark();
    start = Clock::now();
    window.SendUnsliced(sdk::system::kSetMaintenance, text);
    const double baselineLoopMs = MsSince(start);
    const bool baselineAnswered =
        bench::WaitFor([&] { return runner.AwaitedAnswers() == 0; }, options.seconds * 1000.0);
    const double baselineMs = MsSince(start);
    const double baselineStall = probe.LongestSince(mark);
    probe.Stop();

    const bool allOk = answered && okRows == static_cast<long>(keys.size()) && okTexts == static_cast<int>(keys.size());
    const bool fastEnough = allOk && batchMs < kBatchLimitMs;
    const bool smooth = batchStall < kStallLimitMs;
    std::printf("devices %d, logged in and ticked, answers without jitter (%d ms)\n", options.count, options.jitterMs);
    std::printf("maintenance batch (SetDVRConfig %d) through the batch runner:\n", sdk::system::kSetMaintenance);
    std::printf("  %ld of %zu rows ok, %d show SET_OK; the row loop ended %.1f ms after the click\n", okRows,
                keys.size(), okTexts, rowLoopMs);
    std::printf("  click to the last text: %.1f ms (limit %.0f) %s\n", batchMs, kBatchLimitMs, Verdict(fastEnough));
    std::printf("  window thread's longest stall: %.2f ms (limit %.0f) %s\n", batchStall, kStallLimitMs,
                Verdict(smooth));
    std::printf("baseline, one unsliced send loop on the window thread: loop %.1f ms, last answer %.1f ms%s, "
                "longest stall %.2f ms\n",
                baselineLoopMs, baselineMs, baselineAnswered ? "" : " (answers missing)", baselineStall);
    std::printf("result: %s\n", Verdict(fastEnough && smooth));
    return fastEnough && smooth ? 0 : 1;
}

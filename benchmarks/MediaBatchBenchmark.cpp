// SPDX-License-Identifier: GPL-3.0-or-later
// The smart detection on a logged-in fleet, as the window runs it: 500 simulated devices found,
// listed and logged in on this (the window) thread, all ticked, then the detection batch through
// MediaCommands: each row reads its alarm settings (GetDVRConfig 800), the answer is parsed and the
// person/vehicle, motion and sound detections go back one by one (SetDevcieConfig 829, 822, 827),
// whose acknowledgements write the row's last text. Timed from the call, as the button's OK makes
// it, to the last row's last text, with the window thread's longest stall; the baseline sends the
// same command's reads in one unsliced loop.
//   bench_media_batch [--count N] [--jitter-ms J] [--seconds S]
#include "base/CSaveParam.h"
#include "discovery/DeviceListModel.h"
#include "sdk/NetSdk.h"
#include "sdk/batch/BatchRunner.h"
#include "sdk/config/ConfigReads.h"
#include "sdk/media/MediaCommands.h"

#include <QCoreApplication>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstring>
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

constexpr double kCommandLimitMs = 2000.0;
constexpr double kStallLimitMs = 50.0;
constexpr const char* kProgram = "bench_media_batch";

// The window's choice: detection all day, person, vehicle and motion, the region reset.
sdk::media::SmartDetectParams Choice() {
    sdk::media::SmartDetectParams params;
    params.enableSchedule = 1;
    params.person = params.vehicle = params.motion = 1;
    params.resetRegion = 1;
    return params;
}

} // namespace

int main(int argc, char* argv[]) {
    const bench::FleetOptions options = bench::ParseFleetOptions(argc, argv, {500, 0, 60});
    if (!bench::InFleetNamespace(kProgram)) {
        return bench::RunInFleetNamespace(kProgram, options, argv);
    }
    QCoreApplication application(argc, argv);

    bench::FleetWindow window(true);
    sdk::batch::BatchRunner& runner = window.Runner();
    const QTemporaryDir documents;
    base::CSaveParam settings(documents.path());
    sdk::media::MediaHooks hooks;
    hooks.editSmartDetect = [](sdk::media::SmartDetectParams& params) {
        params = Choice();
        return true;
    };
    sdk::media::MediaCommands media(runner, settings, hooks);
    bench::StallProbe probe;
    const auto ticked = window.TickFleet(kProgram, options.count, options.seconds * 1000.0);
    if (!ticked) {
        return 1;
    }
    const std::vector<std::string>& keys = *ticked;
    probe.Start();

    std::size_t mark = probe.Mark();
    auto start = Clock::now();
    media.SetSmartDetect(keys);
    const bool answered = bench::WaitFor([&] { return window.AllAnswered(keys); }, options.seconds * 1000.0);
    const double commandMs = MsSince(start);
    const double commandStall = probe.LongestSince(mark);
    const long okRows = window.CountResult(keys, sdk::batch::RowResult::Ok);
    const int okTexts = window.RowsShowing("SET_OK");

    // Baseline: the same reads in one loop on the window thread; the answers take the same path.
    const sdk::media::SmartDetectParams params = Choice();
    mark = probe.Mark();
    start = Clock::now();
    window.ReadUnsliced(sdk::config::kReadAlarms, [&params](discovery::DeviceRow& device) {
        std::memcpy(device.Pending.SmartDetectionParams, &params, sizeof(params));
        device.Pending.SmartDetection = {1, 0};
    });
    const double baselineLoopMs = MsSince(start);
    const bool baselineAnswered =
        bench::WaitFor([&] { return runner.AwaitedAnswers() == 0; }, options.seconds * 1000.0);
    const double baselineMs = MsSince(start);
    const double baselineStall = probe.LongestSince(mark);
    probe.Stop();

    const bool allOk = answered && okRows == static_cast<long>(keys.size()) && okTexts == static_cast<int>(keys.size());
    const bool fast = allOk && commandMs < kCommandLimitMs;
    const bool smooth = commandStall < kStallLimitMs;
    std::printf("devices %d, logged in and ticked, answers without jitter (%d ms)\n", options.count, options.jitterMs);
    std::printf("smart detection (GetDVRConfig %d, then SetDevcieConfig %d, %d, %d) through MediaCommands:\n",
                sdk::config::kReadAlarms, sdk::config::kSetPdAlarm, sdk::config::kSetMotionAlarm,
                sdk::config::kSetAudioAlarm);
    std::printf("  %ld of %zu rows ok, %d show SET_OK\n", okRows, keys.size(), okTexts);
    std::printf("  click to the last text: %.1f ms (limit %.0f) %s\n", commandMs, kCommandLimitMs, Verdict(fast));
    std::printf("  window thread's longest stall: %.2f ms (limit %.0f) %s\n", commandStall, kStallLimitMs,
                Verdict(smooth));
    std::printf("baseline, the reads sent in one unsliced loop: loop %.1f ms, last answer %.1f ms%s, longest stall "
                "%.2f ms\n",
                baselineLoopMs, baselineMs, baselineAnswered ? "" : " (answers missing)", baselineStall);
    const bool met = fast && smooth;
    std::printf("result: %s\n", Verdict(met));
    return met ? 0 : 1;
}

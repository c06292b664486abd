// SPDX-License-Identifier: GPL-3.0-or-later
// A read-modify-write command on a logged-in fleet, as the window runs it: 500 simulated devices
// found, listed and logged in on this (the window) thread, all ticked, then the TV system (NTSC)
// through ConfigSwitches: each row reads its video capture settings (GetDVRConfig 504), the answer
// is parsed, TVSystem changed and the settings sent back (SetDVRConfig 524), whose acknowledgement
// writes the row's last text. Timed from the call, as the menu click makes it, to the last row's
// text, with the window thread's longest stall; the baseline sends the reads of the same command
// (back to PAL) in one unsliced loop. Before that, Google Benchmark times reading one 504 answer
// (the simulator's own full Video/Capture document) into its structure and printing it back with
// TVSystem changed, beside plain tinyxml2 parsing and printing the same text.
//   bench_config_batch [--count N] [--jitter-ms J] [--seconds S] [--benchmark_...]
#include "base/FixedText.h"
#include "devsim/DeviceConfig.h"
#include "sdk/config/ConfigReads.h"
#include "sdk/config/SdkStructures.h"
#include "sdk/system/ConfigSwitches.h"

#include <QCoreApplication>

#include <benchmark/benchmark.h>
#include <tinyxml2.h>

#include <chrono>
#include <cstdio>
#include <map>
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

constexpr double kCommandLimitMs = 1500.0;
constexpr double kStallLimitMs = 50.0;
constexpr double kMicroLimitUs = 50.0;
constexpr const char* kProgram = "bench_config_batch";
constexpr const char* kStructureRun = "structure_read_and_print";
constexpr const char* kPlainRun = "tinyxml2_parse_and_print";

// Google Benchmark's table, and each run's real time per iteration (microseconds) by name.
class KeepingReporter final : public benchmark::ConsoleReporter {
public:
    KeepingReporter() : benchmark::ConsoleReporter(OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& reports) override {
        for (const Run& run : reports) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                m_realUs[run.benchmark_name()] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(reports);
    }
    double RealUs(const std::string& name) const {
        const auto found = m_realUs.find(name);
        return found != m_realUs.end() ? found->second : -1;
    }

private:
    std::map<std::string, double> m_realUs;
};

// The answer a simulated device gives to GetDVRConfig 504.
std::string VideoCaptureAnswer() {
    discovery::DeviceRecord record{};
    base::CopyBounded(record.SerialNumber, "ZKSIM000001");
    base::CopyBounded(record.IpAddress, "192.168.0.10");
    const devsim::ConfigAnswer answer = devsim::DeviceConfig(record).Get(sdk::config::kReadVideoCapture);
    return answer.payload;
}

// What the command does with one answer, and the same with plain tinyxml2; both must print TVSystem="0".
void RunMicro(const std::string& answer, KeepingReporter& reporter) {
    benchmark::RegisterBenchmark(kStructureRun, [answer](benchmark::State& state) {
        for (auto _ : state) {
            sdk::config::VideoCaptureConfig config;
            sdk::config::Media_getVideoCaptureByXml(answer, config);
            config.TVSystem = 0;
            std::string text = sdk::config::XMLGET_VideoCaptureConfig(config);
            benchmark::DoNotOptimize(text);
        }
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark(kPlainRun, [answer](benchmark::State& state) {
        for (auto _ : state) {
            tinyxml2::XMLDocument document;
            document.Parse(answer.data(), answer.size());
            document.RootElement()->FirstChildElement("Capture")->SetAttribute("TVSystem", 0);
            tinyxml2::XMLPrinter printer;
            document.Print(&printer);
            std::string text(printer.CStr());
            benchmark::DoNotOptimize(text);
        }
    })->Unit(benchmark::kMicrosecond);
    benchmark::RunSpecifiedBenchmarks(&reporter);
}

} // namespace

int main(int argc, char* argv[]) {
    const bench::FleetOptions options = bench::ParseFleetOptions(argc, argv, {500, 0, 60});
    if (!bench::InFleetNamespace(kProgram)) {
        return bench::RunInFleetNamespace(kProgram, options, argv);
    }
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);

    // The micro-measurement first, while the fleet is idle.
    const std::string answer = VideoCaptureAnswer();
    sdk::config::VideoCaptureConfig parsed;
    const bool answerRead = sdk::config::Media_getVideoCaptureByXml(answer, parsed) == 0 && parsed.TVSystem == 1;
    KeepingReporter reporter;
    RunMicro(answer, reporter);
    const double structureUs = reporter.RealUs(kStructureRun);
    const double plainUs = reporter.RealUs(kPlainRun);

    bench::FleetWindow window(true);
    sdk::batch::BatchRunner& runner = window.Runner();
    sdk::system::ConfigSwitches switches(runner);
    bench::StallProbe probe;
    const auto ticked = window.TickFleet(kProgram, options.count, options.seconds * 1000.0);
    if (!ticked) {
        return 1;
    }
    const std::vector<std::string>& keys = *ticked;
    probe.Start();

    // The command: NTSC, which the simulated devices do not have yet, so every row reads and sets.
    std::size_t mark = probe.Mark();
    auto start = Clock::now();
    switches.TvSystem(keys, false);
    const bool answered = bench::WaitFor([&] { return window.AllAnswered(keys); }, options.seconds * 1000.0);
    const double commandMs = MsSince(start);
    const double commandStall = probe.LongestSince(mark);
    const long okRows = window.CountResult(keys, sdk::batch::RowResult::Ok);
    const int okTexts = window.RowsShowing("SET_OK");

    // Baseline: the same command's reads (back to PAL) in one loop on the window thread; the answers
    // take the same path through the runner.
    mark = probe.Mark();
    start = Clock::now();
    window.ReadUnsliced(sdk::config::kReadVideoCapture, [](discovery::DeviceRow& device) {
        device.Pending.TvSystem = {1, 1};
    });
    const double baselineLoopMs = MsSince(start);
    const bool baselineAnswered =
        bench::WaitFor([&] { return runner.AwaitedAnswers() == 0; }, options.seconds * 1000.0);
    const double baselineMs = MsSince(start);
    const double baselineStall = probe.LongestSince(mark);
    const long baselineOk = window.CountResult(keys, sdk::batch::RowResult::Ok);
    probe.Stop();

    const bool microFast = answerRead && structureUs >= 0 && structureUs < kMicroLimitUs;
    const bool allOk = answered && okRows == static_cast<long>(keys.size()) && okTexts == static_cast<int>(keys.size());
    const bool fast = allOk && commandMs < kCommandLimitMs;
    const bool smooth = commandStall < kStallLimitMs;
    std::printf("one 504 answer (%zu bytes, the simulator's Video/Capture document) read and printed back with "
                "TVSystem changed:\n",
                answer.size());
    std::printf("  Media_getVideoCaptureByXml + XMLGET_VideoCaptureConfig: %.2f us (limit %.0f) %s\n", structureUs,
                kMicroLimitUs, Verdict(microFast));
    std::printf("  baseline, plain tinyxml2 parse + print: %.2f us\n", plainUs);
    std::printf("devices %d, logged in and ticked, answers without jitter (%d ms)\n", options.count, options.jitterMs);
    std::printf("TV system (GetDVRConfig %d, then SetDVRConfig %d) through ConfigSwitches:\n",
                sdk::config::kReadVideoCapture, sdk::config::kSetVideoCapture);
    std::printf("  %ld of %zu rows ok, %d show SET_OK\n", okRows, keys.size(), okTexts);
    std::printf("  click to the last text: %.1f ms (limit %.0f) %s\n", commandMs, kCommandLimitMs, Verdict(fast));
    std::printf("  window thread's longest stall: %.2f ms (limit %.0f) %s\n", commandStall, kStallLimitMs,
                Verdict(smooth));
    std::printf("baseline, the reads sent in one unsliced loop: loop %.1f ms, last answer %.1f ms%s, %ld rows ok, "
                "longest stall %.2f ms\n",
                baselineLoopMs, baselineMs, baselineAnswered ? "" : " (answers missing)", baselineOk, baselineStall);
    const bool met = microFast && fast && smooth;
    std::printf("result: %s\n", Verdict(met));
    return met ? 0 : 1;
}

// SPDX-License-Identifier: GPL-3.0-or-later
// The free-address search as the window runs it: FreeAddressSearch probes 254 addresses with ICMP
// echo on its worker thread, 64 at once, while this (the window) thread goes on and gets the answer
// by a queued call. The candidates are 192.168.2.1 to .254, where no simulated device lives; the
// simulator occupies three of them (--occupy), which answer, and every other one stays silent (its
// probe waits 2 x 100 ms). Timed from the start to the answer, with the window thread's longest
// stall; every silent address must come back free and no occupied one. The baseline in the same
// run: the same search with one probe at a time, over the first candidates only (all 254 take
// about 51 s) and extrapolated to 254, which the output says.
//   bench_address_check [--baseline-candidates N] [--seconds S]
#include "netcfg/FreeAddressSearch.h"
#include "netcfg/PingTest.h"

#include <QCoreApplication>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "FleetBench.h"
#include "StallProbe.h"

namespace {

using namespace zk;
using Clock = std::chrono::steady_clock;
using bench::MsSince;
using bench::Verdict;

constexpr double kSearchLimitMs = 1000.0; // about a second
constexpr double kStallLimitMs = 50.0;
constexpr const char* kProgram = "bench_address_check";
constexpr const char* kCandidatePrefix = "192.168.2.";
constexpr int kCandidates = 254;
constexpr const char* kOccupied[] = {"192.168.2.20", "192.168.2.120", "192.168.2.220"};
constexpr int kDefaultBaselineCandidates = 25;

bool IsOccupied(const std::string& address) {
    return std::find(std::begin(kOccupied), std::end(kOccupied), address) != std::end(kOccupied);
}

// One search for as many free addresses as there are candidates, so that every candidate is probed.
struct SearchRun {
    bool answered = false;
    double ms = 0;
    double stall = 0;
    QStringList free;
};

SearchRun Search(netcfg::Prober& prober, int maxParallel, const std::vector<std::string>& candidates,
                 bench::StallProbe& probe, double limitMs) {
    SearchRun run;
    netcfg::FreeAddressSearch search(prober, maxParallel);
    QObject::connect(&search, &netcfg::FreeAddressSearch::finished, &search, [&run](const QStringList& addresses) {
        run.free = addresses;
        run.answered = true;
    });
    const std::size_t mark = probe.Mark();
    const auto start = Clock::now();
    if (search.Start(candidates, static_cast<int>(candidates.size())) != netcfg::kProbeStarted) {
        return run;
    }
    bench::WaitFor([&run] { return run.answered; }, limitMs);
    run.ms = MsSince(start);
    run.stall = probe.LongestSince(mark);
    return run;
}

// The candidates the run must find free, in order.
QStringList SilentOnes(const std::vector<std::string>& candidates) {
    QStringList silent;
    for (const std::string& address : candidates) {
        if (!IsOccupied(address)) {
            silent.append(QString::fromStdString(address));
        }
    }
    return silent;
}

} // namespace

int main(int argc, char* argv[]) {
    const bench::FleetOptions options = bench::ParseFleetOptions(argc, argv, {4, 0, 120});
    if (!bench::InFleetNamespace(kProgram)) {
        std::string occupied = "--occupy ";
        for (const char* address : kOccupied) {
            occupied += address;
            occupied += ',';
        }
        occupied.pop_back();
        return bench::RunInFleetNamespace(kProgram, options, argv, occupied);
    }
    QCoreApplication application(argc, argv);
    const int baselineCount =
        std::clamp(bench::IntOption(argc, argv, "--baseline-candidates", kDefaultBaselineCandidates), 1, kCandidates);

    std::vector<std::string> candidates;
    for (int last = 1; last <= kCandidates; ++last) {
        candidates.push_back(kCandidatePrefix + std::to_string(last));
    }
    netcfg::IcmpProber prober;
    bench::StallProbe probe;
    probe.Start();
    const double limitMs = options.seconds * 1000.0;

    const SearchRun parallel = Search(prober, netcfg::kDefaultMaxParallelProbes, candidates, probe, limitMs);
    const bool right = parallel.answered && parallel.free == SilentOnes(candidates);

    const std::vector<std::string> firstOnes(candidates.begin(), candidates.begin() + baselineCount);
    const SearchRun oneByOne = Search(prober, 1, firstOnes, probe, limitMs);
    const bool baselineRight = oneByOne.answered && oneByOne.free == SilentOnes(firstOnes);
    const double baselineMs = oneByOne.ms * kCandidates / baselineCount;
    probe.Stop();

    const bool fast = right && parallel.ms < kSearchLimitMs;
    const bool smooth = parallel.stall < kStallLimitMs;
    std::printf("free-address search over %d addresses %s1 to %s%d, %zu of them occupied (answer ping), the rest "
                "silent; ICMP echo, 2 attempts of 100 ms\n",
                kCandidates, kCandidatePrefix, kCandidatePrefix, kCandidates, std::size(kOccupied));
    std::printf("FreeAddressSearch, up to %d probes at once on its worker thread:\n",
                netcfg::kDefaultMaxParallelProbes);
    std::printf("  %lld free addresses found, %s\n", static_cast<long long>(parallel.free.size()),
                right ? "exactly the silent ones in order" : "NOT the silent ones");
    std::printf("  start to answer: %.0f ms (limit %.0f) %s\n", parallel.ms, kSearchLimitMs, Verdict(fast));
    std::printf("  window thread's longest stall: %.2f ms (limit %.0f) %s\n", parallel.stall, kStallLimitMs,
                Verdict(smooth));
    std::printf("baseline, one probe at a time: %d of %d candidates in %.0f ms (%s), %s %.0f ms for all %d; "
                "longest stall %.2f ms\n",
                baselineCount, kCandidates, oneByOne.ms, baselineRight ? "the right ones free" : "WRONG answer",
                baselineCount < kCandidates ? "extrapolated" : "that is", baselineMs, kCandidates, oneByOne.stall);
    std::printf("result: %s\n", Verdict(fast && smooth));
    return fast && smooth ? 0 : 1;
}

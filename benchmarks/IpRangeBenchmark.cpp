// SPDX-License-Identifier: GPL-3.0-or-later
// Consecutive addresses for a whole fleet, as the window hands them out: 1000 simulated devices in a
// /16 found and listed on this (the window) thread, all ticked, without sessions (the command needs
// no login; zkdevcli ip-range runs it so too). The consecutive-address command gives them
// 192.168.3.200 upward under the /16 mask, so the range runs over the octet boundaries (3.255, 4.0,
// ...), then the search is started again. Timed from the command's call (the dialog's OK) until that
// next search lists every device at the address, mask and gateway it was given; a 5 ms timer on the
// window thread measures its longest stall meanwhile. The baseline in the same run: the same
// addressing (to the range from 192.168.13.200) done in one unsliced loop on the window thread.
//   bench_ip_range [--count N] [--jitter-ms J] [--seconds S]
#include "base/CSaveParam.h"
#include "base/FixedText.h"
#include "netcfg/ConsecutiveAddresses.h"
#include "netcfg/IpAssignment.h"
#include "netcfg/LocalNetwork.h"
#include "netcfg/PingTest.h"
#include "netcfg/RecentlyAssigned.h"

#include <QCoreApplication>
#include <QTemporaryDir>

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

constexpr double kTotalLimitMs = 30000.0;
constexpr double kStallLimitMs = 50.0;
constexpr const char* kProgram = "bench_ip_range";
constexpr const char* kRangeStart = "192.168.3.200";
constexpr const char* kBaselineStart = "192.168.13.200";
constexpr const char* kNetmask = "255.255.0.0";
constexpr const char* kGateway = "192.168.0.1";
constexpr const char* kDns2 = "8.8.8.8";

// One run of the addressing, from the click.
struct Phase {
    double sentMs = 0;       // the search thread sent the last request
    double commandStall = 0; // the longest stall until then
    double restartMs = 0;    // stopping and starting the search on the window thread
    double searchStall = 0;  // the longest stall of the next search
    bench::FleetWindow::MergeTime longestMerge;
    double totalMs = 0; // every device listed at its new address
    double stall = 0;   // the longest stall of the whole run
    bool found = false;
    int foundRows = 0;
};

// Rows that show the device at the address it was given (by row key), with the range's mask and
// gateway.
int RowsAtNewAddress(discovery::DeviceListModel& list, const std::map<std::string, std::string>& given) {
    int found = 0;
    for (int row = 0; row < list.RowCount(); ++row) {
        const discovery::DeviceRow* device = list.RowAt(row);
        const auto wanted = given.find(std::string(base::FieldText(device->Key)));
        found += wanted != given.end() && base::FieldText(device->Record.IpAddress) == wanted->second &&
                         base::FieldText(device->Record.Netmask) == kNetmask &&
                         base::FieldText(device->Record.Gateway) == kGateway
                     ? 1
                     : 0;
    }
    return found;
}

} // namespace

int main(int argc, char* argv[]) {
    bench::FleetOptions defaults;
    defaults.prefixLength = 16;
    const bench::FleetOptions options = bench::ParseFleetOptions(argc, argv, defaults);
    if (!bench::InFleetNamespace(kProgram)) {
        return bench::RunInFleetNamespace(kProgram, options, argv);
    }
    QCoreApplication application(argc, argv);

    bench::FleetWindow window(false);
    discovery::DeviceListModel& list = window.List();
    discovery::SearchController& search = window.Search();
    // The command stores its start in the settings file: a temporary one, never the user's.
    const QTemporaryDir documents;
    base::CSaveParam settings(documents.path());
    netcfg::LocalNetwork local;
    netcfg::RecentlyAssigned recent;
    netcfg::IcmpProber prober;
    const discovery::Credentials user{"admin", "507913"};
    netcfg::IpAssignmentHooks hooks;
    hooks.credentials = [&user] { return user; };
    // The dialog's OK with the range typed in.
    hooks.editSettings = [](netcfg::IpSettingData& data) {
        data.start = kRangeStart;
        data.netmask = kNetmask;
        data.gateway = kGateway;
        data.dns1 = kGateway;
        data.dns2 = kDns2;
        data.dhcp = false;
        return true;
    };
    hooks.renewSession = [](int) {};
    netcfg::IpAssignment assignment(list, window.Table(), search, window.Runner(), local, recent, prober, settings,
                                    hooks);
    bench::StallProbe probe;

    if (!window.ListFleet(kProgram, options.count, options.seconds * 1000.0)) {
        return 1;
    }
    window.HoldList();
    list.SetAllTicked(true);
    std::vector<std::string> keys = window.Runner().TickedKeys();
    const double limitMs = options.seconds * 1000.0;
    probe.Start();

    // From a click whose requests the rows queued: until the search thread sent them, then the next
    // search, as a person starts it once the command is done, until it lists every device at the
    // address it was given.
    auto finish = [&](Clock::time_point start, std::size_t mark, std::uint64_t sentBefore,
                      const std::map<std::string, std::string>& given) {
        Phase phase;
        bench::WaitFor([&] { return window.Engine().GetStats().requestsSent - sentBefore >= given.size(); }, limitMs);
        phase.sentMs = MsSince(start);
        // The probe's next tick tells how late it came after the loop.
        const std::size_t ticks = probe.Ticks();
        bench::WaitFor([&] { return probe.Ticks() > ticks; }, limitMs);
        phase.commandStall = probe.LongestSince(mark);
        const std::size_t searchMark = probe.Mark();
        window.FollowSearch();
        window.TakeLongestMerge();
        const auto restart = Clock::now();
        search.StopSearch();
        search.StartSearch();
        phase.restartMs = MsSince(restart);
        phase.found = bench::WaitFor([&] { return RowsAtNewAddress(list, given) == options.count; }, limitMs);
        phase.totalMs = MsSince(start);
        phase.searchStall = probe.LongestSince(searchMark);
        phase.stall = probe.LongestSince(mark);
        phase.longestMerge = window.TakeLongestMerge();
        phase.foundRows = RowsAtNewAddress(list, given);
        window.HoldList();
        return phase;
    };
    auto printPhase = [](const Phase& phase) {
        std::printf("    requests out %.1f ms after the click, longest stall until then %.2f ms\n", phase.sentMs,
                    phase.commandStall);
        std::printf("    next search: stopping and starting it took %.1f ms; longest list merge %.1f ms (processor "
                    "%.1f ms, %.1f ms of it in the kernel, %ld page faults); longest stall %.2f ms\n",
                    phase.restartMs, phase.longestMerge.wallMs, phase.longestMerge.cpuMs, phase.longestMerge.kernelMs,
                    phase.longestMerge.pageFaults, phase.searchStall);
        std::printf("    found %d devices at their new address, mask and gateway, %.0f ms after the click\n",
                    phase.foundRows, phase.totalMs);
    };

    // The command, from the dialog's OK until the next search found every device.
    std::size_t mark = probe.Mark();
    std::uint64_t sentBefore = window.Engine().GetStats().requestsSent;
    auto start = Clock::now();
    assignment.Consecutive(keys);
    const double callMs = MsSince(start);
    bench::WaitFor([&] { return !assignment.Busy(); }, limitMs);
    const double rowLoopMs = MsSince(start);
    std::map<std::string, std::string> given;
    std::string first;
    std::string last;
    for (const std::string& key : keys) {
        const auto record = assignment.Records().find(key);
        if (record != assignment.Records().end() && record->second.sent) {
            given[key] = record->second.ipAddress;
            first = first.empty() ? record->second.ipAddress : first;
            last = record->second.ipAddress;
        }
    }
    const Phase command = finish(start, mark, sentBefore, given);

    // Baseline: the same addressing in one loop on the window thread, to the next range.
    list.SetAllTicked(true);
    keys = window.Runner().TickedKeys();
    netcfg::ConsecutiveAddresses addresses(kBaselineStart, kNetmask, kGateway, local.AdapterAddresses());
    std::map<std::string, std::string> baselineGiven;
    mark = probe.Mark();
    sentBefore = window.Engine().GetStats().requestsSent;
    start = Clock::now();
    for (const std::string& key : keys) {
        const int row = list.FindRow(key);
        const std::optional<std::string> address = addresses.Current();
        if (row < 0 || !address) {
            continue;
        }
        discovery::DeviceRecord changed = list.RowAt(row)->Record;
        changed.Dhcp = 0;
        base::CopyBounded(changed.IpAddress, *address);
        base::CopyBounded(changed.Netmask, kNetmask);
        base::CopyBounded(changed.Gateway, kGateway);
        base::CopyBounded(changed.Dns1, kGateway);
        base::CopyBounded(changed.Dns2, kDns2);
        if (assignment.SetNetwork(row, changed, user) == discovery::kTableOk) {
            baselineGiven[key] = *address;
            addresses.Advance();
        }
    }
    const double baselineLoopMs = MsSince(start);
    const Phase baseline = finish(start, mark, sentBefore, baselineGiven);
    probe.Stop();

    const bool allApplied = static_cast<int>(given.size()) == options.count && command.found;
    const bool inTime = allApplied && command.totalMs < kTotalLimitMs;
    const bool smooth = command.stall < kStallLimitMs;
    std::printf("devices %d in 192.168.0.0/16, listed and ticked, search reply jitter 0..%d ms, no sessions\n",
                options.count, options.jitterMs);
    std::printf("consecutive addresses %s to %s (mask %s) through the batch runner:\n", first.c_str(), last.c_str(),
                kNetmask);
    std::printf("  %zu of %zu requests sent; the call returned after %.1f ms, the row loop ended at %.1f ms\n",
                given.size(), keys.size(), callMs, rowLoopMs);
    printPhase(command);
    std::printf("  click to all found: %.0f ms (limit %.0f) %s\n", command.totalMs, kTotalLimitMs, Verdict(inTime));
    std::printf("  window thread's longest stall: %.2f ms (limit %.0f) %s\n", command.stall, kStallLimitMs,
                Verdict(smooth));
    std::printf("baseline, one unsliced loop on the window thread (%zu devices, %s upward): loop %.1f ms\n",
                baselineGiven.size(), kBaselineStart, baselineLoopMs);
    printPhase(baseline);
    std::printf("  window thread's longest stall: %.2f ms%s\n", baseline.stall,
                baseline.found ? "" : " (not all found)");
    std::printf("result: %s\n", Verdict(inTime && smooth));
    return inTime && smooth ? 0 : 1;
}

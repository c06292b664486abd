// SPDX-License-Identifier: GPL-3.0-or-later
#include "netcfg/AddressProbing.h"

#include "base/DebugLog.h"
#include "netcfg/IpRules.h"

#include <algorithm>
#include <functional>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>

namespace zk::netcfg {
namespace {

constexpr int kNotProbed = -100;

// Probes the addresses of indexes 0 to count - 1, starting them in index order on up to
// maxParallel threads, until `enough` (asked under the lock after each result) says the answer is
// known. Since probes start in index order, every index below the last started one has a result
// when this returns; later ones stay kNotProbed.
std::vector<int> ProbeInOrder(std::size_t count, const std::function<std::string(std::size_t)>& addressOf,
                              Prober& prober, int maxParallel,
                              const std::function<bool(const std::vector<int>&)>& enough,
                              const std::atomic<bool>* cancel) {
    std::vector<int> results(count, kNotProbed);
    std::mutex mutex;
    std::size_t next = 0;
    bool done = false;
    auto work = [&] {
        for (;;) {
            std::size_t index = 0;
            {
                std::lock_guard lock(mutex);
                if (done || next >= count || (cancel != nullptr && cancel->load())) {
                    return;
                }
                index = next++;
            }
            const int result = prober.PingTest(addressOf(index));
            std::lock_guard lock(mutex);
            results[index] = result;
            if (enough(results)) {
                done = true;
            }
        }
    };
    const std::size_t threadCount = std::min<std::size_t>(count, static_cast<std::size_t>(std::max(maxParallel, 1)));
    std::vector<std::thread> threads;
    threads.reserve(threadCount);
    for (std::size_t i = 1; i < threadCount; ++i) {
        try {
            threads.emplace_back(work);
        } catch (const std::system_error&) {
            break; // fewer threads only make it slower
        }
    }
    work();
    for (std::thread& thread : threads) {
        thread.join();
    }
    return results;
}

bool Usable(int result) {
    return result == kPingSilent || result == kPingFailed;
}

} // namespace

std::vector<std::string> FreeAddressCandidates(const CandidateSources& sources) {
    std::vector<std::string> candidates;
    const auto local = ParseIpv4(sources.localAddress);
    if (!local) {
        return candidates;
    }
    const auto mask = ParseIpv4(sources.localNetmask);
    // Only a mask narrower than /24 limits the range further; any other keeps the .2 to .254 rule.
    const bool narrowSubnet = mask && IsValidNetmask(*mask) && *mask > 0xFFFFFF00u;
    // Compared as numbers, so that a text such as "192.168.001.010" in a device record still counts.
    std::vector<std::uint32_t> taken;
    for (const auto* list : {&sources.tableAddresses, &sources.adapterAddresses}) {
        for (const std::string& text : *list) {
            if (const auto address = ParseIpv4(text)) {
                taken.push_back(*address);
            }
        }
    }
    if (const auto gateway = ParseIpv4(sources.gateway)) {
        taken.push_back(*gateway);
    }
    auto excluded = [&](std::uint32_t candidate, const std::string& text) {
        return std::find(taken.begin(), taken.end(), candidate) != taken.end() ||
               (sources.recentlyAssigned != nullptr && sources.recentlyAssigned->Contains(text));
    };
    for (std::uint32_t last = 2; last <= 254; ++last) {
        const std::uint32_t candidate = (*local & 0xFFFFFF00u) | last;
        if (candidate == *local) {
            continue;
        }
        if (narrowSubnet && (!SameNetwork(candidate, *local, *mask) || candidate == NetworkAddress(*local, *mask) ||
                             candidate == BroadcastAddress(*local, *mask))) {
            continue;
        }
        std::string text = FormatIpv4(candidate);
        if (!excluded(candidate, text)) {
            candidates.push_back(std::move(text));
        }
    }
    return candidates;
}

std::vector<std::string> FindFreeAddresses(const std::vector<std::string>& candidates, int wanted, Prober& prober,
                                           int maxParallel, const std::atomic<bool>* cancel) {
    std::vector<std::string> found;
    if (wanted <= 0 || candidates.empty()) {
        return found;
    }
    const auto wantedCount = static_cast<std::size_t>(wanted);
    const std::vector<int> results = ProbeInOrder(
        candidates.size(), [&candidates](std::size_t i) { return candidates[i]; }, prober, maxParallel,
        [wantedCount](const std::vector<int>& soFar) {
            return static_cast<std::size_t>(std::count_if(soFar.begin(), soFar.end(), Usable)) >= wantedCount;
        },
        cancel);
    for (std::size_t i = 0; i < results.size() && found.size() < wantedCount; ++i) {
        if (Usable(results[i])) {
            base::Log("got one ip: %s\n", candidates[i].c_str());
            found.push_back(candidates[i]);
        }
    }
    return found;
}

std::string FindFreeAddress(const std::vector<std::string>& candidates, const std::string& localAddress, Prober& prober,
                            int maxParallel) {
    const std::vector<std::string> found = FindFreeAddresses(candidates, 1, prober, maxParallel);
    return found.empty() ? localAddress : found.front();
}

int CheckAddresses(const std::string& start, int count, Prober& prober, int maxParallel,
                   const std::atomic<bool>* cancel) {
    const auto first = ParseIpv4(start);
    if (!first || count <= 0) {
        return -1;
    }
    // Counting past 255.255.255.255 would wrap to addresses nobody asked about.
    const std::uint64_t room = 0x100000000ull - *first;
    const auto total = static_cast<std::size_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(count), room));
    const std::vector<int> results = ProbeInOrder(
        total, [first](std::size_t i) { return FormatIpv4(*first + static_cast<std::uint32_t>(i)); }, prober,
        maxParallel,
        [](const std::vector<int>& soFar) {
            return std::find(soFar.begin(), soFar.end(), kPingAnswered) != soFar.end();
        },
        cancel);
    const auto answered = std::find(results.begin(), results.end(), kPingAnswered);
    return answered == results.end() ? -1 : static_cast<int>(answered - results.begin());
}

} // namespace zk::netcfg

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "netcfg/PingTest.h"

#include <atomic>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace zk::test {

// A probe with scripted answers: addresses in `answering` answer, those in `failing` cannot be
// probed, all others are silent. Each call may take a random time up to maxDelayMs (or exactly
// fixedDelayMs), so that parallel probes finish out of order. Records every address asked.
class FakeProber final : public netcfg::Prober {
public:
    std::set<std::string> answering;
    std::set<std::string> failing;
    int maxDelayMs = 0;
    int fixedDelayMs = 0;

    int PingTest(const std::string& address) override;

    std::vector<std::string> Probed() const;
    int MostAtOnce() const { return m_mostAtOnce.load(); }

private:
    mutable std::mutex m_mutex;
    std::vector<std::string> m_probed;
    std::atomic<int> m_atOnce{0};
    std::atomic<int> m_mostAtOnce{0};
};

} // namespace zk::test

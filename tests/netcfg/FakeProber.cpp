// SPDX-License-Identifier: GPL-3.0-or-later
#include "FakeProber.h"

#include <chrono>
#include <functional>
#include <random>
#include <thread>

namespace zk::test {

int FakeProber::PingTest(const std::string& address) {
    {
        std::lock_guard lock(m_mutex);
        m_probed.push_back(address);
    }
    const int atOnce = ++m_atOnce;
    for (int most = m_mostAtOnce.load(); atOnce > most && !m_mostAtOnce.compare_exchange_weak(most, atOnce);) {
    }
    int delayMs = fixedDelayMs;
    if (maxDelayMs > 0) {
        thread_local std::mt19937 random(
            static_cast<unsigned>(std::hash<std::thread::id>()(std::this_thread::get_id())));
        delayMs = std::uniform_int_distribution<int>(0, maxDelayMs)(random);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(delayMs));
    --m_atOnce;
    if (answering.count(address) != 0) {
        return netcfg::kPingAnswered;
    }
    return failing.count(address) != 0 ? netcfg::kPingFailed : netcfg::kPingSilent;
}

std::vector<std::string> FakeProber::Probed() const {
    std::lock_guard lock(m_mutex);
    return m_probed;
}

} // namespace zk::test

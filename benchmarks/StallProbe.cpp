// SPDX-License-Identifier: GPL-3.0-or-later
#include "StallProbe.h"

#include <algorithm>

namespace zk::bench {

StallProbe::StallProbe(QObject* parent) : QObject(parent) {
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(kPeriodMs);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        const auto now = std::chrono::steady_clock::now();
        m_lateness.push_back(
            std::max(0.0, std::chrono::duration<double, std::milli>(now - m_lastTick).count() - kPeriodMs));
        m_lastTick = now;
    });
}

void StallProbe::Start() {
    m_lastTick = std::chrono::steady_clock::now();
    m_timer.start();
}

void StallProbe::Stop() {
    m_timer.stop();
}

double StallProbe::LongestSince(std::size_t mark) const {
    double longest = 0;
    for (std::size_t i = mark; i < m_lateness.size(); ++i) {
        longest = std::max(longest, m_lateness[i]);
    }
    return longest;
}

} // namespace zk::bench

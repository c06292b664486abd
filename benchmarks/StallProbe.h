// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>
#include <cstddef>
#include <vector>

namespace zk::bench {

// How long the window thread was busy elsewhere, as the fleet benchmarks measure it: a precise
// 5 ms timer on the thread, each tick's lateness (the gap since the previous tick minus the
// interval) recorded. The longest lateness is the window's longest stall. Lives on the window
// thread; times in milliseconds.
class StallProbe final : public QObject {
    Q_DISABLE_COPY_MOVE(StallProbe)

public:
    static constexpr int kPeriodMs = 5;

    explicit StallProbe(QObject* parent = nullptr);

    void Start();
    void Stop();

    // A position in the recorded ticks, for LongestSince.
    std::size_t Mark() const { return m_lateness.size(); }
    // The longest lateness of the ticks recorded since the mark; 0 when there were none.
    double LongestSince(std::size_t mark) const;
    std::size_t Ticks() const { return m_lateness.size(); }

private:
    QTimer m_timer;
    std::chrono::steady_clock::time_point m_lastTick;
    std::vector<double> m_lateness;
};

} // namespace zk::bench

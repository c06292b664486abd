// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "netcfg/AddressProbing.h"

#include <QObject>

#include <atomic>
#include <string>
#include <thread>

namespace zk::netcfg {

// Results of Start.
inline constexpr int kProbeStarted = 0;
inline constexpr int kProbeAlreadyRunning = -1;
inline constexpr int kProbeThreadFailed = -2;

// The IP settings dialog's Check without blocking the window: CheckAddresses on a worker thread,
// the answer delivered on this object's thread by a queued call. Lives on the window thread; the
// prober must outlive it.
class AddressCheck final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AddressCheck)

public:
    explicit AddressCheck(Prober& prober, int maxParallel = kDefaultMaxParallelProbes, QObject* parent = nullptr);
    // Stops starting probes and waits for those in flight (one probe's time, about 200 ms at most);
    // finished is then never emitted.
    ~AddressCheck() override;

    // Checks `count` addresses from `start`. kProbeStarted; kProbeAlreadyRunning while a check runs
    // (the new one is refused); kProbeThreadFailed when no thread could be started.
    int Start(const std::string& start, int count);
    bool Running() const { return m_running; }

signals:
    // The lowest index that answered, or -1 when none did.
    void finished(int firstAnsweringIndex);

private:
    void Finish(int firstAnsweringIndex);

    Prober& m_prober;
    int m_maxParallel;
    std::atomic<bool> m_cancel{false};
    std::thread m_worker;
    bool m_running = false;
};

} // namespace zk::netcfg

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "netcfg/AddressCheck.h"

#include <QObject>
#include <QStringList>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace zk::netcfg {

// The free-address search without blocking the window: FindFreeAddresses on a worker thread, the
// addresses delivered on this object's thread by a queued call. Lives on the window thread; the
// prober must outlive it.
class FreeAddressSearch final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(FreeAddressSearch)

public:
    explicit FreeAddressSearch(Prober& prober, int maxParallel = kDefaultMaxParallelProbes, QObject* parent = nullptr);
    // Stops starting probes and waits for those in flight; finished is then never emitted.
    ~FreeAddressSearch() override;

    // Looks for `wanted` free addresses among the candidates (FreeAddressCandidates). kProbeStarted,
    // kProbeAlreadyRunning (refused) or kProbeThreadFailed.
    int Start(std::vector<std::string> candidates, int wanted);
    bool Running() const { return m_running; }

signals:
    // The free addresses in candidate order; fewer than wanted when the candidates ran out.
    void finished(const QStringList& addresses);

private:
    void Finish(const QStringList& addresses);

    Prober& m_prober;
    int m_maxParallel;
    std::atomic<bool> m_cancel{false};
    std::thread m_worker;
    bool m_running = false;
};

} // namespace zk::netcfg

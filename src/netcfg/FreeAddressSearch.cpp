// SPDX-License-Identifier: GPL-3.0-or-later
#include "netcfg/FreeAddressSearch.h"

#include <system_error>

namespace zk::netcfg {

FreeAddressSearch::FreeAddressSearch(Prober& prober, int maxParallel, QObject* parent)
    : QObject(parent), m_prober(prober), m_maxParallel(maxParallel) {}

FreeAddressSearch::~FreeAddressSearch() {
    m_cancel = true;
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

int FreeAddressSearch::Start(std::vector<std::string> candidates, int wanted) {
    if (m_running) {
        return kProbeAlreadyRunning;
    }
    if (m_worker.joinable()) {
        m_worker.join();
    }
    m_cancel = false;
    try {
        m_worker = std::thread([this, candidates = std::move(candidates), wanted] {
            QStringList addresses;
            for (const std::string& address :
                 FindFreeAddresses(candidates, wanted, m_prober, m_maxParallel, &m_cancel)) {
                addresses.append(QString::fromStdString(address));
            }
            // Dropped by Qt when this object is destroyed first; the destructor joins this thread.
            QMetaObject::invokeMethod(
                this, [this, addresses] { Finish(addresses); }, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        return kProbeThreadFailed;
    }
    m_running = true;
    return kProbeStarted;
}

void FreeAddressSearch::Finish(const QStringList& addresses) {
    if (m_worker.joinable()) {
        m_worker.join();
    }
    m_running = false;
    emit finished(addresses);
}

} // namespace zk::netcfg

// SPDX-License-Identifier: GPL-3.0-or-later
#include "netcfg/AddressCheck.h"

#include <system_error>

namespace zk::netcfg {

AddressCheck::AddressCheck(Prober& prober, int maxParallel, QObject* parent)
    : QObject(parent), m_prober(prober), m_maxParallel(maxParallel) {}

AddressCheck::~AddressCheck() {
    m_cancel = true;
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

int AddressCheck::Start(const std::string& start, int count) {
    if (m_running) {
        return kProbeAlreadyRunning;
    }
    if (m_worker.joinable()) {
        m_worker.join();
    }
    m_cancel = false;
    try {
        m_worker = std::thread([this, start, count] {
            const int result = CheckAddresses(start, count, m_prober, m_maxParallel, &m_cancel);
            // Dropped by Qt when this object is destroyed first; the destructor joins this thread,
            // so `this` is alive while the call is posted.
            QMetaObject::invokeMethod(
                this, [this, result] { Finish(result); }, Qt::QueuedConnection);
        });
    } catch (const std::system_error&) {
        return kProbeThreadFailed;
    }
    m_running = true;
    return kProbeStarted;
}

void AddressCheck::Finish(int firstAnsweringIndex) {
    if (m_worker.joinable()) {
        m_worker.join();
    }
    m_running = false;
    emit finished(firstAnsweringIndex);
}

} // namespace zk::netcfg

// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/system/LoopReboot.h"

#include "base/DebugLog.h"
#include "base/FixedText.h"
#include "base/LanguageTable.h"
#include "discovery/DeviceListModel.h"
#include "discovery/SearchController.h"
#include "sdk/batch/BatchRunner.h"
#include "sdk/system/RestartCommands.h"

namespace zk::sdk::system {

LoopReboot::LoopReboot(discovery::DeviceListModel& list, batch::BatchRunner& runner, RestartCommands& restart,
                       std::function<std::optional<discovery::Credentials>()> credentials, QObject* parent)
    : QObject(parent), m_list(list), m_runner(runner), m_restart(restart), m_credentials(std::move(credentials)) {
    m_timer.setInterval(kLoopRebootPeriodMs);
    connect(&m_timer, &QTimer::timeout, this, &LoopReboot::Tick);
}

LoopReboot::~LoopReboot() = default;

void LoopReboot::FollowSearch(discovery::SearchController& search) {
    connect(&search, &discovery::SearchController::stoppingByButton, this, &LoopReboot::Stop);
}

void LoopReboot::Toggle(int selectedRow) {
    if (Running()) {
        Stop();
        return;
    }
    if (m_list.RowAt(selectedRow) == nullptr) {
        m_runner.ShowError(ZK_TEXT_KEY("MSGTIP13"));
        return;
    }
    Start(selectedRow);
}

bool LoopReboot::Start(int row) {
    const discovery::DeviceRow* device = m_list.RowAt(row);
    if (device == nullptr) {
        return false;
    }
    // Asked once: the loop must not ask every second.
    const auto credentials = m_credentials ? m_credentials() : std::nullopt;
    if (!credentials) {
        return false;
    }
    m_user = *credentials;
    m_key = std::string(base::FieldText(device->Key));
    m_reboots = 0;
    m_timer.start();
    emit runningChanged(true);
    return true;
}

void LoopReboot::Stop() {
    if (!m_timer.isActive()) {
        return;
    }
    m_timer.stop();
    emit runningChanged(false);
}

void LoopReboot::Tick() {
    const int row = m_list.FindRow(m_key);
    if (row < 0) {
        base::Log("LoopReboot: %s is no longer listed, loop ended after %d reboots\n", m_key.c_str(), m_reboots);
        Stop();
        return;
    }
    m_reboots += m_restart.RebootRow(row, m_user) ? 1 : 0;
}

} // namespace zk::sdk::system

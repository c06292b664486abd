// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/SearchController.h"

#include "base/DebugLog.h"
#include "discovery/SearchMessage.h"

namespace zk::discovery {

SearchController::SearchController(DeviceTable& table, SearchEngine& engine, SearchSettings settings, QObject* parent)
    : QObject(parent), m_table(table), m_engine(engine), m_settings(std::move(settings)),
      m_autoStop(m_settings.autoStop) {
    m_searchTimer.setInterval(m_settings.quickSearch ? kQuickSearchPeriodMs : kSearchPeriodMs);
    m_refreshTimer.setInterval(kListRefreshPeriodMs);
    connect(&m_searchTimer, &QTimer::timeout, this, [this] { QueueRequest(kCodeSearch, std::nullopt); });
    connect(&m_refreshTimer, &QTimer::timeout, this, &SearchController::OnListRefreshTick);
}

SearchController::~SearchController() {
    m_searchTimer.stop();
    m_refreshTimer.stop();
    m_engine.Stop();
}

void SearchController::ToggleSearch() {
    if (m_searching) {
        StopSearch();
    } else {
        StartSearch();
    }
}

void SearchController::StartSearch() {
    // First, while sessions and rows still exist: work that must finish on the devices (putting
    // back a demonstration's settings) is sent before the sessions close.
    emit searchStarting();
    emit logoutAllRequested();
    m_table.Clear();
    emit tableCleared();
    base::Log("RArEvaVuraroZazoDor::StartSearch()\n");

    if (m_engine.Running()) {
        base::Log("RArEvaVuraroZazoDor::StartSearchThread: SearchIPCThread has run.\n");
        return;
    }
    m_table.Clear();
    int error = 0;
    if (m_engine.Start(m_adapterChoice, m_settings.rootNames, &error) != kEngineStarted) {
        base::Log("RArEvaVuraroZazoDor::StartSearchThread: Strat SearchIPCThread fail, error= %d.\n", error);
        return;
    }
    if (m_settings.quickSearch) {
        base::Log("QUICKSERARCH VERSION. send broardcast message in each 100 ms");
    }
    m_searchTimer.start();
    m_refreshTimer.start();
    m_searching = true;
    emit searchingChanged(true);
}

void SearchController::StopSearchCore() {
    m_refreshTimer.stop();
    if (!m_engine.Stop()) {
        base::Log("RArEvaVuraroZazoDor::StopSearchThread: SearchIPCThread hasn't run.\n");
    }
    m_searchTimer.stop();
    m_searching = false;
    emit searchingChanged(false);
}

void SearchController::StopSearch() {
    emit stoppingByButton();
    StopSearchCore();
    if (!m_settings.autoStopSwitch) {
        m_autoStop = false;
    }
}

void SearchController::ChooseAdapter(std::uint32_t choice) {
    m_adapterChoice = choice;
    if (m_searching) {
        StopSearchCore();
    }
    StartSearch();
    m_autoStop = true;
}

int SearchController::QueueRequest(int code, const std::optional<std::string>& body, int flag, int copies) {
    const std::string request = BuildSearchRequest(code, body, flag);
    int result = kRequestTaken;
    for (int copy = 0; copy < copies; ++copy) {
        const int taken = m_engine.QueueRequest(request);
        if (result == kRequestTaken) {
            result = taken;
        }
    }
    return result;
}

void SearchController::OnListRefreshTick() {
    emit listRefreshTick();
    if (m_printMode || !m_autoStop) {
        return;
    }
    // The counter is compared before it counts the tick, and it survives restarts of the search.
    if (m_autoStopTicks++ > kAutoStopTicks) {
        m_autoStopTicks = 0;
        if (!m_settings.autoStopSwitch) {
            m_autoStop = false;
        }
        StopSearch();
    }
}

} // namespace zk::discovery

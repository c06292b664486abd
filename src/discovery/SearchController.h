// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "discovery/DeviceTable.h"
#include "discovery/SearchEngine.h"

#include <QObject>
#include <QTimer>

#include <optional>
#include <string>
#include <vector>

namespace zk::discovery {

// Timer ids and periods of the search.
inline constexpr int kTimerListRefresh = 1000;
inline constexpr int kTimerSearch = 1001;
inline constexpr int kListRefreshPeriodMs = 200;
inline constexpr int kSearchPeriodMs = 1000;
inline constexpr int kQuickSearchPeriodMs = 100;
// A search started by choosing an adapter stops after this many refresh ticks (about 10.4 s).
inline constexpr int kAutoStopTicks = 50;

// The installation's search settings.
struct SearchSettings {
    std::vector<std::string> rootNames = AcceptedRootNames("");
    bool quickSearch = false;    // the build searches every 100 ms
    bool autoStopSwitch = false; // searches started by an adapter choice keep stopping by themselves
    bool autoStop = true;        // the next search stops by itself
};

// The window thread's side of the search: the start/stop button, the adapter choice, the search
// timer that keeps asking, the list refresh timer and the automatic stop. Lives on the window
// thread; the engine's thread never touches it.
class SearchController final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SearchController)

public:
    SearchController(DeviceTable& table, SearchEngine& engine, SearchSettings settings, QObject* parent = nullptr);
    ~SearchController() override;

    // The start/stop button.
    void ToggleSearch();
    void StartSearch();
    void StopSearch();

    // Choosing an entry of the adapter list (0 for all adapters, else an address in network byte
    // order): restarts the search, which then stops by itself.
    void ChooseAdapter(std::uint32_t choice);
    // Sets the adapter for the next search without starting one.
    void SetAdapterChoice(std::uint32_t choice) { m_adapterChoice = choice; }

    // Print mode keeps a search running.
    void SetPrintMode(bool on) { m_printMode = on; }
    void SetClearSerialMode(bool on) { m_engine.SetClearSerialMode(on); }

    // Builds a request and queues it `copies` times to the search thread, or sends it once per copy
    // through the short-lived sender when no search runs. Returns kRequestTaken when every copy was
    // taken, else the engine's failure (kRequestQueueFull, kRequestNotSent).
    int QueueRequest(int code, const std::optional<std::string>& body, int flag = 0, int copies = 1);

    bool Searching() const { return m_searching; }
    bool AutoStop() const { return m_autoStop; }
    std::uint32_t AdapterChoice() const { return m_adapterChoice; }
    int SearchPeriodMs() const { return m_searchTimer.interval(); }
    const SearchSettings& Settings() const { return m_settings; }

signals:
    // A search is starting: every device session is to be closed.
    void logoutAllRequested();
    // The device table was emptied: list rows, ticks and live views go with it.
    void tableCleared();
    // A search is starting, emitted before the sessions close and the table empties: cached local
    // network values are stale, and requests that must reach the devices go out now.
    void searchStarting();
    // A search stopped by the button: loops that depend on it end.
    void stoppingByButton();
    void searchingChanged(bool searching);
    // Every 200 ms while searching: the list merges the device table.
    void listRefreshTick();

private:
    void StopSearchCore();
    void OnListRefreshTick();

    DeviceTable& m_table;
    SearchEngine& m_engine;
    SearchSettings m_settings;
    QTimer m_searchTimer;
    QTimer m_refreshTimer;
    std::uint32_t m_adapterChoice = 0;
    bool m_searching = false;
    bool m_autoStop = true;
    bool m_printMode = false;
    int m_autoStopTicks = 0;
};

} // namespace zk::discovery

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "discovery/SearchMessage.h"

#include <QObject>
#include <QTimer>

#include <functional>
#include <optional>
#include <string>

namespace zk::discovery {
class DeviceListModel;
class SearchController;
} // namespace zk::discovery
namespace zk::sdk::batch {
class BatchRunner;
}

namespace zk::sdk::system {

class RestartCommands;

// Timer id of the loop and its period.
inline constexpr int kTimerLoopReboot = 1005;
inline constexpr int kLoopRebootPeriodMs = 1000;

// The loop reboot (button 1305): one device rebooted every second until the button is pressed
// again, a search is stopped, or the window closes. The loop remembers the device by its row key and
// looks it up at every tick, so a sort or a new search never turns it on another device; it ends by
// itself when the device is no longer listed.
//
// Lives on the window thread.
class LoopReboot final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LoopReboot)

public:
    LoopReboot(discovery::DeviceListModel& list, batch::BatchRunner& runner, RestartCommands& restart,
               std::function<std::optional<discovery::Credentials>()> credentials, QObject* parent = nullptr);
    ~LoopReboot() override;

    // Stopping the search by its button ends the loop.
    void FollowSearch(discovery::SearchController& search);

    // The button: starts the loop on the row (none: "MSGTIP13"), or stops a running loop.
    void Toggle(int selectedRow);
    // Starts the loop on the row's device; false when there is no such row or no credentials.
    bool Start(int row);
    void Stop();
    bool Running() const { return m_timer.isActive(); }
    // The device the loop reboots ("" when none).
    const std::string& Key() const { return m_key; }
    // Reboots sent so far in the running (or last) loop.
    int Reboots() const { return m_reboots; }

signals:
    // The loop started or ended: the button's caption follows.
    void runningChanged(bool running);

private:
    void Tick();

    discovery::DeviceListModel& m_list;
    batch::BatchRunner& m_runner;
    RestartCommands& m_restart;
    std::function<std::optional<discovery::Credentials>()> m_credentials;
    QTimer m_timer;
    std::string m_key;
    discovery::Credentials m_user;
    int m_reboots = 0;
};

} // namespace zk::sdk::system

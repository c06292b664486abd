// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QTimer>

#include <string>
#include <vector>

namespace zk::discovery {
class DeviceListModel;
}
namespace zk::sdk {
class DeviceSdk;
namespace batch {
class BatchRunner;
}
} // namespace zk::sdk

namespace zk::sdk::system {

inline constexpr int kControlNightMode = 1046;
inline constexpr int kNightDemoMs = 5000;
// The capture's day/night value that forces night.
inline constexpr int kIrcutForcedNight = 3;

// The night-mode demonstration (button 1303): every ticked row reads its video capture (504); the
// answer forces night (day/night field 3, set 524, then SystemControl 1046 NightMode); after 5 s
// every row it reached gets DayMode and its day/night field back. Putting back changes only that
// field, on the settings the device last reported (with any change sent since), so a TV-system or
// light change made meanwhile stays. A search that starts meanwhile restores first (Restore), so no
// device is left in forced night when its session closes.
//
// Row states in the row's NightMode slot: 1 read sent, 2 night set sent, 3 night mode sent; the
// field's original value is kept in NightModeCapture. Window thread; what it is given must outlive it.
class NightDemo final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NightDemo)

public:
    NightDemo(discovery::DeviceListModel& list, batch::BatchRunner& runner, DeviceSdk& sdk, QObject* parent = nullptr);
    ~NightDemo() override;

    // Starts the demonstration on these rows ("MSGTIP13" and nothing else without rows); nothing
    // while one runs.
    void Start(const std::vector<std::string>& keys);
    // Ends it now: DayMode and the day/night field back on every row it reached; nothing when none runs.
    void Restore();
    bool Running() const { return m_running; }

signals:
    // The demonstration started (the button is disabled) or ended.
    void runningChanged(bool running);

private:
    void ForceNight(int row, int sendResult);

    discovery::DeviceListModel& m_list;
    batch::BatchRunner& m_runner;
    DeviceSdk& m_sdk;
    QTimer m_timer;
    bool m_running = false;
};

} // namespace zk::sdk::system

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sdk/system/SystemRequests.h"

#include <QObject>
#include <QString>

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace zk::discovery {
class DeviceListModel;
}
namespace zk::sdk {
class SessionManager;
namespace batch {
class BatchRunner;
struct SdkRequest;
} // namespace batch
} // namespace zk::sdk

namespace zk::sdk::system {

// What the commands need from the front end.
struct SettingHooks {
    // The password dialog's two entries; nothing when it was cancelled.
    std::function<std::optional<std::pair<QString, QString>>()> editPassword;
    // The maintenance dialog over the choice; false when it was cancelled.
    std::function<bool(MaintenanceChoice& choice)> editMaintenance;
};

// The system settings sent over the devices' sessions, one request (or two) per row on the batch
// runner: the admin password, the device language, the clock from the PC, the scheduled
// maintenance, the P2P services, the alarm output, the thermal sensor's presets and the test
// commands. Each writes its texts into the rows' status columns as the runner describes; a command
// without rows says so ("MSGTIP13", the clock "MSGTIP17") and sends nothing.
//
// Lives on the window thread; everything it is given must outlive it.
class SettingCommands final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SettingCommands)

public:
    SettingCommands(discovery::DeviceListModel& list, SessionManager& sessions, batch::BatchRunner& runner,
                    SettingHooks hooks, QObject* parent = nullptr);
    ~SettingCommands() override;

    // The password batch (button 14): the dialog; different entries "MSGTIP51", a password devices
    // cannot take its own message; else SetDVRConfig 223 ("MSGTIP41" when refused).
    void SetPassword(const std::vector<std::string>& keys);
    // The device language (button 15's menus): SetDVRConfig 227 and SystemControl 1119
    // ("MSGTIP42"). Without rows, after "MSGTIP13", the language goes to the selected row.
    void SetLanguage(const std::vector<std::string>& keys, int selectedRow, int offset, bool kc);
    // The clock from the PC (1035 item 8): the time record of the connect sequence ("MSGTIP22"
    // without a login, "MSGTIP36" when refused; "MSGTIP17" without rows).
    void SyncTime(const std::vector<std::string>& keys);
    // Scheduled maintenance (button 1031): the dialog, then SetDVRConfig 228
    // ("SET_TIMINGMAINTANCE_FAILED" when refused).
    void Maintenance(const std::vector<std::string>& keys);
    // P2P services on or off (33002/33003): SetDVRConfig 335.
    void P2p(const std::vector<std::string>& keys, bool on);
    // The alarm output (32802 "0", 32803 "1"): SystemControl 1042 ("SET_IOOUTPUT_FAILED").
    void IoOutput(const std::vector<std::string>& keys, int output);
    // The thermal sensor's defect points (23 scan: preset 200, 24 save: 201): PTZPreset for each row
    // ("SET_PRESET_FAILED" when refused), then a message with the number of rows sent.
    void ThermalPreset(const std::vector<std::string>& keys, int preset);
    // TEST MCU (1306): SystemControl 1130.
    void TestMcu(const std::vector<std::string>& keys);
    // TEST (1307): SystemControl 122 with the speed.
    void TestSpeed(const std::vector<std::string>& keys);
    // The audio test: SystemControl 1102 ("IDS_STR_ZH_CN_SET_FAILED").
    void AudioTest(const std::vector<std::string>& keys);

    // True while a command's batch still walks its rows.
    bool Busy() const { return m_active > 0; }
    // Rows whose call was sent in the last thermal preset batch.
    int ThermalSucceeded() const { return m_thermalSucceeded; }

signals:
    // A command ended (also when it was refused or cancelled before sending anything).
    void commandFinished();

private:
    // Shows the key and ends the command when there are no rows.
    bool HaveRows(const std::vector<std::string>& keys, const char* emptyKey = "MSGTIP13");
    void RunRequests(const std::vector<std::string>& keys, std::vector<batch::SdkRequest> requests,
                     std::function<void()> finished = {});
    void Finish();

    discovery::DeviceListModel& m_list;
    SessionManager& m_sessions;
    batch::BatchRunner& m_runner;
    SettingHooks m_hooks;
    int m_active = 0;
    int m_thermalSucceeded = 0;
};

} // namespace zk::sdk::system

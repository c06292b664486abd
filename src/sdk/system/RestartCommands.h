// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "discovery/SearchMessage.h"

#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace zk::base {
class CLoadDisplayCfg;
}
namespace zk::discovery {
class DeviceListModel;
class DeviceTable;
class SearchController;
struct DeviceRow;
} // namespace zk::discovery
namespace zk::sdk {
class DeviceSdk;
namespace batch {
class BatchRunner;
}
} // namespace zk::sdk

namespace zk::sdk::system {

// A reset goes out in up to this many rounds, this far apart, so that a device busy at the first
// datagram still gets one.
inline constexpr int kResetRounds = 4;
inline constexpr int kResetRoundSpacingMs = 500;

// What the commands need from the front end.
struct RestartHooks {
    // The operation credentials of search-protocol requests; nothing abandons the command (the
    // front end has said why).
    std::function<std::optional<discovery::Credentials>()> credentials;
};

// The commands that restart devices or change their mode, over the search protocol (which reaches
// devices without a login) and, where the display asks for it, over their sessions as well: the
// factory reset (whole, or keeping the network settings), the reset over the login, the reboot and
// the factory mode. A row counts as sent when its search-protocol request went out: the device was
// still in the device table and the search engine took the request. Each row's outcome is in its
// status column and its batch state (sent or failed; the session requests as the runner records
// them); the commands end with a message when no row was sent.
//
// Lives on the window thread; everything it is given must outlive it.
class RestartCommands final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RestartCommands)

public:
    RestartCommands(discovery::DeviceListModel& list, discovery::DeviceTable& table,
                    discovery::SearchController& search, batch::BatchRunner& runner, DeviceSdk& sdk,
                    const base::CLoadDisplayCfg& display, RestartHooks hooks, QObject* parent = nullptr);
    ~RestartCommands() override;

    // The factory reset of the rows of these keys (button 4; 33386 whole, 33385 keepNetwork): the
    // operation credentials, the question "MSGTIP11", then up to kResetRounds rounds of three
    // restore datagrams per device, kResetRoundSpacingMs apart, until a round sends none. With the
    // display value 1055 at 0 a whole reset also asks each online device's session to restore, once.
    // "MSGTIP14" when no datagram went out.
    void Reset(const std::vector<std::string>& keys, bool keepNetwork);
    // The selected row's whole reset (context 32774): the question "IDS_STR_ZH_CN_MSG_TIPS122", one
    // round.
    void ResetSelected(int row);
    // The reset over the login (button 12): "MSGTIP11", then SystemControl 1002 and RebootDVR over
    // each row's session ("MSGTIP44", "MSGTIP35" when refused).
    void ResetOverLogin(const std::vector<std::string>& keys);
    // The reboot (button 7): the operation credentials, the question "MSGTIP38", then for each row
    // the session's reboot when the display value 1055 is 0 ("RESTARTING") and the reboot datagram;
    // "MSGTIP16" when none went out.
    void Reboot(const std::vector<std::string>& keys);
    // The selected row's reboot (context 32778): the same without the question.
    void RebootSelected(int row);
    // Factory mode on or off (33010/33013): the operation credentials, the question, then for each
    // row SystemControl 1094 and three factory-mode datagrams; "MSGTIP13" when none went out.
    void FactoryMode(const std::vector<std::string>& keys, bool on);

    // One row's reboot with known credentials (the loop reboot's tick): true when its datagram went
    // out.
    bool RebootRow(int row, const discovery::Credentials& credentials);

    // True while a command still works (a reset between its rounds, a batch walking its rows).
    bool Busy() const { return m_active > 0; }

signals:
    // A command ended (also when it was refused or declined before sending anything).
    void commandFinished();

private:
    struct ResetJob;

    // Queues a search-protocol command for the row's device; true when every copy was taken.
    bool SendSearchCommand(const discovery::DeviceRow& row, int code, bool retainNetwork, int flag, int copies,
                           const discovery::Credentials& credentials);
    void RunResetRound(std::shared_ptr<ResetJob> job);
    void RunReboot(const std::vector<std::string>& keys, const discovery::Credentials& credentials);
    // Records the row's outcome once its datagram went out or did not.
    void SettleSearchSide(int row, bool sent);
    void Finish();

    discovery::DeviceListModel& m_list;
    discovery::DeviceTable& m_table;
    discovery::SearchController& m_search;
    batch::BatchRunner& m_runner;
    DeviceSdk& m_sdk;
    const base::CLoadDisplayCfg& m_display;
    RestartHooks m_hooks;
    int m_active = 0;
};

} // namespace zk::sdk::system

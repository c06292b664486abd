// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/CLoadDisplayCfg.h"
#include "base/CSaveParam.h"
#include "discovery/DeviceListModel.h"
#include "discovery/DeviceTable.h"
#include "discovery/SearchController.h"
#include "discovery/SearchEngine.h"
#include "netcfg/LocalNetwork.h"
#include "netcfg/PingTest.h"
#include "netcfg/RecentlyAssigned.h"
#include "sdk/NetSdk.h"
#include "sdk/SessionManager.h"
#include "ui/DialogPrompt.h"

#include <QDialog>
#include <QHash>
#include <QTimer>

#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPushButton;

namespace zk::app {
class BatchButtonArea;
class DeviceListView;
} // namespace zk::app
namespace zk::netcfg {
class IpAssignment;
}
namespace zk::sdk::batch {
class BatchRunner;
}
namespace zk::sdk::media {
class MediaCommands;
}
namespace zk::sdk::system {
class ConfigSwitches;
class LoopReboot;
class NightDemo;
class ParameterCommands;
class RestartCommands;
class SettingCommands;
} // namespace zk::sdk::system

namespace zk::app {

// The main window: the composition root that wires the subsystems together. It loads the settings
// and display switches, starts the debug log while it initialises and shuts it down when
// destroyed, starts a search, and stops everything in order when it closes. Lives on the window
// thread.
class RArEvaVuraroZazoDor final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(RArEvaVuraroZazoDor)

public:
    // What the window is built from; the defaults are the user's documents folder and the
    // program's display.xml. Tests name their own.
    struct Sources {
        QString settingsFolder;           // empty: the documents folder
        std::string displayXml;           // empty: the display.xml shipped with the program
        bool searchAtStart = true;        // the window searches as soon as it opens
        base::Prompt* prompt = nullptr;   // null: message boxes and file dialogs over the window
        sdk::DeviceSdk* sdk = nullptr;    // null: the project's own client (NetSdk)
        netcfg::Prober* prober = nullptr; // null: the ICMP probe
    };

    RArEvaVuraroZazoDor();
    explicit RArEvaVuraroZazoDor(const Sources& sources, QWidget* parent = nullptr);
    ~RArEvaVuraroZazoDor() override;

    // The control registered under an id, or nullptr.
    QWidget* Control(int id) const;
    // Fills the device list's context menu as STYLE chooses it: 2 the short menu, 1 the device
    // language menus, otherwise the full menu (with the P2P items when the display shows them).
    void BuildListMenu(QMenu& menu);

    discovery::SearchController& Search() { return *m_search; }
    discovery::DeviceTable& Table() { return m_table; }
    discovery::DeviceListModel& List() { return *m_list; }
    sdk::SessionManager& Sessions() { return *m_sessions; }
    sdk::batch::BatchRunner& Runner() { return *m_runner; }
    netcfg::IpAssignment& IpCommands() { return *m_ipAssignment; }
    sdk::system::RestartCommands& Restart() { return *m_restart; }
    sdk::system::LoopReboot& Loop() { return *m_loopReboot; }
    sdk::system::SettingCommands& SystemSettings() { return *m_settingCommands; }
    sdk::system::ParameterCommands& Parameters() { return *m_parameterCommands; }
    sdk::system::ConfigSwitches& Switches() { return *m_switches; }
    sdk::system::NightDemo& Night() { return *m_nightDemo; }
    sdk::media::MediaCommands& Media() { return *m_mediaCommands; }
    BatchButtonArea& BatchArea() { return *m_batchArea; }
    DeviceListView& ListView() { return *m_listView; }
    base::CSaveParam& Settings() { return m_settings; }
    const base::CLoadDisplayCfg& Display() const { return m_display; }

public slots:
    void done(int result) override;

private:
    void BuildControls();
    // The two rows of batch buttons under the list, each button registered under its id.
    QWidget* BuildBatchArea();
    void BuildIpCommands();
    // The restart, loop reboot and setting commands with their dialogs.
    void BuildSystemCommands();
    // The title, platform and time commands with their dialogs.
    void BuildParameterCommands();
    // The media and detection batches with their parameter windows.
    void BuildMediaCommands();
    // The credentials of search-protocol operations (display value 1055 chooses which); nothing
    // when the operation password is missing, which has been said.
    std::optional<discovery::Credentials> OperationCredentials();
    // The context menu's full form (STYLE 0) and short form (STYLE 2).
    void BuildFullListMenu(QMenu& menu);
    void BuildShortListMenu(QMenu& menu);
    // The stream protocol switches (HIK, ONVIF, DH, TST on and off) for the ticked rows.
    void AddStreamProtocolMenu(QMenu& menu);
    void BuildMenu(QMenuBar* menuBar);
    void Initialise();
    void FillAdapterList();
    void OnAdapterChosen(int index);
    void OnSearchingChanged(bool searching);
    void OnDefaultUserEdited();
    // The default login dialog (button 21, context menu 32963).
    void EditDefaultUser();
    void StoreDefaultUser(const QString& user, const QString& password);
    // The device list's context menu over a row (-1: no row), with the commands built so far.
    void ShowListMenu(int row, const QPoint& globalPosition);
    // The first selected row of the list, or -1.
    int FirstSelectedRow() const;
    void RegisterControl(int id, QWidget* control);

    base::CSaveParam m_settings;
    base::CLoadDisplayCfg m_display;
    discovery::DeviceTable m_table;
    discovery::SearchEngine m_engine;
    std::unique_ptr<discovery::SearchController> m_search;
    std::unique_ptr<discovery::DeviceListModel> m_list;
    // The SDK outlives the session manager, which registers its callbacks with it.
    sdk::NetSdk m_netSdk;
    sdk::DeviceSdk& m_sdk;
    std::unique_ptr<sdk::SessionManager> m_sessions;
    std::unique_ptr<sdk::batch::BatchRunner> m_runner;
    netcfg::LocalNetwork m_local;
    netcfg::RecentlyAssigned m_recent;
    netcfg::IcmpProber m_icmpProber;
    netcfg::Prober& m_prober;
    std::unique_ptr<netcfg::IpAssignment> m_ipAssignment;
    std::unique_ptr<sdk::system::RestartCommands> m_restart;
    std::unique_ptr<sdk::system::LoopReboot> m_loopReboot;
    std::unique_ptr<sdk::system::SettingCommands> m_settingCommands;
    std::unique_ptr<sdk::system::ParameterCommands> m_parameterCommands;
    std::unique_ptr<sdk::system::ConfigSwitches> m_switches;
    std::unique_ptr<sdk::system::NightDemo> m_nightDemo;
    std::unique_ptr<sdk::media::MediaCommands> m_mediaCommands;
    ui::DialogPrompt m_dialogPrompt;
    base::Prompt& m_prompt;
    bool m_searchAtStart = true;
    bool m_closed = false;

    QHash<int, QWidget*> m_controls;
    // Labels that show and hide with the control of an id.
    QHash<int, QWidget*> m_controlLabels;
    QComboBox* m_adapterList = nullptr;
    QPushButton* m_searchButton = nullptr;
    QLabel* m_statusLine = nullptr;
    QCheckBox* m_selectAll = nullptr;
    DeviceListView* m_listView = nullptr;
    BatchButtonArea* m_batchArea = nullptr;
    QLineEdit* m_defaultUser = nullptr;
    QLineEdit* m_defaultPassword = nullptr;
    QLineEdit* m_operatePassword = nullptr;
    QTimer m_maximiseTimer;
};

} // namespace zk::app

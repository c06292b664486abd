// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RArEvaVuraroZazoDor.h"

#include "app/BatchButtonArea.h"
#include "app/ControlIds.h"
#include "app/DeviceListView.h"
#include "base/BuildInfo.h"
#include "base/DebugLog.h"
#include "base/FixedText.h"
#include "base/LanguageTable.h"
#include "discovery/DeviceExport.h"
#include "netcfg/IpAssignment.h"
#include "netcfg/gui/CDialogIpSetting.h"
#include "platform/NetworkAdapters.h"
#include "platform/TextCodec.h"
#include "sdk/LoginCredentials.h"
#include "sdk/batch/BatchRunner.h"
#include "sdk/gui/CDialogDefaultUser.h"
#include "sdk/gui/CDialogPwd.h"
#include "sdk/gui/CDialogTitleSetting.h"
#include "sdk/gui/CDlgIpvsSetting.h"
#include "sdk/gui/CSYSRMDlg.h"
#include "sdk/gui/CSYSTimeSet.h"
#include "sdk/media/MediaCommands.h"
#include "sdk/media/gui/CBatchSetPDDlg.h"
#include "sdk/media/gui/CImageParamDialog.h"
#include "sdk/media/gui/CMdAlarmDialog.h"
#include "sdk/media/gui/CMediaACapture.h"
#include "sdk/media/gui/CMediaAEncode.h"
#include "sdk/media/gui/CMediaCode.h"
#include "sdk/media/gui/CMediaLight.h"
#include "sdk/media/gui/CMediaVCapture.h"
#include "sdk/system/ConfigSwitches.h"
#include "sdk/system/LoopReboot.h"
#include "sdk/system/NightDemo.h"
#include "sdk/system/ParameterCommands.h"
#include "sdk/system/RestartCommands.h"
#include "sdk/system/SettingCommands.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPalette>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include <functional>

namespace zk::app {
namespace {

using base::GetText;

discovery::SearchSettings SearchSettingsFrom(const base::CLoadDisplayCfg& display) {
    discovery::SearchSettings settings;
    settings.rootNames = discovery::AcceptedRootNames(display.GetDataString(base::kDataCustXmlRoot));
    settings.quickSearch = base::IsQuickSearchBuild();
    settings.autoStopSwitch = display.GetDisplay(base::kDisplaySearchAutoStop) > 0;
    settings.autoStop = true;
    return settings;
}

// Adds a menu item carrying its command id.
void AddCommand(QMenu& menu, QObject* context, int command, const QString& text, std::function<void()> act) {
    QAction* action = menu.addAction(text);
    action->setData(command);
    QObject::connect(action, &QAction::triggered, context, std::move(act));
}

// Opens a media parameter window over the block and takes what OK stored (the accessor named);
// false when the window was cancelled.
template <class Window, class Block, class Result>
bool EditInWindow(Block& block, base::Prompt& prompt, QWidget* parent, Result (Window::*result)() const) {
    Window window(block, prompt, parent);
    if (window.exec() != QDialog::Accepted) {
        return false;
    }
    block = (window.*result)();
    return true;
}

// STYLE 1: the background of the dialog and of its static texts.
constexpr QColor kStyleOneBackground(233, 233, 220);

} // namespace

RArEvaVuraroZazoDor::RArEvaVuraroZazoDor() : RArEvaVuraroZazoDor(Sources{}) {}

RArEvaVuraroZazoDor::RArEvaVuraroZazoDor(const Sources& sources, QWidget* parent)
    : QDialog(parent),
      m_settings(sources.settingsFolder.isEmpty() ? base::CSaveParam() : base::CSaveParam(sources.settingsFolder)),
      m_display(sources.displayXml.empty() ? base::CLoadDisplayCfg() : base::CLoadDisplayCfg(sources.displayXml)),
      m_engine(m_table), m_sdk(sources.sdk != nullptr ? *sources.sdk : m_netSdk),
      m_prober(sources.prober != nullptr ? *sources.prober : m_icmpProber), m_dialogPrompt(this),
      m_prompt(sources.prompt != nullptr ? *sources.prompt : m_dialogPrompt), m_searchAtStart(sources.searchAtStart) {
    m_table.SetDefaultAccount(m_settings.DefaultUserNameAnsi(), m_settings.DefaultPasswordAnsi());
    m_search = std::make_unique<discovery::SearchController>(m_table, m_engine, SearchSettingsFrom(m_display), this);
    m_list = std::make_unique<discovery::DeviceListModel>(
        m_table, base::GetLanguageTable(), discovery::DeviceListSettings::From(m_display, base::GetLanguageTable()));
    m_sessions = std::make_unique<sdk::SessionManager>(m_sdk, *m_list, base::GetLanguageTable());
    m_sessions->FollowSearch(*m_search);
    m_sessions->SetDefaultAccount(m_settings.DefaultUserNameAnsi(), m_settings.DefaultPasswordAnsi());
    m_sessions->SetUrlOpener([](const QString& url) { return QDesktopServices::openUrl(QUrl(url)); });
    m_runner =
        std::make_unique<sdk::batch::BatchRunner>(*m_list, *m_sessions, m_sdk, base::GetLanguageTable(), m_prompt);
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);
    BuildControls();
    Initialise();
}

RArEvaVuraroZazoDor::~RArEvaVuraroZazoDor() {
    if (!m_closed) {
        done(QDialog::Rejected);
    }
    // The commands go before the runner and the list they act on; the loop before the restart
    // commands it reboots with.
    m_ipAssignment.reset();
    m_loopReboot.reset();
    m_restart.reset();
    m_settingCommands.reset();
    m_parameterCommands.reset();
    m_switches.reset();
    m_nightDemo.reset();
    m_mediaCommands.reset();
    m_runner.reset();
    base::LogShutDown();
}

void RArEvaVuraroZazoDor::BuildControls() {
    auto* layout = new QVBoxLayout(this);
    auto* menuBar = new QMenuBar(this);
    layout->setMenuBar(menuBar);
    BuildMenu(menuBar);

    // Search row: adapter choice, start/stop, the list's own switches.
    auto* searchRow = new QHBoxLayout;
    auto* adapterLabel = new QLabel(GetText("MAIN_ADAPTER"), this);
    m_adapterList = new QComboBox(this);
    m_adapterList->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_searchButton = new QPushButton(GetText("STARTSEARCH"), this);
    m_selectAll = new QCheckBox(GetText("MAIN_SELECT_ALL"), this);
    auto* selectAll = m_selectAll;
    auto* clearSerial = new QCheckBox(GetText("CLEARSN"), this);
    auto* exportButton = new QPushButton(GetText("MAIN_EXPORT_EXCEL"), this);
    searchRow->addWidget(adapterLabel);
    searchRow->addWidget(m_adapterList, 1);
    searchRow->addWidget(m_searchButton);
    searchRow->addWidget(selectAll);
    searchRow->addWidget(clearSerial);
    searchRow->addWidget(exportButton);
    layout->addLayout(searchRow);

    // Accounts row: the default login user and the operation password.
    auto* accountRow = new QHBoxLayout;
    m_defaultUser = new QLineEdit(m_settings.DefaultUserName(), this);
    m_defaultPassword = new QLineEdit(m_settings.DefaultPassword(), this);
    m_defaultPassword->setEchoMode(QLineEdit::Password);
    m_operatePassword = new QLineEdit(this);
    auto* operatePassword = m_operatePassword;
    operatePassword->setEchoMode(QLineEdit::Password);
    operatePassword->setPlaceholderText(GetText("IDS_OPERATE_PASSWD_TIPS1"));
    operatePassword->setToolTip(GetText("IDS_OPERATE_PASSWD_TIPS2") + u'\n' + GetText("IDS_OPERATE_PASSWD_TIPS3") +
                                QStringLiteral(", ") + GetText("IDS_OPERATE_PASSWD_TIPS4") + QStringLiteral(", ") +
                                GetText("IDS_OPERATE_PASSWD_TIPS5") + QStringLiteral(", ") +
                                GetText("IDS_OPERATE_PASSWD_TIPS6"));
    auto* loginSetting = new QPushButton(GetText("MAIN_LOGIN_SETTING"), this);
    auto* userLabel = new QLabel(GetText("MAIN_DEFAULT_USER"), this);
    auto* operateLabel = new QLabel(GetText("MAIN_OPERATE_PASSWORD"), this);
    accountRow->addWidget(userLabel);
    accountRow->addWidget(m_defaultUser);
    accountRow->addWidget(new QLabel(GetText("MAIN_DEFAULT_PASSWORD"), this));
    accountRow->addWidget(m_defaultPassword);
    accountRow->addWidget(operateLabel);
    accountRow->addWidget(operatePassword);
    m_controlLabels.insert(kIdDefaultUser, userLabel);
    m_controlLabels.insert(kIdOperatePassword, operateLabel);
    accountRow->addWidget(loginSetting);
    accountRow->addStretch(1);
    layout->addLayout(accountRow);

    m_statusLine = new QLabel(GetText("MAIN_SEARCH_NOT_STARTED"), this);
    layout->addWidget(m_statusLine);
    m_listView = new DeviceListView(*m_list, this);
    m_listView->setMinimumHeight(200);
    layout->addWidget(m_listView, 1);
    BuildIpCommands();
    BuildSystemCommands();
    BuildParameterCommands();
    BuildMediaCommands();
    layout->addWidget(BuildBatchArea());

    auto* bottomRow = new QHBoxLayout;
    bottomRow->addStretch(1);
    auto* exitButton = new QPushButton(GetText("MAIN_EXIT"), this);
    bottomRow->addWidget(exitButton);
    layout->addLayout(bottomRow);

    RegisterControl(kIdAdapterLabel, adapterLabel);
    RegisterControl(kIdAdapterList, m_adapterList);
    RegisterControl(kIdSearchButton, m_searchButton);
    RegisterControl(kIdSelectAll, selectAll);
    RegisterControl(kIdClearSerial, clearSerial);
    RegisterControl(kIdExportExcel, exportButton);
    RegisterControl(kIdDefaultUser, m_defaultUser);
    RegisterControl(kIdDefaultPassword, m_defaultPassword);
    RegisterControl(kIdOperatePassword, operatePassword);
    RegisterControl(kIdLoginSetting, loginSetting);
    RegisterControl(kIdStatusLine, m_statusLine);
    RegisterControl(kIdDeviceList, m_listView);
    RegisterControl(kIdExit, exitButton);

    // Return in an edit must not press a button: a dialog otherwise makes its first button the
    // default, and Return in the user edits would stop the search or start a new one (which logs
    // every device out and empties the list). Buttons act only when clicked.
    for (QPushButton* button : findChildren<QPushButton*>()) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    connect(exitButton, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_searchButton, &QPushButton::clicked, this, [this] { m_search->ToggleSearch(); });
    connect(m_search.get(), &discovery::SearchController::searchingChanged, this,
            &RArEvaVuraroZazoDor::OnSearchingChanged);
    connect(clearSerial, &QCheckBox::toggled, this, [this](bool on) { m_search->SetClearSerialMode(on); });

    // The list follows the search: merged every refresh tick, emptied when a search starts.
    connect(m_search.get(), &discovery::SearchController::listRefreshTick, m_list.get(),
            &discovery::DeviceListModel::Merge);
    connect(m_search.get(), &discovery::SearchController::tableCleared, this, [this] {
        m_list->ClearRows();
        m_selectAll->setChecked(false);
    });
    connect(m_search.get(), &discovery::SearchController::searchingChanged, m_list.get(),
            &discovery::DeviceListModel::SetSearching);
    connect(m_list.get(), &discovery::DeviceListModel::statusLineChanged, m_statusLine, &QLabel::setText);
    connect(m_selectAll, &QCheckBox::clicked, this, [this](bool on) { m_list->SetAllTicked(on); });
    connect(exportButton, &QPushButton::clicked, this,
            [this] { discovery::ExportTickedDevices(*m_list, base::GetLanguageTable(), m_prompt); });
    connect(loginSetting, &QPushButton::clicked, this, &RArEvaVuraroZazoDor::EditDefaultUser);
    connect(m_listView, &DeviceListView::contextMenuRequestedAt, this, &RArEvaVuraroZazoDor::ShowListMenu);
    connect(m_defaultUser, &QLineEdit::textEdited, this, &RArEvaVuraroZazoDor::OnDefaultUserEdited);
    connect(m_defaultPassword, &QLineEdit::textEdited, this, &RArEvaVuraroZazoDor::OnDefaultUserEdited);
    m_table.SetClearSerialRequest([this](const std::string& uuid) {
        // Called on the search thread: the request is built and queued on the window thread.
        QMetaObject::invokeMethod(
            this,
            [this, uuid] {
                m_search->QueueRequest(
                    discovery::kCodeClearSerial,
                    discovery::BuildCommandBody(
                        uuid, false,
                        discovery::Credentials{m_settings.DefaultUserNameAnsi(), m_settings.DefaultPasswordAnsi()}),
                    0, discovery::kCopiesClearSerial);
            },
            Qt::QueuedConnection);
    });
}

void RArEvaVuraroZazoDor::BuildMenu(QMenuBar* menuBar) {
    QMenu* tool = menuBar->addMenu(GetText("MENU_TOOL"));
    QMenu* languages = tool->addMenu(GetText("SWITCHLANGUAGE"));
    const std::pair<int, const char*> items[] = {
        {base::kCmdLanguageZhCn, ZK_TEXT_KEY("LANGAGE_ZH_CN")},
        {base::kCmdLanguageZhTw, ZK_TEXT_KEY("LANGAGE_ZH_TW")},
        {base::kCmdLanguageEnglish, ZK_TEXT_KEY("LANGAGE_ENGLISH")},
        {base::kCmdLanguageKorean, ZK_TEXT_KEY("LANGAGE_KO_KO")},
        {base::kCmdLanguageRussian, ZK_TEXT_KEY("LANGAGE_RUSSIAN")},
        {base::kCmdLanguageMongolian, ZK_TEXT_KEY("LANGAGE_MONGOLIAN")},
    };
    for (const auto& [command, key] : items) {
        QAction* action = languages->addAction(GetText(key));
        action->setData(command);
        connect(action, &QAction::triggered, this,
                [this, command] { base::SwitchUiLanguage(command, base::GetLanguageTable(), m_prompt); });
    }
    tool->addSeparator();
    QAction* about = tool->addAction(GetText("MENU_ABOUT"));
    about->setData(kCmdAbout);
    connect(about, &QAction::triggered, this, [this] {
        m_prompt.ShowMessage(windowTitle(),
                             GetText("ABOUT_TEXT") + QStringLiteral("\n\n") + QLatin1StringView(base::kVersionString),
                             base::PromptIcon::Information);
    });
}

void RArEvaVuraroZazoDor::Initialise() {
    base::LogStartUp();
    resize(1280, 800);
    const QString title = base::GetLanguageTable().GetTitle();
    setWindowTitle(m_display.GetDisplay(base::kDisplayStyle) == 2
                       ? title
                       : QStringLiteral("%1 %2").arg(title, QLatin1StringView(base::kVersionString)));
    if (m_display.GetDisplay(base::kDisplayStyle) == 1) {
        // The dialog background, and the static texts drawn over it, take the style's colour.
        QPalette colours = palette();
        colours.setColor(QPalette::Window, kStyleOneBackground);
        setPalette(colours);
        setAutoFillBackground(true);
    }
    // The device SDK starts before the first search, so listed devices are logged in at once.
    m_sessions->Start();
    if (m_searchAtStart) {
        m_search->StartSearch();
    }
    FillAdapterList();
    connect(m_adapterList, &QComboBox::activated, this, &RArEvaVuraroZazoDor::OnAdapterChosen);
    m_display.ApplyDisplay([this](int id, bool visible) {
        if (QWidget* control = Control(id)) {
            control->setVisible(visible);
        }
        if (QWidget* label = m_controlLabels.value(id, nullptr)) {
            label->setVisible(visible);
        }
    });
    m_maximiseTimer.setSingleShot(true);
    m_maximiseTimer.setInterval(kMaximiseDelayMs);
    connect(&m_maximiseTimer, &QTimer::timeout, this, [this] { setWindowState(windowState() | Qt::WindowMaximized); });
    m_maximiseTimer.start();
}

void RArEvaVuraroZazoDor::FillAdapterList() {
    m_adapterList->clear();
    m_adapterList->addItem(GetText("ALLNETCARDS"), QVariant::fromValue<quint32>(0));
    for (const auto& [address, description] : platform::EnumerateAdapters()) {
        m_adapterList->addItem(
            QStringLiteral("[%1]\t[%2]")
                .arg(QString::fromStdString(platform::DottedAddress(address)), QString::fromStdString(description)),
            QVariant::fromValue<quint32>(address));
    }
    m_adapterList->setCurrentIndex(0);
}

void RArEvaVuraroZazoDor::OnAdapterChosen(int index) {
    const auto choice = m_adapterList->itemData(index).value<quint32>();
    m_local.SetAdapterChoice(choice);
    m_search->ChooseAdapter(choice);
}

void RArEvaVuraroZazoDor::OnSearchingChanged(bool searching) {
    m_searchButton->setText(GetText(searching ? "STOPSEARCH" : "STARTSEARCH"));
}

void RArEvaVuraroZazoDor::OnDefaultUserEdited() {
    StoreDefaultUser(m_defaultUser->text(), m_defaultPassword->text());
}

void RArEvaVuraroZazoDor::StoreDefaultUser(const QString& user, const QString& password) {
    // Every change is kept at once; it applies to devices logged in from now on.
    m_settings.SetDefaultUserName(user);
    m_settings.SetDefaultPassword(password);
    m_settings.Save();
    m_table.SetDefaultAccount(m_settings.DefaultUserNameAnsi(), m_settings.DefaultPasswordAnsi());
    m_sessions->SetDefaultAccount(m_settings.DefaultUserNameAnsi(), m_settings.DefaultPasswordAnsi());
}

void RArEvaVuraroZazoDor::EditDefaultUser() {
    sdk::CDialogDefaultUser dialog(m_settings.DefaultUserName(), m_settings.DefaultPassword(), this);
    if (dialog.exec() != QDialog::Accepted || dialog.User().isEmpty()) {
        return;
    }
    StoreDefaultUser(dialog.User(), dialog.Password());
    m_defaultUser->setText(dialog.User());
    m_defaultPassword->setText(dialog.Password());
}

void RArEvaVuraroZazoDor::done(int result) {
    if (!m_closed) {
        m_closed = true;
        m_maximiseTimer.stop();
        m_loopReboot->Stop();
        // Sessions end with the process; only the search stops here.
        m_search->StopSearch();
    }
    QDialog::done(result);
}

void RArEvaVuraroZazoDor::ShowListMenu(int row, const QPoint& globalPosition) {
    // The menu acts on the first selected row; a right click on an unselected row selects it.
    if (row >= 0 && !m_listView->selectionModel()->isRowSelected(row, {})) {
        m_listView->selectRow(row);
    }
    QMenu menu(this);
    BuildListMenu(menu);
    menu.exec(globalPosition);
}

void RArEvaVuraroZazoDor::BuildListMenu(QMenu& menu) {
    switch (m_display.GetDisplay(base::kDisplayStyle)) {
    case 1:
        m_batchArea->AddLanguageMenus(menu);
        break;
    case 2:
        BuildShortListMenu(menu);
        break;
    default:
        BuildFullListMenu(menu);
        break;
    }
}

void RArEvaVuraroZazoDor::BuildFullListMenu(QMenu& menu) {
    AddCommand(menu, this, kCmdOpenWebPage, GetText("TEXT23"), [this] { m_sessions->OpenWebPage(FirstSelectedRow()); });
    AddCommand(menu, this, kCmdModifyIp, GetText("TEXT30"), [this] { m_ipAssignment->ModifyOne(FirstSelectedRow()); });
    AddCommand(menu, this, kCmdFreeIpSelected, GetText("TEXT31"), [this] {
        const discovery::DeviceRow* row = m_list->RowAt(FirstSelectedRow());
        if (row != nullptr) {
            m_ipAssignment->FreeAddresses({std::string(base::FieldText(row->Key))}, false);
        }
    });
    AddCommand(menu, this, kCmdLoginAgain, GetText("IDS_LOGINING"),
               [this] { m_sessions->LoginCommand(FirstSelectedRow()); });
    AddCommand(menu, this, kCmdDefaultUser, GetText("DEFAULT_USER_SET"), [this] { EditDefaultUser(); });
    if (m_display.GetDisplay(base::kDisplayShowP2pService) > 0) {
        AddCommand(menu, this, kCmdP2pOn, GetText("MENU_P2P_ON"),
                   [this] { m_settingCommands->P2p(m_runner->TickedKeys(), true); });
        AddCommand(menu, this, kCmdP2pOff, GetText("MENU_P2P_OFF"),
                   [this] { m_settingCommands->P2p(m_runner->TickedKeys(), false); });
    }
    AddStreamProtocolMenu(menu);
}

void RArEvaVuraroZazoDor::AddStreamProtocolMenu(QMenu& menu) {
    struct Item {
        int onId;
        int offId;
        const char* name;
        sdk::system::StreamProtocol protocol;
    };
    static constexpr Item kItems[] = {
        {kCmdStreamHikOn, kCmdStreamHikOff, "HIK", sdk::system::StreamProtocol::Hik},
        {kCmdStreamOnvifOn, kCmdStreamOnvifOff, "ONVIF", sdk::system::StreamProtocol::Onvif},
        {kCmdStreamDhOn, kCmdStreamDhOff, "DH", sdk::system::StreamProtocol::Dh},
        {kCmdStreamTstOn, kCmdStreamTstOff, "TST", sdk::system::StreamProtocol::Tst},
    };
    QMenu* protocols = menu.addMenu(GetText("MENU_STREAM_PROTOCOL"));
    for (const Item& item : kItems) {
        const QString name = QString::fromLatin1(item.name);
        const auto protocol = item.protocol;
        AddCommand(*protocols, this, item.onId, name + u' ' + GetText("ENABLE"),
                   [this, protocol] { m_switches->Stream(m_runner->TickedKeys(), protocol, true); });
        AddCommand(*protocols, this, item.offId, name + u' ' + GetText("STRING_CLOSE"),
                   [this, protocol] { m_switches->Stream(m_runner->TickedKeys(), protocol, false); });
    }
}

void RArEvaVuraroZazoDor::BuildShortListMenu(QMenu& menu) {
    // No default-login item here (button 21 remains); every item acts on the selected row.
    AddCommand(menu, this, kCmdOpenWebPage, GetText("TEXT23"), [this] { m_sessions->OpenWebPage(FirstSelectedRow()); });
    AddCommand(menu, this, kCmdLoginAgain, GetText("IDS_LOGINING"),
               [this] { m_sessions->LoginCommand(FirstSelectedRow()); });
    AddCommand(menu, this, kCmdRebootSelected, GetText("MENU_REBOOT_DEVICE"),
               [this] { m_restart->RebootSelected(FirstSelectedRow()); });
    AddCommand(menu, this, kCmdModifyIp, GetText("TEXT30"), [this] { m_ipAssignment->ModifyOne(FirstSelectedRow()); });
    AddCommand(menu, this, kCmdResetSelected, GetText("MENU_RESTORE_DEVICE"),
               [this] { m_restart->ResetSelected(FirstSelectedRow()); });
}

QWidget* RArEvaVuraroZazoDor::BuildBatchArea() {
    m_batchArea = new BatchButtonArea({*m_runner, *m_ipAssignment, *m_restart, *m_loopReboot, *m_settingCommands,
                                       *m_parameterCommands, *m_switches, *m_nightDemo, *m_mediaCommands,
                                       [this] { return FirstSelectedRow(); }},
                                      this);
    for (const auto& [id, button] : m_batchArea->Buttons()) {
        RegisterControl(id, button);
    }
    RegisterControl(kIdBatchArea, m_batchArea);
    return m_batchArea;
}

std::optional<discovery::Credentials> RArEvaVuraroZazoDor::OperationCredentials() {
    QString user;
    QString password;
    if (!sdk::GetOperationCredentials(m_settings, m_display, m_operatePassword->text(), base::GetLanguageTable(),
                                      m_prompt, user, password)) {
        return std::nullopt;
    }
    return discovery::Credentials{platform::WideToAnsi(user), platform::WideToAnsi(password)};
}

void RArEvaVuraroZazoDor::BuildIpCommands() {
    netcfg::IpAssignmentHooks hooks;
    hooks.credentials = [this] { return OperationCredentials(); };
    hooks.editSettings = [this](netcfg::IpSettingData& data) {
        netcfg::CDialogIpSetting dialog(data, m_prompt, m_prober, this);
        if (dialog.exec() != QDialog::Accepted) {
            return false;
        }
        data = dialog.Data();
        return true;
    };
    hooks.renewSession = [this](int row) { m_sessions->Relogin(row); };
    m_ipAssignment = std::make_unique<netcfg::IpAssignment>(*m_list, m_table, *m_search, *m_runner, m_local, m_recent,
                                                            m_prober, m_settings, std::move(hooks));
    // Each search starts from fresh local parameters.
    connect(m_search.get(), &discovery::SearchController::searchStarting, this, [this] { m_local.Clear(); });
}

void RArEvaVuraroZazoDor::BuildSystemCommands() {
    sdk::system::RestartHooks restartHooks;
    restartHooks.credentials = [this] { return OperationCredentials(); };
    m_restart = std::make_unique<sdk::system::RestartCommands>(*m_list, m_table, *m_search, *m_runner, m_sdk, m_display,
                                                               std::move(restartHooks));
    m_loopReboot = std::make_unique<sdk::system::LoopReboot>(*m_list, *m_runner, *m_restart,
                                                             [this] { return OperationCredentials(); });
    // A loop must not outlive the search it was started from.
    connect(m_search.get(), &discovery::SearchController::stoppingByButton, m_loopReboot.get(),
            &sdk::system::LoopReboot::Stop);

    sdk::system::SettingHooks settingHooks;
    settingHooks.editPassword = [this]() -> std::optional<std::pair<QString, QString>> {
        sdk::CDialogPwd dialog(m_prompt, this);
        if (dialog.exec() != QDialog::Accepted) {
            return std::nullopt;
        }
        return std::make_pair(dialog.Password(), dialog.Confirmation());
    };
    settingHooks.editMaintenance = [this](sdk::system::MaintenanceChoice& choice) {
        sdk::CSYSRMDlg dialog(choice, this);
        if (dialog.exec() != QDialog::Accepted) {
            return false;
        }
        choice = dialog.Choice();
        return true;
    };
    m_settingCommands =
        std::make_unique<sdk::system::SettingCommands>(*m_list, *m_sessions, *m_runner, std::move(settingHooks));
}

void RArEvaVuraroZazoDor::BuildParameterCommands() {
    sdk::system::ParameterHooks hooks;
    hooks.editTitle = [this](base::OverlayParam& overlay, sdk::system::TitleExtras& extras) {
        sdk::CDialogTitleSetting dialog(overlay, extras, m_prompt, this);
        if (dialog.exec() != QDialog::Accepted) {
            return false;
        }
        overlay = dialog.Overlay();
        extras = dialog.Extras();
        return true;
    };
    hooks.editPlatform = [this](sdk::system::PlatformChoice& choice) {
        sdk::CDlgIpvsSetting dialog(choice, m_prompt, this);
        if (dialog.exec() != QDialog::Accepted) {
            return false;
        }
        choice = dialog.Choice();
        return true;
    };
    hooks.editTime = [this](sdk::system::TimeChoice& choice) {
        // The zone list is read each time the dialog opens, so an edited file needs no restart.
        sdk::CSYSTimeSet dialog(choice, sdk::system::LoadShippedTimeZoneList(), m_prompt, this);
        if (dialog.exec() != QDialog::Accepted) {
            return false;
        }
        choice = dialog.Choice();
        return true;
    };
    m_parameterCommands =
        std::make_unique<sdk::system::ParameterCommands>(*m_list, *m_runner, m_settings, std::move(hooks));

    m_switches = std::make_unique<sdk::system::ConfigSwitches>(*m_runner);
    m_nightDemo = std::make_unique<sdk::system::NightDemo>(*m_list, *m_runner, m_sdk);
    // A search logs every row out and clears the table: the demonstration puts day mode back first,
    // while the sessions still exist, so no device is left in forced night mode.
    connect(m_search.get(), &discovery::SearchController::searchStarting, m_nightDemo.get(),
            &sdk::system::NightDemo::Restore);
}

void RArEvaVuraroZazoDor::BuildMediaCommands() {
    namespace media = sdk::media;
    media::MediaHooks hooks;
    hooks.editVideoEncode = [this](media::VideoEncodeChoice& choice) {
        return EditInWindow(choice, m_prompt, this, &media::CMediaCode::Choice);
    };
    hooks.editVideoCapture = [this](media::VideoCaptureParams& params) {
        return EditInWindow(params, m_prompt, this, &media::CMediaVCapture::Params);
    };
    hooks.editAudioCapture = [this](media::AudioCaptureParams& params) {
        return EditInWindow(params, m_prompt, this, &media::CMediaACapture::Params);
    };
    hooks.editAudioEncode = [this](media::AudioEncodeParams& params) {
        media::CMediaAEncode window(params, this);
        if (window.exec() != QDialog::Accepted) {
            return false;
        }
        params = window.Params();
        return true;
    };
    hooks.editLights = [this](base::MediaLightParam& light) {
        return EditInWindow(light, m_prompt, this, &media::CMediaLight::Light);
    };
    hooks.editImageTuning = [this](media::ImageTuningParams& params) {
        return EditInWindow(params, m_prompt, this, &media::CImageParamDialog::Params);
    };
    hooks.editMotionDetect = [this](media::MotionDetectParams& params) {
        return EditInWindow(params, m_prompt, this, &media::CMdAlarmDialog::Params);
    };
    hooks.editSmartDetect = [this](media::SmartDetectParams& params) {
        return EditInWindow(params, m_prompt, this, &media::CBatchSetPDDlg::Params);
    };
    m_mediaCommands = std::make_unique<media::MediaCommands>(*m_runner, m_settings, std::move(hooks));
}

int RArEvaVuraroZazoDor::FirstSelectedRow() const {
    const QModelIndexList rows = m_listView->selectionModel()->selectedRows();
    int first = -1;
    for (const QModelIndex& index : rows) {
        if (first < 0 || index.row() < first) {
            first = index.row();
        }
    }
    return first;
}

QWidget* RArEvaVuraroZazoDor::Control(int id) const {
    return m_controls.value(id, nullptr);
}

void RArEvaVuraroZazoDor::RegisterControl(int id, QWidget* control) {
    control->setProperty("zkControlId", id);
    m_controls.insert(id, control);
}

} // namespace zk::app

// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/BatchButtonArea.h"

#include "app/ControlIds.h"
#include "base/LanguageTable.h"
#include "netcfg/IpAssignment.h"
#include "sdk/batch/BatchRunner.h"
#include "sdk/media/MediaCommands.h"
#include "sdk/system/ConfigSwitches.h"
#include "sdk/system/LoopReboot.h"
#include "sdk/system/NightDemo.h"
#include "sdk/system/ParameterCommands.h"
#include "sdk/system/RestartCommands.h"
#include "sdk/system/SettingCommands.h"
#include "sdk/system/SystemRequests.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

namespace zk::app {

using base::GetText;

BatchButtonArea::BatchButtonArea(Commands commands, QWidget* parent)
    : QWidget(parent), m_commands(std::move(commands)) {
    auto* rows = new QVBoxLayout(this);
    rows->setContentsMargins(0, 0, 0, 0);
    auto* first = new QHBoxLayout;
    auto* second = new QHBoxLayout;
    auto* media = new QHBoxLayout;
    rows->addLayout(first);
    rows->addLayout(second);
    rows->addLayout(media);
    BuildFirstRow(*first);
    BuildSecondRow(*second);
    BuildMediaRow(*media);
    first->addStretch(1);
    second->addStretch(1);
    media->addStretch(1);
    connect(&m_commands.loopReboot, &sdk::system::LoopReboot::runningChanged, this,
            &BatchButtonArea::OnLoopRunningChanged);
}

BatchButtonArea::~BatchButtonArea() = default;

QPushButton* BatchButtonArea::Button(int id) const {
    for (const auto& [buttonId, button] : m_buttons) {
        if (buttonId == id) {
            return button;
        }
    }
    return nullptr;
}

std::vector<std::string> BatchButtonArea::Ticked() const {
    return m_commands.runner.TickedKeys();
}

QPushButton* BatchButtonArea::AddButton(QHBoxLayout& row, int id, const char* captionKey) {
    auto* button = new QPushButton(GetText(captionKey), this);
    row.addWidget(button);
    m_buttons.emplace_back(id, button);
    return button;
}

QMenu* BatchButtonArea::AddPopup(QPushButton* button) {
    auto* menu = new QMenu(button);
    // The button opens its menu under itself when clicked.
    connect(button, &QPushButton::clicked, this,
            [button, menu] { menu->popup(button->mapToGlobal(QPoint(0, button->height()))); });
    return menu;
}

void BatchButtonArea::AddItem(QMenu& menu, int command, const QString& text, std::function<void()> act) {
    QAction* action = menu.addAction(text);
    action->setData(command);
    connect(action, &QAction::triggered, this, std::move(act));
}

void BatchButtonArea::BuildFirstRow(QHBoxLayout& row) {
    auto& ip = m_commands.ip;
    auto& restart = m_commands.restart;
    auto& settings = m_commands.settings;
    auto& parameters = m_commands.parameters;

    QMenu* ipMenu = AddPopup(AddButton(row, kIdBatchIp, ZK_TEXT_KEY("MAIN_BATCH_IP")));
    AddItem(*ipMenu, kCmdIpConsecutive, GetText("BTNTEXT3"), [this, &ip] { ip.Consecutive(Ticked()); });
    AddItem(*ipMenu, kCmdIpDhcp, GetText("DHCP"), [this, &ip] { ip.Dhcp(Ticked()); });

    QMenu* resetMenu = AddPopup(AddButton(row, kIdBatchReset, ZK_TEXT_KEY("MAIN_BATCH_RESET")));
    AddItem(*resetMenu, kCmdResetWhole, GetText("MENU_RESET_WHOLE"),
            [this, &restart] { restart.Reset(Ticked(), false); });
    AddItem(*resetMenu, kCmdResetKeepNetwork, GetText("MENU_RESET_KEEP_NETWORK"),
            [this, &restart] { restart.Reset(Ticked(), true); });

    connect(AddButton(row, kIdBatchResetOverLogin, ZK_TEXT_KEY("MAIN_BATCH_RESET_LOGIN")), &QPushButton::clicked, this,
            [this, &restart] { restart.ResetOverLogin(Ticked()); });
    connect(AddButton(row, kIdBatchReboot, ZK_TEXT_KEY("MAIN_BATCH_REBOOT")), &QPushButton::clicked, this,
            [this, &restart] { restart.Reboot(Ticked()); });
    m_loopButton = AddButton(row, kIdLoopReboot, ZK_TEXT_KEY("MAIN_LOOP_REBOOT_START"));
    connect(m_loopButton, &QPushButton::clicked, this,
            [this] { m_commands.loopReboot.Toggle(m_commands.selectedRow()); });

    QMenu* factoryMenu = AddPopup(AddButton(row, kIdFactoryMode, ZK_TEXT_KEY("MAIN_FACTORY_MODE")));
    AddItem(*factoryMenu, kCmdFactoryModeOn, GetText("ENABLE"),
            [this, &restart] { restart.FactoryMode(Ticked(), true); });
    AddItem(*factoryMenu, kCmdFactoryModeOff, GetText("STRING_CLOSE"),
            [this, &restart] { restart.FactoryMode(Ticked(), false); });

    QMenu* timeMenu = AddPopup(AddButton(row, kIdBatchTime, ZK_TEXT_KEY("MAIN_BATCH_TIME")));
    AddItem(*timeMenu, kCmdSyncTimeWithPc, GetText("MENU_TIME_SYNC_PC"),
            [this, &settings] { settings.SyncTime(Ticked()); });
    AddItem(*timeMenu, kCmdTimeSettings, GetText("MENU_TIME_SETTINGS"),
            [this, &parameters] { parameters.SetTime(Ticked()); });

    connect(AddButton(row, kIdBatchMaintenance, ZK_TEXT_KEY("MAIN_BATCH_MAINTENANCE")), &QPushButton::clicked, this,
            [this, &settings] { settings.Maintenance(Ticked()); });
}

void BatchButtonArea::BuildSecondRow(QHBoxLayout& row) {
    auto& settings = m_commands.settings;

    connect(AddButton(row, kIdBatchPassword, ZK_TEXT_KEY("MAIN_BATCH_PASSWORD")), &QPushButton::clicked, this,
            [this, &settings] { settings.SetPassword(Ticked()); });
    AddLanguageMenus(*AddPopup(AddButton(row, kIdBatchLanguage, ZK_TEXT_KEY("MAIN_BATCH_LANGUAGE"))));
    auto& parameters = m_commands.parameters;
    connect(AddButton(row, kIdBatchTitle, ZK_TEXT_KEY("MAIN_BATCH_TITLE")), &QPushButton::clicked, this,
            [this, &parameters] { parameters.SetTitle(Ticked()); });
    connect(AddButton(row, kIdBatchPlatform, ZK_TEXT_KEY("MAIN_BATCH_PLATFORM")), &QPushButton::clicked, this,
            [this, &parameters] { parameters.SetPlatform(Ticked()); });

    QMenu* ioMenu = AddPopup(AddButton(row, kIdBatchIoOutput, ZK_TEXT_KEY("MAIN_BATCH_IO_OUTPUT")));
    AddItem(*ioMenu, kCmdIoOutputLow, GetText("MENU_IO_OUTPUT_0"),
            [this, &settings] { settings.IoOutput(Ticked(), 0); });
    AddItem(*ioMenu, kCmdIoOutputHigh, GetText("MENU_IO_OUTPUT_1"),
            [this, &settings] { settings.IoOutput(Ticked(), 1); });

    QMenu* thermalMenu = AddPopup(AddButton(row, kIdBatchThermal, ZK_TEXT_KEY("MAIN_BATCH_THERMAL")));
    AddItem(*thermalMenu, kCmdThermalScan, GetText("MENU_THERMAL_SCAN"),
            [this, &settings] { settings.ThermalPreset(Ticked(), sdk::system::kThermalScanPreset); });
    AddItem(*thermalMenu, kCmdThermalSave, GetText("MENU_THERMAL_SAVE"),
            [this, &settings] { settings.ThermalPreset(Ticked(), sdk::system::kThermalSavePreset); });

    auto& switches = m_commands.switches;
    QMenu* tvMenu = AddPopup(AddButton(row, kIdBatchTvSystem, ZK_TEXT_KEY("MAIN_BATCH_TVSYSTEM")));
    AddItem(*tvMenu, kCmdTvSystemPal, GetText("MENU_TVSYSTEM_PAL"),
            [this, &switches] { switches.TvSystem(Ticked(), true); });
    AddItem(*tvMenu, kCmdTvSystemNtsc, GetText("MENU_TVSYSTEM_NTSC"),
            [this, &switches] { switches.TvSystem(Ticked(), false); });
    QMenu* onvifMenu = AddPopup(AddButton(row, kIdBatchOnvifAllNet, ZK_TEXT_KEY("MAIN_BATCH_ONVIF_ALLNET")));
    AddItem(*onvifMenu, kCmdOnvifAllNetOn, GetText("ENABLE"),
            [this, &switches] { switches.OnvifAllNet(Ticked(), true); });
    AddItem(*onvifMenu, kCmdOnvifAllNetOff, GetText("STRING_CLOSE"),
            [this, &switches] { switches.OnvifAllNet(Ticked(), false); });
    // The button stays disabled while the demonstration runs, so a second click cannot overlap it.
    QPushButton* night = AddButton(row, kIdNightDemo, ZK_TEXT_KEY("MAIN_NIGHT_DEMO"));
    connect(night, &QPushButton::clicked, this, [this] { m_commands.nightDemo.Start(Ticked()); });
    connect(&m_commands.nightDemo, &sdk::system::NightDemo::runningChanged, night,
            [night](bool running) { night->setEnabled(!running); });

    connect(AddButton(row, kIdTestMcu, ZK_TEXT_KEY("MAIN_TEST_MCU")), &QPushButton::clicked, this,
            [this, &settings] { settings.TestMcu(Ticked()); });
    connect(AddButton(row, kIdTestSpeed, ZK_TEXT_KEY("MAIN_TEST_SPEED")), &QPushButton::clicked, this,
            [this, &settings] { settings.TestSpeed(Ticked()); });
}

void BatchButtonArea::BuildMediaRow(QHBoxLayout& row) {
    auto& media = m_commands.media;

    QMenu* videoMenu = AddPopup(AddButton(row, kIdBatchVideo, ZK_TEXT_KEY("MAIN_BATCH_VIDEO")));
    AddCodingTypes(*videoMenu->addMenu(GetText("ID_BATCH_SET_VIDEOTYPE")));
    AddItem(*videoMenu, kCmdVideoEncode, GetText("ID_BATCH_SET_VIDEOENCODE"),
            [this, &media] { media.SetVideoEncode(Ticked()); });
    AddItem(*videoMenu, kCmdVideoCapture, GetText("ID_BATCH_SET_VIDEOCAPTURE"),
            [this, &media] { media.SetVideoCapture(Ticked()); });
    AddItem(*videoMenu, kCmdAudioEncode, GetText("IDS_STR_ZH_CN_MEDIA_AENCODE"),
            [this, &media] { media.SetAudioEncode(Ticked()); });
    AddItem(*videoMenu, kCmdAudioCapture, GetText("IDS_STR_ZH_CN_MEDIA_ACAPTURE"),
            [this, &media] { media.SetAudioCapture(Ticked()); });
    AddItem(*videoMenu, kCmdLights, GetText("IDS_STR_LIGHT_CFG"), [this, &media] { media.SetLights(Ticked()); });

    AddCodingTypes(*AddPopup(AddButton(row, kIdBatchCodingType, ZK_TEXT_KEY("ID_BATCH_SET_VIDEOTYPE"))));
    connect(AddButton(row, kIdBatchVideoEncode, ZK_TEXT_KEY("ID_BATCH_SET_VIDEOENCODE")), &QPushButton::clicked, this,
            [this, &media] { media.SetVideoEncode(Ticked()); });
    connect(AddButton(row, kIdBatchAudioEncode, ZK_TEXT_KEY("IDS_STR_ZH_CN_MEDIA_AENCODE")), &QPushButton::clicked,
            this, [this, &media] { media.SetAudioEncode(Ticked()); });
    connect(AddButton(row, kIdBatchAudioCapture, ZK_TEXT_KEY("IDS_STR_ZH_CN_MEDIA_ACAPTURE")), &QPushButton::clicked,
            this, [this, &media] { media.SetAudioCapture(Ticked()); });
    connect(AddButton(row, kIdBatchImageTuning, ZK_TEXT_KEY("MAIN_BATCH_IMAGE_TUNING")), &QPushButton::clicked, this,
            [this, &media] { media.SetImageTuning(Ticked()); });
    connect(AddButton(row, kIdBatchMotionDetect, ZK_TEXT_KEY("MAIN_BATCH_MOTION_DETECT")), &QPushButton::clicked, this,
            [this, &media] { media.SetMotionDetect(Ticked()); });
    connect(AddButton(row, kIdBatchSmartDetect, ZK_TEXT_KEY("MAIN_BATCH_SMART_DETECT")), &QPushButton::clicked, this,
            [this, &media] { media.SetSmartDetect(Ticked()); });
}

void BatchButtonArea::AddCodingTypes(QMenu& menu) {
    const std::pair<int, sdk::media::CodingType> types[] = {
        {kCmdCodingH264, sdk::media::CodingType::H264},
        {kCmdCodingH265, sdk::media::CodingType::H265},
        {kCmdCodingH265Plus, sdk::media::CodingType::H265Plus},
    };
    for (const auto& [command, type] : types) {
        AddItem(menu, command, QString::fromLatin1(sdk::media::CodingTypeName(type)),
                [this, type] { m_commands.media.SetCodingType(Ticked(), type); });
    }
}

void BatchButtonArea::AddLanguageMenus(QMenu& menu) {
    const std::pair<const char*, bool> variants[] = {
        {ZK_TEXT_KEY("MENU_LANGUAGE_NORMAL"), false},
        {ZK_TEXT_KEY("MENU_LANGUAGE_KC"), true},
    };
    for (const auto& [captionKey, kc] : variants) {
        QMenu* languages = menu.addMenu(GetText(captionKey));
        const int firstId = kc ? sdk::system::kLanguageMenuKc : sdk::system::kLanguageMenuNormal;
        for (int offset = 0; offset < sdk::system::kDeviceLanguageCount; ++offset) {
            const auto& language = sdk::system::DeviceLanguages()[static_cast<std::size_t>(offset)];
            AddItem(*languages, firstId + offset, GetText(language.captionKey), [this, offset, kc] {
                m_commands.settings.SetLanguage(Ticked(), m_commands.selectedRow(), offset, kc);
            });
        }
    }
}

void BatchButtonArea::OnLoopRunningChanged(bool running) {
    // The first caption invites a start; after a stop the button offers to turn the loop on again.
    m_loopButton->setText(GetText(running ? "MAIN_LOOP_REBOOT_STOP" : "MAIN_LOOP_REBOOT_AGAIN"));
}

} // namespace zk::app

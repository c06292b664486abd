// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RArEvaVuraroZazoDor.h"

#include "app/ControlIds.h"
#include "app/DeviceListView.h"
#include "base/DebugLog.h"
#include "base/FixedText.h"
#include "base/LanguageTable.h"
#include "platform/SpecialFolders.h"
#include "sdk/DeviceSdk.h"
#include "sdk/gui/CDialogDefaultUser.h"
#include "sdk/gui/CDialogPwd.h"
#include "sdk/gui/CDialogTitleSetting.h"
#include "sdk/gui/CDlgIpvsSetting.h"
#include "sdk/gui/CSYSTimeSet.h"
#include "sdk/media/MediaCommands.h"
#include "sdk/media/gui/CImageParamDialog.h"
#include "sdk/media/gui/CMdAlarmDialog.h"
#include "sdk/media/gui/CMediaCode.h"
#include "sdk/media/gui/CMediaVCapture.h"
#include "sdk/system/ConfigSwitches.h"
#include "sdk/system/LoopReboot.h"
#include "sdk/system/NightDemo.h"
#include "sdk/system/ParameterCommands.h"
#include "sdk/system/SettingCommands.h"
#include "sdk/system/SystemRequests.h"
#include "support/FakeSdk.h"
#include "support/ScriptedPrompt.h"

#include <QApplication>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <algorithm>

#include <filesystem>
#include <fstream>

namespace zk::app {
namespace {

// Button 15's pop-up: the normal sub-menu's 13 languages, then the KC one's.
QList<int> LanguageIds() {
    QList<int> ids;
    for (const int first : {sdk::system::kLanguageMenuNormal, sdk::system::kLanguageMenuKc}) {
        for (int offset = 0; offset < sdk::system::kDeviceLanguageCount; ++offset) {
            ids.append(first + offset);
        }
    }
    return ids;
}

} // namespace

// The window runs in the test's own network namespace (loopback only), so the search it starts at
// once reaches nothing.
class MainWindowTest final : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    // What the next window is built with (a test that sets them resets them in cleanup()).
    test::FakeSdk* m_sdk = nullptr;
    test::ScriptedPrompt* m_prompt = nullptr;
    bool m_searchAtStart = true;

    // The command ids of a menu's items, those of its sub-menus in their place.
    static QList<int> CommandIds(const QMenu& menu) {
        QList<int> ids;
        for (const QAction* action : menu.actions()) {
            if (const QMenu* sub = action->menu<QMenu*>()) {
                ids += CommandIds(*sub);
            } else {
                ids.append(action->data().toInt());
            }
        }
        return ids;
    }

    static QList<int> ListMenuIds(RArEvaVuraroZazoDor& window) {
        QMenu menu;
        window.BuildListMenu(menu);
        return CommandIds(menu);
    }

    // Lists the devices SN0, SN1, ...; the first `loggedIn` of them log in over the fake SDK.
    static bool ListDevices(RArEvaVuraroZazoDor& window, test::FakeSdk& sdk, int count, int loggedIn) {
        for (int i = 0; i < count; ++i) {
            discovery::DeviceRecord record = discovery::EmptyDeviceRecord();
            base::CopyBounded(record.SerialNumber, "SN" + std::to_string(i));
            base::CopyBounded(record.IpAddress, "192.168.1." + std::to_string(10 + i));
            base::CopyBounded(record.DeviceType, "NVS-IPCAM-T20_V1");
            window.Table().AddOrUpdate(record, "192.168.1.253");
        }
        window.List().Merge();
        for (int row = 0; row < loggedIn; ++row) {
            sdk.PushStatus(window.List().RowAt(row)->LoginHandle, sdk::kEventLoggedIn);
        }
        // Status events arrive in order: the last row online means every one is.
        return window.List().RowCount() == count &&
               QTest::qWaitFor([&] { return loggedIn == 0 || window.List().RowAt(loggedIn - 1)->Online == 1; });
    }

    // Answers the next password dialog with two entries and OK.
    static void AnswerPasswordDialog(const QString& password, const QString& confirmation) {
        QTimer::singleShot(0, [password, confirmation] {
            auto* dialog = qobject_cast<sdk::CDialogPwd*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            dialog->PasswordEdit()->setText(password);
            dialog->ConfirmEdit()->setText(confirmation);
            dialog->accept();
        });
    }

    // Answers the next modal dialog of this type with what answer does to it (answer calls OK).
    template <typename Dialog>
    static void AnswerDialog(std::function<void(Dialog&)> answer) {
        QTimer::singleShot(0, [answer = std::move(answer)] {
            auto* dialog = qobject_cast<Dialog*>(QApplication::activeModalWidget());
            QVERIFY(dialog != nullptr);
            answer(*dialog);
        });
    }

    RArEvaVuraroZazoDor::Sources Sources(const std::string& displayXml = {}) const {
        RArEvaVuraroZazoDor::Sources sources;
        sources.settingsFolder = m_folder.path();
        sources.sdk = m_sdk;
        sources.prompt = m_prompt;
        sources.searchAtStart = m_searchAtStart;
        if (!displayXml.empty()) {
            const std::string path = m_folder.path().toStdString() + "/display.xml";
            std::ofstream(path) << displayXml;
            sources.displayXml = path;
        }
        return sources;
    }

private slots:
    void initTestCase() {
        // A switch file that turns the monitor sink on towards a loopback address nobody listens on.
        const std::string folder = platform::ConfigFolder();
        QVERIFY(platform::EnsureFolder(folder));
        std::ofstream(folder + "/uc_dbg.cfg") << "network=1;monitor_ip=127.0.0.2;level=5;";
    }

    void cleanup() {
        m_sdk = nullptr;
        m_prompt = nullptr;
        m_searchAtStart = true;
    }

    void cleanupTestCase() { std::filesystem::remove(platform::ConfigFolder() + "/uc_dbg.cfg"); }

    void theWindowStartsTheLogAndItsDestructionShutsItDown() {
        {
            RArEvaVuraroZazoDor window(Sources());
            const auto switches = base::ProcessLog().Switches();
            QCOMPARE(switches.network, 1);
            QCOMPARE(switches.level, 5);
        }
        QCOMPARE(base::ProcessLog().Switches().network, 0);
    }

    void theTitleIsTheLanguageTitleAndTheVersionUnlessStyleTwo() {
        RArEvaVuraroZazoDor window(Sources());
        QCOMPARE(window.windowTitle(),
                 QStringLiteral("ZK Device Search/IP Config/Upgrade Tool-V2.3.9 V5.9.2_20250106"));
        RArEvaVuraroZazoDor styled(Sources("<root><STYLE display=\"2\"/></root>"));
        QCOMPARE(styled.windowTitle(), QStringLiteral("ZK Device Search/IP Config/Upgrade Tool-V2.3.9"));
    }

    void theWindowSearchesAtOnceAndTheButtonStopsIt() {
        RArEvaVuraroZazoDor window(Sources());
        auto* button = qobject_cast<QPushButton*>(window.Control(kIdSearchButton));
        QVERIFY(button != nullptr);
        QVERIFY(window.Search().Searching());
        QCOMPARE(button->text(), QStringLiteral("Stop search"));
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!window.Search().Searching());
        QCOMPARE(button->text(), QStringLiteral("Start search"));
    }

    void returnInAnEditPressesNoButton() {
        RArEvaVuraroZazoDor window(Sources());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy finished(&window, &QDialog::finished);
        for (const int id : {kIdDefaultUser, kIdDefaultPassword, kIdOperatePassword}) {
            auto* edit = qobject_cast<QLineEdit*>(window.Control(id));
            QVERIFY(edit != nullptr);
            edit->setFocus();
            QTest::keyClick(edit, Qt::Key_Return);
            QTest::keyClick(edit, Qt::Key_Enter);
            QVERIFY2(window.Search().Searching(), "Return must not stop the search");
        }
        QCOMPARE(finished.count(), 0);
    }

    // Catches: a STYLE given the wrong menu, P2P items offered without ID_SHOW_P2PSERVICE or missing
    // with it, and device language items whose ids are off by one or mixed between the normal and
    // KC sub-menus.
    void styleChoosesTheListMenuAndTheColours() {
        const auto commands = ListMenuIds;
        const QList<int> streams{kCmdStreamHikOn, kCmdStreamHikOff, kCmdStreamOnvifOn, kCmdStreamOnvifOff,
                                 kCmdStreamDhOn,  kCmdStreamDhOff,  kCmdStreamTstOn,   kCmdStreamTstOff};
        RArEvaVuraroZazoDor plain(Sources());
        QCOMPARE(
            commands(plain),
            (QList<int>{kCmdOpenWebPage, kCmdModifyIp, kCmdFreeIpSelected, kCmdLoginAgain, kCmdDefaultUser} + streams));
        QVERIFY(plain.palette().color(QPalette::Window) != QColor(233, 233, 220));
        RArEvaVuraroZazoDor shortMenu(Sources("<root><STYLE display=\"2\"/></root>"));
        QCOMPARE(commands(shortMenu),
                 (QList<int>{kCmdOpenWebPage, kCmdLoginAgain, kCmdRebootSelected, kCmdModifyIp, kCmdResetSelected}));
        RArEvaVuraroZazoDor p2p(Sources("<root><ID_SHOW_P2PSERVICE display=\"1\"/></root>"));
        QCOMPARE(commands(p2p), (QList<int>{kCmdOpenWebPage, kCmdModifyIp, kCmdFreeIpSelected, kCmdLoginAgain,
                                            kCmdDefaultUser, kCmdP2pOn, kCmdP2pOff} +
                                 streams));
        RArEvaVuraroZazoDor coloured(Sources("<root><STYLE display=\"1\"/></root>"));
        QCOMPARE(commands(coloured), LanguageIds());
        QCOMPARE(coloured.palette().color(QPalette::Window), QColor(233, 233, 220));
        auto* label = qobject_cast<QWidget*>(coloured.Control(kIdStatusLine));
        QCOMPARE(label->palette().color(QPalette::Window), QColor(233, 233, 220));
    }

    // Catches: a system button missing, registered under another id (the display table could not
    // hide it) or ignoring the display file, and a pop-up item carrying a wrong command id.
    void systemButtonsCarryTheirIdsAndFollowTheDisplayFile() {
        RArEvaVuraroZazoDor window(Sources("<root><ID_BATCH_SET_PWD display=\"0\"/></root>"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // Hidden by the file (14) and by the defaults (16, 1305, 1306).
        const QList<int> hidden{kIdBatchPassword, kIdFactoryMode, kIdLoopReboot, kIdTestMcu};
        for (const int id : {kIdBatchReset, kIdBatchResetOverLogin, kIdBatchReboot, kIdLoopReboot, kIdFactoryMode,
                             kIdBatchTime, kIdBatchMaintenance, kIdBatchPassword, kIdBatchLanguage, kIdBatchTitle,
                             kIdBatchPlatform, kIdBatchIoOutput, kIdBatchThermal, kIdTestMcu, kIdTestSpeed}) {
            auto* button = qobject_cast<QPushButton*>(window.Control(id));
            QVERIFY2(button != nullptr, qPrintable(QString::number(id)));
            QCOMPARE(button->property("zkControlId").toInt(), id);
            QVERIFY2(button->isVisible() != hidden.contains(id), qPrintable(QString::number(id)));
        }
        const auto popup = [&window](int id) { return CommandIds(*window.Control(id)->findChild<QMenu*>()); };
        QCOMPARE(popup(kIdBatchReset), (QList<int>{kCmdResetWhole, kCmdResetKeepNetwork}));
        QCOMPARE(popup(kIdFactoryMode), (QList<int>{kCmdFactoryModeOn, kCmdFactoryModeOff}));
        QCOMPARE(popup(kIdBatchTime), (QList<int>{kCmdSyncTimeWithPc, kCmdTimeSettings}));
        QCOMPARE(popup(kIdBatchIoOutput), (QList<int>{kCmdIoOutputLow, kCmdIoOutputHigh}));
        QCOMPARE(popup(kIdBatchThermal), (QList<int>{kCmdThermalScan, kCmdThermalSave}));
        QCOMPARE(popup(kIdBatchLanguage), LanguageIds());
    }

    // Catches: the password button not reaching the ticked rows, the dialog's two entries not handed
    // over as typed (a mismatch passing unnoticed), the password sent unescaped or to a row without a
    // login, and a language item sending another language or the other sub-menu's variant.
    void settingButtonsSendTheirRequestsToTheTickedLoggedInRows() {
        test::FakeSdk fakeSdk;
        test::ScriptedPrompt prompt;
        m_sdk = &fakeSdk;
        m_prompt = &prompt;
        m_searchAtStart = false;
        RArEvaVuraroZazoDor window(Sources());
        QVERIFY(ListDevices(window, fakeSdk, 3, 2));
        window.List().SetAllTicked(true);
        fakeSdk.ClearCalls();

        auto* password = qobject_cast<QPushButton*>(window.Control(kIdBatchPassword));
        AnswerPasswordDialog(QStringLiteral("a&b\"<c"), QStringLiteral("a&b\"<c"));
        QTest::mouseClick(password, Qt::LeftButton);
        QTRY_VERIFY(!window.SystemSettings().Busy());
        auto calls = fakeSdk.Calls("SetDVRConfig");
        QCOMPARE(calls.size(), std::size_t{2});
        for (int row : {0, 1}) {
            QCOMPARE(calls[row].handle, window.List().RowAt(row)->LoginHandle);
            QCOMPARE(calls[row].code, sdk::system::kSetUser);
            QVERIFY2(calls[row].text.find("Password=\"a&amp;b&quot;&lt;c\"") != std::string::npos,
                     calls[row].text.c_str());
        }
        AnswerPasswordDialog(QStringLiteral("one"), QStringLiteral("two"));
        QTest::mouseClick(password, Qt::LeftButton);
        QCOMPARE(fakeSdk.Calls("SetDVRConfig").size(), std::size_t{2});
        QCOMPARE(prompt.Questions().back().text, base::GetText("MSGTIP51"));

        // Korean (offset 8) from the KC sub-menu of button 15.
        fakeSdk.ClearCalls();
        for (QAction* action : window.Control(kIdBatchLanguage)->findChildren<QAction*>()) {
            if (action->data().toInt() == sdk::system::kLanguageMenuKc + 8) {
                action->trigger();
            }
        }
        QTRY_VERIFY(!window.SystemSettings().Busy());
        calls = fakeSdk.Calls("SystemControl");
        QCOMPARE(calls.size(), std::size_t{2});
        QCOMPARE(calls[0].text, sdk::system::WebLanguageRequest(8, true));
        QCOMPARE(fakeSdk.Calls("SetDVRConfig").size(), std::size_t{2});
        QVERIFY(prompt.Problems().isEmpty());
    }

    // Catches: buttons 10 and 11 or item 32911 opening another dialog or none, a dialog's answer not
    // reaching the ticked logged-in rows, and the time dialog opening without the shipped zones.
    void parameterButtonsOpenTheirDialogsAndSendToTheTickedRows() {
        test::FakeSdk fakeSdk;
        test::ScriptedPrompt prompt;
        m_sdk = &fakeSdk;
        m_prompt = &prompt;
        m_searchAtStart = false;
        RArEvaVuraroZazoDor window(Sources());
        QVERIFY(ListDevices(window, fakeSdk, 3, 2));
        window.List().SetAllTicked(true);
        fakeSdk.ClearCalls();
        const auto sent = [&fakeSdk](int code) {
            std::vector<std::string> texts;
            for (const auto& call : fakeSdk.Calls("SetDVRConfig")) {
                if (call.code == code) {
                    texts.push_back(call.text);
                }
            }
            return texts;
        };

        AnswerDialog<sdk::CDialogTitleSetting>([](sdk::CDialogTitleSetting& dialog) {
            dialog.IpBox()->setChecked(true);
            dialog.accept();
        });
        QTest::mouseClick(qobject_cast<QPushButton*>(window.Control(kIdBatchTitle)), Qt::LeftButton);
        QTRY_VERIFY(!window.Parameters().Busy());
        auto titles = sent(sdk::system::kSetOverlay);
        QCOMPARE(titles.size(), std::size_t{2});
        // "Camera" then the row's own address, "192.168.1.11" for the second row.
        QVERIFY2(titles[1].find("TitleUtf8=\"43616d6572613139322e3136382e312e3131\"") != std::string::npos,
                 titles[1].c_str());

        AnswerDialog<sdk::CDlgIpvsSetting>([](sdk::CDlgIpvsSetting& dialog) {
            dialog.ServerEdit()->setText(QStringLiteral("10.0.0.5"));
            dialog.UserEdit()->setText(QStringLiteral("5,x"));
            dialog.IncreaseUserBox()->setChecked(true);
            dialog.accept();
        });
        QTest::mouseClick(qobject_cast<QPushButton*>(window.Control(kIdBatchPlatform)), Qt::LeftButton);
        QTRY_VERIFY(!window.Parameters().Busy());
        const auto platforms = sent(sdk::system::kSetPlatform);
        QCOMPARE(platforms.size(), std::size_t{2});
        QVERIFY(platforms[1].find("Server=\"10.0.0.5\" Port=\"10001\" Username=\"6,x\"") != std::string::npos);

        AnswerDialog<sdk::CSYSTimeSet>([](sdk::CSYSTimeSet& dialog) {
            QVERIFY(dialog.ZoneBox()->count() >= 80);
            dialog.ZoneBox()->setCurrentIndex(dialog.ZoneBox()->findData(1050));
            dialog.accept();
        });
        for (QAction* action : window.Control(kIdBatchTime)->findChildren<QAction*>()) {
            if (action->data().toInt() == kCmdTimeSettings) {
                action->trigger();
            }
        }
        QTRY_VERIFY(!window.Parameters().Busy());
        const auto times = sent(sdk::system::kSetTime);
        QCOMPARE(times.size(), std::size_t{2});
        QVERIFY(times[0].find("TimeZone=\"1050\"") != std::string::npos);
        QCOMPARE(window.Settings().TimeConfig().TimeZone, 1050);
        QVERIFY(prompt.Problems().isEmpty());
    }

    // Catches: a media button missing, under another id (display.xml could not show or hide it) or
    // not at its display default, button 1034's pop-up or button 32988's coding types carrying
    // wrong command ids, a button or item opening another window or none, its window's values not
    // reaching the ticked logged-in rows, and the encoding question asked twice.
    void mediaButtonsFollowTheDisplayTableAndOpenTheirWindows() {
        test::FakeSdk fakeSdk;
        test::ScriptedPrompt prompt;
        m_sdk = &fakeSdk;
        m_prompt = &prompt;
        m_searchAtStart = false;
        RArEvaVuraroZazoDor window(
            Sources("<root><ID_BATCH_SET_MD display=\"1\"/><IDC_BTN_SET_PD display=\"0\"/></root>"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        // Shown by default (1034) and by the file (13); hidden by the file (1298) and by default.
        const QList<int> shown{kIdBatchVideo, kIdBatchMotionDetect};
        for (const int id : {kIdBatchVideo, kIdBatchCodingType, kIdBatchVideoEncode, kIdBatchAudioEncode,
                             kIdBatchAudioCapture, kIdBatchImageTuning, kIdBatchMotionDetect, kIdBatchSmartDetect}) {
            auto* button = qobject_cast<QPushButton*>(window.Control(id));
            QVERIFY2(button != nullptr, qPrintable(QString::number(id)));
            QCOMPARE(button->property("zkControlId").toInt(), id);
            QVERIFY2(button->isVisible() == shown.contains(id), qPrintable(QString::number(id)));
            QVERIFY(!button->text().isEmpty());
        }
        const QList<int> codingTypes{kCmdCodingH264, kCmdCodingH265, kCmdCodingH265Plus};
        const auto* videoMenu = window.Control(kIdBatchVideo)->findChild<QMenu*>();
        const QList<int> videoItems{kCmdVideoEncode, kCmdVideoCapture, kCmdAudioEncode, kCmdAudioCapture, kCmdLights};
        QCOMPARE(CommandIds(*videoMenu), codingTypes + videoItems);
        QCOMPARE(videoMenu->actions().first()->text(), base::GetText("ID_BATCH_SET_VIDEOTYPE"));
        QCOMPARE(videoMenu->actions().first()->menu<QMenu*>()->actions().last()->text(), QStringLiteral("H265+"));
        QCOMPARE(CommandIds(*window.Control(kIdBatchCodingType)->findChild<QMenu*>()), codingTypes);

        QVERIFY(ListDevices(window, fakeSdk, 3, 2));
        window.List().SetAllTicked(true);
        fakeSdk.ClearCalls();
        const auto sent = [&fakeSdk](const std::string& name, int code) {
            std::vector<std::string> texts;
            for (const auto& call : fakeSdk.Calls(name)) {
                if (call.code == code) {
                    texts.push_back(call.text);
                }
            }
            return texts;
        };

        AnswerDialog<sdk::media::CImageParamDialog>([](sdk::media::CImageParamDialog& dialog) {
            dialog.MctfEdit()->setText(QStringLiteral("5"));
            dialog.accept();
        });
        // Hidden by default: clicked as the display file would let a person click it.
        qobject_cast<QPushButton*>(window.Control(kIdBatchImageTuning))->click();
        QTRY_VERIFY(!window.Media().Busy());
        const auto tunings = sent("SystemControl", sdk::media::kImageTuningControl);
        QCOMPARE(tunings.size(), std::size_t{2});
        QVERIFY2(tunings[1].find("mctf=\"5\"") != std::string::npos, tunings[1].c_str());

        AnswerDialog<sdk::media::CMdAlarmDialog>([](sdk::media::CMdAlarmDialog& dialog) {
            dialog.GridBox()->setCurrentText(QStringLiteral("22X18"));
            dialog.accept();
        });
        QTest::mouseClick(qobject_cast<QPushButton*>(window.Control(kIdBatchMotionDetect)), Qt::LeftButton);
        QTRY_VERIFY(!window.Media().Busy());
        const auto motions = sent("SetDVRConfig", sdk::media::kSetMotionDetect);
        QCOMPARE(motions.size(), std::size_t{2});
        QVERIFY2(motions[0].find("BlockCount=\"1441810\"") != std::string::npos, motions[0].c_str());

        AnswerDialog<sdk::media::CMediaVCapture>([](sdk::media::CMediaVCapture& dialog) {
            qobject_cast<QLineEdit*>(dialog.Field("Brightness"))->setText(QStringLiteral("61"));
            dialog.accept();
        });
        for (QAction* action : videoMenu->actions()) {
            if (action->data().toInt() == kCmdVideoCapture) {
                action->trigger();
            }
        }
        QTRY_VERIFY(!window.Media().Busy());
        const auto captures = sent("SetDVRConfig", sdk::media::kSetVideoCapture);
        QCOMPARE(captures.size(), std::size_t{2});
        QVERIFY2(captures[0].find("Brightness=\"61\"") != std::string::npos, captures[0].c_str());
        QCOMPARE(window.Media().LastVideoCapture().Brightness, 61);

        // The encoding question is asked once, by the command, after the window closed.
        AnswerDialog<sdk::media::CMediaCode>([](sdk::media::CMediaCode& dialog) {
            dialog.StreamBox()->setCurrentIndex(1);
            dialog.accept();
        });
        prompt.AnswerYes();
        qobject_cast<QPushButton*>(window.Control(kIdBatchVideoEncode))->click();
        QTRY_VERIFY(!window.Media().Busy());
        const auto encodings = sent("SetDVRConfig", sdk::media::kSetVideoEncode);
        QCOMPARE(encodings.size(), std::size_t{2});
        QVERIFY2(encodings[0].find("Stream=\"2\"") != std::string::npos &&
                     encodings[0].find("Stream=\"1\"") == std::string::npos,
                 encodings[0].c_str());
        QCOMPARE(prompt.Questions().back().text, base::GetText("MSG_VIDEO_ENCODE_SET"));
        QVERIFY(prompt.Problems().isEmpty());
    }

    // Catches: buttons 20 and 1299 or the stream items reading nothing on the ticked rows, the night
    // button staying enabled while its demonstration runs, and a search that starts without putting
    // day mode back first (the sessions would be gone before the timer).
    void configSwitchesAndTheNightDemonstrationFollowTheirButtons() {
        test::FakeSdk fakeSdk;
        test::ScriptedPrompt prompt;
        m_sdk = &fakeSdk;
        m_prompt = &prompt;
        m_searchAtStart = false;
        RArEvaVuraroZazoDor window(Sources("<root><IDC_BTN_PREVIEW_IRCUT_NIGHT display=\"1\"/></root>"));
        QVERIFY(ListDevices(window, fakeSdk, 3, 2));
        window.List().SetAllTicked(true);
        const auto reads = [&fakeSdk](int code) {
            std::size_t count = 0;
            for (const auto& call : fakeSdk.Calls("GetDVRConfig")) {
                count += call.code == code ? 1 : 0;
            }
            return count;
        };
        const auto trigger = [](QObject& owner, int command) {
            for (QAction* action : owner.findChildren<QAction*>()) {
                if (action->data().toInt() == command) {
                    action->trigger();
                    return true;
                }
            }
            return false;
        };

        fakeSdk.ClearCalls();
        prompt.AnswerYes();
        QVERIFY(trigger(*window.Control(kIdBatchTvSystem), kCmdTvSystemNtsc));
        QTRY_VERIFY(!window.Switches().Busy());
        QCOMPARE(reads(504), std::size_t{2});
        prompt.AnswerYes();
        QVERIFY(trigger(*window.Control(kIdBatchOnvifAllNet), kCmdOnvifAllNetOff));
        QTRY_VERIFY(!window.Switches().Busy());
        QCOMPARE(reads(305), std::size_t{2});
        QMenu menu;
        window.BuildListMenu(menu);
        QVERIFY(trigger(menu, kCmdStreamDhOff));
        QTRY_VERIFY(!window.Switches().Busy());
        QCOMPARE(reads(600), std::size_t{2});

        fakeSdk.ClearCalls();
        auto* night = qobject_cast<QPushButton*>(window.Control(kIdNightDemo));
        QVERIFY(night != nullptr && night->isEnabled());
        QTest::mouseClick(night, Qt::LeftButton);
        QVERIFY(window.Night().Running());
        QVERIFY(!night->isEnabled());
        QTRY_COMPARE(reads(504), std::size_t{2});
        const int handle = window.List().RowAt(0)->LoginHandle;
        fakeSdk.PushAnswer(handle, 504, 0, "<Video><Capture TVSystem=\"1\" IrcutMode=\"0\" /></Video>");
        QTRY_VERIFY(!fakeSdk.Calls("SystemControl").empty());

        window.Search().StartSearch();
        QVERIFY(!window.Night().Running());
        QVERIFY(night->isEnabled());
        const auto calls = fakeSdk.Calls();
        const auto dayMode = std::find_if(calls.begin(), calls.end(), [](const test::FakeSdk::Call& call) {
            return call.name == "SystemControl" && call.text.find("DayMode") != std::string::npos;
        });
        const auto logout = std::find_if(calls.begin(), calls.end(), [](const test::FakeSdk::Call& call) {
            return call.name.rfind("Logout", 0) == 0;
        });
        QVERIFY2(dayMode != calls.end(), "no DayMode request");
        QVERIFY2(dayMode < logout, "DayMode went out after the sessions were closed");
        window.Search().StopSearch();
        QVERIFY(prompt.Problems().isEmpty());
    }

    // Catches: the loop button not starting the loop on the selected row, its caption not following
    // the loop, and a loop that outlives a search stopped by the button or the window.
    void theLoopRebootButtonFollowsTheLoopAndEndsWithTheSearchAndTheWindow() {
        test::FakeSdk fakeSdk;
        test::ScriptedPrompt prompt;
        m_sdk = &fakeSdk;
        m_prompt = &prompt;
        RArEvaVuraroZazoDor window(Sources("<root><IDC_BTN_LOOP_RESTART display=\"1\"/></root>"));
        QVERIFY(window.Search().Searching());
        QVERIFY(ListDevices(window, fakeSdk, 2, 2));
        fakeSdk.ClearCalls();
        auto* loop = qobject_cast<QPushButton*>(window.Control(kIdLoopReboot));
        QCOMPARE(loop->text(), base::GetText("MAIN_LOOP_REBOOT_START"));
        window.ListView().selectRow(1);
        QTest::mouseClick(loop, Qt::LeftButton);
        QVERIFY(window.Loop().Running());
        QVERIFY(window.Loop().Key() == "SN1");
        QCOMPARE(loop->text(), base::GetText("MAIN_LOOP_REBOOT_STOP"));
        // With the display value 1055 at 0 each tick also reboots over the session.
        QTRY_VERIFY_WITH_TIMEOUT(!fakeSdk.Calls("RebootDVR").empty(), 5000);
        QCOMPARE(fakeSdk.Calls("RebootDVR")[0].handle, window.List().RowAt(1)->LoginHandle);

        QTest::mouseClick(qobject_cast<QPushButton*>(window.Control(kIdSearchButton)), Qt::LeftButton);
        QVERIFY(!window.Search().Searching());
        QVERIFY(!window.Loop().Running());
        QCOMPARE(loop->text(), base::GetText("MAIN_LOOP_REBOOT_AGAIN"));
        QTest::mouseClick(loop, Qt::LeftButton);
        QVERIFY(window.Loop().Running());
        window.done(QDialog::Accepted);
        QVERIFY(!window.Loop().Running());
        QVERIFY(prompt.Problems().isEmpty());
    }

    void theSelectionStaysWithItsDeviceWhenTheListIsSorted() {
        RArEvaVuraroZazoDor window(Sources());
        window.Search().StopSearch();
        const char* addresses[] = {"192.168.1.10", "192.168.1.9", "10.0.0.1", "192.168.1.100"};
        for (int i = 0; i < 4; ++i) {
            discovery::DeviceRecord record = discovery::EmptyDeviceRecord();
            base::CopyBounded(record.SerialNumber, "SN" + std::to_string(i));
            base::CopyBounded(record.IpAddress, addresses[i]);
            base::CopyBounded(record.DeviceType, "NVS-IPCAM-T20_V1");
            record.UserConfigPresent = 1;
            window.Table().AddOrUpdate(record, "192.168.1.253");
        }
        window.List().Merge();
        QTableView& view = window.ListView();
        view.selectRow(window.List().FindRow("SN0"));
        view.setCurrentIndex(view.model()->index(window.List().FindRow("SN0"), 2));
        for (int click = 0; click < 2; ++click) {
            view.model()->sort(0, Qt::AscendingOrder);
            const QModelIndexList selected = view.selectionModel()->selectedRows();
            QCOMPARE(selected.size(), 1);
            QCOMPARE(selected.first().row(), window.List().FindRow("SN0"));
            QCOMPARE(view.currentIndex().row(), window.List().FindRow("SN0"));
            QCOMPARE(view.currentIndex().column(), 2);
        }
        QCOMPARE(window.List().FindRow("SN0"), 1); // descending after the second click
    }

    void theAdapterListStartsWithAllAdapters() {
        RArEvaVuraroZazoDor window(Sources());
        auto* adapters = qobject_cast<QComboBox*>(window.Control(kIdAdapterList));
        QVERIFY(adapters != nullptr);
        QVERIFY(adapters->count() >= 1);
        QCOMPARE(adapters->itemText(0), QStringLiteral("All network adapters"));
        QCOMPARE(adapters->itemData(0).value<quint32>(), 0u);
        QCOMPARE(adapters->currentIndex(), 0);
    }

    void displaySwitchesHideTheirControls() {
        RArEvaVuraroZazoDor window(Sources("<root><ID_EXPORT_EXCEL display=\"0\"/></root>"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(!window.Control(kIdExportExcel)->isVisible());
        QVERIFY(window.Control(kIdSearchButton)->isVisible());
        // Shown only when the installation turns it on.
        QVERIFY(!window.Control(kIdClearSerial)->isVisible());
        QVERIFY(!window.Control(kIdOperatePassword)->isVisible());
    }

    void editingTheDefaultUserSavesTheSettingsAtOnce() {
        RArEvaVuraroZazoDor window(Sources());
        auto* user = qobject_cast<QLineEdit*>(window.Control(kIdDefaultUser));
        QVERIFY(user != nullptr);
        QCOMPARE(user->text(), QStringLiteral("admin"));
        user->selectAll();
        QTest::keyClicks(user, QStringLiteral("installer"));
        QCOMPARE(window.Settings().DefaultUserName(), QStringLiteral("installer"));
        base::CSaveParam reloaded(m_folder.path());
        reloaded.Load();
        QCOMPARE(reloaded.DefaultUserName(), QStringLiteral("installer"));
    }

    void theLoginSettingDialogReplacesTheDefaultUserUnlessTheNameIsEmpty() {
        RArEvaVuraroZazoDor window(Sources("<root><ID_LOGIN_SETTING display=\"1\"/></root>"));
        auto* button = qobject_cast<QPushButton*>(window.Control(kIdLoginSetting));
        QVERIFY(button != nullptr);
        auto answer = [](const QString& user, const QString& password) {
            QTimer::singleShot(0, [user, password] {
                auto* dialog = qobject_cast<sdk::CDialogDefaultUser*>(QApplication::activeModalWidget());
                QVERIFY(dialog != nullptr);
                dialog->UserEdit()->setText(user);
                dialog->PasswordEdit()->setText(password);
                dialog->accept();
            });
        };
        answer(QStringLiteral("tech"), QStringLiteral("pw2"));
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(window.Settings().DefaultUserName(), QStringLiteral("tech"));
        QCOMPARE(qobject_cast<QLineEdit*>(window.Control(kIdDefaultUser))->text(), QStringLiteral("tech"));
        answer(QString(), QStringLiteral("ignored"));
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(window.Settings().DefaultUserName(), QStringLiteral("tech"));
        QCOMPARE(window.Settings().DefaultPassword(), QStringLiteral("pw2"));
    }

    void theExitButtonClosesTheWindowAndStopsTheSearch() {
        RArEvaVuraroZazoDor window(Sources());
        auto* exitButton = qobject_cast<QPushButton*>(window.Control(kIdExit));
        QVERIFY(exitButton != nullptr);
        QCOMPARE(window.Control(999999), nullptr);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy finished(&window, &QDialog::finished);
        QTest::mouseClick(exitButton, Qt::LeftButton);
        QCOMPARE(finished.count(), 1);
        QVERIFY(!window.isVisible());
        QVERIFY(!window.Search().Searching());
    }
};

} // namespace zk::app

QTEST_MAIN(zk::app::MainWindowTest)
#include "MainWindowTest.moc"

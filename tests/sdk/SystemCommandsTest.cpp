// SPDX-License-Identifier: GPL-3.0-or-later
// The system commands over FakeSdk sessions, with their search-protocol datagrams sent to a device
// on 127.0.0.1, so every datagram is seen as the network would see it.
#include "sdk/system/LoopReboot.h"
#include "sdk/system/RestartCommands.h"
#include "sdk/system/SettingCommands.h"

#include "base/CLoadDisplayCfg.h"
#include "base/FixedText.h"
#include "discovery/DeviceListModel.h"
#include "discovery/SearchController.h"
#include "platform/NetworkAdapters.h"
#include "platform/TextCodec.h"
#include "sdk/SessionManager.h"
#include "sdk/batch/BatchRunner.h"
#include "support/FakeSdk.h"
#include "support/ScriptedPrompt.h"
#include "support/TempFolder.h"

#include "../discovery/ListLanguage.h"
#include "../discovery/LoopbackDevice.h"

#include <arpa/inet.h>

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

namespace zk::sdk::system {
namespace {

using base::CopyBounded;
using base::FieldText;
using batch::RowResult;
using discovery::ListColumn;
using test::ScriptedPrompt;

std::map<std::string, std::string> KeyTexts() {
    std::map<std::string, std::string> texts;
    for (const char* key : {"SET_OK", "SET_FAILED", "MSGTIP11", "MSGTIP13", "MSGTIP14", "MSGTIP42", "TEXT21",
                            "SET_PRESET_FAILED", "SUCCEED_SET_NUM", "MSG_PASSWORD_CODEPAGE"}) {
        texts[key] = key;
    }
    return texts;
}

// The request texts are the devices' own, byte for byte; a value is escaped only when it must be.
TEST(SystemRequestsTest, TextsAreTheDevicesOwn) {
    EXPECT_EQ(PasswordRequest("abc123"), "<UserConfig><Account Username=\"admin\" Password=\"abc123\" "
                                         "Group=\"Administrator\" Status=\"Enable\" /></UserConfig>");
    EXPECT_EQ(PasswordRequest("n3w\"p<w"), "<UserConfig><Account Username=\"admin\" Password=\"n3w&quot;p&lt;w\" "
                                           "Group=\"Administrator\" Status=\"Enable\" /></UserConfig>");
    // German: the device menu in English, its web pages in German at offset 4.
    EXPECT_EQ(MiscLanguageRequest(4), "<MiscConfig Language=\"en-us\" />");
    EXPECT_EQ(WebLanguageRequest(4, false),
              "<REQUEST_PARAM web_defalut_language=\"4\" is_KC_web=\"0\" Language=\"german\" />");
    EXPECT_EQ(MiscLanguageRequest(2), "<MiscConfig Language=\"zh-tw\" />");
    EXPECT_EQ(WebLanguageRequest(12, true),
              "<REQUEST_PARAM web_defalut_language=\"12\" is_KC_web=\"1\" Language=\"Ukraine\" />");
    EXPECT_EQ(DeviceLanguageOffset("GERMAN"), 4);
    EXPECT_EQ(DeviceLanguageOffset("klingon"), -1);
    EXPECT_EQ(IoOutputRequest(1), "<REQUEST_PARAM ChannelNo=\"0\"Output=\"1\"/>\n");
    EXPECT_EQ(FactoryModeRequest(true), "<REQUEST_PARAM Mode=\"1\"/>\n");
    EXPECT_EQ(FactoryModeRequest(false), "<REQUEST_PARAM Mode=\"0\"/>\n");
    EXPECT_EQ(MaintenanceRequest({true, 6, "04:30:00"}),
              "<MaintainConfig\tEnable=\"1\" Day=\"6\" Time=\"04:30:00\" />");
    EXPECT_EQ(MaintenanceTime(4, 5, 6), "04:05:06");
    EXPECT_EQ(MaintenanceTime(24, 0, 0), "");
    EXPECT_FALSE(ValidMaintenance({true, 8, "03:00:00"}));
    EXPECT_FALSE(ValidMaintenance({true, 7, "3:00:00"}));
    EXPECT_EQ(ThermalSummary(200, QStringLiteral("ok: "), 3), QStringLiteral("[200 preset ptz] ok: 3"));

    // A password reaches the devices only as typed: nothing the code page would turn into "?",
    // nothing longer than a login carries.
    EXPECT_EQ(DevicePasswordProblem(QStringLiteral("n3w\"pw")), nullptr);
    EXPECT_EQ(DevicePasswordProblem(QString::fromUtf8("密码123")), nullptr);
    EXPECT_STREQ(DevicePasswordProblem(QString::fromUtf8("pw\xF0\x9F\x98\x80")), "MSG_PASSWORD_CODEPAGE");
    EXPECT_STREQ(DevicePasswordProblem(QString::fromUtf8("pw\xED\x95\x9C")), "MSG_PASSWORD_CODEPAGE"); // Hangul
    EXPECT_EQ(DevicePasswordProblem(QString(63, u'x')), nullptr);
    EXPECT_STREQ(DevicePasswordProblem(QString(64, u'x')), "MSG_PASSWORD_TOO_LONG");
    EXPECT_STREQ(DevicePasswordProblem(QString(32, QChar(0x5BC6))), "MSG_PASSWORD_TOO_LONG"); // 64 bytes in GBK
}

class SystemCommandsTest : public ::testing::Test {
protected:
    SystemCommandsTest() {
        EXPECT_EQ(m_sessions.Start(), 0);
        discovery::SearchSettings settings;
        settings.autoStop = false;
        m_search = std::make_unique<discovery::SearchController>(m_table, m_engine, settings);
        Display(0);
    }

    // The display file with the value 1055 (whether the session side is used too).
    void Display(int operatePassword) {
        const std::string path = m_folder.Path() + "/display.xml";
        std::ofstream(path) << "<root><IDC_EDIT_OPERATE_PASSWORD display=\"" << operatePassword << "\"/></root>";
        m_display = std::make_unique<base::CLoadDisplayCfg>(path);
        RestartHooks hooks;
        hooks.credentials = [] { return discovery::Credentials{"admin", "507913"}; };
        m_restart = std::make_unique<RestartCommands>(m_list, m_table, *m_search, m_runner, m_sdk, *m_display, hooks);
    }

    // Lists devices SN0.. ; the first `online` come online, and each online one's 1019 answer names
    // it unless told otherwise.
    void ListDevices(int count, int online) {
        for (int i = 0; i < count; ++i) {
            discovery::DeviceRecord record = discovery::EmptyDeviceRecord();
            CopyBounded(record.SerialNumber, "SN" + std::to_string(i));
            CopyBounded(record.IpAddress, "127.0.0." + std::to_string(10 + i));
            CopyBounded(record.DeviceType, "NVS-IPCAM-T20_V2");
            record.PtzPort = 34567;
            m_table.AddOrUpdate(record, "127.0.0.2");
        }
        m_list.Merge();
        for (int row = 0; row < online; ++row) {
            m_sdk.PushStatus(Handle(row), kEventLoggedIn);
            CopyBounded(m_list.RowAt(row)->InfoText1019, "SN" + std::to_string(row));
        }
        Deliver();
        m_sdk.ClearCalls();
    }
    void Deliver() {
        do {
            QCoreApplication::sendPostedEvents();
        } while (m_sessions.PendingRecords() > 0 || m_runner.Running());
    }
    // Runs a command until it says it ended.
    template <typename Commands>
    void Run(Commands& commands, const std::function<void()>& command) {
        QSignalSpy finished(&commands, &Commands::commandFinished);
        command();
        EXPECT_TRUE(finished.count() == 1 || finished.wait(5000));
        Deliver();
    }
    int Handle(int row) const { return m_list.RowAt(row)->LoginHandle; }
    std::string Key(int row) const { return std::string(FieldText(m_list.RowAt(row)->Key)); }
    QString Status(int row) const { return m_list.CellText(row, ListColumn::State); }
    RowResult Result(int row) const {
        const batch::RowState* state = m_runner.State(Key(row));
        return state != nullptr ? state->result : RowResult::None;
    }
    // The datagrams the device received with this code, one per copy (each copy goes out once per
    // socket of the short-lived sender: counted once here).
    std::vector<std::string> Datagrams(int code) const {
        std::vector<std::string> found;
        const std::string marker = "Msg_code=\"" + std::to_string(code) + "\"";
        for (const auto& [text, port] : m_device.Requests()) {
            if (text.find(marker) != std::string::npos) {
                found.push_back(text);
            }
        }
        return found;
    }
    static discovery::SearchEngine::AdapterSource Adapters() {
        return [] { return platform::AdapterMap{{*platform::ParseDottedAddress("127.0.0.2"), "lo"}}; };
    }

    test::LoopbackDevice m_device{[](const std::string&) { return std::string(); }};
    test::TempFolder m_folder;
    test::FakeSdk m_sdk;
    discovery::DeviceTable m_table;
    test::ListLanguage m_language{false, KeyTexts()};
    discovery::DeviceListModel m_list{m_table, m_language.Table(), discovery::DeviceListSettings{}};
    SessionManager m_sessions{m_sdk, m_list, m_language.Table()};
    ScriptedPrompt m_prompt;
    batch::BatchRunner m_runner{m_list, m_sessions, m_sdk, m_language.Table(), m_prompt};
    discovery::SearchEngine m_engine{m_table, Adapters(),
                                     discovery::SearchDestination{htonl(INADDR_LOOPBACK), m_device.Port()}};
    std::unique_ptr<discovery::SearchController> m_search;
    std::unique_ptr<base::CLoadDisplayCfg> m_display;
    std::unique_ptr<RestartCommands> m_restart;
};

// Catches: the session restore sent every round or for a keep-network reset (it cannot keep the
// network), rounds stopping early or running on, a round blocking the window, and "MSGTIP14" missing
// when no device could be asked.
TEST_F(SystemCommandsTest, ResetRestoresOverTheSessionOnceAndRepeatsOnlyTheDatagrams) {
    ListDevices(2, 1);
    m_prompt.AnswerYes();
    const auto start = std::chrono::steady_clock::now();
    m_restart->Reset({Key(0), Key(1)}, false);
    // The rounds run from the event loop: the command has returned long before they end.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(400));
    EXPECT_TRUE(m_restart->Busy());
    Run(*m_restart, [] {});
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3 * kResetRoundSpacingMs));
    // Only the online device whose own serial number matches gets the session restore, once.
    ASSERT_EQ(m_sdk.Calls("RestoreConfig").size(), 1u);
    EXPECT_EQ(m_sdk.Calls("RestoreConfig")[0].handle, Handle(0));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Datagrams(5).size() >= 2 * kResetRounds * 3; }));
    for (const std::string& datagram : Datagrams(5)) {
        EXPECT_EQ(datagram.find("retain"), std::string::npos);
        EXPECT_NE(datagram.find("Password=\"507913\""), std::string::npos);
    }
    EXPECT_EQ(Result(0), RowResult::Sent);
    EXPECT_EQ(Result(1), RowResult::Sent);

    // Keeping the network: the datagrams carry the retain element and the session is not asked.
    m_sdk.ClearCalls();
    m_prompt.AnswerYes();
    Run(*m_restart, [&] { m_restart->Reset({Key(0)}, true); });
    EXPECT_TRUE(m_sdk.Calls("RestoreConfig").empty());
    ASSERT_TRUE(QTest::qWaitFor([&] {
        const auto all = Datagrams(5);
        return std::count_if(all.begin(), all.end(), [](const std::string& d) {
                   return d.find("<retain value=\"network\" />") != std::string::npos;
               }) >= kResetRounds * 3;
    }));

    // A device the table no longer holds is not sent to: nothing went out, and the person is told.
    m_table.Clear();
    m_prompt.AnswerYes();
    Run(*m_restart, [&] { m_restart->Reset({Key(0)}, false); });
    EXPECT_EQ(m_prompt.Questions().back().text, QStringLiteral("MSGTIP14"));
    EXPECT_EQ(Result(0), RowResult::Failed);
}

// Catches: the loop turning on another device after the list changed under it, and a loop that
// survives a search stop or its device leaving.
TEST_F(SystemCommandsTest, LoopRebootFollowsItsDeviceAndEndsWithTheSearchOrTheDevice) {
    Display(1); // datagrams only: no session reboot in between
    ListDevices(3, 0);
    LoopReboot loop(m_list, m_runner, *m_restart, [] { return discovery::Credentials{"admin", "pw"}; });
    loop.FollowSearch(*m_search);
    QSignalSpy running(&loop, &LoopReboot::runningChanged);
    loop.Toggle(0);
    ASSERT_TRUE(loop.Running());
    EXPECT_EQ(loop.Key(), "SN0");
    // Sorted the other way round, row 0 holds SN2: the loop still reboots SN0.
    m_list.SortByColumn(ListColumn::Sn);
    m_list.SortByColumn(ListColumn::Sn);
    ASSERT_EQ(Key(0), "SN2");
    ASSERT_TRUE(QTest::qWaitFor([&] { return loop.Reboots() >= 2; }, 3500));
    ASSERT_TRUE(QTest::qWaitFor([&] { return Datagrams(7).size() >= 2; }));
    for (const std::string& datagram : Datagrams(7)) {
        EXPECT_NE(datagram.find("SerialNumber=\"SN0\""), std::string::npos) << datagram;
    }
    m_search->StartSearch();
    m_search->ToggleSearch(); // stopped by the button
    EXPECT_FALSE(loop.Running());
    ASSERT_EQ(running.count(), 2);
    EXPECT_FALSE(running.at(1).at(0).toBool());

    // The device leaves the list: the next tick ends the loop.
    ASSERT_TRUE(loop.Start(m_list.FindRow("SN0")));
    m_list.ClearRows();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !loop.Running(); }, 2500));
}

// Catches: a later success of the same row's batch hiding its first failure, and the thermal
// summary counting rows whose call failed.
TEST_F(SystemCommandsTest, AFailedFirstRequestStaysAndTheSummaryCountsOnlySentCalls) {
    ListDevices(3, 2);
    SettingCommands settings(m_list, m_sessions, m_runner, {});
    m_sdk.SetResultOf("SetDVRConfig", kErrorFailed);
    Run(settings, [&] { settings.SetLanguage({Key(0)}, -1, 4, false); });
    ASSERT_EQ(m_sdk.Calls("SystemControl").size(), 1u);
    m_sdk.PushAnswer(Handle(0), kControlWebLanguage, kResultOk);
    Deliver();
    EXPECT_EQ(Status(0), QStringLiteral("MSGTIP42"));
    EXPECT_EQ(Result(0), RowResult::Refused);

    // Without ticked rows the language goes to the selected row, after the message.
    m_sdk.SetResultOf("SetDVRConfig", 0);
    m_sdk.ClearCalls();
    Run(settings, [&] { settings.SetLanguage({}, 1, 0, true); });
    EXPECT_EQ(m_prompt.Questions().back().text, QStringLiteral("MSGTIP13"));
    ASSERT_EQ(m_sdk.Calls("SetDVRConfig").size(), 1u);
    EXPECT_EQ(m_sdk.Calls("SetDVRConfig")[0].handle, Handle(1));

    m_sdk.SetResultOf("PTZPreset", kErrorBadArgument);
    Run(settings, [&] { settings.ThermalPreset({Key(0), Key(1), Key(2)}, kThermalScanPreset); });
    EXPECT_EQ(Status(0), QStringLiteral("SET_PRESET_FAILED"));
    EXPECT_EQ(m_prompt.Questions().back().text, QStringLiteral("[200 preset ptz] SUCCEED_SET_NUM0"));
    m_sdk.SetResultOf("PTZPreset", 0);
    Run(settings, [&] { settings.ThermalPreset({Key(0), Key(1), Key(2)}, kThermalSavePreset); });
    // Two sessions sent it; the third row has no login.
    EXPECT_EQ(m_prompt.Questions().back().text, QStringLiteral("[201 preset ptz] SUCCEED_SET_NUM2"));
    EXPECT_EQ(m_sdk.Calls("PTZPreset").back().command, kPtzSetPreset);
}

} // namespace
} // namespace zk::sdk::system

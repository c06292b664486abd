// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/SessionManager.h"

#include "base/FixedText.h"
#include "discovery/DeviceListModel.h"
#include "discovery/SearchController.h"
#include "sdk/AlarmRecord.h"
#include "support/FakeSdk.h"

#include "../discovery/ListLanguage.h"

#include <QCoreApplication>
#include <QSignalSpy>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

namespace zk::sdk {
namespace {

using base::CopyBounded;
using base::FieldText;
using discovery::DeviceRecord;
using discovery::ListColumn;
using ::testing::ElementsAre;

// Every status text is its own key, so a test sees which key a cell got.
std::map<std::string, std::string> KeyTexts() {
    std::map<std::string, std::string> texts;
    for (const char* key :
         {"MSGTIP1", "MSGTIP2", "MSGTIP3", "MSGTIP4", "MSGTIP5", "MSGTIP6", "MSGTIP7", "MSGTIP8", "MSGTIP9", "MSGTIP10",
          "MSGTIP34", "MSG_UPGRADE", "IDS_STR_ZH_CN_USERERROR", "STRING_STARTTALK_OK", "IDS_ALARM", "IDS_DISAPEAR",
          "IDS_VEHICLESHAPE_CAR", "ALARM_CODE_VIDEO_AI", "ALARM_CODE_MOTION_DETECT"}) {
        texts[key] = key;
    }
    return texts;
}

DeviceRecord Device(const std::string& serial, const char* ip) {
    DeviceRecord record = discovery::EmptyDeviceRecord();
    CopyBounded(record.SerialNumber, serial);
    CopyBounded(record.IpAddress, ip);
    CopyBounded(record.DeviceType, "NVS-IPCAM-T20_V2");
    CopyBounded(record.Username, "admin");
    CopyBounded(record.Password, "own-password");
    record.UserConfigPresent = 1;
    record.PtzPort = 34567;
    record.WebPort = 80;
    return record;
}

class SessionManagerTest : public ::testing::Test {
protected:
    SessionManagerTest() {
        m_manager.SetClock([] { return PcClock{"20250106 12:00:00", -480}; });
        EXPECT_EQ(m_manager.Start(), 0);
        m_sdk.ClearCalls();
    }

    // Lists a device as a refresh tick does; returns its row.
    int List(const DeviceRecord& record) {
        m_table.AddOrUpdate(record, "192.168.1.253");
        m_list.Merge();
        return m_list.FindRow(FieldText(record.SerialNumber));
    }
    // Runs what the callbacks posted to this (the window) thread, until every record is handled.
    void Deliver() {
        do {
            QCoreApplication::sendPostedEvents();
        } while (m_manager.PendingRecords() > 0);
    }
    // A device listed, logged in and online; returns its row.
    int Online(const DeviceRecord& record) {
        const int row = List(record);
        m_sdk.PushStatus(Row(row).LoginHandle, kEventLoggedIn);
        Deliver();
        m_sdk.ClearCalls();
        return row;
    }
    discovery::DeviceRow& Row(int row) { return *m_list.RowAt(row); }
    QString Status(int row) const { return m_list.CellText(row, ListColumn::State); }

    test::FakeSdk m_sdk;
    discovery::DeviceTable m_table;
    test::ListLanguage m_language{false, KeyTexts()};
    discovery::DeviceListModel m_list{m_table, m_language.Table(), discovery::DeviceListSettings{}};
    SessionManager m_manager{m_sdk, m_list, m_language.Table()};
};

TEST(SessionStartTest, RegistersWithTheLibraryInItsOrder) {
    test::FakeSdk sdk;
    discovery::DeviceTable table;
    test::ListLanguage language;
    discovery::DeviceListModel list(table, language.Table(), {});
    SessionManager manager(sdk, list, language.Table());
    ASSERT_EQ(manager.Start(), 0);
    EXPECT_THAT(sdk.CallNames(), ElementsAre("Init", "GetSDKVersion", "GetSDKBuildData", "SetStatusEventCallBack",
                                             "SetAUXResponseCallBack", "SetAutoReconnect"));
    EXPECT_EQ(sdk.Calls("SetAutoReconnect")[0].handle, 0);
    EXPECT_EQ(sdk.Calls("SetAutoReconnect")[0].enable, 1);

    test::FakeSdk broken;
    broken.SetInitResult(kErrorFailed);
    SessionManager failed(broken, list, language.Table());
    EXPECT_EQ(failed.Start(), kErrorFailed);
    EXPECT_THAT(broken.CallNames(), ElementsAre("Init")) << "no callbacks on a library that did not start";
}

TEST_F(SessionManagerTest, ANewRowLogsInWithItsOwnAccountOnItsCommandPort) {
    DeviceRecord record = Device("SN1", "192.168.1.10");
    record.PtzPort = 0x10000 + 34567; // only the low 16 bits are a port
    const int row = List(record);
    const auto logins = m_sdk.Calls("Login");
    ASSERT_EQ(logins.size(), 1u);
    EXPECT_EQ(logins[0].ip, "192.168.1.10");
    EXPECT_EQ(logins[0].port, 34567);
    EXPECT_EQ(logins[0].user, "admin");
    EXPECT_EQ(logins[0].password, "own-password");
    EXPECT_EQ(Row(row).LoginHandle, logins[0].result);
    const auto reconnect = m_sdk.Calls("SetAutoReconnect");
    ASSERT_EQ(reconnect.size(), 1u);
    EXPECT_EQ(reconnect[0].handle, logins[0].result);
    EXPECT_EQ(reconnect[0].enable, 1);
}

TEST_F(SessionManagerTest, ASpecialModelWithoutAccountKeepsItsFixedAccountButLogsInWithTheDefaultUser) {
    m_manager.SetDefaultAccount("installer", "site-pw");
    DeviceRecord record = Device("SN1", "192.168.1.10");
    CopyBounded(record.DeviceType, "NVS-IPCAM-QPLX-T35M_V1");
    record.UserConfigPresent = 0;
    const int row = List(record);
    EXPECT_EQ(FieldText(Row(row).Record.Password), "qvt*4071") << "the table gives the model its fixed account";
    const auto logins = m_sdk.Calls("Login");
    ASSERT_EQ(logins.size(), 1u);
    EXPECT_EQ(logins[0].user, "installer");
    EXPECT_EQ(logins[0].password, "site-pw");
}

TEST_F(SessionManagerTest, ChangingTheDefaultUserLogsNobodyInAgain) {
    DeviceRecord record = Device("SN1", "192.168.1.10");
    record.UserConfigPresent = 0;
    Online(record);
    m_manager.SetDefaultAccount("other", "secret");
    Deliver();
    EXPECT_TRUE(m_sdk.Calls().empty());
    List(Device("SN2", "192.168.1.11"));
    DeviceRecord third = Device("SN3", "192.168.1.12");
    third.UserConfigPresent = 0;
    List(third);
    const auto logins = m_sdk.Calls("Login");
    ASSERT_EQ(logins.size(), 2u) << "only the newly listed devices";
    EXPECT_EQ(logins[0].user, "admin");
    EXPECT_EQ(logins[1].user, "other");
}

TEST_F(SessionManagerTest, ARefusedLoginIsShownAndItsResultKeptAsTheHandle) {
    m_sdk.QueueLoginResult(kErrorBadArgument);
    const int row = List(Device("SN1", "192.168.1.10"));
    EXPECT_EQ(Row(row).LoginHandle, kErrorBadArgument);
    EXPECT_EQ(Status(row), u"ZK_NETSDK_IPC_Login FAILED");
    EXPECT_TRUE(m_sdk.Calls("SetAutoReconnect").empty());
}

TEST_F(SessionManagerTest, PrintModeListsWithoutLoginUntilTheDeviceMoves) {
    m_manager.SetPrintMode(true);
    DeviceRecord record = Device("SN1", "192.168.1.10");
    const int row = List(record);
    EXPECT_EQ(Row(row).LoginHandle, 0);
    EXPECT_TRUE(m_sdk.Calls("Login").empty());
    CopyBounded(record.IpAddress, "192.168.1.99");
    List(record);
    const auto logins = m_sdk.Calls("Login");
    ASSERT_EQ(logins.size(), 1u);
    EXPECT_EQ(logins[0].ip, "192.168.1.99");
    EXPECT_GT(Row(row).LoginHandle, 0);
}

TEST_F(SessionManagerTest, AnAddressChangeEndsTheOldSessionAndOpensOneAtTheNewAddress) {
    DeviceRecord record = Device("SN1", "192.168.1.10");
    const int row = Online(record);
    const int old = Row(row).LoginHandle;
    CopyBounded(record.IpAddress, "192.168.1.99");
    List(record);
    EXPECT_THAT(m_sdk.CallNames(), ElementsAre("Logout", "Login", "SetAutoReconnect"));
    EXPECT_EQ(m_sdk.Calls("Logout")[0].handle, old);
    EXPECT_EQ(m_sdk.Calls("Login")[0].ip, "192.168.1.99");
    EXPECT_EQ(Row(row).Online, 0);
    m_sdk.PushStatus(old, kEventLoggedIn);
    Deliver();
    EXPECT_EQ(Row(row).Online, 0) << "the old session's events match no row";
    m_sdk.PushStatus(Row(row).LoginHandle, kEventLoggedIn);
    Deliver();
    EXPECT_EQ(Row(row).Online, 1);
}

TEST_F(SessionManagerTest, TheLoginCommandRenewsTheSessionOfItsRow) {
    const int row = Online(Device("SN1", "192.168.1.10"));
    const int old = Row(row).LoginHandle;
    m_manager.LoginCommand(row);
    EXPECT_THAT(m_sdk.CallNames(), ElementsAre("Logout", "Login", "SetAutoReconnect"));
    EXPECT_NE(Row(row).LoginHandle, old);
    m_manager.LoginCommand(-1);
    EXPECT_EQ(m_sdk.Calls().size(), 3u);
}

TEST_F(SessionManagerTest, OnlineSetsTheClockThenAsksTheFourQueriesInOrder) {
    const int row = List(Device("SN1", "192.168.1.10"));
    const int handle = Row(row).LoginHandle;
    m_sdk.ClearCalls();
    QSignalSpy events(&m_manager, &SessionManager::sessionEvent);
    m_sdk.PushStatus(handle, kEventLoggedIn);
    EXPECT_EQ(Row(row).Online, 0) << "nothing happens on the library's thread";
    Deliver();
    EXPECT_EQ(Row(row).Online, 1);
    EXPECT_EQ(Status(row), u"MSGTIP1");
    const auto calls = m_sdk.Calls();
    ASSERT_EQ(calls.size(), 5u);
    EXPECT_EQ(calls[0].name, "SET_TimeManualConfig");
    EXPECT_STREQ(calls[0].time.LocalTime, "20250106 12:00:00");
    EXPECT_EQ(calls[0].time.Zone, 1200);
    const int codes[] = {1012, 1020, 1019, 1095};
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(calls[i + 1].name, "SystemControl");
        EXPECT_EQ(calls[i + 1].handle, handle);
        EXPECT_EQ(calls[i + 1].code, codes[i]);
        EXPECT_EQ(calls[i + 1].text, "RESPONSE_PARAM");
    }
    ASSERT_EQ(events.count(), 1) << "others follow once the row took the event";
    EXPECT_EQ(events[0][2].toInt(), kEventLoggedIn);
}

TEST(TimeZoneValueTest, HoursEastOfUtcPlusTwelveInMinutesWithHalfHoursTruncated) {
    EXPECT_EQ(TimeZoneValue(-480), 1200); // UTC+8
    EXPECT_EQ(TimeZoneValue(-330), 1020); // UTC+5:30
    EXPECT_EQ(TimeZoneValue(210), 540);   // UTC-3:30
    EXPECT_EQ(TimeZoneValue(0), 720);
}

TEST_F(SessionManagerTest, AVersionQueryThatCannotBeSentSaysSoInTheVersionColumn) {
    const int row = List(Device("SN1", "192.168.1.10"));
    m_sdk.SetRequestResult(kErrorFailed);
    m_sdk.PushStatus(Row(row).LoginHandle, kEventLoggedIn);
    Deliver();
    EXPECT_EQ(m_list.CellText(row, ListColumn::Version), u"MSGTIP34");
}

TEST_F(SessionManagerTest, InformationalAnswersFillTheRow) {
    const int row = Online(Device("SN1", "192.168.1.10"));
    const int handle = Row(row).LoginHandle;
    m_sdk.PushAnswer(handle, 1012, kResultOk, R"(<RESPONSE_PARAM FileSystemVersion="V5.3.2"/>)");
    m_sdk.PushAnswer(handle, 1095, kResultOk, R"(<RESPONSE_PARAM FileSystemVersion="AF_V1.2.0"/>)");
    m_sdk.PushAnswer(handle, 1020, kResultOk, "create_timelapse,export_record");
    m_sdk.PushAnswer(handle, 1019, kResultOk, R"(<RESPONSE_PARAM SerialNumber="OWN0001"/>)");
    Deliver();
    EXPECT_EQ(m_list.CellText(row, ListColumn::Version), u"V5.3.2");
    EXPECT_EQ(FieldText(Row(row).InfoText1012), "V5.3.2");
    EXPECT_EQ(FieldText(Row(row).InfoText1095), "AF_V1.2.0");
    EXPECT_EQ(FieldText(Row(row).InfoText1020), "create_timelapse,export_record");
    EXPECT_EQ(FieldText(Row(row).InfoText1019), "OWN0001");
    EXPECT_EQ(FieldText(Row(row).Record.SerialNumber), "SN1") << "only cleared serial numbers give way";
}

TEST_F(SessionManagerTest, AClearedSerialNumberGivesWayToTheDevicesOwnButNotToAnEmptyOrFailedAnswer) {
    const int row = Online(Device("BATCH_DEBUG1", "192.168.1.10"));
    const int handle = Row(row).LoginHandle;
    m_sdk.PushAnswer(handle, 1019, kResultNoAnswer);
    m_sdk.PushAnswer(handle, 1019, kResultOk, "<OTHER SerialNumber=\"X\"/>");
    Deliver();
    EXPECT_EQ(FieldText(Row(row).Record.SerialNumber), "BATCH_DEBUG1");
    m_sdk.PushAnswer(handle, 1019, kResultOk, R"(<RESPONSE_PARAM SerialNumber="zksim000001"/>)");
    Deliver();
    EXPECT_EQ(FieldText(Row(row).Record.SerialNumber), "zksim000001");
    EXPECT_EQ(m_list.CellText(row, ListColumn::Sn), u"ZKSIM000001");
    EXPECT_EQ(FieldText(Row(row).Key), "BATCH_DEBUG1") << "the row still matches its table entry";
}

TEST_F(SessionManagerTest, AVersionQueryLeftUnansweredKeepsTheKnownVersion) {
    const int row = Online(Device("SN1", "192.168.1.10"));
    const int handle = Row(row).LoginHandle;
    m_sdk.PushAnswer(handle, 1012, kResultOk, R"(<RESPONSE_PARAM FileSystemVersion="V5.3.2"/>)");
    m_sdk.PushAnswer(handle, 1012, kResultNoAnswer);
    m_sdk.PushAnswer(handle, 1020, kResultNoAnswer);
    Deliver();
    EXPECT_EQ(FieldText(Row(row).InfoText1012), "V5.3.2");
    EXPECT_EQ(m_list.CellText(row, ListColumn::Version), u"MSGTIP34");
}

TEST_F(SessionManagerTest, StatusEventsSetTextsAndFlags) {
    struct Case {
        int event;
        const char* text;
        std::uint8_t online;
        std::uint8_t upgrading;
    };
    // Before each event the row is online and upgrading.
    const Case cases[] = {
        {2, "MSGTIP10", 0, 0},
        {3, "MSGTIP4", 0, 0},
        {5, "MSGTIP3", 0, 0},
        {34, "MSGTIP2", 0, 0},
        {31, "IDS_STR_ZH_CN_USERERROR", 1, 0},
        {15, "MSGTIP7", 1, 0},
        {14, "MSG_UPGRADE", 1, 0},
        {6, "STRING_STARTTALK_OK", 1, 1},
        {99, "before", 1, 1},
    };
    const int row = Online(Device("SN1", "192.168.1.10"));
    const int handle = Row(row).LoginHandle;
    for (const Case& c : cases) {
        Row(row).Online = 1;
        Row(row).Upgrading = 1;
        m_list.SetCellText(row, ListColumn::State, QStringLiteral("before"));
        m_sdk.PushStatus(handle, c.event, "text");
        Deliver();
        EXPECT_EQ(Status(row), QLatin1StringView(c.text)) << "event " << c.event;
        EXPECT_EQ(Row(row).Online, c.online) << "event " << c.event;
        EXPECT_EQ(Row(row).Upgrading, c.upgrading) << "event " << c.event;
    }
    Row(row).Upgrading = 0;
    m_sdk.PushStatus(handle, 14);
    Deliver();
    EXPECT_EQ(Status(row), u"MSGTIP6") << "a transfer that was no upgrade";
    EXPECT_TRUE(m_sdk.Calls().empty()) << "only event 4 runs the connect sequence";
}

TEST_F(SessionManagerTest, AnEventForAHandleOfNoRowChangesNothing) {
    const int row = List(Device("SN1", "192.168.1.10"));
    m_sdk.ClearCalls();
    QSignalSpy events(&m_manager, &SessionManager::sessionEvent);
    QSignalSpy answers(&m_manager, &SessionManager::answerReceived);
    m_sdk.PushStatus(Row(row).LoginHandle + 100, kEventLoggedIn);
    m_sdk.PushAnswer(Row(row).LoginHandle + 100, 1012, kResultOk, R"(<RESPONSE_PARAM FileSystemVersion="X"/>)");
    Deliver();
    EXPECT_EQ(Row(row).Online, 0);
    EXPECT_EQ(Status(row), u"");
    EXPECT_EQ(m_list.CellText(row, ListColumn::Version), u"");
    EXPECT_TRUE(m_sdk.Calls().empty());
    EXPECT_EQ(events.count() + answers.count(), 0);
}

TEST_F(SessionManagerTest, AlarmsShowTheirCodesText) {
    const int row = Online(Device("SN1", "192.168.1.10"));
    const int handle = Row(row).LoginHandle;
    auto alarm = [&](int code, int objectClass) {
        AlarmRecord record{};
        record.AlarmCode = code;
        record.ObjectClass = objectClass;
        std::string bytes(sizeof(record), '\0');
        std::memcpy(bytes.data(), &record, sizeof(record));
        m_sdk.PushStatus(handle, kEventAlarm, bytes);
        Deliver();
        return Status(row);
    };
    EXPECT_EQ(alarm(14, 0), u"ALARM_CODE_MOTION_DETECT");
    EXPECT_EQ(alarm(21, 2), u"IDS_VEHICLESHAPE_CARIDS_ALARM");
    EXPECT_EQ(alarm(22, 11), u"ALARM_CODE_VIDEO_AIIDS_DISAPEAR");
    EXPECT_EQ(alarm(1000, 0), u"IDS_ALARM");
    m_sdk.PushStatus(handle, kEventAlarm, "short");
    Deliver();
    EXPECT_EQ(Status(row), u"IDS_ALARM") << "a payload that is no whole alarm record changes nothing";
}

TEST_F(SessionManagerTest, ASearchStartEndsEverySession) {
    const int first = Online(Device("SN1", "192.168.1.10"));
    const int handle = Row(first).LoginHandle;
    discovery::DeviceTable table;
    discovery::SearchEngine engine(table);
    discovery::SearchController search(table, engine, {});
    m_manager.FollowSearch(search);
    emit search.logoutAllRequested();
    EXPECT_THAT(m_sdk.CallNames(), ElementsAre("LogoutAll"));
    EXPECT_EQ(Row(first).LoginHandle, 0);
    EXPECT_EQ(Row(first).Online, 0);
    m_sdk.PushStatus(handle, kEventConnectionLost);
    Deliver();
    EXPECT_EQ(Status(first), u"MSGTIP1") << "a closed session's late event matches no row";
}

TEST_F(SessionManagerTest, TheWebPageIsTheRowsAddressAndWebPort) {
    QStringList opened;
    m_manager.SetUrlOpener([&opened](const QString& url) {
        opened << url;
        return true;
    });
    DeviceRecord record = Device("SN1", "192.168.1.10");
    record.WebPort = 8080;
    const int row = List(record);
    DeviceRecord odd = Device("SN2", "192.168.1.11/evil");
    const int oddRow = List(odd);
    m_manager.OpenWebPage(row);
    m_manager.OpenWebPage(-1);
    m_manager.OpenWebPage(oddRow);
    EXPECT_EQ(opened, QStringList{QStringLiteral("http://192.168.1.10:8080")});
}

TEST(SessionRelayTest, EventsAfterTheManagerIsGoneAreDropped) {
    test::FakeSdk sdk;
    discovery::DeviceTable table;
    test::ListLanguage language;
    discovery::DeviceListModel list(table, language.Table(), {});
    auto manager = std::make_unique<SessionManager>(sdk, list, language.Table());
    ASSERT_EQ(manager->Start(), 0);
    table.AddOrUpdate(Device("SN1", "192.168.1.10"), "192.168.1.253");
    list.Merge();
    const int handle = list.RowAt(0)->LoginHandle;
    sdk.PushStatus(handle, kEventLoggedIn);
    manager.reset(); // its posted event goes with it
    sdk.PushStatus(handle, kEventLoggedIn);
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(list.RowAt(0)->Online, 0);
}

} // namespace
} // namespace zk::sdk

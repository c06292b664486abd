// SPDX-License-Identifier: GPL-3.0-or-later
// The title, platform and time batches: their requests byte for byte, the rules that make each
// device's title and user name, the checks of their dialogs, the shipped time-zone list, and the
// commands over FakeSdk sessions with the settings file they store.
#include "sdk/system/ParameterCommands.h"
#include "sdk/system/TimeZoneList.h"

#include "base/FixedText.h"
#include "base/TitleCodec.h"
#include "discovery/DeviceListModel.h"
#include "platform/FileIo.h"
#include "platform/SpecialFolders.h"
#include "platform/TextCodec.h"
#include "sdk/SessionManager.h"
#include "sdk/batch/BatchRunner.h"
#include "support/FakeSdk.h"
#include "support/FuzzDriver.h"
#include "support/ScriptedPrompt.h"
#include "support/TempFolder.h"

#include "../discovery/ListLanguage.h"

#include <QCoreApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace zk::sdk::system {
namespace {

using base::CopyBounded;
using base::FieldText;

// Catches: a lost tab or blank of the layout devices parse by position, attributes out of order,
// a value left unescaped, and the time format read past its field.
TEST(TitleRequestsTest, TheOverlayRequestKeepsItsTabsAndEscapesEveryValue) {
    base::OverlayParam overlay;
    overlay.Enable = 1;
    overlay.Transparency = 2;
    overlay.Style = 5;
    overlay.Fontsize = 32;
    overlay.Week = 0;
    overlay.TimeOverlay.PosX = 1;
    overlay.TimeOverlay.PosY = 0;
    overlay.TitleOverlay.PosX = 2;
    overlay.TitleOverlay.PosY = 2;
    const std::string t7(7, '\t');
    EXPECT_EQ(OverlayRequest(overlay, "e997a8"),
              "<Overlay\tEnable=\"1\" Transparency=\"2\" Style=\"5\" Fontsize=\"32\" Week=\"0\" > " + t7 +
                  "<TimeOverlay PosX=\"1\" PosY=\"0\"\tFormat=\"yyyy-mm-dd hh:mm:ss\" /> " + t7 +
                  "<TitleOverlay PosX=\"2\" PosY=\"2\"\tTitleUtf8=\"e997a8\"/> </Overlay>");
    // A hand-edited settings file may put anything into the format and the stored title.
    CopyBounded(overlay.TimeOverlay.Format, "a\"<b>&'");
    const std::string request = OverlayRequest(overlay, "4\"1");
    EXPECT_NE(request.find("\tFormat=\"a&quot;&lt;b&gt;&amp;&apos;\" /> "), std::string::npos) << request;
    EXPECT_NE(request.find("\tTitleUtf8=\"4&quot;1\"/> </Overlay>"), std::string::npos) << request;
}

// Catches: the model prefix kept, pieces joined in another order or with a leading "^", the extra
// text sent in code page 936 instead of UTF-8, and a lone digit of a hand-edited title pairing
// with the extra text into a byte nobody typed.
TEST(TitleRequestsTest, EachDeviceAddsItsOwnPiecesAsUtf8HexAfterTheStoredTitle) {
    const TitleExtras all{true, true, true};
    EXPECT_EQ(TitleExtraText("NVS-IPCAM-T20_V2", "192.168.1.10", "ZK01", all), "[T20_V2]^192.168.1.10^[ZK01]");
    EXPECT_EQ(TitleExtraText("NVS-NVR-N16_V3", "10.0.0.1", "ZK02", {true, false, false}), "[NVS-NVR-N16_V3]");
    EXPECT_EQ(TitleExtraText("NVS-IPCAM-T20", "10.0.0.1", "ZK03", {false, false, true}), "[ZK03]");
    EXPECT_EQ(TitleExtraText("NVS-IPCAM-T20", "10.0.0.1", "ZK03", {false, true, true}), "10.0.0.1^[ZK03]");
    EXPECT_EQ(TitleExtraText("NVS-IPCAM-T20", "10.0.0.1", "ZK03", {}), "");

    // "门口" in code page 936 (c3c5 bfda) goes out as its UTF-8 bytes.
    const std::string door = platform::WideToAnsi(QString::fromUtf8("门口"));
    ASSERT_EQ(door, "\xC3\xC5\xBF\xDA");
    EXPECT_EQ(TitleHexFor("43616d657261", "^" + door), "43616d6572615ee997a8e58fa3");
    // An odd stored title is used up to its last whole byte.
    EXPECT_EQ(TitleHexFor("43616d65726", "^1"), "43616d65725e31");
    EXPECT_EQ(TitleHexFor("4", "A"), "41");
    EXPECT_EQ(TitleHexFor("", ""), "");

    // Positions: 0 top left, 1 top right, 2 bottom left, 3 bottom right, 5 centre; 4 keeps.
    const std::pair<int, std::pair<int, int>> positions[] = {{0, {0, 0}}, {1, {1, 0}}, {2, {0, 1}}, {3, {1, 1}},
                                                             {4, {7, 9}}, {5, {2, 2}}, {6, {7, 9}}, {-1, {7, 9}}};
    for (const auto& [choice, expected] : positions) {
        std::int32_t x = 7;
        std::int32_t y = 9;
        ApplyPositionChoice(choice, x, y);
        EXPECT_EQ(std::make_pair(int(x), int(y)), expected) << choice;
    }
    EXPECT_EQ(PositionChoiceOf(1, 0), 1);
    EXPECT_EQ(PositionChoiceOf(2, 2), 5);
    EXPECT_EQ(PositionChoiceOf(1, 2), kPositionUnchanged);

    // The block keeps 99 UTF-8 bytes: 33 Chinese characters, not 34.
    EXPECT_EQ(TitleProblem(QString(99, u'a')), nullptr);
    EXPECT_STREQ(TitleProblem(QString(100, u'a')), "MSG_TITLE_TOO_LONG");
    EXPECT_EQ(TitleProblem(QString(33, QChar(0x95E8))), nullptr);
    EXPECT_STREQ(TitleProblem(QString(34, QChar(0x95E8))), "MSG_TITLE_TOO_LONG");
}

// Catches: the CR LF or the tab and blanks around the element lost, values unescaped, the
// password check skipped (a fleet locked with a password nobody typed), and a port of 0 or an
// enabled platform without a server reaching the devices.
TEST(PlatformRequestsTest, TheRequestEndsWithCrLfAndOnlyUsableChoicesPass) {
    PlatformChoice choice;
    choice.server = QStringLiteral("a\"b<c");
    choice.password = QStringLiteral("p&w");
    choice.playTone = true;
    EXPECT_EQ(PlatformRequest(choice, "7,cam"),
              "<PlatformConfig>\t <NimbexConfig Enable=\"1\" Server=\"a&quot;b&lt;c\" Port=\"10001\" "
              "Username=\"7,cam\" Password=\"p&amp;w\" PlayTone=\"1\"/> </PlatformConfig>\r\n");
    choice.enable = false;
    choice.playTone = false;
    choice.port = 80;
    EXPECT_EQ(PlatformRequest(choice, "u\"1"),
              "<PlatformConfig>\t <NimbexConfig Enable=\"0\" Server=\"a&quot;b&lt;c\" Port=\"80\" "
              "Username=\"u&quot;1\" Password=\"p&amp;w\" PlayTone=\"0\"/> </PlatformConfig>\r\n");

    PlatformChoice check;
    EXPECT_STREQ(PlatformProblem(check), "MSGTIP47");
    check.enable = false;
    EXPECT_EQ(PlatformProblem(check), nullptr); // switching the platform off needs no server
    check.enable = true;
    check.server = QStringLiteral("192.168.1.5");
    EXPECT_EQ(PlatformProblem(check), nullptr);
    for (const int port : {0, -1, 65536}) {
        check.port = port;
        EXPECT_STREQ(PlatformProblem(check), "MSGTIP48") << port;
    }
    check.port = 65535;
    check.password = QString::fromUtf8("pw\xF0\x9F\x98\x80");
    EXPECT_STREQ(PlatformProblem(check), "MSG_PASSWORD_CODEPAGE");
    check.password = QString(64, u'x');
    EXPECT_STREQ(PlatformProblem(check), "MSG_PASSWORD_TOO_LONG");
}

// Catches: the comma's tail lost or counted, a name without a number failing instead of counting
// from 0, and 32-bit arithmetic wrapping long account numbers.
TEST(PlatformRequestsTest, IncreasedUserNamesCountFromTheNumberBeforeTheFirstComma) {
    EXPECT_EQ(IncreasedUserName("7,cam", 0), "7,cam");
    EXPECT_EQ(IncreasedUserName("7,cam", 1), "8,cam");
    EXPECT_EQ(IncreasedUserName("7,cam", 19), "26,cam");
    EXPECT_EQ(IncreasedUserName("7,a,b", 1), "8,a,b");
    EXPECT_EQ(IncreasedUserName("cam,7", 3), "3,7");
    EXPECT_EQ(IncreasedUserName(",x", 2), "2,x");
    EXPECT_EQ(IncreasedUserName("12", 5), "17");
    EXPECT_EQ(IncreasedUserName("abc", 2), "2");
    EXPECT_EQ(IncreasedUserName("", 0), "0");
    EXPECT_EQ(IncreasedUserName(" 12abc,x", 1), "13,x");
    EXPECT_EQ(IncreasedUserName("-5,a", 2), "-3,a");
    EXPECT_EQ(IncreasedUserName("2147483647", 1), "2147483648");
    EXPECT_EQ(IncreasedUserName("13800138000,site", 2), "13800138002,site");
    EXPECT_EQ(IncreasedUserName("9223372036854775806", 5), "9223372036854775807");
    EXPECT_EQ(IncreasedUserName("99999999999999999999999", 1), "9223372036854775807");
    EXPECT_EQ(IncreasedUserName("-99999999999999999999999", 0), "-9223372036854775808");
}

// Catches: the document's layout or line ends changing, the summer time's rules missing or out of
// order, and a server text reaching the device unescaped.
TEST(TimeRequestsTest, TheTimeDocumentIsByteExact) {
    TimeChoice choice;
    choice.mode = "NTP";
    choice.zone = 1050;
    choice.ntpServer = "192.168.1.1";
    choice.summer = {true, false, 60, {3, 5, 0, 2}, {10, 5, 0, 3}};
    EXPECT_EQ(TimeRequest(choice),
              "<TimeConfig TimeMode=\"NTP\" TimeZone=\"1050\">\n"
              "\t<NTPConfig ServerIP=\"192.168.1.1\" ServerPort=\"123\" RefreshInterval=\"60\" />\n"
              "\t<SummerTime enable=\"1\" auto=\"0\" offset=\"60\">\n"
              "\t\t<start month=\"3\" week=\"5\" weekday=\"0\" hour=\"2\" />\n"
              "\t\t<end month=\"10\" week=\"5\" weekday=\"0\" hour=\"3\" />\n"
              "\t</SummerTime>\n"
              "</TimeConfig>\n");
    choice.ntpServer = "a&\"b";
    EXPECT_NE(TimeRequest(choice).find("ServerIP=\"a&amp;&quot;b\""), std::string::npos);

    // The stored block and the choice carry the same values both ways.
    base::TimeConfigParam block;
    CopyBounded(block.TimeMode, "ntp");
    block.TimeZone = 540;
    CopyBounded(block.NTPConfig.ServerIP, "10.1.1.1");
    block.NTPConfig.ServerPort = 1123;
    block.NTPConfig.RefreshInterval = 30;
    const TimeChoice opened = TimeChoiceFrom(block, choice.summer);
    EXPECT_EQ(opened.mode, "NTP");
    EXPECT_EQ(opened.summer, choice.summer);
    base::TimeConfigParam expected = block;
    CopyBounded(expected.TimeMode, "NTP");
    EXPECT_EQ(TimeConfigOf(opened), expected);
    EXPECT_STREQ(TimeModeName(kTimeModeNtp), "NTP");
    EXPECT_STREQ(TimeModeName(kTimeModeP2p), "P2P");
    EXPECT_STREQ(TimeModeName(kTimeModeManual), "MANUAL");
    EXPECT_STREQ(TimeModeName(9), "MANUAL");
    EXPECT_EQ(TimeModeChoice("p2p"), kTimeModeP2p);
    EXPECT_EQ(TimeModeChoice("other"), kTimeModeManual);
}

// Catches: a netmask or a name accepted as the NTP server, the default server name refused when
// the devices do not use NTP, and ports or intervals the devices cannot use passing.
TEST(TimeRequestsTest, TheNtpServerIsAnAddressButNoNetmask) {
    TimeChoice choice;
    choice.mode = "NTP";
    for (const char* mask : {"255.255.255.0", "255.0.0.0", "255.255.0.0"}) {
        choice.ntpServer = mask;
        EXPECT_STREQ(TimeProblem(choice), "IDS_STR_ZH_CN_MSG_TIPS127") << mask;
    }
    for (const char* none : {"pool.ntp.org", "", "0.0.0.0", "255.255.255.255", "192.168.1", "192.168.1.256"}) {
        choice.ntpServer = none;
        EXPECT_STREQ(TimeProblem(choice), "IDS_STR_ZH_CN_MSG_TIPS126") << none;
    }
    choice.ntpServer = "192.168.1.1";
    EXPECT_EQ(TimeProblem(choice), nullptr);
    for (const auto& [port, interval] : {std::pair{0, 60}, {65536, 60}, {123, 0}, {123, 65536}}) {
        choice.ntpPort = port;
        choice.ntpIntervalMinutes = interval;
        EXPECT_STREQ(TimeProblem(choice), "IDS_STR_ZH_CN_MSG_TIPS128") << port << ' ' << interval;
    }
    choice.ntpPort = 123;
    choice.ntpIntervalMinutes = 60;
    choice.mode = "MANUAL";
    choice.ntpServer = "pool.ntp.org";
    EXPECT_EQ(TimeProblem(choice), nullptr);

    // Zone names and rules as the time-zone file writes them.
    EXPECT_EQ(ZoneOfName("GMT+05:30"), 1050);
    EXPECT_EQ(ZoneOfName("GMT-03:00(Brasilia)"), 540);
    EXPECT_EQ(ZoneOfName("GMT-12"), 0);
    EXPECT_EQ(ZoneOfName("GMT+14:00"), 1560);
    for (const char* bad : {"GMT+14:01", "GMT+5:30", "GMT*05", "UTC+01", "GMT+05:60", "GMT+05:3", "GMT+05:30x", ""}) {
        EXPECT_EQ(ZoneOfName(bad), std::nullopt) << bad;
    }
    EXPECT_EQ(ZoneName(1050), "GMT+05:30");
    EXPECT_EQ(ZoneName(540), "GMT-03:00");
    EXPECT_EQ(ParseSummerTimeRule("M10.5.0/3"), (SummerTimeRule{10, 5, 0, 3}));
    EXPECT_EQ(ParseSummerTimeRule("M3.2.0"), (SummerTimeRule{3, 2, 0, 2}));
    for (const char* bad : {"M3.4.4/26", "M3.5.0/-1", "M13.1.0", "M3.6.0", "M3.1.7", "M3.1", "3.1.0", "M3.1.0/2:30"}) {
        EXPECT_EQ(ParseSummerTimeRule(bad), std::nullopt) << bad;
    }
    EXPECT_EQ(SummerTimeRuleText({4, 1, 0, 3}), "M4.1.0/3");
}

// Catches: the shipped list missing from the program folder, a zone's value computed with the
// wrong sign or without its minutes, summer rules dropped or swapped, and a damaged file crashing
// the dialog or producing zones outside 0..1560.
TEST(TimeZoneListTest, TheShippedListGivesZonesAndRulesAndDamageGivesNoHarm) {
    const auto items = LoadShippedTimeZoneList();
    ASSERT_GE(items.size(), 80u);
    for (const TimeZoneItem& item : items) {
        EXPECT_EQ(ZoneOfName(item.name.toStdString()), item.zone) << item.name.toStdString();
        EXPECT_EQ(item.start.has_value(), item.end.has_value()) << item.name.toStdString();
    }
    EXPECT_EQ(items.front().zone, 0);
    EXPECT_EQ(items.back().zone, 1560);
    ASSERT_NE(FindZoneByName(items, QStringLiteral("GMT+05:30")), nullptr);
    EXPECT_EQ(FindZoneByName(items, QStringLiteral("GMT+05:30"))->zone, 1050);
    EXPECT_FALSE(FindZoneByName(items, QStringLiteral("GMT+05:30"))->start.has_value());
    ASSERT_NE(FindZone(items, 540), nullptr);
    EXPECT_TRUE(FindZone(items, 540)->name.startsWith(u"GMT-03:00("));
    EXPECT_EQ(FindZoneByName(items, QStringLiteral("GMT-03:30"))->zone, 510);
    const TimeZoneItem* berlin = FindZoneByName(items, QStringLiteral("GMT+01:00"));
    ASSERT_TRUE(berlin != nullptr && berlin->start && berlin->end);
    EXPECT_TRUE(berlin->name.contains(u"Berlin"));
    EXPECT_EQ(*berlin->start, (SummerTimeRule{3, 5, 0, 2}));
    EXPECT_EQ(*berlin->end, (SummerTimeRule{10, 5, 0, 3}));
    const TimeZoneItem* sydney = FindZoneByName(items, QStringLiteral("GMT+10:00(Canberra, Melbourne, Sydney)"));
    ASSERT_TRUE(sydney != nullptr && sydney->start);
    EXPECT_EQ(*sydney->start, (SummerTimeRule{10, 1, 0, 2}));
    EXPECT_EQ(*sydney->end, (SummerTimeRule{4, 1, 0, 3}));

    EXPECT_TRUE(LoadTimeZoneList("/nonexistent/kfm_tz.xml").empty());
    EXPECT_TRUE(ReadTimeZoneList("").empty());
    EXPECT_TRUE(ReadTimeZoneList("<timezone><item name=\"GMT+01:00\"").empty());
    EXPECT_TRUE(ReadTimeZoneList(std::string("\0\xff<item name=\"GMT+01\"/>", 22)).empty());
    // One bad rule leaves its item without summer time, not without its zone.
    const auto one = ReadTimeZoneList("<t><item name=\"GMT+02:00(x)\" value=\"IST-2IDT,M3.4.4/26,M10.5.0\"/>"
                                      "<item name=\"GMT+25:00\" value=\"\"/><item value=\",M3.5.0,M10.5.0\"/></t>");
    ASSERT_EQ(one.size(), 1u);
    EXPECT_EQ(one[0].zone, 840);
    EXPECT_FALSE(one[0].start || one[0].end);

    const auto shipped = platform::ReadWholeFile(platform::FindProgramFile(kTimeZoneFileName));
    ASSERT_TRUE(shipped.has_value());
    test::RunMutations({*shipped, "<t><item name=\"GMT-09:30(a)\" value=\"x,M1.1.1/1,M12.5.6/23\"/></t>"}, 100000, 11,
                       [](std::string_view input) {
                           for (const TimeZoneItem& item : ReadTimeZoneList(input)) {
                               ASSERT_GE(item.zone, kZoneMin);
                               ASSERT_LE(item.zone, kZoneMax);
                               ASSERT_EQ(item.start.has_value(), item.end.has_value());
                               ASSERT_TRUE(!item.start ||
                                           (ValidSummerTimeRule(*item.start) && ValidSummerTimeRule(*item.end)));
                           }
                       });
}

std::map<std::string, std::string> KeyTexts() {
    std::map<std::string, std::string> texts;
    for (const char* key : {"SET_OK", "SET_FAILED", "MSGTIP13", "MSGTIP39", "MSGTIP40", "MSGTIP43", "MSGTIP47",
                            "SET_TIMECONFIG_FAILED", "IDS_STR_ZH_CN_MSG_TIPS127"}) {
        texts[key] = key;
    }
    return texts;
}

class ParameterCommandsTest : public ::testing::Test {
protected:
    ParameterCommandsTest() { EXPECT_EQ(m_sessions.Start(), 0); }

    // Lists devices SN0.. at 10.0.0.10.. ; the first `online` come online.
    void ListDevices(int count, int online) {
        for (int i = 0; i < count; ++i) {
            discovery::DeviceRecord record = discovery::EmptyDeviceRecord();
            CopyBounded(record.SerialNumber, "SN" + std::to_string(i));
            CopyBounded(record.IpAddress, "10.0.0." + std::to_string(10 + i));
            CopyBounded(record.DeviceType, "NVS-IPCAM-T20_V2");
            record.PtzPort = 34567;
            m_table.AddOrUpdate(record, "10.0.0.2");
        }
        m_list.Merge();
        for (int row = 0; row < online; ++row) {
            m_sdk.PushStatus(m_list.RowAt(row)->LoginHandle, kEventLoggedIn);
        }
        Deliver();
        m_sdk.ClearCalls();
    }
    void Deliver() {
        do {
            QCoreApplication::sendPostedEvents();
        } while (m_sessions.PendingRecords() > 0 || m_runner.Running());
    }
    void Run(const std::function<void()>& command) {
        QSignalSpy finished(&m_commands, &ParameterCommands::commandFinished);
        command();
        EXPECT_TRUE(finished.count() == 1 || finished.wait(5000));
        Deliver();
    }
    std::string Key(int row) const { return std::string(FieldText(m_list.RowAt(row)->Key)); }
    std::vector<std::string> Keys(int count) const {
        std::vector<std::string> keys;
        for (int row = 0; row < count; ++row) {
            keys.push_back(Key(row));
        }
        return keys;
    }
    QString Status(int row) const { return m_list.CellText(row, discovery::ListColumn::State); }

    test::TempFolder m_folder;
    base::CSaveParam m_settings{QString::fromStdString(m_folder.Path())};
    test::FakeSdk m_sdk;
    discovery::DeviceTable m_table;
    test::ListLanguage m_language{false, KeyTexts()};
    discovery::DeviceListModel m_list{m_table, m_language.Table(), discovery::DeviceListSettings{}};
    SessionManager m_sessions{m_sdk, m_list, m_language.Table()};
    test::ScriptedPrompt m_prompt;
    batch::BatchRunner m_runner{m_list, m_sessions, m_sdk, m_language.Table(), m_prompt};
    ParameterHooks m_hooks;
    ParameterCommands m_commands{
        m_list,
        m_runner,
        m_settings,
        {
            [this](base::OverlayParam& overlay, TitleExtras& extras) { return m_hooks.editTitle(overlay, extras); },
            [this](PlatformChoice& choice) { return m_hooks.editPlatform(choice); },
            [this](TimeChoice& choice) { return m_hooks.editTime(choice); },
        }};
};

// Catches: every device getting the same title (or the first device's), the extras built from
// another row, an offline row sent to, and the block not stored in the settings file.
TEST_F(ParameterCommandsTest, TheTitleBatchGivesEachDeviceItsOwnTitleAndStoresTheBlock) {
    ListDevices(3, 2);
    m_hooks.editTitle = [](base::OverlayParam& overlay, TitleExtras& extras) {
        EXPECT_EQ(FieldText(overlay.TitleOverlay.TitleUtf8), "43616d657261"); // the stored block opens
        base::SetOverlayTitle(overlay.TitleOverlay, QString::fromUtf8("门"));
        overlay.Style = 6;
        extras = {false, true, true};
        return true;
    };
    Run([&] { m_commands.SetTitle(Keys(3)); });
    const auto calls = m_sdk.Calls("SetDVRConfig");
    ASSERT_EQ(calls.size(), 2u);
    for (int row : {0, 1}) {
        EXPECT_EQ(calls[row].handle, m_list.RowAt(row)->LoginHandle);
        EXPECT_EQ(calls[row].code, kSetOverlay);
        // The added text follows the title directly; only its own pieces are joined by "^".
        const std::string extra = "10.0.0." + std::to_string(10 + row) + "^[SN" + std::to_string(row) + "]";
        base::OverlayParam expected = m_settings.Overlay();
        EXPECT_EQ(calls[row].text, OverlayRequest(expected, "e997a8" + base::EncodeTitleHexFromAnsi(extra)));
    }
    EXPECT_EQ(m_commands.LastTitleExtras(), (TitleExtras{false, true, true}));
    const base::CSaveParam reloaded(QString::fromStdString(m_folder.Path()));
    EXPECT_EQ(reloaded.Overlay().Style, 6);
    EXPECT_EQ(FieldText(reloaded.Overlay().TitleOverlay.TitleUtf8), "e997a8");

    // Cancelled: nothing goes out and nothing is stored.
    m_sdk.ClearCalls();
    m_hooks.editTitle = [](base::OverlayParam& overlay, TitleExtras&) {
        overlay.Style = 1;
        return false;
    };
    Run([&] { m_commands.SetTitle(Keys(3)); });
    EXPECT_TRUE(m_sdk.Calls("SetDVRConfig").empty());
    EXPECT_EQ(m_settings.Overlay().Style, 6);
}

// Catches: user names numbered by the rows that were sent to (an offline row shifting every later
// name), a refused choice reaching devices, and the SDK's refusal not written with the platform's
// text.
TEST_F(ParameterCommandsTest, PlatformUserNamesFollowTheBatchOrderAndRefusedChoicesSendNothing) {
    ListDevices(4, 4);
    m_sdk.PushStatus(m_list.RowAt(1)->LoginHandle, kEventConnectionLost);
    Deliver();
    m_hooks.editPlatform = [](PlatformChoice& choice) {
        EXPECT_EQ(choice.port, kDefaultPlatformPort);
        choice.server = QStringLiteral("192.168.1.5");
        choice.user = QStringLiteral("7,cam");
        choice.increaseUser = true;
        return true;
    };
    // The batch order is not the list order.
    Run([&] { m_commands.SetPlatform({Key(3), Key(1), Key(0), Key(2)}); });
    auto calls = m_sdk.Calls("SetDVRConfig");
    ASSERT_EQ(calls.size(), 3u);
    const std::pair<int, const char*> expected[] = {{3, "7,cam"}, {0, "9,cam"}, {2, "10,cam"}};
    for (std::size_t i = 0; i < calls.size(); ++i) {
        EXPECT_EQ(calls[i].handle, m_list.RowAt(expected[i].first)->LoginHandle);
        EXPECT_EQ(calls[i].code, kSetPlatform);
        EXPECT_NE(calls[i].text.find(std::string("Username=\"") + expected[i].second + '"'), std::string::npos)
            << calls[i].text;
    }
    EXPECT_EQ(m_commands.LastPlatform().user, QStringLiteral("7,cam"));

    m_sdk.ClearCalls();
    m_sdk.SetResultOf("SetDVRConfig", kErrorFailed);
    m_hooks.editPlatform = [](PlatformChoice& choice) {
        choice.increaseUser = false;
        return true;
    };
    Run([&] { m_commands.SetPlatform({Key(0)}); });
    EXPECT_EQ(Status(0), QStringLiteral("MSGTIP43"));

    m_sdk.ClearCalls();
    m_hooks.editPlatform = [](PlatformChoice& choice) {
        choice.server.clear();
        return true;
    };
    Run([&] { m_commands.SetPlatform({Key(0)}); });
    EXPECT_TRUE(m_sdk.Calls("SetDVRConfig").empty());
    EXPECT_EQ(m_prompt.Questions().back().text, QStringLiteral("MSGTIP47"));
}

// Catches: the time block not stored before the batch, the summer time forgotten between dialogs,
// a netmask server sent, and the SDK's refusal not written with the time's text.
TEST_F(ParameterCommandsTest, TheTimeBatchStoresItsBlockAndRemembersTheSummerTime) {
    ListDevices(2, 2);
    m_sdk.SetResultOf("SetDVRConfig", kErrorFailed);
    TimeChoice sent;
    m_hooks.editTime = [&sent](TimeChoice& choice) {
        EXPECT_EQ(choice.mode, "MANUAL");
        EXPECT_EQ(choice.zone, 1200);
        choice.mode = "NTP";
        choice.zone = 1050;
        choice.ntpServer = "192.168.1.1";
        choice.summer.enable = true;
        choice.summer.start = {4, 1, 0, 3};
        sent = choice;
        return true;
    };
    Run([&] { m_commands.SetTime(Keys(2)); });
    const auto calls = m_sdk.Calls("SetDVRConfig");
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].code, kSetTime);
    EXPECT_EQ(calls[1].text, TimeRequest(sent));
    EXPECT_EQ(Status(0), QStringLiteral("SET_TIMECONFIG_FAILED"));
    const base::CSaveParam reloaded(QString::fromStdString(m_folder.Path()));
    EXPECT_EQ(reloaded.TimeConfig(), TimeConfigOf(sent));

    m_sdk.ClearCalls();
    m_hooks.editTime = [&sent](TimeChoice& choice) {
        EXPECT_EQ(choice.summer, sent.summer);
        EXPECT_EQ(choice.zone, 1050);
        choice.ntpServer = "255.255.0.0";
        return true;
    };
    Run([&] { m_commands.SetTime(Keys(2)); });
    EXPECT_TRUE(m_sdk.Calls("SetDVRConfig").empty());
    EXPECT_EQ(m_prompt.Questions().back().text, QStringLiteral("IDS_STR_ZH_CN_MSG_TIPS127"));
}

} // namespace
} // namespace zk::sdk::system

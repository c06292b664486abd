// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/system/ConfigSwitches.h"

#include "sdk/batch/BatchRunner.h"
#include "sdk/config/ConfigReads.h"
#include "sdk/system/NightDemo.h"

#include "LoggedInRows.h"

#include <gtest/gtest.h>

namespace zk::sdk::system {
namespace {

using discovery::ListColumn;

// A capture document as devices answer it, with attributes the tool does not know.
constexpr const char* kCapture =
    "<Video><Capture Brightness=\"50\" TVSystem=\"1\" IrcutMode=\"0\" WDRMode=\"2\" vendor_x=\"7\" /></Video>";
constexpr const char* kStreams = "<MediaStreamConfig><StreamAccess Auth=\"1\" VideoPort=\"554\" enable_hik=\"0\" "
                                 "enable_onvif=\"1\" enable_dh=\"1\" enable_tst=\"0\" /></MediaStreamConfig>";

class ConfigSwitchesTest : public ::testing::Test, protected test::LoggedInRows {
protected:
    ConfigSwitchesTest()
        : LoggedInRows(KeysAsTexts({"SET_OK", "SET_FAILED", "MSGTIP40", "MSGTIP13", "TEXT21", "MSG_BATCH_SET_TVSYSTEM",
                                    "MSG_SET_TVSYSTEM_OK", "MSG_SET_TVSYSTEM_FAILED", "MSG_SET_TVSYSTEM_NOTCHANGE",
                                    "MSG_SET_IRCUT_OK", "MSG_SET_IRCUT_FAILED"})) {}
    std::vector<test::FakeSdk::Call> Sets(int code) const {
        std::vector<test::FakeSdk::Call> sets;
        for (const auto& call : m_sdk.Calls("SetDVRConfig")) {
            if (call.code == code) {
                sets.push_back(call);
            }
        }
        return sets;
    }

    ConfigSwitches m_switches{m_runner};
    NightDemo m_night{m_list, m_runner, m_sdk};
};

// Catches: writing back a failed read or a document of another element (a device would get an
// empty or foreign capture), a set for an unchanged value, and an unknown attribute dropped on the
// way back.
TEST_F(ConfigSwitchesTest, OnlyAGoodReadIsModifiedAndSentBack) {
    m_prompt.AnswerYes();
    m_switches.TvSystem(Keys(), false);
    Deliver();
    ASSERT_EQ(m_sdk.Calls("GetDVRConfig").size(), 3u);

    Answer(0, config::kReadVideoCapture, 0, kCapture);
    Answer(1, config::kReadVideoCapture, -1, kCapture);
    Answer(2, config::kReadVideoCapture, 0, "<LANConfig ALLNET=\"1\" />");
    const auto sets = Sets(config::kSetVideoCapture);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].handle, Handle(0));
    EXPECT_NE(sets[0].text.find("TVSystem=\"0\""), std::string::npos) << sets[0].text;
    EXPECT_NE(sets[0].text.find("vendor_x=\"7\""), std::string::npos) << sets[0].text;
    EXPECT_NE(sets[0].text.find("WDRMode=\"2\""), std::string::npos) << sets[0].text;
    EXPECT_EQ(Status(1), u"MSG_SET_TVSYSTEM_FAILED");
    EXPECT_EQ(Status(2), u"MSG_SET_TVSYSTEM_FAILED");

    // The same value again: nothing to send.
    m_sdk.ClearCalls();
    m_prompt.AnswerYes();
    m_switches.TvSystem(Keys(), true);
    Deliver();
    Answer(0, config::kReadVideoCapture, 0, kCapture);
    EXPECT_TRUE(Sets(config::kSetVideoCapture).empty());
    EXPECT_EQ(Status(0), u"MSG_SET_TVSYSTEM_NOTCHANGE");
}

// Catches: two switches on one stream read sending two sets where the second undoes the first,
// "SET_OK" written when the set is only queued, and a refused 620 left unseen.
TEST_F(ConfigSwitchesTest, StreamSwitchesShareOneReadAndTheSetAnswerDecides) {
    m_switches.Stream(Keys(), StreamProtocol::Hik, true);
    m_switches.Stream(Keys(), StreamProtocol::Dh, false);
    Deliver();
    Answer(0, config::kReadMediaStream, 0, kStreams);
    Answer(1, config::kReadMediaStream, 0, kStreams);
    auto sets = Sets(config::kSetMediaStream);
    ASSERT_EQ(sets.size(), 2u) << "one set per row, carrying both changes";
    for (const auto& set : sets) {
        EXPECT_NE(set.text.find("enable_hik=\"1\""), std::string::npos) << set.text;
        EXPECT_NE(set.text.find("enable_dh=\"0\""), std::string::npos) << set.text;
        EXPECT_NE(set.text.find("VideoPort=\"554\""), std::string::npos) << set.text;
    }
    EXPECT_NE(Status(0), u"SET_OK") << "the set has only been queued";
    // The second read of each row finds its slots already used.
    Answer(0, config::kReadMediaStream, 0, kStreams);
    EXPECT_EQ(Sets(config::kSetMediaStream).size(), 2u);

    Answer(0, config::kSetMediaStream, 0);
    Answer(1, config::kSetMediaStream, -1);
    EXPECT_EQ(Status(0), u"SET_OK");
    EXPECT_EQ(Status(1), u"SET_FAILED");
}

// Catches: an answer arriving on a new session applying the request of the old one.
TEST_F(ConfigSwitchesTest, ARowsSlotsEndWithItsSession) {
    m_prompt.AnswerYes();
    m_switches.TvSystem(Keys(), false);
    Deliver();
    const int oldHandle = Handle(0);
    m_sessions.Relogin(0);
    Deliver();
    m_sdk.PushStatus(Handle(0), kEventLoggedIn);
    Deliver();
    ASSERT_NE(Handle(0), oldHandle);
    Answer(0, config::kReadVideoCapture, 0, kCapture);
    EXPECT_TRUE(Sets(config::kSetVideoCapture).empty());
}

// Catches: a demonstration that leaves its device in night mode, and one whose restore undoes a TV
// system change made while it ran.
TEST_F(ConfigSwitchesTest, TheNightDemonstrationRestoresOnlyTheFieldItChanged) {
    m_night.Start(Keys());
    Deliver();
    ASSERT_TRUE(m_night.Running());
    Answer(0, config::kReadVideoCapture, 0, kCapture);
    auto sets = Sets(config::kSetVideoCapture);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_NE(sets[0].text.find("IrcutMode=\"3\""), std::string::npos) << sets[0].text;
    Answer(0, config::kSetVideoCapture, 0);
    auto controls = m_sdk.Calls("SystemControl");
    ASSERT_EQ(controls.size(), 1u);
    EXPECT_NE(controls[0].text.find("NightMode"), std::string::npos);

    m_prompt.AnswerYes();
    m_switches.TvSystem(Keys(), false);
    Deliver();
    Answer(0, config::kReadVideoCapture, 0,
           "<Video><Capture Brightness=\"50\" TVSystem=\"1\" IrcutMode=\"3\" WDRMode=\"2\" vendor_x=\"7\" /></Video>");
    Answer(0, config::kSetVideoCapture, 0);
    m_sdk.ClearCalls();

    m_night.Restore();
    Deliver();
    EXPECT_FALSE(m_night.Running());
    controls = m_sdk.Calls("SystemControl");
    ASSERT_EQ(controls.size(), 1u);
    EXPECT_NE(controls[0].text.find("DayMode"), std::string::npos);
    sets = Sets(config::kSetVideoCapture);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_NE(sets[0].text.find("IrcutMode=\"0\""), std::string::npos) << sets[0].text;
    EXPECT_NE(sets[0].text.find("TVSystem=\"0\""), std::string::npos) << "the TV change is kept: " << sets[0].text;
}

} // namespace
} // namespace zk::sdk::system

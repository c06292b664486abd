// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/media/MediaCommands.h"

#include "base/CSaveParam.h"
#include "sdk/config/ConfigReads.h"
#include "sdk/system/ConfigSwitches.h"
#include "support/TempFolder.h"

#include "LoggedInRows.h"

#include <gtest/gtest.h>

namespace zk::sdk::media {
namespace {

constexpr const char* kAlarms =
    "<AlarmConfig><MotionDetectAlarm Enable=\"0\" Sensitivity=\"80\" BlockConfig=\"111\" /><PDAlarm Enable=\"0\" "
    "ObjectType=\"16\"><Region><Point X=\"1\" Y=\"1\" /></Region></PDAlarm><AudioAlarm Enable=\"0\" "
    "Sensitivity=\"50\" /></AlarmConfig>";
constexpr const char* kCapture = "<Video><Capture Brightness=\"61\" TVSystem=\"1\" IrcutMode=\"0\" "
                                 "led_brightness_value=\"50\" IrcutNightStartTime=\"19:00:00\" vendor=\"x\" /></Video>";

class MediaCommandsTest : public ::testing::Test, protected test::LoggedInRows {
protected:
    MediaCommandsTest()
        : LoggedInRows(
              KeysAsTexts({"SET_OK", "SET_FAILED", "MSGTIP40", "MSGTIP13", "TEXT21", "MSG_BATCH_SET_TVSYSTEM",
                           "MSG_SET_TVSYSTEM_OK", "MSG_SET_TVSYSTEM_FAILED", "MSG_SET_TVSYSTEM_NOTCHANGE", "ERROR"})) {}
    // The set requests one row's session received, as (code, text), in order.
    std::vector<std::pair<int, std::string>> SetsOf(int row) {
        std::vector<std::pair<int, std::string>> sets;
        for (const auto& call : m_sdk.Calls()) {
            if ((call.name == "SetDVRConfig" || call.name == "SetDevcieConfig") && call.handle == Handle(row)) {
                sets.emplace_back(call.code, call.text);
            }
        }
        return sets;
    }

    test::TempFolder m_folder;
    base::CSaveParam m_settings{QString::fromStdString(m_folder.Path())};
    SmartDetectParams m_detect;
    base::MediaLightParam m_light;
    MediaCommands m_media{m_runner, m_settings, Hooks()};

    MediaHooks Hooks() {
        MediaHooks hooks;
        hooks.editLights = [this](base::MediaLightParam& light) {
            light = m_light;
            return true;
        };
        hooks.editSmartDetect = [this](SmartDetectParams& params) {
            params = m_detect;
            return true;
        };
        return hooks;
    }
};

// Catches: the three detections sent in another order or from a failed or foreign read, and a
// refused person/vehicle set hidden by the later acknowledgements (the row would claim "SET_OK").
TEST_F(MediaCommandsTest, SmartDetectionSendsThreeSetsFromAGoodReadAndKeepsAFailure) {
    m_detect.enableSchedule = 1;
    m_detect.person = m_detect.vehicle = m_detect.motion = 1;
    m_media.SetSmartDetect(Keys());
    Deliver();
    ASSERT_EQ(m_sdk.Calls("GetDVRConfig").size(), 3u);
    EXPECT_EQ(m_sdk.Calls("GetDVRConfig")[0].code, config::kReadAlarms);

    Answer(0, config::kReadAlarms, 0, kAlarms);
    Answer(1, config::kReadAlarms, 0, kAlarms);
    Answer(2, config::kReadAlarms, 0, "<Video/>");
    for (int row : {0, 1}) {
        const auto sets = SetsOf(row);
        ASSERT_EQ(sets.size(), 3u);
        EXPECT_EQ(sets[0].first, 829);
        EXPECT_EQ(sets[1].first, 822);
        EXPECT_EQ(sets[2].first, 827);
        EXPECT_EQ(sets[0].second, "<PDAlarm Enable=\"1\" ObjectType=\"17\" EnableSchedule=\"1\" SoundSchedule=\"1\">"
                                  "<Region><Point X=\"1\" Y=\"1\" /></Region></PDAlarm>");
        EXPECT_NE(sets[1].second.find("Enable=\"1\" Sensitivity=\"80\" BlockConfig=\"111\""), std::string::npos);
        EXPECT_EQ(sets[2].second, "<AudioAlarm Enable=\"0\" Sensitivity=\"50\" />");
    }
    EXPECT_TRUE(SetsOf(2).empty()) << "nothing is built from an answer that holds no alarms";
    EXPECT_EQ(Status(2), u"SET_FAILED");

    Answer(0, 829, 0);
    Answer(0, 822, 0);
    Answer(0, 827, 0);
    Answer(1, 829, 3);
    Answer(1, 822, 0);
    Answer(1, 827, 0);
    EXPECT_EQ(Status(0), u"SET_OK");
    EXPECT_EQ(Status(1), u"SET_FAILED");
    ASSERT_NE(m_runner.State(Keys()[1]), nullptr);
    EXPECT_TRUE(m_runner.State(Keys()[1])->failed);
    EXPECT_EQ(m_runner.State(Keys()[0])->result, batch::RowResult::Ok);
}

// Catches: a light change and a TV-system change on one capture read each sending their own set
// (the second would undo the first), fields other than the lights changed, and the light block not
// stored for the next start.
TEST_F(MediaCommandsTest, LightsAndTvSystemShareOneCaptureRead) {
    system::ConfigSwitches switches(m_runner);
    m_light.led_brightness_value = 70;
    m_prompt.AnswerYes();
    switches.TvSystem({Keys()[0]}, false);
    m_media.SetLights({Keys()[0]});
    Deliver();
    EXPECT_EQ(m_settings.MediaLight().led_brightness_value, 70);

    // Both reads were sent; the first answer serves both commands with one set.
    Answer(0, config::kReadVideoCapture, 0, kCapture);
    Answer(0, config::kReadVideoCapture, 0, kCapture);
    const auto sets = SetsOf(0);
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].first, config::kSetVideoCapture);
    const std::string& text = sets[0].second;
    EXPECT_NE(text.find("Brightness=\"61\" TVSystem=\"0\" IrcutMode=\"0\" led_brightness_value=\"70\" "
                        "IrcutNightStartTime=\"18:00:00\" vendor=\"x\""),
              std::string::npos)
        << text;

    // A failed read writes the failure and sends nothing.
    m_sdk.ClearCalls();
    m_media.SetLights({Keys()[1]});
    Deliver();
    Answer(1, config::kReadVideoCapture, 5);
    EXPECT_TRUE(SetsOf(1).empty());
    EXPECT_EQ(Status(1), u"SET_FAILED");
}

} // namespace
} // namespace zk::sdk::media

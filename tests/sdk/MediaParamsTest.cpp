// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/media/MediaParams.h"

#include "sdk/config/SdkStructures.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace zk::sdk::media {
namespace {

// Catches: a changed byte in the texts devices parse by position (tabs, blanks, the odd " 0: 0: 0"
// times), a wrong block count or mask for the largest grid, and grids beyond the device's limits.
TEST(MediaParamsTest, RequestTextsAreExact) {
    EXPECT_EQ(ImageTuningRequest(ImageTuningParams{}), "<REQUEST_PARAM mctf=\"-1\" gain=\"30\" shuttermax=\"-1\" />");
    EXPECT_EQ(ImageTuningRequest({11, 72, 8000}), "<REQUEST_PARAM mctf=\"11\" gain=\"72\" shuttermax=\"8000\" />");

    MotionDetectParams motion;
    const auto grid = ParseGrid("22X18");
    ASSERT_TRUE(grid);
    motion.columns = grid->first;
    motion.rows = grid->second;
    const std::string text = MotionDetectRequest(motion);
    const std::string head =
        "<MotionDetectAlarm \t\t\tEnable=\"1\" \t\t\tBlockCount=\"1441810\" \t\t\tBlockConfig=\"" +
        std::string(396, '1') +
        "\" \t\t\tSensitivity=\"80\" \t\t\tAlarmThreshold=\"20\" \t\t\tDayNightSwitch=\"0\" "
        "\t\t\tNightSensitivity=\"60\" \t\t\tNightAlarmThreshold=\"30\" \t\t\tNightStartTime=\" 0: "
        "0: 0\" \t\t\tNightEndTime=\"24: 0: 0\" \t\t\t> \t\t\t<EnableTimeList> ";
    EXPECT_EQ(text.substr(0, head.size()), head);
    const std::string tail = "</PTZAction> \t\t\t</AlarmAction> \t\t</MotionDetectAlarm> ";
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
    EXPECT_EQ(std::count(text.begin(), text.end(), '\t'), 228);
    EXPECT_EQ(text.size(), 1333u);

    // Grid limits: columns are capped at 22, rows at 18; nothing below one.
    EXPECT_EQ(ParseGrid("40x30"), std::make_pair(22, 18));
    EXPECT_EQ(ParseGrid("4X3"), std::make_pair(4, 3));
    EXPECT_FALSE(ParseGrid("0X3"));
    EXPECT_FALSE(ParseGrid("4-3"));
    EXPECT_FALSE(ParseGrid("4X"));
    EXPECT_EQ(BlockCount(99, 99), (22 << 16) + 18);
    EXPECT_EQ(BlockConfig(1, 1), "1");

    EXPECT_EQ(CodingTypeDocument(CodingType::H265Plus),
              "<Encode><EncodeConfig Stream=\"1\" Resolution=\"INVALID\" EncodeFormat=\"H265+\" BitRateControl=\"VBR\" "
              "Initquant=\"100\" BitRate=\"200000\" FrameRate=\"25\" /><EncodeConfig Stream=\"2\" "
              "Resolution=\"INVALID\" EncodeFormat=\"H265+\" BitRateControl=\"VBR\" Initquant=\"100\" "
              "BitRate=\"200000\" FrameRate=\"25\" /></Encode>");
    EXPECT_EQ(AudioEncodeDocument({1, AudioEncoder::Aac}),
              "<Audio><Encode Enable=\"1\" SampleRate=\"16000\" EncodeType=\"AAC\" BitRate=\"64000\" /></Audio>");
}

// Catches: a window letting through values a device would misread, the wrong message for a range,
// and -1 ("leave it") refused where it is allowed.
TEST(MediaParamsTest, WindowRulesRefuseWithTheirMessages) {
    EXPECT_FALSE(CheckImageTuning({-1, 30, -1}));
    EXPECT_STREQ(CheckImageTuning({12, 30, -1}).text, "MCTF ERROR");
    EXPECT_TRUE(CheckImageTuning({12, 30, -1}).literal);
    EXPECT_STREQ(CheckImageTuning({0, 30, 8001}).text, "shutter error");
    EXPECT_STREQ(CheckImageTuning({0, 31, 1}).text, "IDS_STR_ZH_CN_SET_FAILED");

    EXPECT_STREQ(CheckMotionDetect({1, 101, 20, 4, 3}).text, "灵敏度设置错误。");
    EXPECT_STREQ(CheckMotionDetect({1, 80, -1, 4, 3}).text, "阈值设置错误。");

    VideoCaptureParams capture;
    EXPECT_FALSE(CheckVideoCapture(capture));
    const std::pair<const char*, const char*> fields[] = {
        {"Brightness", "IDS_STR_ZH_CN_MSG_TIPS47"}, {"Contrast", "IDS_STR_ZH_CN_MSG_TIPS50"},
        {"Saturation", "IDS_STR_ZH_CN_MSG_TIPS53"}, {"Sharpness", "IDS_STR_ZH_CN_MSG_TIPS54"},
        {"WDRValue", "IDS_STR_ZH_CN_MSG_TIPS55"},   {"DfrogValue", "IDS_STR_ZH_CN_MSG_TIPS56"},
        {"BackLight", "IDS_STR_HLC_VALUE_INVALID"}, {"cropxpix", "IDC_MEDIA_VIDEOCAPTURE_CROP_INVALID"},
    };
    for (const auto& [name, key] : fields) {
        VideoCaptureParams bad;
        ASSERT_EQ(SetNamedValue(bad, name, "201"), "") << name;
        EXPECT_STREQ(CheckVideoCapture(bad).text, key) << name;
    }
    VideoCaptureParams shutter;
    ASSERT_EQ(SetNamedValue(shutter, "shutter_speed_night", "0"), "");
    EXPECT_STREQ(CheckVideoCapture(shutter).text, "IDS_STR_SHUTTER_SPEED_ERROR");
    EXPECT_NE(SetNamedValue(shutter, "Brightnes", "1"), "");
    EXPECT_NE(SetNamedValue(shutter, "Brightness", "12a"), "");
    EXPECT_NE(SetNamedValue(shutter, "WDRStartTime", "25:00:00"), "");
    ASSERT_EQ(SetNamedValue(shutter, "WDRStartTime", "01:02:03"), "");
    EXPECT_NE(VideoCaptureDocument(shutter).find("WDRStartTime=\"01:02:03\""), std::string::npos);

    VideoEncodeChoice encode{{DefaultEncodeStream(2)}};
    EXPECT_FALSE(CheckVideoEncode(encode));
    encode.streams[0].qp_enable = 1;
    encode.streams[0].qp_min = 40;
    encode.streams[0].qp_max = 30;
    EXPECT_STREQ(CheckVideoEncode(encode).text, "IDS_QP_LIMIT");
    encode.streams[0].qp_min = 20;
    encode.streams[0].BitRate = 1000;
    EXPECT_STREQ(CheckVideoEncode(encode).text, "IDS_STR_ZH_CN_MSG_TIPS25");
    encode.streams[0].BitRate = 1024000;
    encode.streams[0].FrameRate = 31;
    EXPECT_STREQ(CheckVideoEncode(encode).text, "IDS_STR_ZH_CN_MSG_TIPS26");
    encode.streams[0].FrameRate = 15;
    encode.streams.push_back(DefaultEncodeStream(2));
    EXPECT_TRUE(CheckVideoEncode(encode)) << "one stream given twice";
    encode.streams.pop_back();
    // Only the edited stream goes out, with its advanced element.
    const std::string document = VideoEncodeDocument(encode);
    EXPECT_EQ(document.find("Stream=\"1\""), std::string::npos) << document;
    EXPECT_NE(document.find("<EncodeConfig Enable=\"1\" Stream=\"2\" Resolution=\"INVALID\""), std::string::npos);
    EXPECT_NE(document.find("<AdvanceEncodeConfig EncodeProfile="), std::string::npos);

    base::MediaLightParam light;
    EXPECT_FALSE(CheckLights(light));
    ASSERT_EQ(SetNamedValue(light, "led_brightness_value", "101"), "");
    EXPECT_STREQ(CheckLights(light).text, "IDS_LIGHT_VALUE_RANGE");
    EXPECT_NE(SetNamedValue(light, "led_brightness_value", "256"), "") << "the field holds a byte";
    EXPECT_STREQ(CheckAudioCapture({101, 80, 0, 0}).text, "IDS_AUDIO_VOLUME_RANGE");
    EXPECT_STREQ(CheckAudioCapture({80, 80, 2, 0}).text, "IDS_AUDIO_SWITCH_RANGE");
    EXPECT_EQ(ParseGain("iso_3200"), 30);
    EXPECT_EQ(ParseSchedule("AllDay"), 1);
}

// Catches: detection switched on without an object or schedule, the object flags mixed up, the
// region left as it was after a reset, and the light batch touching capture fields it does not own.
TEST(MediaParamsTest, DetectionAndLightRulesChangeOnlyTheirFields) {
    config::AlarmConfig alarms;
    ASSERT_EQ(config::GetAlarmConfigByXml(
                  "<AlarmConfig><MotionDetectAlarm Enable=\"1\" Sensitivity=\"80\" /><PDAlarm Enable=\"1\" "
                  "ObjectType=\"16\" x=\"1\"><Region><Point X=\"5\" Y=\"5\" /><Point X=\"9\" Y=\"5\" /><Point X=\"9\" "
                  "Y=\"9\" /><Point X=\"5\" Y=\"9\" /><Point X=\"1\" Y=\"1\" /></Region></PDAlarm><AudioAlarm "
                  "Enable=\"1\" /></AlarmConfig>",
                  alarms),
              0);
    ASSERT_EQ(alarms.pd.region.size(), 5u);

    SmartDetectParams params; // enable schedule "DISABLE"
    params.person = params.vehicle = params.motion = params.sound = 1;
    config::AlarmConfig off = alarms;
    ApplySmartDetection(params, off);
    EXPECT_EQ(off.pd.Enable, 0);
    EXPECT_EQ(off.md.Enable, 0);
    EXPECT_EQ(off.audio.Enable, 0);

    params.enableSchedule = 1;
    params.vehicle = 0;
    params.sound = 0;
    params.resetRegion = 1;
    config::AlarmConfig on = alarms;
    ApplySmartDetection(params, on);
    EXPECT_EQ(on.pd.Enable, 1);
    EXPECT_EQ(on.pd.ObjectType, 16);
    EXPECT_EQ(on.md.Enable, 1);
    EXPECT_EQ(on.md.schedules.SoundSchedule, 1);
    EXPECT_EQ(on.audio.Enable, 0);
    EXPECT_EQ(config::XMLGET_PDAlarmConfig(on),
              "<PDAlarm Enable=\"1\" ObjectType=\"16\" x=\"1\" EnableSchedule=\"1\" SoundSchedule=\"1\"><Region><Point "
              "X=\"0\" Y=\"0\" /><Point X=\"100\" Y=\"0\" /><Point X=\"100\" Y=\"100\" /><Point X=\"0\" "
              "Y=\"100\" /></Region></PDAlarm>");

    params.person = 0;
    params.vehicle = 1;
    params.resetRegion = 0;
    ApplySmartDetection(params, on);
    EXPECT_EQ(on.pd.ObjectType, 1);
    params.person = 1;
    ApplySmartDetection(params, on);
    EXPECT_EQ(on.pd.ObjectType, 17);
    params.person = params.vehicle = 0;
    ApplySmartDetection(params, on);
    EXPECT_EQ(on.pd.Enable, 0) << "no object: detection off even with a schedule";

    config::VideoCaptureConfig capture;
    ASSERT_EQ(
        config::Media_getVideoCaptureByXml("<Video><Capture Brightness=\"61\" TVSystem=\"0\" IrcutMode=\"1\" "
                                           "led_brightness_value=\"50\" IrcutNightStartTime=\"19:00:00\" /></Video>",
                                           capture),
        0);
    base::MediaLightParam light;
    light.led_brightness_value = 70;
    light.startTime = {18, 30, 0};
    EXPECT_TRUE(ApplyLights(light, capture));
    const std::string text = config::XMLGET_VideoCaptureConfig(capture);
    EXPECT_NE(text.find("Brightness=\"61\" TVSystem=\"0\" IrcutMode=\"0\""), std::string::npos) << text;
    EXPECT_NE(text.find("led_brightness_value=\"70\""), std::string::npos) << text;
    EXPECT_NE(text.find("IrcutNightStartTime=\"18:30:00\""), std::string::npos) << text;
    EXPECT_FALSE(ApplyLights(light, capture)) << "the same block again changes nothing";
}

} // namespace
} // namespace zk::sdk::media

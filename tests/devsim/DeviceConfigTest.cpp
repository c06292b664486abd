// SPDX-License-Identifier: GPL-3.0-or-later
#include "devsim/DeviceConfig.h"

#include "base/FixedText.h"
#include "devsim/FleetBuilder.h"
#include "devsim/SimDevice.h"
#include "sdk/DeviceSdk.h"
#include "sdk/config/SdkStructures.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <algorithm>
#include <map>
#include <sstream>
#include <vector>

namespace zk::devsim {
namespace {

using base::FieldText;

// A generated device as the simulator makes one, at 192.168.1.10.
DeviceProfile Profile() {
    DeviceProfile profile = GeneratedProfile(SimOptions{}, 1);
    base::CopyBounded(profile.record.IpAddress, "192.168.1.10");
    return profile;
}

std::string RootName(const std::string& text) {
    tinyxml2::XMLDocument document;
    if (document.Parse(text.c_str()) != tinyxml2::XML_SUCCESS || document.RootElement() == nullptr) {
        return "(not XML)";
    }
    return document.RootElement()->Name();
}

class DeviceConfigTest : public ::testing::Test {
protected:
    DeviceProfile m_profile = Profile();
    DeviceConfig m_config{m_profile.record};
};

TEST_F(DeviceConfigTest, FactoryDocumentHoldsTheSevenSectionsAndTheDevicesValues) {
    tinyxml2::XMLDocument document;
    ASSERT_EQ(document.Parse(m_config.Text().c_str()), tinyxml2::XML_SUCCESS);
    const tinyxml2::XMLElement* root = document.RootElement();
    ASSERT_STREQ(root->Name(), "NIMBEXConfig");
    for (const char* section : {"RecordConfig", "ServerConfig", "SystemConfig", "NetworkConfig", "MediaConfig",
                                "MediaStreamConfig", "AlarmConfig"}) {
        EXPECT_NE(root->FirstChildElement(section), nullptr) << section;
    }
    EXPECT_EQ(m_config.Value("SystemConfig/UserConfig/Account", "Password"), "507913");
    EXPECT_EQ(m_config.Value("MediaConfig/Overlay/TitleOverlay", "TitleUtf8"), FieldText(m_profile.record.Osd));
    EXPECT_EQ(m_config.Value("NetworkConfig/LANConfig", "IPAddress"), "192.168.1.10");
    EXPECT_EQ(m_config.Value("MediaStreamConfig/StreamAccess", "PTZPort"), "34567");
}

TEST_F(DeviceConfigTest, GetAnswersTheElementEachCodeNames) {
    const std::pair<int, const char*> cases[] = {{503, "Encode"},      {504, "Video"},
                                                 {305, "LANConfig"},   {600, "MediaStreamConfig"},
                                                 {800, "AlarmConfig"}, {507, "Audio"}};
    for (const auto& [code, root] : cases) {
        const ConfigAnswer answer = m_config.Get(code);
        EXPECT_EQ(answer.result, sdk::kResultOk) << code;
        EXPECT_EQ(RootName(answer.payload), root) << code;
    }
    const std::string video = m_config.Get(504).payload;
    EXPECT_NE(video.find("TVSystem=\"1\""), std::string::npos);
    EXPECT_NE(video.find("IrcutMode="), std::string::npos);
    const std::string streams = m_config.Get(600).payload;
    for (const char* flag : {"enable_hik", "enable_onvif", "enable_dh", "enable_tst"}) {
        EXPECT_NE(streams.find(flag), std::string::npos) << flag;
    }
    EXPECT_EQ(m_config.Get(506).result, sdk::kResultUnsupported);
    EXPECT_EQ(m_config.Get(222).result, sdk::kResultUnsupported) << "a set code is no get code";
}

TEST_F(DeviceConfigTest, SetChangesOnlyWhatTheRequestCarries) {
    ASSERT_EQ(m_config.Set(524, "<Video><Capture TVSystem=\"0\" /></Video>").result, sdk::kResultOk);
    EXPECT_EQ(m_config.Value("MediaConfig/Video/Capture", "TVSystem"), "0");
    EXPECT_EQ(m_config.Value("MediaConfig/Video/Capture", "Brightness"), "50") << "other attributes stay";

    // Both streams named by their numbers.
    ASSERT_EQ(m_config
                  .Set(523, "<Encode><EncodeConfig Stream=\"1\" EncodeFormat=\"H265+\" />"
                            "<EncodeConfig Stream=\"2\" EncodeFormat=\"H265+\" /></Encode>")
                  .result,
              sdk::kResultOk);
    const std::string encode = m_config.Text();
    EXPECT_EQ(encode.find("EncodeFormat=\"H264\""), std::string::npos);
    EXPECT_NE(encode.find("Resolution=\"640x360\""), std::string::npos);

    ASSERT_EQ(m_config
                  .Set(822, "<MotionDetectAlarm Enable=\"1\" BlockCount=\"1441810\" BlockConfig=\"" +
                                std::string(22 * 18, '1') +
                                "\"><EnableTimeList><Workday Day=\"7\" /></EnableTimeList></MotionDetectAlarm>")
                  .result,
              sdk::kResultOk);
    EXPECT_EQ(m_config.Value("AlarmConfig/MotionDetectAlarm", "BlockCount"), "1441810");
    EXPECT_EQ(m_config.Value("AlarmConfig/MotionDetectAlarm/EnableTimeList/Workday", "Day"), "7") << "new children";
    ASSERT_EQ(m_config.Set(527, "<Capture Volume=\"20\" />").result, sdk::kResultOk);
    EXPECT_EQ(m_config.Value("MediaConfig/Audio/Capture", "Volume"), "20");
}

TEST_F(DeviceConfigTest, SetRefusesOtherElementsMalformedTextAndUnknownCodes) {
    const std::string before = m_config.Text();
    EXPECT_EQ(m_config.Set(524, "<Capture TVSystem=\"0\" />").result, sdk::kResultBadRequest) << "root must be Video";
    EXPECT_EQ(m_config.Set(222, "<TimeConfig").result, sdk::kResultBadRequest);
    EXPECT_EQ(m_config.Set(222, "").result, sdk::kResultBadRequest);
    EXPECT_EQ(m_config.Set(999, "<X />").result, sdk::kResultUnsupported);
    EXPECT_EQ(m_config.Text(), before);
}

TEST_F(DeviceConfigTest, RequestsThatWouldGrowTheDocumentBeyondItsLimitAreRefused) {
    const std::string before = m_config.Text();
    const std::string big = "<MiscConfig Note=\"" + std::string(kMaxConfigDocumentBytes, 'n') + "\" />";
    EXPECT_EQ(m_config.Set(227, big).result, sdk::kResultFailed);
    EXPECT_EQ(m_config.Text(), before) << "left as it was";
    for (int i = 0; i < 2000; ++i) {
        m_config.Set(228, "<MaintainConfig><Extra" + std::to_string(i) + " a=\"" + std::string(40, 'x') +
                              "\" /></MaintainConfig>");
    }
    EXPECT_LE(m_config.Text().size(), kMaxConfigDocumentBytes);
}

// The document's values with some replaced, as a set should leave them.
std::vector<std::pair<std::string, std::string>> With(std::vector<std::pair<std::string, std::string>> values,
                                                      const std::map<std::string, std::string>& changes) {
    for (auto& [path, value] : values) {
        if (const auto found = changes.find(path); found != changes.end()) {
            value = found->second;
        }
    }
    return values;
}

// Encoding lands on the stream its Stream number names, never by position: a request for stream 2
// alone or the streams in reverse order change the right one, "INVALID" keeps the resolution, and
// a stream number the device lacks or that is no number refuses the whole request. Catches a
// positional merge that edits stream 1, an "INVALID" written into the document, and a partly
// applied request.
TEST_F(DeviceConfigTest, EncodingMergesByStreamNumberAndRefusesStreamsTheDeviceLacks) {
    const std::string read = m_config.Get(503).payload;
    for (const char* name :
         {"BitRateQuality=", "qp_enable=", "qp_min=", "qp_max=", "lbr_enable=", "lbr_style=", "lbr_bitratemode=",
          "lbr_bitrate=", "lbr_motionlevel=", "lbr_noicelevel=", "<AdvanceEncodeConfig",
          "EncodeProfile=", "DisablePrivateData=", "EncMode=", "NoiceLevel="}) {
        EXPECT_NE(read.find(name), std::string::npos) << name;
    }

    const std::string stream2 = "MediaConfig/Encode/EncodeConfig[1]";
    auto expected = With(m_config.Values(), {{stream2 + "@BitRate", "256000"},
                                             {stream2 + "@FrameRate", "10"},
                                             {stream2 + "/AdvanceEncodeConfig@EncMode", "1"}});
    ASSERT_EQ(m_config
                  .Set(523, "<Encode><EncodeConfig Stream=\"2\" Resolution=\"INVALID\" BitRate=\"256000\" "
                            "FrameRate=\"10\"><AdvanceEncodeConfig EncMode=\"1\" /></EncodeConfig></Encode>")
                  .result,
              sdk::kResultOk);
    EXPECT_EQ(m_config.Values(), expected) << "only stream 2 changed, its resolution kept";

    expected = With(m_config.Values(), {{"MediaConfig/Encode/EncodeConfig@Resolution", "1280x720"},
                                        {stream2 + "@EncodeFormat", "H265"},
                                        {stream2 + "@Resolution", "640x480"}});
    ASSERT_EQ(m_config
                  .Set(523, "<Encode><EncodeConfig Stream=\"2\" EncodeFormat=\"H265\" Resolution=\"640x480\" />"
                            "<EncodeConfig Stream=\"1\" Resolution=\"1280x720\" /></Encode>")
                  .result,
              sdk::kResultOk);
    EXPECT_EQ(m_config.Values(), expected) << "streams named in reverse order";

    const std::string before = m_config.Text();
    for (const char* stream :
         {"", " Stream=\"0\"", " Stream=\"3\"", " Stream=\"-1\"", " Stream=\"01\"", " Stream=\"1.0\"", " Stream=\" 1\"",
          " Stream=\"x\"", " Stream=\"\"", " Stream=\"4294967297\""}) {
        const std::string text = std::string("<Encode><EncodeConfig Stream=\"1\" BitRate=\"1\" /><EncodeConfig") +
                                 stream + " BitRate=\"2\" /></Encode>";
        EXPECT_EQ(m_config.Set(523, text).result, sdk::kResultBadRequest) << text;
        EXPECT_EQ(m_config.Text(), before) << text;
    }
}

// A region sent replaces the document's whole while the detection's other
// settings (schedules, object type) stay, and a set without one keeps it. Catches points merged by
// position (four sent over six leaving six).
TEST_F(DeviceConfigTest, ARegionIsReplacedWholeWhileTheOtherSettingsStay) {
    auto points = [this] {
        tinyxml2::XMLDocument document;
        document.Parse(m_config.Get(800).payload.c_str());
        std::vector<std::pair<int, int>> found;
        const tinyxml2::XMLElement* region =
            document.RootElement()->FirstChildElement("PDAlarm")->FirstChildElement("Region");
        EXPECT_EQ(region->NextSiblingElement("Region"), nullptr) << "one region";
        for (const auto* point = region->FirstChildElement(); point != nullptr; point = point->NextSiblingElement()) {
            EXPECT_STREQ(point->Name(), "Point");
            found.emplace_back(point->IntAttribute("X"), point->IntAttribute("Y"));
        }
        return found;
    };
    EXPECT_EQ(points(), (std::vector<std::pair<int, int>>{{10, 10}, {50, 5}, {90, 10}, {90, 90}, {50, 95}, {10, 90}}));

    ASSERT_EQ(m_config
                  .Set(829, "<PDAlarm Enable=\"1\"><Region><Point X=\"20\" Y=\"20\" /><Point X=\"80\" Y=\"20\" />"
                            "<Point X=\"80\" Y=\"80\" /><Point X=\"20\" Y=\"80\" /></Region></PDAlarm>")
                  .result,
              sdk::kResultOk);
    EXPECT_EQ(points(), (std::vector<std::pair<int, int>>{{20, 20}, {80, 20}, {80, 80}, {20, 80}}));
    EXPECT_EQ(m_config.Value("AlarmConfig/PDAlarm", "Enable"), "1");
    EXPECT_EQ(m_config.Value("AlarmConfig/PDAlarm", "SoundSchedule"), "1") << "schedules not sent stay";
    EXPECT_EQ(m_config.Value("AlarmConfig/PDAlarm", "ObjectType"), "17");

    ASSERT_EQ(m_config.Set(829, "<PDAlarm PushSchedule=\"1\" />").result, sdk::kResultOk);
    EXPECT_EQ(points().size(), 4u) << "a set without a region keeps it";
    EXPECT_EQ(m_config.Value("AlarmConfig/PDAlarm", "PushSchedule"), "1");
}

// The tool's motion detection text, tabs and nested children included: stored, and the same text
// again leaves the document exactly as the first did. A mask that does not fit its grid (length,
// columns or rows out of range, a count that is no number, a new count over the old mask) is
// refused and changes nothing. Catches children appended on every repeat and masks a device
// would refuse being kept.
TEST_F(DeviceConfigTest, MotionDetectionIsStoredOnceAndAMaskOffItsGridIsRefused) {
    auto motion = [](const std::string& count, const std::string& mask) {
        return "<MotionDetectAlarm Enable=\"1\" BlockCount=\"" + count + "\" BlockConfig=\"" + mask +
               "\" Sensitivity=\"60\" AlarmThreshold=\"30\" DayNightSwitch=\"1\" NightSensitivity=\"70\" "
               "NightAlarmThreshold=\"25\" NightStartTime=\"19:00:00\" NightEndTime=\"07:00:00\">\n"
               "\t<EnableTimeList>\n\t\t<Workday Day=\"127\">\n"
               "\t\t\t<TimeSpan Enable=\"1\" StartTime=\"00:00:00\" EndTime=\"23:59:59\" />\n"
               "\t\t</Workday>\n\t</EnableTimeList>\n"
               "\t<AlarmAction>\n\t\t<AlarmOutputAction Enable=\"0\" Duration=\"10\" />\n\t</AlarmAction>\n"
               "\t<PTZAction Enable=\"0\">\n\t\t<PositionWalk Enable=\"0\">\n"
               "\t\t\t<PTZPosition Preset=\"1\" />\n\t\t\t<PTZPosition Preset=\"2\" />\n"
               "\t\t\t<PTZPosition Preset=\"3\" />\n\t\t</PositionWalk>\n\t</PTZAction>\n"
               "</MotionDetectAlarm>\n";
    };
    const std::string grid = std::to_string((22 << 16) | 18);
    const std::string mask(22 * 18, '1');
    ASSERT_EQ(m_config.Set(822, motion(grid, mask)).result, sdk::kResultOk);
    const std::string path = "AlarmConfig/MotionDetectAlarm";
    EXPECT_EQ(m_config.Value(path, "BlockConfig"), mask);
    EXPECT_EQ(m_config.Value(path, "NightEndTime"), "07:00:00");
    EXPECT_EQ(m_config.Value(path + "/EnableTimeList/Workday/TimeSpan", "EndTime"), "23:59:59");
    EXPECT_EQ(m_config.Value(path + "/AlarmAction/AlarmOutputAction", "Duration"), "10");
    const auto values = m_config.Values();
    const std::string walk = path + "/PTZAction/PositionWalk/PTZPosition";
    EXPECT_NE(std::ranges::find(values, std::pair<std::string, std::string>(walk + "[2]@Preset", "3")), values.end());
    const std::string once = m_config.Text();
    ASSERT_EQ(m_config.Set(822, motion(grid, mask)).result, sdk::kResultOk);
    EXPECT_EQ(m_config.Text(), once) << "the same set twice";

    const std::vector<std::pair<std::string, std::string>> refused = {
        {grid, std::string(22 * 18 - 1, '1')},
        {grid, mask + "0"},
        {std::to_string((23 << 16) | 1), std::string(23, '1')},
        {std::to_string((1 << 16) | 19), std::string(19, '1')},
        {std::to_string(3), ""},
        {std::to_string(3 << 16), ""},
        {"abc", mask},
        {"", mask},
        {"-1441810", mask},
    };
    for (const auto& [count, cells] : refused) {
        EXPECT_EQ(m_config.Set(822, motion(count, cells)).result, sdk::kResultBadRequest) << count << " " << cells;
        EXPECT_EQ(m_config.Text(), once) << count;
    }
    EXPECT_EQ(m_config.Set(822, "<MotionDetectAlarm BlockCount=\"262147\" />").result, sdk::kResultBadRequest)
        << "a new grid over the old mask";
    EXPECT_EQ(m_config.Set(822, "<MotionDetectAlarm BlockConfig=\"101\" />").result, sdk::kResultBadRequest);
    EXPECT_EQ(m_config.Text(), once);
    ASSERT_EQ(m_config.Set(822, "<MotionDetectAlarm BlockCount=\"131075\" BlockConfig=\"101010\" />").result,
              sdk::kResultOk)
        << "two columns, three rows";
    EXPECT_EQ(m_config.Value(path, "BlockConfig"), "101010");
}

TEST_F(DeviceConfigTest, AddressesAndPortsStayTheDevicesOwn) {
    ASSERT_EQ(m_config.Set(325, "<LANConfig IPAddress=\"10.0.0.9\" ALLNET=\"1\" />").result, sdk::kResultOk);
    m_config.SyncLive(m_profile.record);
    EXPECT_EQ(m_config.Value("NetworkConfig/LANConfig", "IPAddress"), "192.168.1.10");
    EXPECT_EQ(m_config.Value("NetworkConfig/LANConfig", "ALLNET"), "1");
    m_config.Reset(m_profile.record);
    EXPECT_EQ(m_config.Value("NetworkConfig/LANConfig", "ALLNET"), "0");
}

// The device applies what its record shows elsewhere: the account it logs in with and that its
// search replies carry, its title, its all-network switch.
TEST(SimDeviceConfigTest, AccountTitleAndAllNetworkReachTheDevicesRecord) {
    SimDevice device(Profile(), SimClock::now());
    const sdk::LoginKey oldKey = device.LoginKey();
    ASSERT_EQ(device
                  .SetConfig(223, "<UserConfig><Account Username=\"admin\" Password=\"n3w\" Group=\"Administrator\" "
                                  "Status=\"Enable\" /></UserConfig>")
                  .result,
              sdk::kResultOk);
    EXPECT_EQ(FieldText(device.Record(SimClock::now()).Password), "n3w");
    EXPECT_NE(device.LoginKey(), oldKey);
    ASSERT_EQ(device
                  .SetConfig(525, "<Overlay Enable=\"1\"><TimeOverlay PosX=\"0\" /><TitleOverlay PosX=\"0\" "
                                  "TitleUtf8=\"47617465\" /></Overlay>")
                  .result,
              sdk::kResultOk);
    EXPECT_EQ(FieldText(device.Record(SimClock::now()).Osd), "47617465");
    ASSERT_EQ(device.SetConfig(325, "<LANConfig ALLNET=\"1\" />").result, sdk::kResultOk);
    EXPECT_EQ(device.Record(SimClock::now()).AllNet, 1);

    const std::string before = device.Config().Text();
    EXPECT_EQ(
        device.SetConfig(223, "<UserConfig><Account Password=\"" + std::string(40, 'p') + "\" /></UserConfig>").result,
        sdk::kResultFailed)
        << "a password longer than the device keeps";
    EXPECT_EQ(device.SetConfig(223, "<UserConfig><Account Username=\"\" /></UserConfig>").result, sdk::kResultFailed);
    EXPECT_EQ(FieldText(device.Record(SimClock::now()).Password), "n3w");
    EXPECT_EQ(device.Config().Text(), before);

    device.Restore(true, SimClock::now(), std::chrono::seconds(0));
    EXPECT_EQ(FieldText(device.Record(SimClock::now()).Password), "507913");
    EXPECT_EQ(device.Config().Value("MediaConfig/Overlay/TitleOverlay", "TitleUtf8"),
              FieldText(device.Profile().record.Osd));
    EXPECT_EQ(device.Record(SimClock::now()).AllNet, 0);
}

// The tool's readers take the 504, 305, 600 and 800 answers, and the 524 the tool builds after
// changing TVSystem changes only TVSystem. Catches a capture element lacking an attribute the
// capture window or the lights edit, an answer a reader refuses, and a set that rewrites or loses
// other attributes (what --config-out shows).
TEST(SimDeviceConfigTest, ToolReadersTakeTheAnswersAndATvSystemWriteBackChangesOnlyIt) {
    using namespace sdk::config;
    SimDevice device(Profile(), SimClock::now());
    LanConfig lan;
    MediaStreamConfig streams;
    AlarmConfig alarm;
    EXPECT_EQ(Network_getLANCfgByXml(device.GetConfig(305).payload, lan), 0);
    EXPECT_EQ(GetMediaStreamConfigByXml(device.GetConfig(600).payload, streams), 0);
    EXPECT_EQ(GetAlarmConfigByXml(device.GetConfig(800).payload, alarm), 0);
    EXPECT_EQ(alarm.md.schedules.SoundSchedule, 1) << "motion detection carries its schedules";
    VideoCaptureConfig capture;
    ASSERT_EQ(Media_getVideoCaptureByXml(device.GetConfig(504).payload, capture), 0);
    std::istringstream names(
        "Brightness Contrast Saturation Sharpness BackLight TVSystem forct_antiflicker cropxpix cropypix HFlip VFlip "
        "rotate bManualGain gainValue shutter_mode shutter_mode_night shutter_speed_day shutter_speed_night IrcutMode "
        "IrcutSensitivity IrcutOpenLedDelay led_brightness_mode led_brightness_value IrcutNightStartTime "
        "IrcutNightEndTime IrcutKeepColor WDRMode WDRValue DfrogFlag DfrogValue WDRStartTime WDREndTime WB_RGB "
        "isp_mode_color isp_mode_night led_mode ispadvmode videoEncodeMode face_exposure_sensitivity "
        "light_off_sensitivity");
    for (std::string name; names >> name;) {
        EXPECT_TRUE(capture.document.Child("Capture")->Attribute(name)) << name;
    }
    EXPECT_EQ(capture.IrcutNightStartTime, "18:00:00");
    EXPECT_EQ(capture.TVSystem, 1) << "PAL from the factory";

    auto expected = device.Config().Values();
    for (auto& [path, value] : expected) {
        value = path == "MediaConfig/Video/Capture@TVSystem" ? "0" : value;
    }
    capture.TVSystem = 0;
    ASSERT_EQ(device.SetConfig(524, XMLGET_VideoCaptureConfig(capture)).result, sdk::kResultOk);
    EXPECT_EQ(device.Config().Values(), expected);
}

} // namespace
} // namespace zk::devsim

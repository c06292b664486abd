// SPDX-License-Identifier: GPL-3.0-or-later
#include "devsim/DeviceConfig.h"

#include "base/FixedText.h"
#include "devsim/FleetBuilder.h"
#include "devsim/SimDevice.h"
#include "sdk/DeviceSdk.h"
#include "sdk/config/SdkStructures.h"

#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <sstream>

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
    const std::pair<int, const char*> cases[] = {
        {504, "Video"}, {305, "LANConfig"}, {600, "MediaStreamConfig"}, {800, "AlarmConfig"}, {507, "Audio"}};
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

    // Children merge with their namesakes by position: the second EncodeConfig is stream 2.
    ASSERT_EQ(m_config
                  .Set(523, "<Encode><EncodeConfig Stream=\"1\" EncodeFormat=\"H265+\" />"
                            "<EncodeConfig Stream=\"2\" EncodeFormat=\"H265+\" /></Encode>")
                  .result,
              sdk::kResultOk);
    const std::string encode = m_config.Text();
    EXPECT_EQ(encode.find("EncodeFormat=\"H264\""), std::string::npos);
    EXPECT_NE(encode.find("Resolution=\"640x360\""), std::string::npos);

    ASSERT_EQ(m_config
                  .Set(822, "<MotionDetectAlarm Enable=\"1\" BlockCount=\"1441810\"><EnableTimeList><Workday "
                            "Day=\"7\" /></EnableTimeList></MotionDetectAlarm>")
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

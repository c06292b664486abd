// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/config/SdkStructures.h"

#include "sdk/DeviceSdk.h"
#include "support/FuzzDriver.h"

#include <gtest/gtest.h>

namespace zk::sdk::config {
namespace {

const std::string kCapture =
    "<?xml version=\"1.0\"?>\n<Video>\n<Capture Brightness=\"50\" TVSystem=\"01\" IrcutMode=\"0\" "
    "Future=\"x&amp;y\" IrcutNightStartTime=\"18:00:00\" />\n<Extra a=\"1\">note</Extra>\n</Video>";

// What the tool does not know goes back as the device sent it; only a changed field is rewritten
// (an untouched "01" keeps its spelling), and a second slot's change lands on the same copy.
TEST(SdkStructuresTest, RoundTripChangesOnlyTheNamedFields) {
    VideoCaptureConfig capture;
    ASSERT_EQ(Media_getVideoCaptureByXml(kCapture, capture), 0);
    EXPECT_EQ(capture.TVSystem, 1);
    EXPECT_EQ(capture.IrcutNightStartTime, "18:00:00");
    EXPECT_EQ(XMLGET_VideoCaptureConfig(capture),
              "<Video><Capture Brightness=\"50\" TVSystem=\"01\" IrcutMode=\"0\" Future=\"x&amp;y\" "
              "IrcutNightStartTime=\"18:00:00\" /><Extra a=\"1\">note</Extra></Video>");
    capture.TVSystem = 0;
    capture.IrcutMode = 3;
    capture.led_mode = 2; // absent in the answer: added, since it now differs
    EXPECT_EQ(XMLGET_VideoCaptureConfig(capture),
              "<Video><Capture Brightness=\"50\" TVSystem=\"0\" IrcutMode=\"3\" Future=\"x&amp;y\" "
              "IrcutNightStartTime=\"18:00:00\" led_mode=\"2\" /><Extra a=\"1\">note</Extra></Video>");

    LanConfig lan;
    ASSERT_EQ(Network_getLANCfgByXml("<LANConfig IPAddress=\"192.168.1.10\" ALLNET=\"0\" Vlan=\"7\" />", lan), 0);
    lan.AllNet = 1;
    EXPECT_EQ(XMLGET_NetworkLANConfig(lan), "<LANConfig IPAddress=\"192.168.1.10\" ALLNET=\"1\" Vlan=\"7\" />");

    MediaStreamConfig stream;
    ASSERT_EQ(GetMediaStreamConfigByXml("<MediaStreamConfig><StreamAccess Auth=\"1\" enable_hik=\"0\" "
                                        "enable_onvif=\"1\"/><Rtmp On=\"1\"/></MediaStreamConfig>",
                                        stream),
              0);
    stream.enable_hik = 1;
    EXPECT_EQ(XMLGET_MediaStreamConfig(stream), "<MediaStreamConfig><StreamAccess Auth=\"1\" enable_hik=\"1\" "
                                                "enable_onvif=\"1\" /><Rtmp On=\"1\" /></MediaStreamConfig>");

    // Each detection goes back on its own; one the answer lacked is made from the typed fields.
    AlarmConfig alarm;
    ASSERT_EQ(GetAlarmConfigByXml("<AlarmConfig><PDAlarm Enable=\"0\" ObjectType=\"17\" Region=\"0,0\"/>"
                                  "</AlarmConfig>",
                                  alarm),
              0);
    alarm.pd.Enable = 1;
    alarm.audio.Enable = 1;
    EXPECT_EQ(XMLGET_PDAlarmConfig(alarm), "<PDAlarm Enable=\"1\" ObjectType=\"17\" Region=\"0,0\" />");
    EXPECT_EQ(XMLGET_AudioAlarmConfig(alarm), "<AudioAlarm Enable=\"1\" />");
    EXPECT_EQ(XMLGET_MDAlarmConfig(alarm), "<MotionDetectAlarm />");

    AudioCaptureConfig audio;
    ASSERT_EQ(Media_getAudioCaptureByXml("<Audio><Capture Volume=\"80\"/><Encode Enable=\"1\"/></Audio>", audio), 0);
    audio.Volume = 60;
    EXPECT_EQ(XMLGET_AudioCaptureConfig(audio), "<Capture Volume=\"60\" />");

    // Values that are no plain text survive the trip: escaped, control characters as references.
    lan.Dns1 = "a\t<b>\"&";
    LanConfig again;
    ASSERT_EQ(Network_getLANCfgByXml(XMLGET_NetworkLANConfig(lan), again), 0);
    EXPECT_EQ(again.Dns1, lan.Dns1);
}

// An answer that is not the expected element is never turned into a request: the structure stays
// as it was. Padding after a NUL is ignored. Any bytes end in a result, never a crash.
TEST(SdkStructuresTest, OtherElementsAndGarbageAreRefused) {
    VideoCaptureConfig capture;
    capture.TVSystem = 7;
    for (const std::string& bad : {std::string("<LANConfig ALLNET=\"1\"/>"), std::string("<Video/>"),
                                   std::string("<Video><Capture"), std::string(""), std::string("\xff\xfe<<"),
                                   std::string("<Unexpected><Capture TVSystem=\"0\"/></Unexpected>")}) {
        EXPECT_EQ(Media_getVideoCaptureByXml(bad, capture), kErrorBadArgument) << bad;
        EXPECT_EQ(capture.TVSystem, 7);
    }
    EXPECT_EQ(Media_getVideoCaptureByXml(std::string("<Video><Capture TVSystem=\"0\"/></Video>\0\0junk", 45), capture),
              0);
    EXPECT_EQ(capture.TVSystem, 0);
    MediaStreamConfig stream;
    EXPECT_EQ(GetMediaStreamConfigByXml("<MediaStreamConfig/>", stream), kErrorBadArgument);

    test::RunMutations({kCapture, "<LANConfig ALLNET=\"1\"/>", "<AlarmConfig><PDAlarm Enable=\"1\"/></AlarmConfig>",
                        "<MediaStreamConfig><StreamAccess enable_dh=\"1\"/></MediaStreamConfig>"},
                       3000, 19, [](std::string_view input) {
                           VideoCaptureConfig v;
                           if (Media_getVideoCaptureByXml(input, v) == 0) {
                               VideoCaptureConfig back;
                               ASSERT_EQ(Media_getVideoCaptureByXml(XMLGET_VideoCaptureConfig(v), back), 0);
                               EXPECT_EQ(back.TVSystem, v.TVSystem);
                           }
                           LanConfig l;
                           if (Network_getLANCfgByXml(input, l) == 0) {
                               (void)XMLGET_NetworkLANConfig(l);
                           }
                           AlarmConfig a;
                           if (GetAlarmConfigByXml(input, a) == 0) {
                               (void)XMLGET_PDAlarmConfig(a);
                           }
                           MediaStreamConfig m;
                           if (GetMediaStreamConfigByXml(input, m) == 0) {
                               (void)XMLGET_MediaStreamConfig(m);
                           }
                       });
}

} // namespace
} // namespace zk::sdk::config

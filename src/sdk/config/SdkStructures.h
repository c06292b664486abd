// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sdk/config/XmlNode.h"

#include <string>
#include <string_view>
#include <vector>

// The device SDK's structure helpers: a configuration answer is read into a structure whose typed
// fields are the values the tool changes, next to the answer's whole element; turning it back into
// text starts from that element and writes only the typed fields that differ from it, so attributes
// and elements the tool does not know reach the device unchanged. Pure functions, any thread.
// Readers return 0, or kErrorBadArgument (sdk/DeviceSdk.h) when the text is not the expected
// element; the out structure is then left as it was. docs/config-structures.md shows the shapes.
namespace zk::sdk::config {

// GetDVRConfig 504, sent back with SetDVRConfig 524: root Video holding Capture.
struct VideoCaptureConfig {
    XmlNode document;
    int TVSystem = 0;  // 1 PAL, 0 NTSC
    int IrcutMode = 0; // the day/night field; 3 forces night (the night-mode demonstration)
    int IrcutOpenLedDelay = 0;
    int led_brightness_mode = 0;
    int led_brightness_value = 0;
    int led_brightness_alarm = 0;
    std::string IrcutNightStartTime; // "HH:MM:SS"
    std::string IrcutNightEndTime;
    int led_mode = 0;
    int ispadvmode = 0;
    int light_off_sensitivity = 0;
};

// GetDVRConfig 305, sent back with SetDVRConfig 325: the LANConfig element.
struct LanConfig {
    XmlNode document;
    std::string MacAddress;
    int Dhcp = 0;
    int AllNet = 0; // ONVIF on every network
    std::string IpAddress;
    std::string Netmask;
    std::string Gateway;
    std::string Dns1;
    std::string Dns2;
};

// GetDVRConfig 600, sent back with SetDVRConfig 620: root MediaStreamConfig holding StreamAccess.
struct MediaStreamConfig {
    XmlNode document;
    int Auth = 0;
    int RtpOverRtsp = 0;
    int enable_hik = 0;
    int enable_onvif = 0;
    int enable_dh = 0;
    int enable_tst = 0;
};

// The five schedules of a detection: 0 off, 1 all day, 2 daytime, 3 night.
struct AlarmSchedules {
    int EnableSchedule = 0;
    int SoundSchedule = 0;
    int PushSchedule = 0;
    int TwinkleSchedule = 0;
    int BlueRedSchedule = 0;
};

// A corner of a detection region, in percent of the picture's width and height.
struct RegionPoint {
    int X = 0;
    int Y = 0;
    bool operator==(const RegionPoint&) const = default;
};

// GetDVRConfig 800: root AlarmConfig holding MotionDetectAlarm, PDAlarm and AudioAlarm; each goes
// back on its own (SetDevcieConfig 822, 829, 827).
struct AlarmConfig {
    XmlNode document;
    struct {
        int Enable = 0;
        int ObjectType = 0; // 16 person, 1 vehicle, OR-ed
        AlarmSchedules schedules;
        // The region's corners (PDAlarm's Region child, one Point X Y each). Printed back as a
        // whole new Region only when the corners differ from the device's.
        std::vector<RegionPoint> region;
    } pd;
    struct {
        int Enable = 0;
        int Sensitivity = 0;
        int AlarmThreshold = 0;
        AlarmSchedules schedules;
    } md;
    struct {
        int Enable = 0;
        int Sensitivity = 0;
    } audio;
};

// GetDVRConfig 507: root Audio holding Capture (and Encode); its Capture goes back with 527.
struct AudioCaptureConfig {
    XmlNode document;
    int Volume = 0;
    int VolumePlay = 0;
    int amplify = 0;
    int ra_answer = 0;
};

int Media_getVideoCaptureByXml(std::string_view xml, VideoCaptureConfig& out);
int Network_getLANCfgByXml(std::string_view xml, LanConfig& out);
int GetAlarmConfigByXml(std::string_view xml, AlarmConfig& out);
int Media_getAudioCaptureByXml(std::string_view xml, AudioCaptureConfig& out);
int GetMediaStreamConfigByXml(std::string_view xml, MediaStreamConfig& out);

// The request texts; the strings are the caller's, so nothing needs releasing.
std::string XMLGET_VideoCaptureConfig(const VideoCaptureConfig& config); // <Video><Capture .../></Video>
std::string XMLGET_NetworkLANConfig(const LanConfig& config);            // <LANConfig ... />
std::string XMLGET_PDAlarmConfig(const AlarmConfig& config);             // <PDAlarm ... />
std::string XMLGET_MDAlarmConfig(const AlarmConfig& config);             // <MotionDetectAlarm ... />
std::string XMLGET_AudioAlarmConfig(const AlarmConfig& config);          // <AudioAlarm ... />
std::string XMLGET_AudioCaptureConfig(const AudioCaptureConfig& config); // <Capture ... />
std::string XMLGET_MediaStreamConfig(const MediaStreamConfig& config);   // <MediaStreamConfig>...

} // namespace zk::sdk::config

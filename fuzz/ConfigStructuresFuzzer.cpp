// SPDX-License-Identifier: GPL-3.0-or-later
// Configuration answers come from devices: any bytes must give a result, never a crash, and what a
// reader accepts must print to a text that the same reader accepts again with the same values, so a
// set request never carries something the device could not read back.
#include "sdk/config/SdkStructures.h"

#include <cstdlib>
#include <string_view>

namespace {

template <class Config, class Read, class Print, class Same>
void RoundTrip(std::string_view text, Read read, Print print, Same same) {
    Config first;
    if (read(text, first) != 0) {
        return;
    }
    const std::string printed = print(first);
    Config second;
    if (read(printed, second) != 0 || !same(first, second)) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zk::sdk::config;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    RoundTrip<VideoCaptureConfig>(text, Media_getVideoCaptureByXml, XMLGET_VideoCaptureConfig,
                                  [](const VideoCaptureConfig& a, const VideoCaptureConfig& b) {
                                      return a.TVSystem == b.TVSystem && a.IrcutMode == b.IrcutMode &&
                                             a.IrcutNightStartTime == b.IrcutNightStartTime;
                                  });
    RoundTrip<LanConfig>(text, Network_getLANCfgByXml, XMLGET_NetworkLANConfig,
                         [](const LanConfig& a, const LanConfig& b) {
                             return a.AllNet == b.AllNet && a.IpAddress == b.IpAddress && a.Dhcp == b.Dhcp;
                         });
    RoundTrip<MediaStreamConfig>(text, GetMediaStreamConfigByXml, XMLGET_MediaStreamConfig,
                                 [](const MediaStreamConfig& a, const MediaStreamConfig& b) {
                                     return a.enable_hik == b.enable_hik && a.enable_onvif == b.enable_onvif &&
                                            a.enable_dh == b.enable_dh && a.enable_tst == b.enable_tst;
                                 });
    AlarmConfig alarm;
    if (GetAlarmConfigByXml(text, alarm) == 0) {
        (void)XMLGET_PDAlarmConfig(alarm);
        (void)XMLGET_MDAlarmConfig(alarm);
        (void)XMLGET_AudioAlarmConfig(alarm);
    }
    AudioCaptureConfig audio;
    if (Media_getAudioCaptureByXml(text, audio) == 0) {
        (void)XMLGET_AudioCaptureConfig(audio);
    }
    return 0;
}

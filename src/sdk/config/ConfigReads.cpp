// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/config/ConfigReads.h"

#include "sdk/batch/BatchRunner.h"
#include "sdk/config/SdkStructures.h"

namespace zk::sdk::config {
namespace {

// A read rule for one structure: its reader and writer.
template <class Config>
batch::ReadModifyWrite RuleFor(int setCode, int (*read)(std::string_view, Config&), std::string (*write)(const Config&),
                               bool answerDecides = false) {
    batch::ReadModifyWrite rule;
    rule.setCode = setCode;
    rule.parse = [read](std::string_view answer) -> std::optional<std::any> {
        Config config;
        if (read(answer, config) != 0) {
            return std::nullopt;
        }
        return std::any(std::move(config));
    };
    rule.build = [write](const std::any& settings) { return write(std::any_cast<const Config&>(settings)); };
    rule.answerDecides = answerDecides;
    return rule;
}

} // namespace

void RegisterConfigReads(batch::BatchRunner& runner) {
    runner.SetReadModifyWrite(
        kReadVideoCapture,
        RuleFor<VideoCaptureConfig>(kSetVideoCapture, &Media_getVideoCaptureByXml, &XMLGET_VideoCaptureConfig));
    runner.SetReadModifyWrite(kReadLan, RuleFor<LanConfig>(kSetLan, &Network_getLANCfgByXml, &XMLGET_NetworkLANConfig));
    runner.SetReadModifyWrite(kReadMediaStream, RuleFor<MediaStreamConfig>(kSetMediaStream, &GetMediaStreamConfigByXml,
                                                                           &XMLGET_MediaStreamConfig, true));
    batch::ReadModifyWrite alarms = RuleFor<AlarmConfig>(kSetPdAlarm, &GetAlarmConfigByXml, &XMLGET_PDAlarmConfig);
    alarms.deviceConfig = true;
    auto following = [](int code, std::string (*write)(const AlarmConfig&)) {
        return batch::ReadModifyWrite::FollowingSet{code, true, [write](const std::any& settings) {
                                                        return write(std::any_cast<const AlarmConfig&>(settings));
                                                    }};
    };
    alarms.following = {following(kSetMotionAlarm, &XMLGET_MDAlarmConfig),
                        following(kSetAudioAlarm, &XMLGET_AudioAlarmConfig)};
    runner.SetReadModifyWrite(kReadAlarms, std::move(alarms));
}

} // namespace zk::sdk::config

// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/AlarmText.h"

#include "base/LanguageTable.h"

#include <utility>

namespace zk::sdk {
namespace {

using KeyOf = std::pair<int, const char*>;

constexpr KeyOf kObjectClassKeys[] = {
    {1, ZK_TEXT_KEY("IDS_HUMAN")},
    {2, ZK_TEXT_KEY("IDS_VEHICLESHAPE_CAR")},
    {3, ZK_TEXT_KEY("IDS_VEHICLESHAPE_MOTO")},
    {4, ZK_TEXT_KEY("IDS_VEHICLESHAPE_ELECTRICBICYCLE")},
    {5, ZK_TEXT_KEY("IDS_VEHICLESHAPE_BICYCLE")},
    {6, ZK_TEXT_KEY("IDS_LPR")},
    {7, ZK_TEXT_KEY("ALARM_AI_VIDEO_GATE")},
    {8, ZK_TEXT_KEY("ALARM_AI_FIRE")},
    {9, ZK_TEXT_KEY("ALARM_AI_FACEDETECT")},
    {10, ZK_TEXT_KEY("ALARM_AI_VIDEO_REGION_DETECT")},
    {13, ZK_TEXT_KEY("ALARM_AI_VIDEO_FALLINGOBJECT")},
};

constexpr KeyOf kAlarmCodeKeys[] = {
    {1, ZK_TEXT_KEY("ALARM_CODE_LINKDOWN")},
    {2, ZK_TEXT_KEY("ALARM_CODE_LINKUP")},
    {3, ZK_TEXT_KEY("ALARM_CODE_USB_PLUG")},
    {4, ZK_TEXT_KEY("ALARM_CODE_USB_UNPLUG")},
    {5, ZK_TEXT_KEY("ALARM_CODE_SD0_PLUG")},
    {6, ZK_TEXT_KEY("ALARM_CODE_SD0_UNPLUG")},
    {7, ZK_TEXT_KEY("ALARM_CODE_SD1_PLUG")},
    {8, ZK_TEXT_KEY("ALARM_CODE_SD1_UNPLUG")},
    {9, ZK_TEXT_KEY("ALARM_CODE_USB_FREESPACE_LOW")},
    {10, ZK_TEXT_KEY("ALARM_CODE_SD0_FREESPACE_LOW")},
    {11, ZK_TEXT_KEY("ALARM_CODE_SD1_FREESPACE_LOW")},
    {12, ZK_TEXT_KEY("ALARM_CODE_VIDEO_LOST")},
    {13, ZK_TEXT_KEY("ALARM_CODE_VIDEO_COVERD")},
    {14, ZK_TEXT_KEY("ALARM_CODE_MOTION_DETECT")},
    {15, ZK_TEXT_KEY("ALARM_CODE_GPIO3_HIGH2LOW")},
    {16, ZK_TEXT_KEY("ALARM_CODE_GPIO3_LOW2HIGH")},
    {17, ZK_TEXT_KEY("ALARM_CODE_STORAGE_FREESPACE_LOW")},
    {18, ZK_TEXT_KEY("ALARM_CODE_RECORD_START")},
    {19, ZK_TEXT_KEY("ALARM_CODE_RECORD_FINISHED")},
    {20, ZK_TEXT_KEY("ALARM_CODE_RECORD_FAILED")},
    {23, ZK_TEXT_KEY("ALARM_CODE_JPEG_CAPTURED")},
    {24, ZK_TEXT_KEY("ALARM_CODE_RS485_DATA")},
    {25, ZK_TEXT_KEY("ALARM_CODE_SAME_IP")},
    {26, ZK_TEXT_KEY("ALARM_CODE_HW130_PIR")},
    {27, ZK_TEXT_KEY("ALARM_CODE_LPR")},
    {28, ZK_TEXT_KEY("ALARM_CODE_AUDIO_BABYCRY")},
    {29, ZK_TEXT_KEY("ALARM_CODE_AUDIO_LSA")},
    {30, ZK_TEXT_KEY("ALARM_CODE_VIDEO_FORMAT_CHANGED")},
    {31, ZK_TEXT_KEY("ALARM_CODE_VIDEO_GATE")},
    {32, ZK_TEXT_KEY("ALARM_CODE_RESET_TO_FACTORY")},
    {33, ZK_TEXT_KEY("ALARM_CODE_MOTION_DETECT_DISAPPEAR")},
    {34, ZK_TEXT_KEY("ALARM_CODE_IO_ALARM")},
    {35, ZK_TEXT_KEY("ALARM_CODE_IO_ALARM_FINISH")},
    {36, ZK_TEXT_KEY("ALARM_CODE_GPS_INFO")},
    {37, ZK_TEXT_KEY("ALARM_CODE_EMERGENCY_CALL")},
    {38, ZK_TEXT_KEY("ALARM_CODE_VIDEO_GATE_FINISH")},
    {39, ZK_TEXT_KEY("ALARM_CODE_CONFIG_CHANGED")},
    {40, ZK_TEXT_KEY("ALARM_CODE_BEGIN_REBOOT")},
    {41, ZK_TEXT_KEY("ALARM_CODE_TEMP_HUMID_ALARM")},
    {42, ZK_TEXT_KEY("ALARM_CODE_EXTERNAL_IO_ALARM")},
    {43, ZK_TEXT_KEY("ALARM_CODE_EXTERNAL_IO_ALARM_FINISH")},
    {47, ZK_TEXT_KEY("ALARM_CODE_FILE_READY_FOR_DOWNLOAD")},
    {150, ZK_TEXT_KEY("ALARM_CODE_CALL")},
    {151, ZK_TEXT_KEY("ALARM_CODE_CALL_CALLOUT")},
    {152, ZK_TEXT_KEY("ALARM_CODE_CALL_THROUGH")},
    {153, ZK_TEXT_KEY("ALARM_CODE_CALL_HANGUP")},
    {154, ZK_TEXT_KEY("ALARM_CODE_CALL_TOHANGUP")},
    {200, ZK_TEXT_KEY("ALARM_CODE_ILLEGAL_MODIFY")},
};

template <std::size_t N>
const char* KeyFor(const KeyOf (&table)[N], int value, const char* otherwise) {
    for (const auto& [number, key] : table) {
        if (number == value) {
            return key;
        }
    }
    return otherwise;
}

} // namespace

QString AlarmStatusText(const AlarmRecord& alarm, const base::LanguageTable& texts) {
    if (alarm.AlarmCode == kAlarmVideoAnalysisStart || alarm.AlarmCode == kAlarmVideoAnalysisEnd) {
        const char* object = KeyFor(kObjectClassKeys, alarm.ObjectClass, ZK_TEXT_KEY("ALARM_CODE_VIDEO_AI"));
        const char* change =
            alarm.AlarmCode == kAlarmVideoAnalysisStart ? ZK_TEXT_KEY("IDS_ALARM") : ZK_TEXT_KEY("IDS_DISAPEAR");
        return texts.GetText(object) + texts.GetText(change);
    }
    return texts.GetText(KeyFor(kAlarmCodeKeys, alarm.AlarmCode, ZK_TEXT_KEY("IDS_ALARM")));
}

} // namespace zk::sdk

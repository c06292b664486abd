// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sdk/media/MediaParams.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QComboBox;

namespace zk::base {
class Prompt;
}

namespace zk::sdk::media {

// The smart detection batch's window (button 1298): five schedules (detection, alarm sound,
// flashing light, red-blue light, app push), each off, all day, daytime or night, and what is
// detected (person, vehicle, sound, motion) with the choice to reset the detection region to the
// whole picture. OK refuses what CheckSmartDetect refuses, with its message under "ERROR", and
// stays open. Window thread only; the prompt must outlive the window.
class CBatchSetPDDlg final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CBatchSetPDDlg)

public:
    CBatchSetPDDlg(const SmartDetectParams& initial, base::Prompt& prompt, QWidget* parent = nullptr);

    // The block as OK stored it; the initial one until then.
    const SmartDetectParams& Params() const { return m_params; }

    // The schedule boxes in the window's order: "IDS_STR_ENABLE_STATUS",
    // "IDS_STR_AUDIOACTION_ENABLE", "IDS_TWINKLE_LIGHT", "IDS_BLUE_RED_LIGHT", "IDS_PUSHAPP"; each
    // item's index is its schedule (ScheduleKeys()).
    enum Schedule { kEnable, kSound, kTwinkle, kBlueRed, kPush, kScheduleBoxes };
    QComboBox* ScheduleBox(Schedule schedule) const { return m_schedules[schedule]; }
    // The check boxes in the window's order: "IDS_HUMAN", "IDS_VEHICLESHAPE_CAR",
    // "IDS_AUDIO_DETECT", "ALARM_CODE_MOTION_DETECT", "STR_RESET_REGION".
    enum Object { kPerson, kVehicle, kSoundDetect, kMotion, kResetRegion, kObjectBoxes };
    QCheckBox* ObjectBox(Object object) const { return m_objects[object]; }

public slots:
    void accept() override;

private:
    base::Prompt& m_prompt;
    SmartDetectParams m_params;
    std::array<QComboBox*, kScheduleBoxes> m_schedules{};
    std::array<QCheckBox*, kObjectBoxes> m_objects{};
};

} // namespace zk::sdk::media

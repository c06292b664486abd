// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/media/gui/CBatchSetPDDlg.h"

#include "base/LanguageTable.h"
#include "sdk/media/gui/BlockFields.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QVBoxLayout>

namespace zk::sdk::media {

using base::GetText;
using S = SmartDetectParams;

namespace {

// Each box of the window with the value of the block it edits.
constexpr std::array<std::pair<const char*, std::int32_t S::*>, CBatchSetPDDlg::kScheduleBoxes> kScheduleFields{{
    {ZK_TEXT_KEY("IDS_STR_ENABLE_STATUS"), &S::enableSchedule},
    {ZK_TEXT_KEY("IDS_STR_AUDIOACTION_ENABLE"), &S::soundSchedule},
    {ZK_TEXT_KEY("IDS_TWINKLE_LIGHT"), &S::twinkleSchedule},
    {ZK_TEXT_KEY("IDS_BLUE_RED_LIGHT"), &S::blueRedSchedule},
    {ZK_TEXT_KEY("IDS_PUSHAPP"), &S::pushSchedule},
}};
constexpr std::array<std::pair<const char*, std::int32_t S::*>, CBatchSetPDDlg::kObjectBoxes> kObjectFields{{
    {ZK_TEXT_KEY("IDS_HUMAN"), &S::person},
    {ZK_TEXT_KEY("IDS_VEHICLESHAPE_CAR"), &S::vehicle},
    {ZK_TEXT_KEY("IDS_AUDIO_DETECT"), &S::sound},
    {ZK_TEXT_KEY("ALARM_CODE_MOTION_DETECT"), &S::motion},
    {ZK_TEXT_KEY("STR_RESET_REGION"), &S::resetRegion},
}};

} // namespace

CBatchSetPDDlg::CBatchSetPDDlg(const SmartDetectParams& initial, base::Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_prompt(prompt), m_params(initial) {
    setWindowTitle(GetText("ALARM_CODE_AI_DETECT_SETTING"));
    auto* schedules = new QGroupBox(GetText("MEDIA_SCHEDULES"), this);
    auto* scheduleForm = new QFormLayout(schedules);
    for (std::size_t i = 0; i < kScheduleFields.size(); ++i) {
        const auto& [titleKey, field] = kScheduleFields[i];
        auto* box = new QComboBox(this);
        for (const char* key : ScheduleKeys()) {
            box->addItem(GetText(key));
        }
        // A schedule the box does not offer shows as off; OK then stores off.
        const int value = initial.*field;
        box->setCurrentIndex(value >= 0 && value < kScheduleCount ? value : 0);
        scheduleForm->addRow(GetText(titleKey), box);
        m_schedules[i] = box;
    }
    auto* objects = new QGroupBox(GetText("MEDIA_DETECTION"), this);
    auto* objectRows = new QVBoxLayout(objects);
    for (std::size_t i = 0; i < kObjectFields.size(); ++i) {
        const auto& [key, field] = kObjectFields[i];
        auto* box = new QCheckBox(GetText(key), this);
        box->setChecked(initial.*field != 0);
        objectRows->addWidget(box);
        m_objects[i] = box;
    }
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(schedules);
    layout->addWidget(objects);
    layout->addWidget(OkCancelButtons(*this));
}

void CBatchSetPDDlg::accept() {
    SmartDetectParams params;
    for (std::size_t i = 0; i < kScheduleFields.size(); ++i) {
        params.*kScheduleFields[i].second = m_schedules[i]->currentIndex();
    }
    for (std::size_t i = 0; i < kObjectFields.size(); ++i) {
        params.*kObjectFields[i].second = m_objects[i]->isChecked() ? 1 : 0;
    }
    if (const Refusal refusal = CheckSmartDetect(params)) {
        ShowRefusal(m_prompt, QStringLiteral("ERROR"), refusal);
        return;
    }
    m_params = params;
    QDialog::accept();
}

} // namespace zk::sdk::media

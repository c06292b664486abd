// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sdk/media/MediaParams.h"

#include <QDialog>

class QComboBox;
class QLineEdit;

namespace zk::base {
class Prompt;
}

namespace zk::sdk::media {

// The motion detection batch's window (button 13, "移动侦测批量设置"): the alarm off or on, the
// sensitivity and the alarm threshold (1..100), and the region grid chosen from MotionGrids()
// ("4X3" unless the block holds another grid). OK refuses what CheckMotionDetect refuses, showing
// its text as it stands under "ERROR", and stays open. Window thread only; the prompt must outlive
// the window.
class CMdAlarmDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CMdAlarmDialog)

public:
    CMdAlarmDialog(const MotionDetectParams& initial, base::Prompt& prompt, QWidget* parent = nullptr);

    // The block as OK stored it; the initial one until then.
    const MotionDetectParams& Params() const { return m_params; }

    // Items "DISABLE" (data 0) and "ENABLE" (data 1).
    QComboBox* EnableBox() const { return m_enable; }
    QLineEdit* SensitivityEdit() const { return m_sensitivity; }
    QLineEdit* ThresholdEdit() const { return m_threshold; }
    // The grids as "CxR" texts.
    QComboBox* GridBox() const { return m_grid; }

public slots:
    void accept() override;

private:
    base::Prompt& m_prompt;
    MotionDetectParams m_params;
    QComboBox* m_enable;
    QLineEdit* m_sensitivity;
    QLineEdit* m_threshold;
    QComboBox* m_grid;
};

} // namespace zk::sdk::media

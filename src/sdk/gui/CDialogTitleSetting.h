// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/CSaveParam.h"
#include "sdk/system/TitleRequests.h"

#include <QDialog>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;

namespace zk::base {
class Prompt;
}

namespace zk::sdk {

// The title batch's dialog: the on-screen display block of the settings file (shown or not,
// transparency, one of seven styles, font size, day of the week, where the time goes and how it
// reads, where the title goes and what it says) and which of each device's own values are added to
// its title. OK refuses a title longer than the block keeps with a message and stays open. Window
// thread only; the prompt must outlive the dialog.
class CDialogTitleSetting final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CDialogTitleSetting)

public:
    CDialogTitleSetting(const base::OverlayParam& overlay, const system::TitleExtras& extras, base::Prompt& prompt,
                        QWidget* parent = nullptr);

    // The block and extras as OK stored them; the initial ones until then.
    const base::OverlayParam& Overlay() const { return m_overlay; }
    const system::TitleExtras& Extras() const { return m_extras; }

    QCheckBox* EnableBox() const { return m_enable; }
    QSpinBox* TransparencyBox() const { return m_transparency; }
    // The style buttons' ids are the styles, 1..7.
    QButtonGroup* StyleGroup() const { return m_styles; }
    QSpinBox* FontSizeBox() const { return m_fontSize; }
    QCheckBox* WeekBox() const { return m_week; }
    // Position lists: the item index is the position choice (system::ApplyPositionChoice).
    QComboBox* TimePositionBox() const { return m_timePosition; }
    QComboBox* TimeFormatBox() const { return m_timeFormat; }
    QComboBox* TitlePositionBox() const { return m_titlePosition; }
    QLineEdit* TitleEdit() const { return m_title; }
    QCheckBox* ModelBox() const { return m_model; }
    QCheckBox* IpBox() const { return m_ip; }
    QCheckBox* SerialBox() const { return m_serial; }

public slots:
    void accept() override;

private:
    base::Prompt& m_prompt;
    base::OverlayParam m_overlay;
    system::TitleExtras m_extras;
    QCheckBox* m_enable;
    QSpinBox* m_transparency;
    QButtonGroup* m_styles;
    QSpinBox* m_fontSize;
    QCheckBox* m_week;
    QComboBox* m_timePosition;
    QComboBox* m_timeFormat;
    QComboBox* m_titlePosition;
    QLineEdit* m_title;
    QCheckBox* m_model;
    QCheckBox* m_ip;
    QCheckBox* m_serial;
};

} // namespace zk::sdk

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sdk/system/SystemRequests.h"

#include <QDialog>

class QComboBox;
class QTimeEdit;

namespace zk::sdk {

// The scheduled maintenance dialog of the maintenance batch: whether devices restart by themselves,
// on which day (Monday .. Sunday, or every day) and at what time. Window thread only.
class CSYSRMDlg final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CSYSRMDlg)

public:
    // Index of the enable list's entries.
    static constexpr int kOff = 0;
    static constexpr int kOn = 1;

    // Opens on the given choice (a day out of range opens on every day, a time that does not
    // read as HH:MM:SS on 03:00:00).
    explicit CSYSRMDlg(const system::MaintenanceChoice& initial, QWidget* parent = nullptr);

    // The choice as OK stored it; the initial choice until then.
    const system::MaintenanceChoice& Choice() const { return m_choice; }

    QComboBox* EnableBox() const { return m_enable; }
    QComboBox* DayBox() const { return m_day; }
    QTimeEdit* TimeEdit() const { return m_time; }

public slots:
    void accept() override;

private:
    system::MaintenanceChoice m_choice;
    QComboBox* m_enable;
    QComboBox* m_day;
    QTimeEdit* m_time;
};

} // namespace zk::sdk

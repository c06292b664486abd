// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sdk/system/TimeRequests.h"
#include "sdk/system/TimeZoneList.h"

#include <QDialog>

#include <vector>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace zk::base {
class Prompt;
}

namespace zk::sdk {

// The time settings batch's dialog: how devices keep their clocks (NTP, manual, P2P), their time
// zone (the list read from the time-zone file), the NTP server, port and refresh interval, and
// summer time (on, following the zone's own rules, offset, start and end). With "automatic" on and
// a zone whose entry has rules, start and end show those rules and cannot be edited. OK refuses a
// server that is no address or a netmask and a port or interval out of range, with the message of
// the check (system::TimeProblem), and stays open. Window thread only; the prompt must outlive the
// dialog.
class CSYSTimeSet final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CSYSTimeSet)

public:
    // The summer time offsets offered, in minutes.
    static constexpr int kOffsets[] = {30, 60, 90, 120};

    // A zone the list does not hold is offered under its "GMT+HH:MM" name, so OK keeps it.
    CSYSTimeSet(const system::TimeChoice& initial, std::vector<system::TimeZoneItem> zones, base::Prompt& prompt,
                QWidget* parent = nullptr);

    // The choice as OK stored it; the initial one until then.
    const system::TimeChoice& Choice() const { return m_choice; }

    // The mode list's index is the mode choice (system::TimeModeChoice); the zone list's items
    // carry their zone value as data.
    QComboBox* ModeBox() const { return m_mode; }
    QComboBox* ZoneBox() const { return m_zone; }
    QLineEdit* ServerEdit() const { return m_server; }
    QLineEdit* PortEdit() const { return m_port; }
    QLineEdit* IntervalEdit() const { return m_interval; }
    QCheckBox* SummerBox() const { return m_summer; }
    QCheckBox* AutomaticBox() const { return m_automatic; }
    QComboBox* OffsetBox() const { return m_offset; }
    // The rule lists: month 1..12, week 1..5 (5 the last), weekday 0 Sunday .. 6, hour 0..23, each
    // item's data its value.
    struct RuleBoxes {
        QComboBox* month;
        QComboBox* week;
        QComboBox* weekday;
        QComboBox* hour;
    };
    const RuleBoxes& StartBoxes() const { return m_start; }
    const RuleBoxes& EndBoxes() const { return m_end; }

public slots:
    void accept() override;

private:
    RuleBoxes MakeRuleBoxes(const system::SummerTimeRule& rule);
    // Shows the zone's own rules when summer time follows them, and enables what can be edited.
    void FollowZone();

    base::Prompt& m_prompt;
    system::TimeChoice m_choice;
    std::vector<system::TimeZoneItem> m_zones;
    QComboBox* m_mode;
    QComboBox* m_zone;
    QLineEdit* m_server;
    QLineEdit* m_port;
    QLineEdit* m_interval;
    QCheckBox* m_summer;
    QCheckBox* m_automatic;
    QComboBox* m_offset;
    RuleBoxes m_start{};
    RuleBoxes m_end{};
};

} // namespace zk::sdk

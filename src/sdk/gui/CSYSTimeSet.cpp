// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/gui/CSYSTimeSet.h"

#include "base/LanguageTable.h"
#include "base/Prompt.h"
#include "platform/TextCodec.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace zk::sdk {
namespace {

using base::GetText;

constexpr const char* kModeKeys[] = {ZK_TEXT_KEY("TIME_MODE_NTP"), ZK_TEXT_KEY("TIME_MODE_MANUAL"),
                                     ZK_TEXT_KEY("TIME_MODE_P2P")};
constexpr const char* kWeekKeys[] = {ZK_TEXT_KEY("TIME_DST_WEEK_1"), ZK_TEXT_KEY("TIME_DST_WEEK_2"),
                                     ZK_TEXT_KEY("TIME_DST_WEEK_3"), ZK_TEXT_KEY("TIME_DST_WEEK_4"),
                                     ZK_TEXT_KEY("TIME_DST_WEEK_LAST")};
constexpr const char* kWeekdayKeys[] = {
    ZK_TEXT_KEY("IDS_STR_ZH_CN_SUN"), ZK_TEXT_KEY("IDS_STR_ZH_CN_MON"), ZK_TEXT_KEY("IDS_STR_ZH_CN_TUE"),
    ZK_TEXT_KEY("IDS_STR_ZH_CN_WED"), ZK_TEXT_KEY("IDS_STR_ZH_CN_THU"), ZK_TEXT_KEY("IDS_STR_ZH_CN_FRI"),
    ZK_TEXT_KEY("IDS_STR_ZH_CN_SAT"),
};

// Selects the item carrying this value; an unknown value selects the first.
void Select(QComboBox* box, int value) {
    box->setCurrentIndex(std::max(0, box->findData(value)));
}

QLineEdit* NumberEdit(int value, QWidget* parent) {
    auto* edit = new QLineEdit(QString::number(value), parent);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,6}")), edit));
    return edit;
}

system::SummerTimeRule RuleOf(const CSYSTimeSet::RuleBoxes& boxes) {
    return {boxes.month->currentData().toInt(), boxes.week->currentData().toInt(), boxes.weekday->currentData().toInt(),
            boxes.hour->currentData().toInt()};
}

void ShowRule(const CSYSTimeSet::RuleBoxes& boxes, const system::SummerTimeRule& rule) {
    Select(boxes.month, rule.month);
    Select(boxes.week, rule.week);
    Select(boxes.weekday, rule.weekday);
    Select(boxes.hour, rule.hour);
}

void EnableRule(const CSYSTimeSet::RuleBoxes& boxes, bool enabled) {
    for (QComboBox* box : {boxes.month, boxes.week, boxes.weekday, boxes.hour}) {
        box->setEnabled(enabled);
    }
}

} // namespace

CSYSTimeSet::CSYSTimeSet(const system::TimeChoice& initial, std::vector<system::TimeZoneItem> zones,
                         base::Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_prompt(prompt), m_choice(initial), m_zones(std::move(zones)), m_mode(new QComboBox(this)),
      m_zone(new QComboBox(this)), m_server(new QLineEdit(platform::AnsiToWide(initial.ntpServer), this)),
      m_port(NumberEdit(initial.ntpPort, this)), m_interval(NumberEdit(initial.ntpIntervalMinutes, this)),
      m_summer(new QCheckBox(GetText("TIME_DST_ENABLE"), this)),
      m_automatic(new QCheckBox(GetText("TIME_DST_AUTO"), this)), m_offset(new QComboBox(this)) {
    setWindowTitle(GetText("MENU_TIME_SETTINGS"));
    for (const char* key : kModeKeys) {
        m_mode->addItem(GetText(key));
    }
    m_mode->setCurrentIndex(system::TimeModeChoice(initial.mode));

    for (const system::TimeZoneItem& item : m_zones) {
        m_zone->addItem(item.name, item.zone);
    }
    if (m_zone->findData(initial.zone) < 0) {
        m_zone->addItem(QString::fromStdString(system::ZoneName(initial.zone)), initial.zone);
    }
    m_zone->setCurrentIndex(m_zone->findData(initial.zone));

    for (const int minutes : kOffsets) {
        m_offset->addItem(QString::number(minutes), minutes);
    }
    if (m_offset->findData(initial.summer.offsetMinutes) < 0) {
        m_offset->addItem(QString::number(initial.summer.offsetMinutes), initial.summer.offsetMinutes);
    }
    Select(m_offset, initial.summer.offsetMinutes);
    m_summer->setChecked(initial.summer.enable);
    m_automatic->setChecked(initial.summer.automatic);
    m_start = MakeRuleBoxes(initial.summer.start);
    m_end = MakeRuleBoxes(initial.summer.end);

    auto* ntpBox = new QGroupBox(GetText("TIME_NTP"), this);
    auto* ntpForm = new QFormLayout(ntpBox);
    ntpForm->addRow(GetText("TIME_NTP_SERVER"), m_server);
    ntpForm->addRow(GetText("TIME_NTP_PORT"), m_port);
    ntpForm->addRow(GetText("TIME_NTP_INTERVAL"), m_interval);

    auto* summerBox = new QGroupBox(GetText("TIME_DST"), this);
    auto* summerForm = new QFormLayout(summerBox);
    summerForm->addRow(m_summer);
    summerForm->addRow(m_automatic);
    summerForm->addRow(GetText("TIME_DST_OFFSET"), m_offset);
    for (const auto& [key, boxes] :
         {std::pair{ZK_TEXT_KEY("TIME_DST_START"), m_start}, std::pair{ZK_TEXT_KEY("TIME_DST_END"), m_end}}) {
        auto* row = new QHBoxLayout;
        for (QComboBox* box : {boxes.month, boxes.week, boxes.weekday, boxes.hour}) {
            row->addWidget(box);
        }
        summerForm->addRow(GetText(key), row);
    }

    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->addRow(GetText("TIME_MODE"), m_mode);
    form->addRow(GetText("TIME_ZONE"), m_zone);
    layout->addLayout(form);
    layout->addWidget(ntpBox);
    layout->addWidget(summerBox);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(GetText("CANCEL"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSYSTimeSet::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_zone, &QComboBox::currentIndexChanged, this, &CSYSTimeSet::FollowZone);
    connect(m_summer, &QCheckBox::toggled, this, &CSYSTimeSet::FollowZone);
    connect(m_automatic, &QCheckBox::toggled, this, &CSYSTimeSet::FollowZone);
    FollowZone();
}

CSYSTimeSet::RuleBoxes CSYSTimeSet::MakeRuleBoxes(const system::SummerTimeRule& rule) {
    RuleBoxes boxes{new QComboBox(this), new QComboBox(this), new QComboBox(this), new QComboBox(this)};
    for (int month = 1; month <= 12; ++month) {
        boxes.month->addItem(QString::number(month), month);
    }
    for (int week = 1; week <= 5; ++week) {
        boxes.week->addItem(GetText(kWeekKeys[week - 1]), week);
    }
    for (int weekday = 0; weekday <= 6; ++weekday) {
        boxes.weekday->addItem(GetText(kWeekdayKeys[weekday]), weekday);
    }
    for (int hour = 0; hour <= 23; ++hour) {
        boxes.hour->addItem(QStringLiteral("%1:00").arg(hour, 2, 10, QLatin1Char('0')), hour);
    }
    ShowRule(boxes, rule);
    return boxes;
}

void CSYSTimeSet::FollowZone() {
    const int index = m_zone->currentIndex();
    const system::TimeZoneItem* item = index >= 0 && static_cast<std::size_t>(index) < m_zones.size()
                                           ? &m_zones[static_cast<std::size_t>(index)]
                                           : nullptr;
    const bool zoneRules = m_automatic->isChecked() && item != nullptr && item->start && item->end;
    if (zoneRules) {
        ShowRule(m_start, *item->start);
        ShowRule(m_end, *item->end);
    }
    const bool summer = m_summer->isChecked();
    m_automatic->setEnabled(summer);
    m_offset->setEnabled(summer);
    EnableRule(m_start, summer && !zoneRules);
    EnableRule(m_end, summer && !zoneRules);
}

void CSYSTimeSet::accept() {
    system::TimeChoice choice;
    choice.mode = system::TimeModeName(m_mode->currentIndex());
    choice.zone = m_zone->currentData().toInt();
    choice.ntpServer = platform::WideToAnsi(m_server->text().trimmed());
    choice.ntpPort = m_port->text().toInt();
    choice.ntpIntervalMinutes = m_interval->text().toInt();
    choice.summer.enable = m_summer->isChecked();
    choice.summer.automatic = m_automatic->isChecked();
    choice.summer.offsetMinutes = m_offset->currentData().toInt();
    choice.summer.start = RuleOf(m_start);
    choice.summer.end = RuleOf(m_end);
    if (const char* problem = system::TimeProblem(choice)) {
        m_prompt.ShowMessage(QStringLiteral("ERROR"), GetText(problem), base::PromptIcon::Error);
        return;
    }
    m_choice = choice;
    QDialog::accept();
}

} // namespace zk::sdk

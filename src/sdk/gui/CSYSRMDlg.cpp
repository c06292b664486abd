// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/gui/CSYSRMDlg.h"

#include "base/LanguageTable.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QPushButton>
#include <QTime>
#include <QTimeEdit>

namespace zk::sdk {
namespace {

const QString kTimeFormat = QStringLiteral("HH:mm:ss");

} // namespace

CSYSRMDlg::CSYSRMDlg(const system::MaintenanceChoice& initial, QWidget* parent)
    : QDialog(parent), m_choice(initial), m_enable(new QComboBox(this)), m_day(new QComboBox(this)),
      m_time(new QTimeEdit(this)) {
    setWindowTitle(base::GetText("MAIN_BATCH_MAINTENANCE"));
    m_enable->addItem(base::GetText("STRING_CLOSE"));
    m_enable->addItem(base::GetText("ENABLE"));
    m_enable->setCurrentIndex(initial.enable ? kOn : kOff);
    for (int day = 0; day <= system::kMaintenanceEveryDay; ++day) {
        m_day->addItem(base::GetText(system::MaintenanceDayKey(day)));
    }
    m_day->setCurrentIndex(
        initial.day >= 0 && initial.day <= system::kMaintenanceEveryDay ? initial.day : system::kMaintenanceEveryDay);
    m_time->setDisplayFormat(kTimeFormat);
    const QTime time = QTime::fromString(QString::fromStdString(initial.time), kTimeFormat);
    m_time->setTime(time.isValid() ? time : QTime(3, 0, 0));

    auto* form = new QFormLayout(this);
    form->addRow(base::GetText("MAINTAIN_ENABLE"), m_enable);
    form->addRow(base::GetText("MAINTAIN_DAY"), m_day);
    form->addRow(base::GetText("MAINTAIN_TIME"), m_time);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(base::GetText("CANCEL"));
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CSYSRMDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void CSYSRMDlg::accept() {
    const QTime time = m_time->time();
    m_choice.enable = m_enable->currentIndex() == kOn;
    m_choice.day = m_day->currentIndex();
    m_choice.time = system::MaintenanceTime(time.hour(), time.minute(), time.second());
    QDialog::accept();
}

} // namespace zk::sdk

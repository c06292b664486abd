// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/media/gui/CMdAlarmDialog.h"

#include "base/LanguageTable.h"
#include "sdk/media/gui/BlockFields.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>

#include <limits>

namespace zk::sdk::media {

using base::GetText;

namespace {
constexpr const char* kDefaultGrid = "4X3";
} // namespace

CMdAlarmDialog::CMdAlarmDialog(const MotionDetectParams& initial, base::Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_prompt(prompt), m_params(initial), m_enable(new QComboBox(this)),
      m_sensitivity(NumberEdit(initial.sensitivity, this)), m_threshold(NumberEdit(initial.threshold, this)),
      m_grid(new QComboBox(this)) {
    setWindowTitle(QStringLiteral(u"移动侦测批量设置"));
    m_enable->addItem(GetText("DISABLE"), 0);
    m_enable->addItem(GetText("ENABLE"), 1);
    m_enable->setCurrentIndex(initial.enable != 0 ? 1 : 0);

    // The block's grid is selected by its size, whichever way its name is written.
    int selected = -1;
    for (const std::string& grid : MotionGrids()) {
        const auto size = ParseGrid(grid);
        if (size && size->first == initial.columns && size->second == initial.rows) {
            selected = m_grid->count();
        }
        m_grid->addItem(QString::fromStdString(grid));
    }
    m_grid->setCurrentIndex(selected >= 0 ? selected : m_grid->findText(QLatin1StringView(kDefaultGrid)));

    auto* form = new QFormLayout(this);
    form->addRow(GetText("MEDIA_ALARM"), m_enable);
    form->addRow(GetText("MEDIA_MD_SENSITIVITY"), m_sensitivity);
    form->addRow(GetText("MEDIA_MD_THRESHOLD"), m_threshold);
    form->addRow(GetText("MEDIA_MD_GRID"), m_grid);
    form->addRow(OkCancelButtons(*this));
}

void CMdAlarmDialog::accept() {
    constexpr long long low = std::numeric_limits<int>::min();
    constexpr long long high = std::numeric_limits<int>::max();
    MotionDetectParams params;
    params.enable = m_enable->currentData().toInt();
    params.sensitivity = static_cast<int>(NumberOf(*m_sensitivity, low, high));
    params.threshold = static_cast<int>(NumberOf(*m_threshold, low, high));
    if (const auto size = ParseGrid(m_grid->currentText().toStdString())) {
        params.columns = size->first;
        params.rows = size->second;
    }
    if (const Refusal refusal = CheckMotionDetect(params)) {
        ShowRefusal(m_prompt, QStringLiteral("ERROR"), refusal);
        return;
    }
    m_params = params;
    QDialog::accept();
}

} // namespace zk::sdk::media

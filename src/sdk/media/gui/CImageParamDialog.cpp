// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/media/gui/CImageParamDialog.h"

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
// The gain of a block that names no choice: ISO_3200.
constexpr int kDefaultGain = ImageTuningParams{}.gain;
} // namespace

CImageParamDialog::CImageParamDialog(const ImageTuningParams& initial, base::Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_prompt(prompt), m_params(initial), m_mctf(NumberEdit(initial.mctf, this)),
      m_shutter(NumberEdit(initial.shuttermax, this)), m_gain(new QComboBox(this)) {
    setWindowTitle(QStringLiteral(u"图像参数"));
    for (const GainChoice& choice : GainChoices()) {
        m_gain->addItem(QString::fromLatin1(choice.name), choice.value);
    }
    int index = m_gain->findData(initial.gain);
    if (index < 0) {
        index = m_gain->findData(kDefaultGain);
    }
    m_gain->setCurrentIndex(index);

    auto* form = new QFormLayout(this);
    form->addRow(GetText("MEDIA_MCTF"), m_mctf);
    form->addRow(GetText("MEDIA_SHUTTER_MAX"), m_shutter);
    form->addRow(GetText("MEDIA_GAIN_VALUE"), m_gain);
    form->addRow(OkCancelButtons(*this));
}

void CImageParamDialog::accept() {
    constexpr long long low = std::numeric_limits<int>::min();
    constexpr long long high = std::numeric_limits<int>::max();
    ImageTuningParams params;
    params.mctf = static_cast<int>(NumberOf(*m_mctf, low, high));
    params.shuttermax = static_cast<int>(NumberOf(*m_shutter, low, high));
    params.gain = m_gain->currentData().toInt();
    if (const Refusal refusal = CheckImageTuning(params)) {
        ShowRefusal(m_prompt, QStringLiteral("ERROR"), refusal);
        return;
    }
    m_params = params;
    QDialog::accept();
}

} // namespace zk::sdk::media

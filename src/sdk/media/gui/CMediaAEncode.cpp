// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/media/gui/CMediaAEncode.h"

#include "base/LanguageTable.h"
#include "sdk/media/gui/BlockFields.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>

#include <algorithm>

namespace zk::sdk::media {

using base::GetText;

CMediaAEncode::CMediaAEncode(const AudioEncodeParams& initial, QWidget* parent)
    : QDialog(parent), m_params(initial), m_enable(new QCheckBox(this)), m_encoder(new QComboBox(this)),
      m_rates(new QLabel(this)) {
    setWindowTitle(GetText("IDS_STR_ZH_CN_MEDIA_AENCODE"));
    m_enable->setChecked(initial.Enable != 0);
    for (const AudioEncoder encoder : {AudioEncoder::G711, AudioEncoder::Aac}) {
        m_encoder->addItem(QString::fromLatin1(AudioEncoderName(encoder)), static_cast<int>(encoder));
    }
    m_encoder->setCurrentIndex(std::max(0, m_encoder->findData(static_cast<int>(initial.encoder))));

    auto* form = new QFormLayout(this);
    form->addRow(GetText("ENABLE"), m_enable);
    form->addRow(GetText("MEDIA_AUDIO_ENCODER"), m_encoder);
    form->addRow(QString(), m_rates);
    form->addRow(OkCancelButtons(*this));
    connect(m_encoder, &QComboBox::currentIndexChanged, this, &CMediaAEncode::ShowRates);
    ShowRates();
}

void CMediaAEncode::ShowRates() {
    const auto encoder = static_cast<AudioEncoder>(m_encoder->currentData().toInt());
    m_rates->setText(QStringLiteral("%1 Hz, %2 bit/s").arg(AudioSampleRate(encoder)).arg(AudioBitRate(encoder)));
}

void CMediaAEncode::accept() {
    AudioEncodeParams params;
    params.Enable = m_enable->isChecked() ? 1 : 0;
    params.encoder = static_cast<AudioEncoder>(m_encoder->currentData().toInt());
    m_params = params;
    QDialog::accept();
}

} // namespace zk::sdk::media

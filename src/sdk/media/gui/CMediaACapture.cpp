// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/media/gui/CMediaACapture.h"

#include "base/LanguageTable.h"

#include <QDialogButtonBox>
#include <QFormLayout>

namespace zk::sdk::media {

using base::GetText;
using A = AudioCaptureParams;

CMediaACapture::CMediaACapture(const AudioCaptureParams& initial, base::Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_prompt(prompt), m_params(initial), m_fields(*this) {
    setWindowTitle(GetText("IDS_STR_ZH_CN_MEDIA_ACAPTURE"));
    auto* form = new QFormLayout(this);
    m_fields.AddNumber(*form, "Volume", ZK_TEXT_KEY("MEDIA_VOLUME"), &A::Volume);
    m_fields.AddNumber(*form, "VolumePlay", ZK_TEXT_KEY("MEDIA_VOLUME_PLAY"), &A::VolumePlay);
    m_fields.AddFlag(*form, "amplify", ZK_TEXT_KEY("MEDIA_AMPLIFY"), &A::amplify);
    m_fields.AddFlag(*form, "ra_answer", ZK_TEXT_KEY("MEDIA_RA_ANSWER"), &A::ra_answer);
    m_fields.Show(initial);
    form->addRow(OkCancelButtons(*this));
}

void CMediaACapture::accept() {
    AudioCaptureParams params = m_params;
    m_fields.Store(params);
    if (const Refusal refusal = CheckAudioCapture(params)) {
        ShowRefusal(m_prompt, QStringLiteral("ERROR"), refusal);
        return;
    }
    m_params = params;
    QDialog::accept();
}

} // namespace zk::sdk::media

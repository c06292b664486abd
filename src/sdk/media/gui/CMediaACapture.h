// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sdk/media/MediaParams.h"
#include "sdk/media/gui/BlockFields.h"

#include <QDialog>

#include <string_view>

namespace zk::base {
class Prompt;
}

namespace zk::sdk::media {

// The audio capture batch's window (item 32974): input and output volume, the amplifier and the
// remote answer switch. OK refuses what CheckAudioCapture refuses, with its message under "ERROR",
// and stays open. Window thread only; the prompt must outlive the window.
class CMediaACapture final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CMediaACapture)

public:
    CMediaACapture(const AudioCaptureParams& initial, base::Prompt& prompt, QWidget* parent = nullptr);

    // The block as OK stored it; the initial one until then.
    const AudioCaptureParams& Params() const { return m_params; }

    // "Volume" and "VolumePlay" (QLineEdit), "amplify" and "ra_answer" (QCheckBox); nullptr for
    // another name.
    QWidget* Field(std::string_view name) const { return m_fields.Field(name); }

public slots:
    void accept() override;

private:
    base::Prompt& m_prompt;
    AudioCaptureParams m_params;
    BlockFields<AudioCaptureParams> m_fields;
};

} // namespace zk::sdk::media

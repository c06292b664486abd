// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sdk/media/MediaParams.h"

#include <QDialog>

class QComboBox;
class QLineEdit;

namespace zk::base {
class Prompt;
}

namespace zk::sdk::media {

// The manual image tuning window (button 18, "图像参数"): motion compensation (0..11), the
// maximum electronic shutter (1..8000), each -1 to leave the device's value, and the gain chosen
// from GainChoices() ("ISO_3200" unless the block holds another choice). OK refuses what
// CheckImageTuning refuses, showing its text as it stands ("MCTF ERROR", "shutter error") under
// "ERROR", and stays open. Window thread only; the prompt must outlive the window.
class CImageParamDialog final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CImageParamDialog)

public:
    CImageParamDialog(const ImageTuningParams& initial, base::Prompt& prompt, QWidget* parent = nullptr);

    // The block as OK stored it; the initial one until then.
    const ImageTuningParams& Params() const { return m_params; }

    QLineEdit* MctfEdit() const { return m_mctf; }
    QLineEdit* ShutterEdit() const { return m_shutter; }
    // The choices' names, each with its gain value as data.
    QComboBox* GainBox() const { return m_gain; }

public slots:
    void accept() override;

private:
    base::Prompt& m_prompt;
    ImageTuningParams m_params;
    QLineEdit* m_mctf;
    QLineEdit* m_shutter;
    QComboBox* m_gain;
};

} // namespace zk::sdk::media

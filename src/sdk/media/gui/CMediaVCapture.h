// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sdk/media/MediaParams.h"
#include "sdk/media/gui/BlockFields.h"

#include <QDialog>

#include <string_view>

class QComboBox;

namespace zk::base {
class Prompt;
}

namespace zk::sdk::media {

// The video capture batch's window (item 33000): every attribute of the capture element, grouped
// as image, exposure, day and night, wide dynamic range and defog, and image processing. OK
// refuses a value CheckVideoCapture refuses with its message (caption "IDS_STR_ZH_CN_ERROR") and
// stays open. Window thread only; the prompt must outlive the window.
class CMediaVCapture final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CMediaVCapture)

public:
    CMediaVCapture(const VideoCaptureParams& initial, base::Prompt& prompt, QWidget* parent = nullptr);

    // The block as OK stored it; the initial one until then.
    const VideoCaptureParams& Params() const { return m_params; }

    // The widget of an attribute ("Brightness", "HFlip", "WDRStartTime", ...): a QLineEdit for a
    // number, a QCheckBox for a switch, a QTimeEdit for a time; nullptr for another name. TVSystem
    // is the box below.
    QWidget* Field(std::string_view name) const { return m_fields.Field(name); }
    // Items PAL (data 1) and NTSC (data 0).
    QComboBox* TvSystemBox() const { return m_tvSystem; }

public slots:
    void accept() override;

private:
    base::Prompt& m_prompt;
    VideoCaptureParams m_params;
    BlockFields<VideoCaptureParams> m_fields;
    QComboBox* m_tvSystem;
};

} // namespace zk::sdk::media

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sdk/media/MediaParams.h"
#include "sdk/media/gui/BlockFields.h"

#include <QDialog>

#include <array>
#include <string_view>

class QComboBox;

namespace zk::base {
class Prompt;
}

namespace zk::sdk::media {

// The video encoding batch's window (button 17, item 17): one stream at a time, chosen in the
// stream box, with every attribute of its encoding (resolution, format, bit-rate control, bit
// rate, quality, frame rate, QP limits, low bit rate and the advanced values). The choice holds
// the stream shown when OK is pressed and any other stream whose values were changed, so a
// stream nobody touched keeps the device's settings. OK refuses what CheckVideoEncode refuses,
// with its message under "ERROR", and stays open; the command asks "MSG_VIDEO_ENCODE_SET" once
// the window has closed. Window thread only; the prompt must outlive the window.
class CMediaCode final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CMediaCode)

public:
    // Streams the initial choice does not hold start at DefaultEncodeStream(); the window opens on
    // the first stream it holds.
    CMediaCode(const VideoEncodeChoice& initial, base::Prompt& prompt, QWidget* parent = nullptr);

    // The choice as OK stored it; the initial one until then.
    const VideoEncodeChoice& Choice() const { return m_choice; }

    // Items stream 1 (data 1) and stream 2 (data 2).
    QComboBox* StreamBox() const { return m_stream; }
    // The widget of an attribute of the shown stream: a QLineEdit for a number ("BitRate",
    // "qp_min", "EncMode", ...), a QCheckBox for a switch ("Enable", "qp_enable", "lbr_enable",
    // "DisablePrivateData"), a QComboBox for "Resolution", "EncodeFormat", "BitRateControl" and
    // "EncodeProfile" (each item's data the value); nullptr for another name.
    QWidget* Field(std::string_view name) const;

public slots:
    void accept() override;

private:
    void ShowStream(int index);
    void StoreStream(int index);
    void OnStreamChosen();

    base::Prompt& m_prompt;
    VideoEncodeChoice m_choice;
    std::array<EncodeStream, kEncodeStreamCount> m_opened;
    std::array<EncodeStream, kEncodeStreamCount> m_streams;
    int m_shown = 0;
    BlockFields<EncodeStream> m_fields;
    BlockFields<AdvanceEncode> m_advanced;
    QComboBox* m_stream;
    QComboBox* m_resolution;
    QComboBox* m_format;
    QComboBox* m_bitRateControl;
    QComboBox* m_profile;
};

} // namespace zk::sdk::media

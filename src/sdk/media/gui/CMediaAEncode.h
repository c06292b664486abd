// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sdk/media/MediaParams.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLabel;

namespace zk::sdk::media {

// The audio encoding batch's window (item 32924): audio on or off and the encoder, G711 or AAC
// (the sample rate and bit rate each implies shown beside it). Nothing here can be refused; the
// command asks "MSG_VIDEO_ENCODE_SET" once the window has closed. Window thread only.
class CMediaAEncode final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CMediaAEncode)

public:
    explicit CMediaAEncode(const AudioEncodeParams& initial, QWidget* parent = nullptr);

    // The block as OK stored it; the initial one until then.
    const AudioEncodeParams& Params() const { return m_params; }

    QCheckBox* EnableBox() const { return m_enable; }
    // Items "G711" and "AAC", each with its AudioEncoder as data (an int).
    QComboBox* EncoderBox() const { return m_encoder; }
    QLabel* RatesLabel() const { return m_rates; }

public slots:
    void accept() override;

private:
    void ShowRates();

    AudioEncodeParams m_params;
    QCheckBox* m_enable;
    QComboBox* m_encoder;
    QLabel* m_rates;
};

} // namespace zk::sdk::media

// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/media/gui/CMediaCode.h"

#include "base/LanguageTable.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QVBoxLayout>

namespace zk::sdk::media {

using base::GetText;
using E = EncodeStream;
using A = AdvanceEncode;

namespace {

constexpr const char* kKeepResolution = "INVALID";

QComboBox* NamedBox(const char* name, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QLatin1StringView(name));
    return box;
}

// Selects the item carrying this value; a value the box does not offer is added as it stands, so
// OK keeps it (and the check judges it).
void SelectData(QComboBox& box, const QVariant& value) {
    int index = box.findData(value);
    if (index < 0) {
        box.addItem(value.toString(), value);
        index = box.count() - 1;
    }
    box.setCurrentIndex(index);
}

QString Text(const std::string& value) {
    return QString::fromStdString(value);
}

} // namespace

CMediaCode::CMediaCode(const VideoEncodeChoice& initial, base::Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_prompt(prompt), m_choice(initial), m_fields(*this), m_advanced(*this),
      m_stream(NamedBox("Stream", this)), m_resolution(NamedBox("Resolution", this)),
      m_format(NamedBox("EncodeFormat", this)), m_bitRateControl(NamedBox("BitRateControl", this)),
      m_profile(NamedBox("EncodeProfile", this)) {
    setWindowTitle(GetText("ID_BATCH_SET_VIDEOENCODE"));
    for (int i = 0; i < kEncodeStreamCount; ++i) {
        m_streams[static_cast<std::size_t>(i)] = DefaultEncodeStream(i + 1);
    }
    bool shownChosen = false;
    for (const EncodeStream& stream : initial.streams) {
        if (stream.Stream >= 1 && stream.Stream <= kEncodeStreamCount) {
            m_streams[static_cast<std::size_t>(stream.Stream - 1)] = stream;
            if (!shownChosen) {
                m_shown = stream.Stream - 1;
                shownChosen = true;
            }
        }
    }
    m_opened = m_streams;

    m_stream->addItem(GetText("MEDIA_STREAM_MAIN"), 1);
    m_stream->addItem(GetText("MEDIA_STREAM_SUB"), 2);
    for (const std::string& resolution : EncodeResolutions()) {
        m_resolution->addItem(resolution == kKeepResolution ? GetText("MEDIA_RESOLUTION_KEEP") : Text(resolution),
                              Text(resolution));
    }
    for (const CodingType type : kCodingTypes) {
        m_format->addItem(QString::fromLatin1(CodingTypeName(type)), QString::fromLatin1(CodingTypeName(type)));
    }
    m_bitRateControl->addItem(GetText("MEDIA_CBR"), QStringLiteral("CBR"));
    m_bitRateControl->addItem(GetText("MEDIA_VBR"), QStringLiteral("VBR"));
    m_profile->addItem(GetText("MEDIA_PROFILE_BASELINE"), 0);
    m_profile->addItem(GetText("MEDIA_PROFILE_MAIN"), 1);
    m_profile->addItem(GetText("MEDIA_PROFILE_HIGH"), 2);

    auto* basic = new QFormLayout;
    basic->addRow(GetText("MEDIA_STREAM"), m_stream);
    m_fields.AddFlag(*basic, "Enable", ZK_TEXT_KEY("ENABLE"), &E::Enable);
    basic->addRow(GetText("MEDIA_RESOLUTION"), m_resolution);
    basic->addRow(GetText("MEDIA_ENCODE_FORMAT"), m_format);
    basic->addRow(GetText("MEDIA_BITRATE_CONTROL"), m_bitRateControl);
    m_fields.AddNumber(*basic, "BitRate", ZK_TEXT_KEY("MEDIA_BITRATE"), &E::BitRate);
    m_fields.AddNumber(*basic, "FrameRate", ZK_TEXT_KEY("MEDIA_FRAMERATE"), &E::FrameRate);
    m_fields.AddNumber(*basic, "BitRateQuality", ZK_TEXT_KEY("MEDIA_QUALITY"), &E::BitRateQuality);
    m_fields.AddNumber(*basic, "Initquant", ZK_TEXT_KEY("MEDIA_INITQUANT"), &E::Initquant);

    auto* qpBox = new QGroupBox(GetText("MEDIA_GROUP_QP"), this);
    auto* qp = new QFormLayout(qpBox);
    m_fields.AddFlag(*qp, "qp_enable", ZK_TEXT_KEY("ENABLE"), &E::qp_enable);
    m_fields.AddNumber(*qp, "qp_min", ZK_TEXT_KEY("MEDIA_QP_MIN"), &E::qp_min);
    m_fields.AddNumber(*qp, "qp_max", ZK_TEXT_KEY("MEDIA_QP_MAX"), &E::qp_max);

    auto* lbrBox = new QGroupBox(GetText("MEDIA_GROUP_LBR"), this);
    auto* lbr = new QFormLayout(lbrBox);
    m_fields.AddFlag(*lbr, "lbr_enable", ZK_TEXT_KEY("ENABLE"), &E::lbr_enable);
    m_fields.AddNumber(*lbr, "lbr_style", ZK_TEXT_KEY("MEDIA_LBR_STYLE"), &E::lbr_style);
    m_fields.AddNumber(*lbr, "lbr_bitratemode", ZK_TEXT_KEY("MEDIA_LBR_BITRATE_MODE"), &E::lbr_bitratemode);
    m_fields.AddNumber(*lbr, "lbr_bitrate", ZK_TEXT_KEY("MEDIA_BITRATE"), &E::lbr_bitrate);
    m_fields.AddNumber(*lbr, "lbr_motionlevel", ZK_TEXT_KEY("MEDIA_LBR_MOTION"), &E::lbr_motionlevel);
    m_fields.AddNumber(*lbr, "lbr_noicelevel", ZK_TEXT_KEY("MEDIA_NOISE_LEVEL"), &E::lbr_noicelevel);

    auto* advancedBox = new QGroupBox(GetText("MEDIA_GROUP_ADVANCED"), this);
    auto* advanced = new QFormLayout(advancedBox);
    advanced->addRow(GetText("MEDIA_PROFILE"), m_profile);
    m_advanced.AddFlag(*advanced, "DisablePrivateData", ZK_TEXT_KEY("MEDIA_NO_PRIVATE_DATA"), &A::DisablePrivateData);
    m_advanced.AddNumber(*advanced, "EncMode", ZK_TEXT_KEY("MEDIA_ENC_MODE"), &A::EncMode);
    m_advanced.AddNumber(*advanced, "NoiceLevel", ZK_TEXT_KEY("MEDIA_NOISE_LEVEL"), &A::NoiceLevel);

    auto* grid = new QGridLayout;
    grid->addLayout(basic, 0, 0, 2, 1);
    grid->addWidget(qpBox, 0, 1);
    grid->addWidget(advancedBox, 1, 1);
    grid->addWidget(lbrBox, 0, 2, 2, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(OkCancelButtons(*this));

    m_stream->setCurrentIndex(m_shown);
    ShowStream(m_shown);
    connect(m_stream, &QComboBox::currentIndexChanged, this, &CMediaCode::OnStreamChosen);
}

QWidget* CMediaCode::Field(std::string_view name) const {
    if (QWidget* field = m_fields.Field(name)) {
        return field;
    }
    if (QWidget* field = m_advanced.Field(name)) {
        return field;
    }
    for (QComboBox* box : {m_resolution, m_format, m_bitRateControl, m_profile}) {
        if (box->objectName() == QLatin1StringView(name.data(), static_cast<qsizetype>(name.size()))) {
            return box;
        }
    }
    return nullptr;
}

void CMediaCode::ShowStream(int index) {
    const EncodeStream& stream = m_streams[static_cast<std::size_t>(index)];
    m_fields.Show(stream);
    m_advanced.Show(stream.advance);
    SelectData(*m_resolution, Text(stream.Resolution));
    SelectData(*m_format, Text(stream.EncodeFormat));
    SelectData(*m_bitRateControl, Text(stream.BitRateControl));
    SelectData(*m_profile, stream.advance.EncodeProfile);
}

void CMediaCode::StoreStream(int index) {
    EncodeStream& stream = m_streams[static_cast<std::size_t>(index)];
    m_fields.Store(stream);
    m_advanced.Store(stream.advance);
    stream.Resolution = m_resolution->currentData().toString().toStdString();
    stream.EncodeFormat = m_format->currentData().toString().toStdString();
    stream.BitRateControl = m_bitRateControl->currentData().toString().toStdString();
    stream.advance.EncodeProfile = m_profile->currentData().toInt();
}

void CMediaCode::OnStreamChosen() {
    // The shown stream's values are kept while the other one is edited.
    StoreStream(m_shown);
    m_shown = m_stream->currentIndex();
    ShowStream(m_shown);
}

void CMediaCode::accept() {
    StoreStream(m_shown);
    VideoEncodeChoice choice;
    for (std::size_t i = 0; i < m_streams.size(); ++i) {
        if (static_cast<int>(i) == m_shown || m_streams[i] != m_opened[i]) {
            choice.streams.push_back(m_streams[i]);
        }
    }
    if (const Refusal refusal = CheckVideoEncode(choice)) {
        ShowRefusal(m_prompt, QStringLiteral("ERROR"), refusal);
        return;
    }
    m_choice = std::move(choice);
    QDialog::accept();
}

} // namespace zk::sdk::media

// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/gui/CDialogTitleSetting.h"

#include "base/FixedText.h"
#include "base/LanguageTable.h"
#include "base/Prompt.h"
#include "platform/TextCodec.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace zk::sdk {
namespace {

using base::GetText;

constexpr const char* kPositionKeys[system::kPositionChoiceCount] = {
    ZK_TEXT_KEY("POSITION_TOP_LEFT"),     ZK_TEXT_KEY("POSITION_TOP_RIGHT"), ZK_TEXT_KEY("POSITION_BOTTOM_LEFT"),
    ZK_TEXT_KEY("POSITION_BOTTOM_RIGHT"), ZK_TEXT_KEY("POSITION_UNCHANGED"), ZK_TEXT_KEY("POSITION_CENTRE"),
};

QComboBox* PositionBox(std::int32_t x, std::int32_t y, QWidget* parent) {
    auto* box = new QComboBox(parent);
    for (const char* key : kPositionKeys) {
        box->addItem(GetText(key));
    }
    box->setCurrentIndex(system::PositionChoiceOf(x, y));
    return box;
}

QSpinBox* NumberBox(int value, int maximum, QWidget* parent) {
    auto* box = new QSpinBox(parent);
    box->setRange(0, maximum);
    box->setValue(value);
    return box;
}

QCheckBox* CheckBox(const char* key, bool checked, QWidget* parent) {
    auto* box = new QCheckBox(GetText(key), parent);
    box->setChecked(checked);
    return box;
}

} // namespace

CDialogTitleSetting::CDialogTitleSetting(const base::OverlayParam& overlay, const system::TitleExtras& extras,
                                         base::Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_prompt(prompt), m_overlay(overlay), m_extras(extras),
      m_enable(CheckBox(ZK_TEXT_KEY("TITLE_ENABLE"), overlay.Enable != 0, this)),
      m_transparency(NumberBox(overlay.Transparency, system::kMaxOverlayTransparency, this)),
      m_styles(new QButtonGroup(this)), m_fontSize(NumberBox(overlay.Fontsize, system::kMaxOverlayFontSize, this)),
      m_week(CheckBox(ZK_TEXT_KEY("TITLE_WEEK"), overlay.Week != 0, this)),
      m_timePosition(PositionBox(overlay.TimeOverlay.PosX, overlay.TimeOverlay.PosY, this)),
      m_timeFormat(new QComboBox(this)),
      m_titlePosition(PositionBox(overlay.TitleOverlay.PosX, overlay.TitleOverlay.PosY, this)),
      m_title(new QLineEdit(base::OverlayTitle(overlay.TitleOverlay), this)),
      m_model(CheckBox(ZK_TEXT_KEY("IDS_STR_ZH_CN_OLINFO_TIPS2"), extras.model, this)),
      m_ip(CheckBox(ZK_TEXT_KEY("IDS_STR_ZH_CN_OLINFO_TIPS3"), extras.ip, this)),
      m_serial(CheckBox(ZK_TEXT_KEY("IDS_STR_ZH_CN_OLINFO_TIPS4"), extras.serial, this)) {
    setWindowTitle(GetText("MAIN_BATCH_TITLE"));

    auto* styleBox = new QGroupBox(GetText("TITLE_STYLE"), this);
    auto* styleGrid = new QGridLayout(styleBox);
    for (int style = 1; style <= system::kOverlayStyleCount; ++style) {
        auto* button = new QRadioButton(GetText(system::OverlayStyleKey(style)), styleBox);
        m_styles->addButton(button, style);
        styleGrid->addWidget(button, (style - 1) / 4, (style - 1) % 4);
    }
    // A stored style outside the seven opens on the first.
    QAbstractButton* style = m_styles->button(overlay.Style);
    (style != nullptr ? style : m_styles->button(1))->setChecked(true);

    for (const char* format : system::TimeFormats()) {
        m_timeFormat->addItem(QString::fromLatin1(format));
    }
    // A format the list does not know (a hand-edited file) stays offered, so OK keeps it.
    const QString stored = platform::AnsiToWide(base::FieldText(overlay.TimeOverlay.Format));
    if (m_timeFormat->findText(stored) < 0) {
        m_timeFormat->addItem(stored);
    }
    m_timeFormat->setCurrentIndex(m_timeFormat->findText(stored));
    m_title->setMaxLength(static_cast<int>(system::kMaxTitleUtf8Bytes));

    auto* extrasBox = new QGroupBox(GetText("IDS_STR_ZH_CN_OLINFO_TIPS1"), this);
    auto* extrasRow = new QHBoxLayout(extrasBox);
    extrasRow->addWidget(m_model);
    extrasRow->addWidget(m_ip);
    extrasRow->addWidget(m_serial);

    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    form->addRow(m_enable);
    form->addRow(GetText("TITLE_TRANSPARENCY"), m_transparency);
    form->addRow(styleBox);
    form->addRow(GetText("TITLE_FONT_SIZE"), m_fontSize);
    form->addRow(m_week);
    form->addRow(GetText("TITLE_TIME_POSITION"), m_timePosition);
    form->addRow(GetText("TITLE_TIME_FORMAT"), m_timeFormat);
    form->addRow(GetText("TITLE_TITLE_POSITION"), m_titlePosition);
    form->addRow(GetText("TITLE_TEXT"), m_title);
    layout->addLayout(form);
    layout->addWidget(extrasBox);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(GetText("CANCEL"));
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDialogTitleSetting::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void CDialogTitleSetting::accept() {
    if (const char* problem = system::TitleProblem(m_title->text())) {
        m_prompt.ShowMessage(QStringLiteral("ERROR"), GetText(problem), base::PromptIcon::Error);
        return;
    }
    m_overlay.Enable = m_enable->isChecked() ? 1 : 0;
    m_overlay.Transparency = m_transparency->value();
    m_overlay.Style = static_cast<std::int16_t>(m_styles->checkedId());
    m_overlay.Fontsize = static_cast<std::int16_t>(m_fontSize->value());
    m_overlay.Week = m_week->isChecked() ? 1 : 0;
    system::ApplyPositionChoice(m_timePosition->currentIndex(), m_overlay.TimeOverlay.PosX, m_overlay.TimeOverlay.PosY);
    base::CopyBounded(m_overlay.TimeOverlay.Format, platform::WideToAnsi(m_timeFormat->currentText()));
    system::ApplyPositionChoice(m_titlePosition->currentIndex(), m_overlay.TitleOverlay.PosX,
                                m_overlay.TitleOverlay.PosY);
    base::SetOverlayTitle(m_overlay.TitleOverlay, m_title->text());
    m_extras = {m_model->isChecked(), m_ip->isChecked(), m_serial->isChecked()};
    QDialog::accept();
}

} // namespace zk::sdk

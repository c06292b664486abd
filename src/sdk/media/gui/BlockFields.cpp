// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/media/gui/BlockFields.h"

#include "base/LanguageTable.h"
#include "base/Prompt.h"

#include <QCheckBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTimeEdit>

#include <algorithm>
#include <limits>

namespace zk::sdk::media {

QString RefusalText(Refusal refusal) {
    if (!refusal) {
        return {};
    }
    return refusal.literal ? QString::fromUtf8(refusal.text) : base::GetText(refusal.text);
}

void ShowRefusal(base::Prompt& prompt, const QString& caption, Refusal refusal) {
    prompt.ShowMessage(caption, RefusalText(refusal), base::PromptIcon::Error);
}

QLineEdit* NumberEdit(long long value, QWidget* parent) {
    auto* edit = new QLineEdit(QString::number(value), parent);
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("-?[0-9]{0,10}")), edit));
    return edit;
}

long long NumberOf(const QLineEdit& edit, long long low, long long high) {
    bool ok = false;
    const long long value = edit.text().trimmed().toLongLong(&ok);
    return std::clamp(ok ? value : 0LL, low, high);
}

QDialogButtonBox* OkCancelButtons(QDialog& dialog) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    buttons->button(QDialogButtonBox::Cancel)->setText(base::GetText("CANCEL"));
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    return buttons;
}

template <class Block>
void BlockFields<Block>::Add(QFormLayout& form, const char* labelKey, Binding binding) {
    binding.widget->setObjectName(QString::fromStdString(binding.name));
    form.addRow(base::GetText(labelKey), binding.widget);
    m_bindings.push_back(std::move(binding));
}

template <class Block>
QLineEdit* BlockFields<Block>::AddNumber(QFormLayout& form, const char* name, const char* labelKey, int Block::*field) {
    QLineEdit* edit = NumberEdit(0, &m_parent);
    Add(form, labelKey,
        {name, edit, [edit, field](const Block& block) { edit->setText(QString::number(block.*field)); },
         [edit, field](Block& block) {
             block.*field =
                 static_cast<int>(NumberOf(*edit, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
         }});
    return edit;
}

template <class Block>
QLineEdit* BlockFields<Block>::AddNumber(QFormLayout& form, const char* name, const char* labelKey,
                                         std::uint8_t Block::*field) {
    QLineEdit* edit = NumberEdit(0, &m_parent);
    Add(form, labelKey,
        {name, edit, [edit, field](const Block& block) { edit->setText(QString::number(block.*field)); },
         [edit, field](Block& block) { block.*field = static_cast<std::uint8_t>(NumberOf(*edit, 0, 255)); }});
    return edit;
}

template <class Block>
QCheckBox* BlockFields<Block>::AddFlag(QFormLayout& form, const char* name, const char* labelKey, int Block::*field) {
    auto* box = new QCheckBox(&m_parent);
    Add(form, labelKey,
        {name, box, [box, field](const Block& block) { box->setChecked(block.*field != 0); },
         [box, field](Block& block) { block.*field = box->isChecked() ? 1 : 0; }});
    return box;
}

template <class Block>
QTimeEdit* BlockFields<Block>::AddTime(QFormLayout& form, const char* name, const char* labelKey,
                                       base::ClockTime Block::*field) {
    auto* edit = new QTimeEdit(&m_parent);
    edit->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    Add(form, labelKey,
        {name, edit,
         [edit, field](const Block& block) {
             const base::ClockTime& time = block.*field;
             edit->setTime(QTime(time.hour, time.minute, time.second));
         },
         [edit, field](Block& block) {
             const QTime time = edit->time();
             block.*field = {static_cast<std::uint8_t>(time.hour()), static_cast<std::uint8_t>(time.minute()),
                             static_cast<std::uint8_t>(time.second())};
         }});
    return edit;
}

template <class Block>
void BlockFields<Block>::Show(const Block& block) const {
    for (const Binding& binding : m_bindings) {
        binding.show(block);
    }
}

template <class Block>
void BlockFields<Block>::Store(Block& block) const {
    for (const Binding& binding : m_bindings) {
        binding.store(block);
    }
}

template <class Block>
QWidget* BlockFields<Block>::Field(std::string_view name) const {
    for (const Binding& binding : m_bindings) {
        if (binding.name == name) {
            return binding.widget;
        }
    }
    return nullptr;
}

template class BlockFields<VideoCaptureParams>;
template class BlockFields<EncodeStream>;
template class BlockFields<AdvanceEncode>;
template class BlockFields<AudioCaptureParams>;
template class BlockFields<base::MediaLightParam>;

} // namespace zk::sdk::media

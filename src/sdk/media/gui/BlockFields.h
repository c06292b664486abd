// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/CSaveParam.h"
#include "sdk/media/MediaParams.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

class QCheckBox;
class QDialogButtonBox;
class QDialog;
class QFormLayout;
class QLineEdit;
class QTimeEdit;
class QWidget;

namespace zk::base {
class Prompt;
}

// Pieces the media parameter windows share. Window thread only.
namespace zk::sdk::media {

// The text of a refusal: a literal text as it stands, otherwise the text of its language key.
QString RefusalText(Refusal refusal);
// Shows a refusal with the error icon under the caption.
void ShowRefusal(base::Prompt& prompt, const QString& caption, Refusal refusal);

// A line edit for a whole number; a leading minus may be typed, so "-1" (leave the device's value)
// can be entered where a window takes it.
QLineEdit* NumberEdit(long long value, QWidget* parent);
// The number typed, brought into low..high; an empty edit reads as 0. Values outside what a field
// can hold become its nearest end, so a check refuses them instead of seeing a wrapped value.
long long NumberOf(const QLineEdit& edit, long long low, long long high);

// OK and Cancel (with the language's caption) wired to the dialog's accept() and reject().
QDialogButtonBox* OkCancelButtons(QDialog& dialog);

// The fields of a parameter block as widgets in form rows, each named after the block's attribute
// (its object name), so a window shows a block, stores it back and finds a field by its name.
template <class Block>
class BlockFields final {
public:
    explicit BlockFields(QWidget& parent) : m_parent(parent) {}

    QLineEdit* AddNumber(QFormLayout& form, const char* name, const char* labelKey, int Block::*field);
    QLineEdit* AddNumber(QFormLayout& form, const char* name, const char* labelKey, std::uint8_t Block::*field);
    // A switch stored as 1 (ticked) or 0.
    QCheckBox* AddFlag(QFormLayout& form, const char* name, const char* labelKey, int Block::*field);
    QTimeEdit* AddTime(QFormLayout& form, const char* name, const char* labelKey, base::ClockTime Block::*field);

    void Show(const Block& block) const;
    void Store(Block& block) const;
    // The widget of an attribute, or nullptr.
    QWidget* Field(std::string_view name) const;

private:
    struct Binding {
        std::string name;
        QWidget* widget;
        std::function<void(const Block&)> show;
        std::function<void(Block&)> store;
    };
    void Add(QFormLayout& form, const char* labelKey, Binding binding);

    QWidget& m_parent;
    std::vector<Binding> m_bindings;
};

extern template class BlockFields<VideoCaptureParams>;
extern template class BlockFields<EncodeStream>;
extern template class BlockFields<AdvanceEncode>;
extern template class BlockFields<AudioCaptureParams>;
extern template class BlockFields<base::MediaLightParam>;

} // namespace zk::sdk::media

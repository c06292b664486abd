// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Prompt.h"

#include <QPointer>
#include <QWidget>

namespace zk::ui {

// The window's answers to the core's questions: message boxes, file and folder dialogs and text
// entries over a parent window. Window thread only.
class DialogPrompt final : public base::Prompt {
public:
    explicit DialogPrompt(QWidget* parent);

    void ShowMessage(const QString& caption, const QString& text, base::PromptIcon icon) override;
    bool AskYesNo(const QString& caption, const QString& text, base::PromptIcon icon) override;
    std::optional<QString> ChooseOpenFile(const base::FileQuestion& question) override;
    std::optional<QString> ChooseSaveFile(const base::FileQuestion& question) override;
    std::optional<QString> ChooseFolder(const QString& caption, const QString& startFolder) override;
    std::optional<QString> EnterText(const base::TextQuestion& question) override;

private:
    QPointer<QWidget> m_parent;
};

} // namespace zk::ui

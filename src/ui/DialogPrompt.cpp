// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/DialogPrompt.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

namespace zk::ui {
namespace {

QMessageBox::Icon BoxIcon(base::PromptIcon icon) {
    switch (icon) {
    case base::PromptIcon::Information:
        return QMessageBox::Information;
    case base::PromptIcon::Warning:
        return QMessageBox::Warning;
    case base::PromptIcon::Error:
        return QMessageBox::Critical;
    case base::PromptIcon::Question:
        return QMessageBox::Question;
    case base::PromptIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

std::optional<QString> Chosen(const QString& path) {
    return path.isEmpty() ? std::nullopt : std::optional<QString>(path);
}

} // namespace

DialogPrompt::DialogPrompt(QWidget* parent) : m_parent(parent) {}

void DialogPrompt::ShowMessage(const QString& caption, const QString& text, base::PromptIcon icon) {
    QMessageBox box(BoxIcon(icon), caption, text, QMessageBox::Ok, m_parent);
    box.exec();
}

bool DialogPrompt::AskYesNo(const QString& caption, const QString& text, base::PromptIcon icon) {
    QMessageBox box(BoxIcon(icon), caption, text, QMessageBox::Yes | QMessageBox::No, m_parent);
    return box.exec() == QMessageBox::Yes;
}

std::optional<QString> DialogPrompt::ChooseOpenFile(const base::FileQuestion& question) {
    QFileDialog dialog(m_parent, question.caption, question.proposedName, question.filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(question.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return Chosen(dialog.selectedFiles().front());
}

std::optional<QString> DialogPrompt::ChooseSaveFile(const base::FileQuestion& question) {
    QFileDialog dialog(m_parent, question.caption, question.proposedName, question.filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(question.defaultSuffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return Chosen(dialog.selectedFiles().front());
}

std::optional<QString> DialogPrompt::ChooseFolder(const QString& caption, const QString& startFolder) {
    return Chosen(QFileDialog::getExistingDirectory(m_parent, caption, startFolder));
}

std::optional<QString> DialogPrompt::EnterText(const base::TextQuestion& question) {
    bool accepted = false;
    const QString text = QInputDialog::getText(m_parent, question.caption, question.label,
                                               question.secret ? QLineEdit::Password : QLineEdit::Normal,
                                               question.initialText, &accepted);
    return accepted ? std::optional<QString>(text) : std::nullopt;
}

} // namespace zk::ui

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Prompt.h"

#include <QStringList>

#include <ostream>

namespace zk::cli {

// How the command line answers the core's questions: messages go to standard error, a Yes/No
// question is answered Yes only when the command was given --yes (otherwise it is answered No and
// remembered, so the command can say what it would have asked), and file or folder questions take
// the path the command's options named, or are cancelled.
class CliPrompt final : public base::Prompt {
public:
    CliPrompt(std::ostream& err, bool yes) : m_err(err), m_yes(yes) {}

    // The path file and folder questions are answered with; empty: they are cancelled.
    void SetPath(const QString& path) { m_path = path; }
    // The texts of the questions answered No because --yes was missing.
    const QStringList& Declined() const { return m_declined; }
    // The texts of the messages shown so far.
    const QStringList& Messages() const { return m_messages; }

    void ShowMessage(const QString& caption, const QString& text, base::PromptIcon icon) override;
    bool AskYesNo(const QString& caption, const QString& text, base::PromptIcon icon) override;
    std::optional<QString> ChooseOpenFile(const base::FileQuestion& question) override;
    std::optional<QString> ChooseSaveFile(const base::FileQuestion& question) override;
    std::optional<QString> ChooseFolder(const QString& caption, const QString& startFolder) override;
    std::optional<QString> EnterText(const base::TextQuestion& question) override;

private:
    std::optional<QString> Path() const;

    std::ostream& m_err;
    bool m_yes;
    QString m_path;
    QStringList m_declined;
    QStringList m_messages;
};

} // namespace zk::cli

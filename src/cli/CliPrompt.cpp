// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliPrompt.h"

#include "cli/CliSupport.h"

namespace zk::cli {

void CliPrompt::ShowMessage(const QString& caption, const QString& text, base::PromptIcon) {
    m_messages << text;
    m_err << caption << ": " << text << '\n';
}

bool CliPrompt::AskYesNo(const QString&, const QString& text, base::PromptIcon) {
    if (!m_yes) {
        m_declined << text;
    }
    return m_yes;
}

std::optional<QString> CliPrompt::Path() const {
    if (m_path.isEmpty()) {
        return std::nullopt;
    }
    return m_path;
}

std::optional<QString> CliPrompt::ChooseOpenFile(const base::FileQuestion&) {
    return Path();
}

std::optional<QString> CliPrompt::ChooseSaveFile(const base::FileQuestion&) {
    return Path();
}

std::optional<QString> CliPrompt::ChooseFolder(const QString&, const QString&) {
    return Path();
}

std::optional<QString> CliPrompt::EnterText(const base::TextQuestion&) {
    return std::nullopt;
}

} // namespace zk::cli

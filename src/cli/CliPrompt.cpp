// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliPrompt.h"

#include "cli/CliSupport.h"

#include <termios.h>
#include <unistd.h>

#include <iostream>
#include <string>

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

std::optional<QString> CliPrompt::EnterText(const base::TextQuestion& question) {
    // Only a person at a terminal is asked; a script gives its values as options.
    if (isatty(STDIN_FILENO) == 0) {
        return std::nullopt;
    }
    m_err << question.label << ": " << std::flush;
    termios saved{};
    const bool hide = question.secret && tcgetattr(STDIN_FILENO, &saved) == 0;
    if (hide) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    std::string line;
    const bool read = static_cast<bool>(std::getline(std::cin, line));
    if (hide) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        m_err << '\n';
    }
    if (!read) {
        return std::nullopt;
    }
    return QString::fromStdString(line);
}

} // namespace zk::cli

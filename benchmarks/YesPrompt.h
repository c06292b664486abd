// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Prompt.h"

namespace zk::bench {

// A person who confirms every question and chooses nothing; messages go to stderr, so a benchmark's
// output shows any the core raised. Window thread.
class YesPrompt final : public base::Prompt {
public:
    void ShowMessage(const QString& caption, const QString& text, base::PromptIcon icon) override;
    bool AskYesNo(const QString& caption, const QString& text, base::PromptIcon icon) override;
    std::optional<QString> ChooseOpenFile(const base::FileQuestion& question) override;
    std::optional<QString> ChooseSaveFile(const base::FileQuestion& question) override;
    std::optional<QString> ChooseFolder(const QString& caption, const QString& startFolder) override;
    std::optional<QString> EnterText(const base::TextQuestion& question) override;
};

} // namespace zk::bench

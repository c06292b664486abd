// SPDX-License-Identifier: GPL-3.0-or-later
#include "YesPrompt.h"

#include <cstdio>

namespace zk::bench {

void YesPrompt::ShowMessage(const QString&, const QString& text, base::PromptIcon) {
    std::fprintf(stderr, "message: %s\n", text.toUtf8().constData());
}

bool YesPrompt::AskYesNo(const QString&, const QString&, base::PromptIcon) {
    return true;
}

std::optional<QString> YesPrompt::ChooseOpenFile(const base::FileQuestion&) {
    return std::nullopt;
}

std::optional<QString> YesPrompt::ChooseSaveFile(const base::FileQuestion&) {
    return std::nullopt;
}

std::optional<QString> YesPrompt::ChooseFolder(const QString&, const QString&) {
    return std::nullopt;
}

std::optional<QString> YesPrompt::EnterText(const base::TextQuestion&) {
    return std::nullopt;
}

} // namespace zk::bench

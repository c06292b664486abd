// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/ScriptedPrompt.h"

namespace zk::test {
namespace {

QString KindName(ScriptedPrompt::Kind kind) {
    switch (kind) {
    case ScriptedPrompt::Kind::Message:
        return QStringLiteral("message");
    case ScriptedPrompt::Kind::YesNo:
        return QStringLiteral("yes/no question");
    case ScriptedPrompt::Kind::OpenFile:
        return QStringLiteral("open-file choice");
    case ScriptedPrompt::Kind::SaveFile:
        return QStringLiteral("save-file choice");
    case ScriptedPrompt::Kind::Folder:
        return QStringLiteral("folder choice");
    case ScriptedPrompt::Kind::Text:
        return QStringLiteral("text entry");
    }
    return {};
}

} // namespace

QStringList ScriptedPrompt::Problems() const {
    QStringList problems = m_problems;
    for (const auto& answer : m_answers) {
        problems << QStringLiteral("unused answer for a %1").arg(KindName(answer.kind));
    }
    return problems;
}

std::optional<ScriptedPrompt::Answer> ScriptedPrompt::Take(Kind kind, const Question& question) {
    m_questions.push_back(question);
    if (m_answers.empty() || m_answers.front().kind != kind) {
        m_problems << QStringLiteral("unexpected %1 \"%2\": %3").arg(KindName(kind), question.caption, question.text);
        return std::nullopt;
    }
    Answer answer = m_answers.front();
    m_answers.pop_front();
    return answer;
}

void ScriptedPrompt::ShowMessage(const QString& caption, const QString& text, base::PromptIcon icon) {
    m_questions.push_back({Kind::Message, caption, text, icon, {}});
}

bool ScriptedPrompt::AskYesNo(const QString& caption, const QString& text, base::PromptIcon icon) {
    const auto answer = Take(Kind::YesNo, {Kind::YesNo, caption, text, icon, {}});
    return answer && answer->given;
}

std::optional<QString> ScriptedPrompt::ChooseOpenFile(const base::FileQuestion& question) {
    const auto answer = Take(Kind::OpenFile, {Kind::OpenFile, question.caption, question.filter, base::PromptIcon::None,
                                              question.proposedName});
    return answer && answer->given ? std::optional(answer->value) : std::nullopt;
}

std::optional<QString> ScriptedPrompt::ChooseSaveFile(const base::FileQuestion& question) {
    const auto answer = Take(Kind::SaveFile, {Kind::SaveFile, question.caption, question.filter, base::PromptIcon::None,
                                              question.proposedName});
    return answer && answer->given ? std::optional(answer->value) : std::nullopt;
}

std::optional<QString> ScriptedPrompt::ChooseFolder(const QString& caption, const QString& startFolder) {
    const auto answer = Take(Kind::Folder, {Kind::Folder, caption, {}, base::PromptIcon::None, startFolder});
    return answer && answer->given ? std::optional(answer->value) : std::nullopt;
}

std::optional<QString> ScriptedPrompt::EnterText(const base::TextQuestion& question) {
    const auto answer =
        Take(Kind::Text, {Kind::Text, question.caption, question.label, base::PromptIcon::None, question.initialText});
    return answer && answer->given ? std::optional(answer->value) : std::nullopt;
}

} // namespace zk::test

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/Prompt.h"

#include <QStringList>

#include <deque>
#include <vector>

namespace zk::test {

// A prompt that answers from a script and records every question, for tests of code that asks a
// person something. Messages need no answer; every other question takes the next scripted answer,
// which must be of the same kind. A question without a fitting answer is a problem: it is recorded,
// answered with No or Cancel, and reported by Problems().
class ScriptedPrompt final : public base::Prompt {
public:
    enum class Kind { Message, YesNo, OpenFile, SaveFile, Folder, Text };

    struct Question {
        Kind kind = Kind::Message;
        QString caption;
        QString text; // message text, label, or filter
        base::PromptIcon icon = base::PromptIcon::None;
        QString proposed; // proposed file name, start folder or initial text
    };

    // Scripted answers, consumed in order.
    void AnswerYes() { m_answers.push_back({Kind::YesNo, true, {}}); }
    void AnswerNo() { m_answers.push_back({Kind::YesNo, false, {}}); }
    void AnswerOpenFile(const QString& path) { m_answers.push_back({Kind::OpenFile, true, path}); }
    void AnswerSaveFile(const QString& path) { m_answers.push_back({Kind::SaveFile, true, path}); }
    void AnswerFolder(const QString& path) { m_answers.push_back({Kind::Folder, true, path}); }
    void AnswerText(const QString& text) { m_answers.push_back({Kind::Text, true, text}); }
    void AnswerCancel(Kind kind) { m_answers.push_back({kind, false, {}}); }

    const std::vector<Question>& Questions() const { return m_questions; }
    // Questions that had no fitting answer, then answers that were never used.
    QStringList Problems() const;

    void ShowMessage(const QString& caption, const QString& text, base::PromptIcon icon) override;
    bool AskYesNo(const QString& caption, const QString& text, base::PromptIcon icon) override;
    std::optional<QString> ChooseOpenFile(const base::FileQuestion& question) override;
    std::optional<QString> ChooseSaveFile(const base::FileQuestion& question) override;
    std::optional<QString> ChooseFolder(const QString& caption, const QString& startFolder) override;
    std::optional<QString> EnterText(const base::TextQuestion& question) override;

private:
    struct Answer {
        Kind kind;
        bool given;
        QString value;
    };

    // The next answer when it is of this kind; otherwise records a problem.
    std::optional<Answer> Take(Kind kind, const Question& question);

    std::deque<Answer> m_answers;
    std::vector<Question> m_questions;
    QStringList m_problems;
};

} // namespace zk::test

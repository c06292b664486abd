// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <optional>

// How the core asks a person something. The GUI answers with dialogs, the command-line front end
// with its flags and defaults, tests with scripted answers. Called on the window thread only.
namespace zk::base {

enum class PromptIcon { None, Information, Warning, Error, Question };

// A file to open or save. The filter uses Qt's form, "Text (*.txt);;All Files (*)"; the proposed
// name may be a bare name or a path, and the default suffix is added when the person types none.
struct FileQuestion {
    QString caption;
    QString filter;
    QString proposedName;
    QString defaultSuffix;
};

// A line of text to type; a secret one is not echoed.
struct TextQuestion {
    QString caption;
    QString label;
    QString initialText;
    bool secret = false;
};

class Prompt {
public:
    virtual ~Prompt() = default;

    // A message with an OK button; returns when it has been seen.
    virtual void ShowMessage(const QString& caption, const QString& text, PromptIcon icon) = 0;

    // A question with Yes and No buttons; true for Yes.
    virtual bool AskYesNo(const QString& caption, const QString& text, PromptIcon icon) = 0;

    // The chosen path, or nothing when the person cancels.
    virtual std::optional<QString> ChooseOpenFile(const FileQuestion& question) = 0;
    virtual std::optional<QString> ChooseSaveFile(const FileQuestion& question) = 0;
    virtual std::optional<QString> ChooseFolder(const QString& caption, const QString& startFolder) = 0;

    // The typed text, or nothing when the person cancels.
    virtual std::optional<QString> EnterText(const TextQuestion& question) = 0;

protected:
    Prompt() = default;
    Prompt(const Prompt&) = default;
    Prompt& operator=(const Prompt&) = default;
};

} // namespace zk::base

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCommandLineParser>
#include <QJsonDocument>
#include <QString>
#include <QStringList>

#include <optional>
#include <ostream>

// What every zkdevcli command shares: argument parsing with --help, and output helpers.
namespace zk::cli {

// Parses a command's arguments (those after the command's name) with a parser the command has
// set up (description, options, positional arguments). Adds "--help". Returns the exit status to
// end the command with when it must end now: 0 after printing the help to out, 2 after printing
// a parse error to err. Returns nothing when the command should go on.
std::optional<int> ParseArguments(QCommandLineParser& parser, const QString& command, const QStringList& arguments,
                                  std::ostream& out, std::ostream& err);

// An option with a name, a help text and, when valueName is given, a value.
QCommandLineOption Option(const char* name, const char* description, const char* valueName = nullptr);

// Reports a usage error of a command ("zkdevcli <command>: <text>") and returns 2.
int UsageError(const QString& command, const QString& text, std::ostream& err);

// Reports a failure of a command ("zkdevcli <command>: <text>") and returns 1.
int Failure(const QString& command, const QString& text, std::ostream& err);

// Writes a QString as UTF-8.
std::ostream& operator<<(std::ostream& out, const QString& text);

// Writes a JSON document, indented, followed by a line end.
void WriteJson(std::ostream& out, const QJsonDocument& document);

} // namespace zk::cli

// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliSupport.h"

#include "cli/CliMain.h"

#include <QRegularExpression>

namespace zk::cli {

std::ostream& operator<<(std::ostream& out, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    return out.write(utf8.constData(), utf8.size());
}

std::optional<int> ParseArguments(QCommandLineParser& parser, const QString& command, const QStringList& arguments,
                                  std::ostream& out, std::ostream& err) {
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this command's options and exit."));
    parser.addOption(help);
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    if (!parser.parse(QStringList{QStringLiteral("zkdevcli ") + command} + arguments)) {
        return UsageError(command, parser.errorText(), err);
    }
    if (parser.isSet(help)) {
        // Qt names the running program in the usage line; a command is "zkdevcli <command>".
        QString text = parser.helpText();
        text.replace(QRegularExpression(QStringLiteral("^Usage: \\S+")), QStringLiteral("Usage: zkdevcli ") + command);
        out << text;
        return kExitOk;
    }
    return std::nullopt;
}

QCommandLineOption Option(const char* name, const char* description, const char* valueName) {
    return valueName != nullptr ? QCommandLineOption(QLatin1StringView(name), QLatin1StringView(description),
                                                     QLatin1StringView(valueName))
                                : QCommandLineOption(QLatin1StringView(name), QLatin1StringView(description));
}

int UsageError(const QString& command, const QString& text, std::ostream& err) {
    err << "zkdevcli " << command << ": " << text << "\nRun \"zkdevcli " << command << " --help\" for its options.\n";
    return kExitUsage;
}

int Failure(const QString& command, const QString& text, std::ostream& err) {
    err << "zkdevcli " << command << ": " << text << '\n';
    return kExitFailed;
}

void WriteJson(std::ostream& out, const QJsonDocument& document) {
    out << QString::fromUtf8(document.toJson(QJsonDocument::Indented));
}

} // namespace zk::cli

// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/FixedText.h"
#include "cli/CliMain.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "firmware/FirmwareHeaderReader.h"
#include "platform/TextCodec.h"

#include <QCommandLineParser>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>

#include <sstream>

namespace zk::cli {
namespace {

using firmware::FirmwareHeaderFinding;
using firmware::FirmwareHeaderReport;
using firmware::FirmwareImageHeader;
using firmware::FirmwarePartType;

const QString kCommand = QStringLiteral("fw-info");

QString Latin1(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString Hex32(std::uint32_t value) {
    return QStringLiteral("0x%1").arg(value, 8, 16, QLatin1Char('0'));
}

QString FindingName(FirmwareHeaderFinding finding) {
    switch (finding) {
    case FirmwareHeaderFinding::Valid:
        return QStringLiteral("none");
    case FirmwareHeaderFinding::OpenFailed:
        return QStringLiteral("open failed");
    case FirmwareHeaderFinding::ReadError:
        return QStringLiteral("read error");
    case FirmwareHeaderFinding::CrcError:
        return QStringLiteral("crc error");
    case FirmwareHeaderFinding::FileSizeError:
        return QStringLiteral("total size differs from file length");
    case FirmwareHeaderFinding::MagicError:
        return QStringLiteral("magic number error");
    case FirmwareHeaderFinding::PartSizeError:
        return QStringLiteral("part sizes do not add up to total size");
    }
    return {};
}

QString Verdict(const FirmwareHeaderReport& report) {
    if (report.result != 0) {
        return QStringLiteral("invalid (%1)").arg(FindingName(report.finding));
    }
    if (report.finding != FirmwareHeaderFinding::Valid) {
        return QStringLiteral("valid (%1)").arg(FindingName(report.finding));
    }
    return QStringLiteral("valid");
}

// The magic's eight bytes with anything but printable ASCII escaped, so that a damaged magic shows.
QString MagicText(const FirmwareImageHeader& header) {
    QString text;
    for (const char c : header.magic) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte < 0x7f && byte != '\\') {
            text += QLatin1Char(c);
        } else {
            text += QStringLiteral("\\x%1").arg(byte, 2, 16, QLatin1Char('0'));
        }
    }
    return text;
}

QString FieldText(const char (&field)[firmware::kFirmwareTextFieldBytes]) {
    return platform::AnsiToWide(base::FieldText(field));
}

QString FlagNames(std::uint32_t flags) {
    QStringList names;
    for (const FirmwarePartType type : firmware::kFirmwarePartOrder) {
        if ((flags & firmware::PartFlag(type)) != 0) {
            names << Latin1(firmware::PartName(type));
        }
    }
    return names.join(u' ');
}

void WriteText(const QString& path, const FirmwareHeaderReport& report, std::ostream& out) {
    out << "file: " << path << '\n';
    if (report.HeaderRead()) {
        const FirmwareImageHeader& header = report.header;
        out << "file length: " << report.fileLength << '\n'
            << "magic: " << MagicText(header) << '\n'
            << "header crc: " << Hex32(header.headerCrc) << " (computed "
            << Hex32(firmware::ComputeFirmwareHeaderCrc(header)) << ")\n"
            << "total size: " << header.totalSize << '\n'
            << "flags: " << QStringLiteral("0x%1").arg(header.PartFlags, 2, 16, QLatin1Char('0')) << " ("
            << FlagNames(header.PartFlags) << ")\n";
        for (const FirmwarePartType type : firmware::kFirmwarePartOrder) {
            const auto& part = header.Part(type);
            out << firmware::PartName(type) << ": " << (header.HasPart(type) ? "present" : "absent") << ", start "
                << part.start << ", size " << part.size << ", crc " << Hex32(part.crc) << '\n';
        }
        out << "kernel text: " << FieldText(header.kernelText) << '\n'
            << "rootfs text: " << FieldText(header.rootfsText) << '\n';
    }
    out << "verdict: " << Verdict(report) << '\n';
}

QJsonDocument ToJson(const QString& path, const FirmwareHeaderReport& report, const std::string& lines) {
    QJsonObject root;
    root.insert(QStringLiteral("file"), path);
    root.insert(QStringLiteral("result"), report.result);
    root.insert(QStringLiteral("valid"), report.result == 0);
    root.insert(QStringLiteral("finding"), FindingName(report.finding));
    root.insert(QStringLiteral("verdict"), Verdict(report));
    root.insert(QStringLiteral("lines"),
                QJsonArray::fromStringList(QString::fromUtf8(lines).split(u'\n', Qt::SkipEmptyParts)));
    if (report.HeaderRead()) {
        const FirmwareImageHeader& header = report.header;
        QJsonObject fields;
        fields.insert(QStringLiteral("fileLength"), static_cast<qint64>(report.fileLength));
        fields.insert(QStringLiteral("magic"), MagicText(header));
        fields.insert(QStringLiteral("headerCrc"), Hex32(header.headerCrc));
        fields.insert(QStringLiteral("computedHeaderCrc"), Hex32(firmware::ComputeFirmwareHeaderCrc(header)));
        fields.insert(QStringLiteral("totalSize"), static_cast<qint64>(header.totalSize));
        fields.insert(QStringLiteral("partFlags"), static_cast<qint64>(header.PartFlags));
        QJsonArray parts;
        for (const FirmwarePartType type : firmware::kFirmwarePartOrder) {
            const auto& part = header.Part(type);
            parts.append(QJsonObject{
                {QStringLiteral("type"), Latin1(firmware::PartName(type))},
                {QStringLiteral("flag"), static_cast<qint64>(firmware::PartFlag(type))},
                {QStringLiteral("present"), header.HasPart(type)},
                {QStringLiteral("start"), static_cast<qint64>(part.start)},
                {QStringLiteral("size"), static_cast<qint64>(part.size)},
                {QStringLiteral("crc"), Hex32(part.crc)},
            });
        }
        fields.insert(QStringLiteral("parts"), parts);
        fields.insert(QStringLiteral("kernelText"), FieldText(header.kernelText));
        fields.insert(QStringLiteral("rootfsText"), FieldText(header.rootfsText));
        root.insert(QStringLiteral("header"), fields);
    }
    return QJsonDocument(root);
}

} // namespace

int RunFwInfo(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print one JSON document instead."));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Reads a firmware image's header: prints the reader's own lines, then the header's fields and "
                       "the verdict. Exits 0 when the header is accepted, 1 when it is rejected."));
    parser.addPositionalArgument(QStringLiteral("FILE"), QStringLiteral("The firmware image."));
    parser.addOption(json);
    if (const auto status = ParseArguments(parser, kCommand, arguments, out, err)) {
        return *status;
    }
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 1) {
        return UsageError(
            kCommand, positional.isEmpty() ? QStringLiteral("no file given") : QStringLiteral("one file only"), err);
    }
    const QString& path = positional.front();
    const std::string narrowPath = QFile::encodeName(path).toStdString();

    FirmwareHeaderReport report;
    if (parser.isSet(json)) {
        std::ostringstream lines;
        report = firmware::InspectFirmwareHeader(narrowPath, lines);
        WriteJson(out, ToJson(path, report, lines.str()));
    } else {
        report = firmware::InspectFirmwareHeader(narrowPath, out);
        WriteText(path, report, out);
    }
    if (report.result != 0) {
        return Failure(
            kCommand,
            QStringLiteral("\"%1\" is not a valid firmware image (%2)").arg(path, FindingName(report.finding)), err);
    }
    return kExitOk;
}

} // namespace zk::cli

// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliMain.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "firmware/FirmwareImageBuilder.h"
#include "platform/TextCodec.h"

#include <QCommandLineParser>
#include <QFile>

#include <algorithm>
#include <iterator>

namespace zk::cli {
namespace {

const QString kCommand = QStringLiteral("fw-make");

std::string NarrowPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString PartOptionName(firmware::FirmwarePartType type) {
    const std::string_view name = firmware::PartName(type);
    return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

QString Hex32(std::uint32_t value) {
    return QStringLiteral("0x%1").arg(value, 8, 16, QLatin1Char('0'));
}

} // namespace

int RunFwMake(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    using firmware::FirmwarePartType;
    struct PartOption {
        FirmwarePartType type;
        QCommandLineOption option;
    };
    const PartOption partOptions[] = {
        {FirmwarePartType::Kernel, {QStringLiteral("kernel"), QStringLiteral("Kernel part."), QStringLiteral("FILE")}},
        {FirmwarePartType::Rootfs,
         {QStringLiteral("rootfs"), QStringLiteral("Root file system part."), QStringLiteral("FILE")}},
        {FirmwarePartType::Uboot,
         {QStringLiteral("uboot"), QStringLiteral("Boot loader part."), QStringLiteral("FILE")}},
        {FirmwarePartType::Tgz,
         {QStringLiteral("tgz"), QStringLiteral("Compressed archive part."), QStringLiteral("FILE")}},
        {FirmwarePartType::Oem,
         {QStringLiteral("oem"), QStringLiteral("Customisation blob part."), QStringLiteral("FILE")}},
    };
    const QCommandLineOption kernelText(QStringLiteral("kernel-text"),
                                        QStringLiteral("Kernel name or version, at most 255 bytes in code page 936."),
                                        QStringLiteral("T"));
    const QCommandLineOption rootfsText(
        QStringLiteral("rootfs-text"),
        QStringLiteral("Root file system text, at most 255 bytes in code page 936; boot loaders look for their device "
                       "type in it."),
        QStringLiteral("T"));
    const QCommandLineOption magic(QStringLiteral("magic"),
                                   QStringLiteral("Magic of at most 8 ASCII characters, padded with NUL bytes "
                                                  "(default MIREX888; FIRMWARE is the older accepted one)."),
                                   QStringLiteral("M"));
    const QCommandLineOption output(QStringList{QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("The image file to write."), QStringLiteral("OUT"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Builds a firmware image: the header, then the given parts back to back in the order kernel, "
                       "rootfs, uboot, tgz, oem, with every size, offset and CRC-32 filled in."));
    for (const auto& part : partOptions) {
        parser.addOption(part.option);
    }
    parser.addOptions({kernelText, rootfsText, magic, output});
    if (const auto status = ParseArguments(parser, kCommand, arguments, out, err)) {
        return *status;
    }
    if (!parser.positionalArguments().isEmpty()) {
        return UsageError(kCommand,
                          QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().front()), err);
    }
    if (!parser.isSet(output)) {
        return UsageError(kCommand, QStringLiteral("no output file given (-o OUT)"), err);
    }

    firmware::FirmwareImageBuilder builder;
    for (const auto& part : partOptions) {
        if (parser.isSet(part.option)) {
            builder.SetPartFile(part.type, NarrowPath(parser.value(part.option)));
        }
    }
    if (!std::any_of(std::begin(partOptions), std::end(partOptions),
                     [&](const PartOption& part) { return builder.HasPart(part.type); })) {
        return UsageError(kCommand, QStringLiteral("no part given"), err);
    }
    // A text belongs to its part's record; an absent part's record stays zero.
    const struct {
        const QCommandLineOption& option;
        FirmwarePartType type;
        int (firmware::FirmwareImageBuilder::*set)(std::string_view);
    } texts[] = {{kernelText, FirmwarePartType::Kernel, &firmware::FirmwareImageBuilder::SetKernelText},
                 {rootfsText, FirmwarePartType::Rootfs, &firmware::FirmwareImageBuilder::SetRootfsText}};
    for (const auto& text : texts) {
        if (!parser.isSet(text.option)) {
            continue;
        }
        const QString name = text.option.names().front();
        if (!builder.HasPart(text.type)) {
            return UsageError(kCommand, QStringLiteral("--%1 needs --%2").arg(name, PartOptionName(text.type)), err);
        }
        if ((builder.*text.set)(platform::WideToAnsi(parser.value(text.option))) != 0) {
            return UsageError(kCommand, QStringLiteral("--%1 is longer than 255 bytes in code page 936").arg(name),
                              err);
        }
    }
    if (parser.isSet(magic)) {
        const QString value = parser.value(magic);
        const bool ascii = std::all_of(value.begin(), value.end(), [](QChar c) { return c.unicode() < 0x80; });
        if (!ascii || builder.SetMagic(value.toStdString()) != 0) {
            return UsageError(kCommand, QStringLiteral("--magic takes at most 8 ASCII characters"), err);
        }
    }

    const QString path = parser.value(output);
    std::string error;
    firmware::FirmwareImageHeader header;
    if (builder.WriteFile(NarrowPath(path), error, &header) != 0) {
        return Failure(kCommand, QString::fromStdString(error), err);
    }
    out << path << ": " << header.totalSize << " bytes, flags "
        << QStringLiteral("0x%1").arg(header.PartFlags, 2, 16, QLatin1Char('0')) << ", header crc "
        << Hex32(header.headerCrc) << '\n';
    return kExitOk;
}

} // namespace zk::cli

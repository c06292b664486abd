// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/XlsxRead.h"

#include <QJsonDocument>
#include <QProcess>

namespace zk::test {
namespace {

const char* const kReader = R"py(
import json, sys, openpyxl
book = openpyxl.load_workbook(sys.argv[1])
rows = {}
for sheet in book.worksheets:
    rows[sheet.title] = [list(row) for row in sheet.iter_rows(values_only=True)]
json.dump({"sheets": book.sheetnames, "rows": rows}, sys.stdout)
)py";

} // namespace

QJsonObject ReadWorkbook(const QString& path) {
    QProcess reader;
    reader.start(QStringLiteral("/usr/bin/python3"), {QStringLiteral("-c"), QString::fromUtf8(kReader), path});
    if (!reader.waitForFinished(60000) || reader.exitStatus() != QProcess::NormalExit || reader.exitCode() != 0) {
        return {{QStringLiteral("error"), QString::fromUtf8(reader.readAllStandardError())}};
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(reader.readAllStandardOutput(), &error);
    if (error.error != QJsonParseError::NoError) {
        return {{QStringLiteral("error"), error.errorString()}};
    }
    return document.object();
}

} // namespace zk::test

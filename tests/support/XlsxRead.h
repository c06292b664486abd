// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QJsonObject>
#include <QString>

namespace zk::test {

// Reads a workbook back with an independent reader (openpyxl under Debian's /usr/bin/python3):
// {"sheets": [names], "rows": {sheet: [[cell, ...], ...]}} where a cell is a JSON number, string or
// null. Returns an object with "error" when the reader fails.
QJsonObject ReadWorkbook(const QString& path);

} // namespace zk::test

// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/DeviceExport.h"

#include "base/DebugLog.h"
#include "base/FixedText.h"
#include "base/LanguageTable.h"
#include "base/Prompt.h"
#include "base/TitleCodec.h"
#include "discovery/DeviceListModel.h"
#include "platform/TextCodec.h"
#include "platform/UniqueFd.h"

#include <QFile>

#include <xlsxwriter.h>

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace zk::discovery {
namespace {

using base::FieldText;

constexpr mode_t kExportFileMode = 0644;

template <std::size_t N>
QString Narrow(const char (&field)[N]) {
    return platform::AnsiToWide(FieldText(field));
}

// Texts are always written as strings, so a title such as "=1+1" never becomes a formula; an empty
// text leaves the cell empty.
lxw_error WriteText(lxw_worksheet* sheet, lxw_row_t row, lxw_col_t column, const QString& text) {
    if (text.isEmpty()) {
        return LXW_NO_ERROR;
    }
    return worksheet_write_string(sheet, row, column, text.toUtf8().constData(), nullptr);
}

lxw_error WriteRow(lxw_worksheet* sheet, lxw_row_t row, const ExportRow& values) {
    lxw_col_t column = 0;
    lxw_error error = LXW_NO_ERROR;
    auto text = [&](const QString& value) {
        const lxw_error result = WriteText(sheet, row, column++, value);
        error = error != LXW_NO_ERROR ? error : result;
    };
    auto number = [&](std::int32_t value) {
        const lxw_error result = worksheet_write_number(sheet, row, column++, value, nullptr);
        error = error != LXW_NO_ERROR ? error : result;
    };
    text(values.ipAddress);
    text(values.netmask);
    number(values.commandPort);
    number(values.webPort);
    number(values.videoPort);
    text(values.mac);
    text(values.title);
    text(values.version);
    text(values.serialNumber);
    number(values.p2pType);
    text(values.p2pId);
    text(values.uuid);
    return error;
}

// Writes the whole workbook into a file that already exists.
lxw_error WriteWorkbook(const std::string& path, const std::vector<ExportRow>& rows) {
    lxw_workbook* workbook = workbook_new(path.c_str());
    if (workbook == nullptr) {
        return LXW_ERROR_MEMORY_MALLOC_FAILED;
    }
    lxw_worksheet* sheet = workbook_add_worksheet(workbook, kExportSheetName);
    if (sheet == nullptr) {
        workbook_close(workbook);
        return LXW_ERROR_MEMORY_MALLOC_FAILED;
    }
    lxw_error error = LXW_NO_ERROR;
    for (lxw_col_t column = 0; column < kExportColumnNames.size() && error == LXW_NO_ERROR; ++column) {
        error = worksheet_write_string(sheet, 0, column, kExportColumnNames[column], nullptr);
    }
    for (std::size_t i = 0; i < rows.size() && error == LXW_NO_ERROR; ++i) {
        error = WriteRow(sheet, static_cast<lxw_row_t>(i + 1), rows[i]);
    }
    const lxw_error closed = workbook_close(workbook);
    return error != LXW_NO_ERROR ? error : closed;
}

bool SyncFile(const std::string& path) {
    const platform::UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    return fd.Valid() && ::fsync(fd.Get()) == 0;
}

} // namespace

ExportRow ExportRowOf(const DeviceRow& row) {
    const DeviceRecord& record = row.Record;
    ExportRow values;
    values.ipAddress = Narrow(record.IpAddress);
    values.netmask = Narrow(record.Netmask);
    values.commandPort = record.PtzPort;
    values.webPort = record.WebPort;
    values.videoPort = record.VideoPort;
    values.mac = Narrow(record.MacAddress);
    // Workbooks hold Unicode, so the title stays as decoded instead of going through code page 936.
    values.title = base::DecodeTitleHex(FieldText(record.Osd));
    values.version = Narrow(row.InfoText1012);
    values.serialNumber = Narrow(record.SerialNumber);
    values.p2pType = record.P2pType;
    values.p2pId = Narrow(record.P2pId);
    values.uuid = Narrow(record.Uuid);
    return values;
}

std::vector<ExportRow> TickedExportRows(const DeviceListModel& model) {
    std::vector<ExportRow> rows;
    for (const int position : model.TickedRows()) {
        rows.push_back(ExportRowOf(*model.RowAt(position)));
    }
    return rows;
}

int WriteExportWorkbook(const QString& path, const std::vector<ExportRow>& rows) {
    std::string target = QFile::encodeName(path).toStdString();
    if (target.empty()) {
        return -1;
    }
    // A file reached through a symbolic link is replaced where the link points, so the link stays.
    struct stat link {};
    if (::lstat(target.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
        if (char* resolved = ::realpath(target.c_str(), nullptr)) {
            target = resolved;
            std::free(resolved);
        }
    }
    // A unique name in the target's folder, so that the final rename replaces the file in one step.
    std::string temporary = target + ".XXXXXX";
    {
        const platform::UniqueFd fd(::mkostemp(temporary.data(), O_CLOEXEC));
        if (!fd.Valid()) {
            base::Log("export: cannot create a file beside %s\n", target.c_str());
            return -1;
        }
        ::fchmod(fd.Get(), kExportFileMode);
    }
    const lxw_error error = WriteWorkbook(temporary, rows);
    if (error != LXW_NO_ERROR || !SyncFile(temporary) || std::rename(temporary.c_str(), target.c_str()) != 0) {
        base::Log("export: writing %s failed: %s\n", target.c_str(), lxw_strerror(error));
        ::unlink(temporary.c_str());
        return -1;
    }
    return 0;
}

int ExportTickedDevices(const DeviceListModel& model, const base::LanguageTable& texts, base::Prompt& prompt) {
    if (model.TickedCount() == 0) {
        prompt.ShowMessage(QStringLiteral("ERROR"), texts.GetText("MSGTIP13"), base::PromptIcon::Error);
        return kExportNothingTicked;
    }
    base::FileQuestion question;
    question.filter = QStringLiteral("*.xlsx");
    question.proposedName = QStringLiteral("IPC EXPORT.xlsx");
    question.defaultSuffix = QStringLiteral("xlsx");
    const std::optional<QString> path = prompt.ChooseSaveFile(question);
    if (!path || path->isEmpty()) {
        return kExportCancelled;
    }
    if (WriteExportWorkbook(*path, TickedExportRows(model)) != 0) {
        prompt.ShowMessage(texts.GetTitle(), texts.GetText("EXPORT_FAILED"), base::PromptIcon::Error);
        return kExportFailed;
    }
    prompt.ShowMessage(texts.GetTitle(), texts.GetText("EXPORT_OK"), base::PromptIcon::Information);
    return kExportWritten;
}

} // namespace zk::discovery

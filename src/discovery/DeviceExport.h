// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "discovery/DeviceRow.h"

#include <QString>

#include <array>
#include <cstdint>
#include <vector>

namespace zk::base {
class LanguageTable;
class Prompt;
} // namespace zk::base

// The export of ticked devices to a spreadsheet workbook (.xlsx): sheet "EXPORT", a header row with
// the twelve column names, then one row per device. Window thread only (it may ask the person).
namespace zk::discovery {

class DeviceListModel;

inline constexpr const char* kExportSheetName = "EXPORT";
inline constexpr std::array<const char*, 12> kExportColumnNames = {"IPADDR",   "NETMASK", "COMPORT", "HTTPPORT",
                                                                   "RTSPPORT", "MAC",     "TITLE",   "VERSION",
                                                                   "SN",       "P2PTYPE", "P2PID",   "UUID"};

// Results of ExportTickedDevices.
inline constexpr int kExportWritten = 0;
inline constexpr int kExportNothingTicked = -1;
inline constexpr int kExportCancelled = -2;
inline constexpr int kExportFailed = -3;

// One device's values, in the workbook's column order. Ports and the P2P type are numbers.
struct ExportRow {
    QString ipAddress;
    QString netmask;
    std::int32_t commandPort = 0;
    std::int32_t webPort = 0;
    std::int32_t videoPort = 0;
    QString mac;
    QString title;
    QString version; // the file-system version the device's session reported
    QString serialNumber;
    std::int32_t p2pType = 0;
    QString p2pId;
    QString uuid;
};

ExportRow ExportRowOf(const DeviceRow& row);

// The ticked rows of the list, in display order.
std::vector<ExportRow> TickedExportRows(const DeviceListModel& model);

// Writes the workbook to a temporary file beside the path and renames it over the path once it is
// complete, so a failure never leaves a broken file or destroys an older one. Returns 0, or -1
// when the file cannot be written.
int WriteExportWorkbook(const QString& path, const std::vector<ExportRow>& rows);

// The export button: refuses with "MSGTIP13" (caption "ERROR") when nothing is ticked, asks for a
// file name, writes the ticked rows and tells "EXPORT_OK" or "EXPORT_FAILED". Returns one of the
// kExport results.
int ExportTickedDevices(const DeviceListModel& model, const base::LanguageTable& texts, base::Prompt& prompt);

} // namespace zk::discovery

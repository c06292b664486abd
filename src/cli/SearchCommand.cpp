// SPDX-License-Identifier: GPL-3.0-or-later
// zkdevcli search: runs the search engine for a few seconds and lists the devices that answered.
#include "base/CLoadDisplayCfg.h"
#include "base/FixedText.h"
#include "base/LanguageTable.h"
#include "cli/CliMain.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "discovery/DeviceExport.h"
#include "discovery/DeviceListModel.h"
#include "discovery/DeviceRecordJson.h"
#include "discovery/SearchController.h"
#include "platform/NetworkAdapters.h"
#include "platform/TextCodec.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonArray>
#include <QTimer>

#include <algorithm>
#include <arpa/inet.h>

namespace zk::cli {
namespace {

const QString kCommand = QStringLiteral("search");
constexpr int kDefaultSeconds = 3;
constexpr int kMaxSeconds = 24 * 3600;

// Devices in address order (numerically), those without an address last.
std::vector<discovery::DeviceRecord> SortedByAddress(std::vector<discovery::DeviceRecord> records) {
    auto key = [](const discovery::DeviceRecord& record) -> std::uint64_t {
        const auto address = platform::ParseDottedAddress(base::FieldText(record.IpAddress));
        return address ? ntohl(*address) : (std::uint64_t{1} << 32);
    };
    std::stable_sort(records.begin(), records.end(),
                     [&key](const auto& left, const auto& right) { return key(left) < key(right); });
    return records;
}

QString Text(std::string_view ansi) {
    return platform::AnsiToWide(ansi);
}

// Searches for the given time and leaves what answered in the table.
void RunSearch(const base::CLoadDisplayCfg& display, discovery::DeviceTable& table, std::uint32_t adapterChoice,
               int seconds) {
    discovery::SearchSettings settings;
    settings.rootNames = discovery::AcceptedRootNames(display.GetDataString(base::kDataCustXmlRoot));
    settings.autoStop = false;
    discovery::SearchEngine engine(table);
    discovery::SearchController controller(table, engine, settings);
    controller.SetAdapterChoice(adapterChoice);
    controller.StartSearch();
    QEventLoop loop;
    QTimer::singleShot(seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    controller.StopSearch();
}

// The devices as the window lists them after a search, all ticked, in address order, written by the
// export of the window's list.
int WriteWorkbook(const base::CLoadDisplayCfg& display, discovery::DeviceTable& table, const QString& path,
                  std::ostream& err) {
    const base::LanguageTable& texts = base::GetLanguageTable();
    discovery::DeviceListModel list(table, texts, discovery::DeviceListSettings::From(display, texts));
    list.Merge();
    if (list.RowCount() == 0) {
        return Failure(kCommand, QStringLiteral("no device answered; no workbook written"), err);
    }
    list.SortByColumn(discovery::ListColumn::Ip);
    list.SetAllTicked(true);
    if (discovery::WriteExportWorkbook(path, discovery::TickedExportRows(list)) != 0) {
        return Failure(kCommand, QStringLiteral("cannot write the workbook %1").arg(path), err);
    }
    return kExitOk;
}

} // namespace

int RunSearchCommand(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Broadcasts search requests on the local network for a few seconds and lists every device "
                       "that answers: address, MAC, serial number, type, version and the local address it was "
                       "heard on, tab-separated."));
    const QCommandLineOption adapterOption(QStringLiteral("adapter"),
                                           QStringLiteral("Search only through the adapter with this address."),
                                           QStringLiteral("ADDR"));
    const QCommandLineOption secondsOption(QStringLiteral("seconds"), QStringLiteral("How long to search (default 3)."),
                                           QStringLiteral("N"));
    const QCommandLineOption jsonOption(QStringLiteral("json"),
                                        QStringLiteral("Print a JSON array of device records instead."));
    const QCommandLineOption rawOption(QStringLiteral("raw"),
                                       QStringLiteral("With --json, include each device's whole reply."));
    const QCommandLineOption xlsxOption(
        QStringLiteral("xlsx"),
        QStringLiteral("Also write the devices found to a spreadsheet workbook (sheet EXPORT, one row per device in "
                       "address order), as the window's export does."),
        QStringLiteral("FILE"));
    parser.addOptions({adapterOption, secondsOption, jsonOption, rawOption, xlsxOption});
    if (const auto exit = ParseArguments(parser, kCommand, arguments, out, err)) {
        return *exit;
    }
    if (!parser.positionalArguments().isEmpty()) {
        return UsageError(kCommand,
                          QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().front()), err);
    }
    int seconds = kDefaultSeconds;
    if (parser.isSet(secondsOption)) {
        bool ok = false;
        seconds = parser.value(secondsOption).toInt(&ok);
        if (!ok || seconds < 1 || seconds > kMaxSeconds) {
            return UsageError(kCommand, QStringLiteral("--seconds takes a whole number from 1 to %1").arg(kMaxSeconds),
                              err);
        }
    }
    if (parser.isSet(rawOption) && !parser.isSet(jsonOption)) {
        return UsageError(kCommand, QStringLiteral("--raw goes with --json"), err);
    }
    if (parser.isSet(xlsxOption) && parser.value(xlsxOption).isEmpty()) {
        return UsageError(kCommand, QStringLiteral("--xlsx needs a file name"), err);
    }

    const platform::AdapterMap adapters = platform::EnumerateAdapters();
    if (adapters.empty()) {
        return UsageError(kCommand, QStringLiteral("no network adapter with an IPv4 address is up"), err);
    }
    std::uint32_t choice = 0;
    if (parser.isSet(adapterOption)) {
        const auto address = platform::ParseDottedAddress(parser.value(adapterOption).toStdString());
        if (!address || adapters.count(*address) == 0) {
            QStringList known;
            for (const auto& [key, name] : adapters) {
                known << QString::fromStdString(platform::DottedAddress(key) + " (" + name + ")");
            }
            return UsageError(kCommand,
                              QStringLiteral("no adapter has the address %1; adapters: %2")
                                  .arg(parser.value(adapterOption), known.join(QStringLiteral(", "))),
                              err);
        }
        choice = *address;
    }

    const base::CLoadDisplayCfg display;
    discovery::DeviceTable table;
    RunSearch(display, table, choice, seconds);
    std::vector<discovery::DeviceRecord> found;
    table.ForEach([&found](const discovery::DeviceTable::Entry& entry) { found.push_back(entry.record); });
    const auto records = SortedByAddress(std::move(found));
    const int status =
        parser.isSet(xlsxOption) ? WriteWorkbook(display, table, parser.value(xlsxOption), err) : kExitOk;
    if (parser.isSet(jsonOption)) {
        QJsonArray array;
        for (const auto& record : records) {
            array.append(discovery::DeviceRecordToJson(record, parser.isSet(rawOption)));
        }
        WriteJson(out, QJsonDocument(array));
        return status;
    }
    for (const auto& record : records) {
        out << Text(base::FieldText(record.IpAddress)) << '\t' << Text(base::FieldText(record.MacAddress)) << '\t'
            << Text(base::FieldText(record.SerialNumber)) << '\t' << Text(base::FieldText(record.DeviceType)) << '\t'
            << Text(base::FieldText(record.Version)) << '\t' << Text(base::FieldText(record.LocalIp)) << '\n';
    }
    return status;
}

} // namespace zk::cli

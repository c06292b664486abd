// SPDX-License-Identifier: GPL-3.0-or-later
// zkdevcli login: searches, logs in to every device found as the window does, waits for the
// outcomes and prints them.
#include "base/CLoadDisplayCfg.h"
#include "base/FixedText.h"
#include "base/LanguageTable.h"
#include "cli/CliMain.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "cli/LoginWatch.h"
#include "discovery/DeviceListModel.h"
#include "discovery/SearchController.h"
#include "platform/NetworkAdapters.h"
#include "platform/TextCodec.h"
#include "sdk/NetSdk.h"
#include "sdk/SessionManager.h"

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QJsonObject>
#include <QTimer>

#include <algorithm>
#include <arpa/inet.h>
#include <map>

namespace zk::cli {
namespace {

const QString kCommand = QStringLiteral("login");
constexpr int kDefaultSearchSeconds = 2;
constexpr int kDefaultSeconds = 10;
constexpr int kMaxSeconds = 24 * 3600;
constexpr int kCheckPeriodMs = 50;

struct Result {
    std::uint64_t sortKey = 0;
    QString serialNumber;
    QString ipAddress;
    int loginHandle = 0;
    bool online = false;
    QString status;
    QString fileSystemVersion;
};

std::optional<int> ParseSeconds(const QCommandLineParser& parser, const QCommandLineOption& option, int fallback) {
    if (!parser.isSet(option)) {
        return fallback;
    }
    bool ok = false;
    const int seconds = parser.value(option).toInt(&ok);
    if (!ok || seconds < 1 || seconds > kMaxSeconds) {
        return std::nullopt;
    }
    return seconds;
}

void RunEventLoopFor(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

int RunLogin(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Searches the local network, logs in to every device that answers as the window does (with the device's "
        "own account, or the default login user when its reply carries none), waits until every device is online "
        "or has failed, and prints each device's login handle, online state, status text and file-system "
        "version."));
    const QCommandLineOption searchSecondsOption(
        QStringLiteral("search-seconds"), QStringLiteral("How long to search (default 2)."), QStringLiteral("S"));
    const QCommandLineOption secondsOption(
        QStringLiteral("seconds"), QStringLiteral("How long to wait for the logins after the search (default 10)."),
        QStringLiteral("N"));
    const QCommandLineOption userOption(
        QStringLiteral("user"), QStringLiteral("Default login user's name (default admin)."), QStringLiteral("U"));
    const QCommandLineOption passwordOption(QStringLiteral("password"),
                                            QStringLiteral("Default login user's password (default 507913)."),
                                            QStringLiteral("P"));
    const QCommandLineOption jsonOption(QStringLiteral("json"), QStringLiteral("Print a JSON array instead."));
    parser.addOptions({searchSecondsOption, secondsOption, userOption, passwordOption, jsonOption});
    if (const auto exit = ParseArguments(parser, kCommand, arguments, out, err)) {
        return *exit;
    }
    if (!parser.positionalArguments().isEmpty()) {
        return UsageError(kCommand,
                          QStringLiteral("unexpected argument \"%1\"").arg(parser.positionalArguments().front()), err);
    }
    const auto searchSeconds = ParseSeconds(parser, searchSecondsOption, kDefaultSearchSeconds);
    const auto seconds = ParseSeconds(parser, secondsOption, kDefaultSeconds);
    if (!searchSeconds || !seconds) {
        return UsageError(
            kCommand,
            QStringLiteral("--search-seconds and --seconds take a whole number from 1 to %1").arg(kMaxSeconds), err);
    }
    if (parser.isSet(userOption) != parser.isSet(passwordOption)) {
        return UsageError(kCommand, QStringLiteral("--user and --password go together"), err);
    }
    const std::string user = parser.isSet(userOption) ? platform::WideToAnsi(parser.value(userOption)) : "admin";
    const std::string password =
        parser.isSet(passwordOption) ? platform::WideToAnsi(parser.value(passwordOption)) : "507913";
    if (user.empty()) {
        return UsageError(kCommand, QStringLiteral("--user needs a name"), err);
    }
    if (platform::EnumerateAdapters().empty()) {
        return UsageError(kCommand, QStringLiteral("no network adapter with an IPv4 address is up"), err);
    }

    const base::CLoadDisplayCfg display;
    // Status texts are printed in English whatever language the window remembers.
    base::LanguageSources sources = base::DefaultLanguageSources();
    sources.languageCode = QStringLiteral("en-us");
    const base::LanguageTable texts(sources);
    discovery::DeviceTable table;
    table.SetDefaultAccount(user, password);
    discovery::DeviceListModel list(table, texts, discovery::DeviceListSettings::From(display, texts));
    sdk::NetSdk library;
    sdk::SessionManager sessions(library, list, texts);
    sessions.SetDefaultAccount(user, password);
    if (sessions.Start() != 0) {
        return Failure(kCommand, QStringLiteral("the device SDK did not start"), err);
    }

    const LoginWatch watch(list, sessions);

    discovery::SearchSettings settings;
    settings.rootNames = discovery::AcceptedRootNames(display.GetDataString(base::kDataCustXmlRoot));
    settings.autoStop = false;
    discovery::SearchEngine engine(table);
    discovery::SearchController search(table, engine, settings);
    QObject::connect(&search, &discovery::SearchController::listRefreshTick, &list, &discovery::DeviceListModel::Merge);
    QObject::connect(&search, &discovery::SearchController::tableCleared, &list,
                     &discovery::DeviceListModel::ClearRows);
    sessions.FollowSearch(search);
    search.StartSearch();
    RunEventLoopFor(*searchSeconds * 1000);
    search.StopSearch();
    list.Merge();

    const QDeadlineTimer deadline(std::chrono::seconds{*seconds});
    auto allSettled = [&] {
        for (int row = 0; row < list.RowCount(); ++row) {
            if (!watch.Settled(row)) {
                return false;
            }
        }
        return true;
    };
    while (!allSettled() && !deadline.hasExpired()) {
        RunEventLoopFor(kCheckPeriodMs);
    }

    std::vector<Result> results;
    for (int row = 0; row < list.RowCount(); ++row) {
        const discovery::DeviceRow& device = *list.RowAt(row);
        Result result;
        const auto address = platform::ParseDottedAddress(base::FieldText(device.Record.IpAddress));
        result.sortKey = address ? ntohl(*address) : (std::uint64_t{1} << 32);
        result.serialNumber = platform::AnsiToWide(base::FieldText(device.Record.SerialNumber));
        result.ipAddress = platform::AnsiToWide(base::FieldText(device.Record.IpAddress));
        result.loginHandle = device.LoginHandle;
        result.online = device.Online != 0;
        result.status = list.CellText(row, discovery::ListColumn::State);
        result.fileSystemVersion = platform::AnsiToWide(base::FieldText(device.InfoText1012));
        results.push_back(std::move(result));
    }
    // Sessions end here rather than linger on the devices until they time out.
    sessions.LogoutAll();
    std::stable_sort(results.begin(), results.end(),
                     [](const Result& left, const Result& right) { return left.sortKey < right.sortKey; });

    if (parser.isSet(jsonOption)) {
        QJsonArray array;
        for (const Result& result : results) {
            array.append(QJsonObject{{QStringLiteral("SerialNumber"), result.serialNumber},
                                     {QStringLiteral("IpAddress"), result.ipAddress},
                                     {QStringLiteral("LoginHandle"), result.loginHandle},
                                     {QStringLiteral("Online"), result.online},
                                     {QStringLiteral("Status"), result.status},
                                     {QStringLiteral("FileSystemVersion"), result.fileSystemVersion}});
        }
        WriteJson(out, QJsonDocument(array));
    } else {
        for (const Result& result : results) {
            out << result.ipAddress << '\t' << result.serialNumber << '\t' << result.loginHandle << '\t'
                << (result.online ? "online" : "offline") << '\t' << result.status << '\t' << result.fileSystemVersion
                << '\n';
        }
    }
    if (results.empty()) {
        return Failure(kCommand, QStringLiteral("no device answered the search"), err);
    }
    const auto offline = std::count_if(results.begin(), results.end(), [](const Result& r) { return !r.online; });
    if (offline > 0) {
        return Failure(kCommand, QStringLiteral("%1 of %2 devices are not online").arg(offline).arg(results.size()),
                       err);
    }
    return kExitOk;
}

} // namespace zk::cli

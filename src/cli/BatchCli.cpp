// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/BatchCli.h"

#include "base/CLoadDisplayCfg.h"
#include "base/CSaveParam.h"
#include "base/FixedText.h"
#include "base/LanguageTable.h"
#include "cli/CliMain.h"
#include "cli/CliSupport.h"
#include "cli/LoginWatch.h"
#include "discovery/DeviceListModel.h"
#include "discovery/SearchController.h"
#include "platform/NetworkAdapters.h"
#include "platform/TextCodec.h"
#include "sdk/LoginCredentials.h"
#include "sdk/NetSdk.h"
#include "sdk/SessionManager.h"
#include "sdk/batch/BatchRunner.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QJsonArray>
#include <QTimer>

#include <arpa/inet.h>

#include <algorithm>
#include <set>

namespace zk::cli {
namespace {

constexpr int kMaxSeconds = 24 * 3600;
constexpr int kCheckPeriodMs = 20;
constexpr const char* kDefaultPassword = "507913";

std::uint64_t AddressOrder(const discovery::DeviceRecord& record) {
    const auto address = platform::ParseDottedAddress(base::FieldText(record.IpAddress));
    return address ? ntohl(*address) : (std::uint64_t{1} << 32);
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return QString::fromLatin1(a.data(), static_cast<qsizetype>(a.size()))
               .compare(QString::fromLatin1(b.data(), static_cast<qsizetype>(b.size())), Qt::CaseInsensitive) == 0;
}

// A whole number of seconds of an option: the default when it is not given, nothing when it is no
// number in range.
std::optional<int> Seconds(const QCommandLineParser& parser, const QCommandLineOption& option, int fallback,
                           int minimum) {
    if (!parser.isSet(option)) {
        return fallback;
    }
    bool ok = false;
    const int seconds = parser.value(option).toInt(&ok);
    if (!ok || seconds < minimum || seconds > kMaxSeconds) {
        return std::nullopt;
    }
    return seconds;
}

} // namespace

// The objects the window has, in the order they are built (and the reverse of their end).
struct BatchCli::Core {
    Core(discovery::DeviceTable& table, const base::CLoadDisplayCfg& display, const base::LanguageTable& texts,
         base::Prompt& prompt)
        : engine(table), search(table, engine, SearchSettingsOf(display)),
          list(table, texts, discovery::DeviceListSettings::From(display, texts)), sessions(library, list, texts),
          runner(list, sessions, library, texts, prompt), watch(list, sessions) {}

    static discovery::SearchSettings SearchSettingsOf(const base::CLoadDisplayCfg& display) {
        discovery::SearchSettings settings;
        settings.rootNames = discovery::AcceptedRootNames(display.GetDataString(base::kDataCustXmlRoot));
        settings.autoStop = false;
        return settings;
    }

    discovery::SearchEngine engine;
    discovery::SearchController search;
    discovery::DeviceListModel list;
    sdk::NetSdk library;
    sdk::SessionManager sessions;
    sdk::batch::BatchRunner runner;
    LoginWatch watch;
    QMetaObject::Connection merging;
};

BatchCli::BatchCli(BatchCliSpec spec, std::ostream& out, std::ostream& err)
    : m_spec(std::move(spec)), m_out(out), m_err(err),
      m_searchSeconds(QStringLiteral("search-seconds"), QStringLiteral("How long to search (default 2)."),
                      QStringLiteral("S")),
      m_adapter(QStringLiteral("adapter"), QStringLiteral("Search only through the adapter with this address."),
                QStringLiteral("ADDR")),
      m_all(QStringLiteral("all"), QStringLiteral("Act on every device found, in address order.")),
      m_select(QStringLiteral("select"),
               QStringLiteral("Act on these devices, in this order: serial numbers, MAC or IPv4 addresses, "
                              "comma-separated."),
               QStringLiteral("LIST")),
      m_userOption(QStringLiteral("user"), QStringLiteral("Default login user's name (default admin)."),
                   QStringLiteral("U")),
      m_passwordOption(QStringLiteral("password"),
                       QStringLiteral("Default login user's password (default 507913); also the operation password of "
                                      "requests that go without a login."),
                       QStringLiteral("P")),
      m_yes(QStringLiteral("yes"), QStringLiteral("Answer Yes to the command's confirmation.")),
      m_answerSeconds(QStringLiteral("answer-seconds"),
                      QStringLiteral("How long to wait for the devices' answers (default 20)."), QStringLiteral("N")),
      m_loginSeconds(QStringLiteral("login-seconds"),
                     QStringLiteral("How long to wait for the logins after the search (default 10)."),
                     QStringLiteral("N")),
      m_verifySeconds(QStringLiteral("verify-seconds"),
                      QStringLiteral("Search again for N seconds afterwards and check that each device answers with "
                                     "what was sent."),
                      QStringLiteral("N")),
      m_json(QStringLiteral("json"), QStringLiteral("Print a JSON array instead of lines.")),
      m_outDir(QStringLiteral("out"), QStringLiteral("Folder for the files the command writes."),
               QStringLiteral("DIR")) {
    m_parser.setApplicationDescription(m_spec.description);
    for (const QString& word : m_spec.positional) {
        m_parser.addPositionalArgument(word, QString());
    }
    m_parser.addOptions({m_searchSeconds, m_adapter});
    if (m_spec.selection) {
        m_parser.addOptions({m_all, m_select});
    }
    m_parser.addOptions({m_userOption, m_passwordOption});
    if (m_spec.sessions) {
        m_parser.addOption(m_loginSeconds);
    }
    if (m_spec.confirmation) {
        m_parser.addOption(m_yes);
    }
    if (m_spec.answers) {
        m_parser.addOption(m_answerSeconds);
    }
    if (m_spec.verify) {
        m_parser.addOption(m_verifySeconds);
    }
    if (m_spec.out) {
        m_parser.addOption(m_outDir);
    }
    m_parser.addOption(m_json);
}

BatchCli::~BatchCli() {
    if (m_core) {
        m_core->search.StopSearch();
        // Sessions end here rather than linger on the devices until they time out.
        m_core->sessions.LogoutAll();
    }
}

BatchCliSpec MakeBatchSpec(const char* command, const char* description, QStringList positional, bool confirmation) {
    BatchCliSpec spec;
    spec.command = QLatin1StringView(command);
    spec.description = QLatin1StringView(description);
    spec.positional = std::move(positional);
    spec.confirmation = confirmation;
    return spec;
}

int ChooseWord(BatchCli& cli, const QStringList& words) {
    const QString word = cli.Positional().value(0).toLower();
    const int index = static_cast<int>(words.indexOf(word));
    if (index < 0) {
        UsageError(cli.Command(), QStringLiteral("give one of: %1").arg(words.join(QStringLiteral(", "))), cli.Err());
    }
    return index;
}

std::optional<int> BatchCli::Parse(const QStringList& arguments) {
    if (const auto exit = ParseArguments(m_parser, m_spec.command, arguments, m_out, m_err)) {
        return exit;
    }
    const QStringList words = m_parser.positionalArguments();
    if (words.size() > m_spec.positional.size()) {
        return UsageError(m_spec.command,
                          QStringLiteral("unexpected argument \"%1\"").arg(words.at(m_spec.positional.size())), m_err);
    }
    if (words.size() < m_spec.positional.size()) {
        return UsageError(m_spec.command, QStringLiteral("%1 is missing").arg(m_spec.positional.at(words.size())),
                          m_err);
    }
    const auto search = Seconds(m_parser, m_searchSeconds, 2, 1);
    const auto answers = m_spec.answers ? Seconds(m_parser, m_answerSeconds, 20, 1) : 20;
    const auto logins = m_spec.sessions ? Seconds(m_parser, m_loginSeconds, 10, 1) : 10;
    const auto verify = m_spec.verify ? Seconds(m_parser, m_verifySeconds, 0, 1) : 0;
    if (!search || !answers || !logins || !verify) {
        return UsageError(m_spec.command,
                          QStringLiteral("the seconds options take a whole number from 1 to %1").arg(kMaxSeconds),
                          m_err);
    }
    m_searchSecondsValue = *search;
    m_answerSecondsValue = *answers;
    m_loginSecondsValue = *logins;
    m_verifySecondsValue = *verify;
    if (m_spec.selection && m_parser.isSet(m_all) == m_parser.isSet(m_select)) {
        return UsageError(m_spec.command, QStringLiteral("give either --all or --select LIST"), m_err);
    }
    if (m_parser.isSet(m_userOption) && m_parser.value(m_userOption).isEmpty()) {
        return UsageError(m_spec.command, QStringLiteral("--user needs a name"), m_err);
    }
    if (m_parser.isSet(m_userOption)) {
        m_user = platform::WideToAnsi(m_parser.value(m_userOption));
    }
    if (m_parser.isSet(m_passwordOption)) {
        m_password = platform::WideToAnsi(m_parser.value(m_passwordOption));
    }
    if (m_spec.out && m_parser.isSet(m_outDir) && m_parser.value(m_outDir).isEmpty()) {
        return UsageError(m_spec.command, QStringLiteral("--out needs a folder"), m_err);
    }

    m_prompt = std::make_unique<CliPrompt>(m_err, m_spec.confirmation && m_parser.isSet(m_yes));
    return std::nullopt;
}

bool BatchCli::Json() const {
    return m_parser.isSet(m_json);
}

int BatchCli::VerifySeconds() const {
    return m_verifySecondsValue;
}

QString BatchCli::OutDir() const {
    return m_spec.out ? m_parser.value(m_outDir) : QString();
}

sdk::DeviceSdk& BatchCli::Sdk() {
    return m_core->library;
}

std::optional<int> BatchCli::Discover() {
    const platform::AdapterMap adapters = platform::EnumerateAdapters();
    if (adapters.empty()) {
        return UsageError(m_spec.command, QStringLiteral("no network adapter with an IPv4 address is up"), m_err);
    }
    if (m_parser.isSet(m_adapter)) {
        const auto address = platform::ParseDottedAddress(m_parser.value(m_adapter).toStdString());
        if (!address || adapters.count(*address) == 0) {
            QStringList known;
            for (const auto& [key, name] : adapters) {
                known << QString::fromStdString(platform::DottedAddress(key) + " (" + name + ")");
            }
            return UsageError(m_spec.command,
                              QStringLiteral("no adapter has the address %1; adapters: %2")
                                  .arg(m_parser.value(m_adapter), known.join(QStringLiteral(", "))),
                              m_err);
        }
        m_adapterChoice = *address;
    }
    m_display = std::make_unique<base::CLoadDisplayCfg>();
    // Status texts are printed in English whatever language the window remembers.
    base::LanguageSources sources = base::DefaultLanguageSources();
    sources.languageCode = QStringLiteral("en-us");
    m_texts = std::make_unique<base::LanguageTable>(sources);
    m_settings = std::make_unique<base::CSaveParam>();
    m_table = std::make_unique<discovery::DeviceTable>();
    m_table->SetDefaultAccount(m_user, m_password);
    m_core = std::make_unique<Core>(*m_table, *m_display, *m_texts, *m_prompt);
    m_list = &m_core->list;
    m_search = &m_core->search;
    m_sessions = &m_core->sessions;
    m_runner = &m_core->runner;

    m_sessions->SetDefaultAccount(m_user, m_password);
    // Commands that go without a login list the devices as print mode does: no sessions.
    m_sessions->SetPrintMode(!m_spec.sessions);
    if (m_spec.sessions && m_sessions->Start() != 0) {
        return Failure(m_spec.command, QStringLiteral("the device SDK did not start"), m_err);
    }
    m_core->merging = QObject::connect(m_search, &discovery::SearchController::listRefreshTick, m_list,
                                       &discovery::DeviceListModel::Merge);
    QObject::connect(m_search, &discovery::SearchController::tableCleared, m_list,
                     &discovery::DeviceListModel::ClearRows);
    m_sessions->FollowSearch(*m_search);
    m_search->SetAdapterChoice(m_adapterChoice);
    m_search->StartSearch();
    RunFor(m_searchSecondsValue * 1000);
    m_list->Merge();
    // The search goes on, so requests leave through its queue as in the window, but the list keeps
    // what was found: the command's rows do not change under it.
    QObject::disconnect(m_core->merging);

    if (const auto exit = ResolveSelection()) {
        return exit;
    }
    if (m_spec.sessions) {
        WaitForLogins();
    }
    return std::nullopt;
}

std::optional<int> BatchCli::ResolveSelection() {
    if (!m_spec.selection) {
        return std::nullopt;
    }
    if (m_list->RowCount() == 0) {
        return Failure(m_spec.command, QStringLiteral("no device answered the search"), m_err);
    }
    m_keys.clear();
    if (m_parser.isSet(m_all)) {
        std::vector<std::pair<std::uint64_t, std::string>> rows;
        for (int row = 0; row < m_list->RowCount(); ++row) {
            const discovery::DeviceRow& device = *m_list->RowAt(row);
            rows.emplace_back(AddressOrder(device.Record), std::string(base::FieldText(device.Key)));
        }
        std::stable_sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
        for (auto& [order, key] : rows) {
            m_keys.push_back(std::move(key));
        }
        return std::nullopt;
    }
    QStringList unknown;
    std::set<std::string> chosen;
    for (const QString& entry : m_parser.value(m_select).split(u',', Qt::SkipEmptyParts)) {
        const std::string wanted = platform::WideToAnsi(entry.trimmed());
        int found = -1;
        for (int row = 0; row < m_list->RowCount() && found < 0; ++row) {
            const discovery::DeviceRecord& record = m_list->RowAt(row)->Record;
            if (base::FieldText(record.SerialNumber) == wanted || base::FieldText(record.IpAddress) == wanted ||
                SameIgnoringCase(base::FieldText(record.MacAddress), wanted)) {
                found = row;
            }
        }
        if (found < 0) {
            unknown << entry.trimmed();
            continue;
        }
        std::string key(base::FieldText(m_list->RowAt(found)->Key));
        if (chosen.insert(key).second) {
            m_keys.push_back(std::move(key));
        }
    }
    if (!unknown.isEmpty()) {
        return Failure(m_spec.command,
                       QStringLiteral("no device answered for %1; nothing was sent").arg(unknown.join(u", ")), m_err);
    }
    if (m_keys.empty()) {
        return UsageError(m_spec.command, QStringLiteral("--select names no device"), m_err);
    }
    return std::nullopt;
}

void BatchCli::WaitForLogins() {
    const QDeadlineTimer deadline(std::chrono::seconds{m_loginSecondsValue});
    auto settled = [this] {
        return std::all_of(m_keys.begin(), m_keys.end(),
                           [this](const std::string& key) { return m_core->watch.Settled(RowOf(key)); });
    };
    while (!settled() && !deadline.hasExpired()) {
        RunFor(kCheckPeriodMs);
    }
}

int BatchCli::RowOf(const std::string& key) const {
    return m_list->FindRow(key);
}

const discovery::DeviceRow* BatchCli::Row(const std::string& key) const {
    return m_list->RowAt(m_list->FindRow(key));
}

void BatchCli::TickSelection() {
    m_list->SetAllTicked(false);
    for (const std::string& key : m_keys) {
        m_list->SetTicked(RowOf(key), true);
    }
}

std::optional<discovery::Credentials> BatchCli::OperationCredentials() {
    // The window's rule over this command's accounts: the default login user is --user/--password,
    // the operation password edit holds --password (or the default password).
    base::CSaveParam settings = *m_settings;
    settings.SetDefaultUserName(platform::AnsiToWide(m_user));
    settings.SetDefaultPassword(platform::AnsiToWide(m_password));
    const QString operatePassword =
        platform::AnsiToWide(m_parser.isSet(m_passwordOption) ? m_password : kDefaultPassword);
    QString user;
    QString password;
    if (!sdk::GetOperationCredentials(settings, *m_display, operatePassword, *m_texts, *m_prompt, user, password)) {
        return std::nullopt;
    }
    return discovery::Credentials{platform::WideToAnsi(user), platform::WideToAnsi(password)};
}

int BatchCli::RefuseUnconfirmed() {
    m_err << "zkdevcli " << m_spec.command << ": the command asks \"" << m_prompt->Declined().front()
          << "\"; nothing was sent. Add --yes to answer Yes.\n";
    return kExitUsage;
}

void BatchCli::RunFor(int milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

void BatchCli::WaitWhile(const std::function<bool()>& busy) {
    while (busy()) {
        RunFor(1);
    }
}

void BatchCli::WaitForBatch(int batchId) {
    Q_UNUSED(batchId);
    while (m_runner->Running()) {
        RunFor(1);
    }
}

void BatchCli::WaitForAnswers() {
    const QDeadlineTimer deadline(std::chrono::seconds{m_answerSecondsValue});
    while (m_runner->AwaitedAnswers() > 0 && !deadline.hasExpired()) {
        RunFor(kCheckPeriodMs);
    }
    // Answers still on their way are received before the verdict.
    QCoreApplication::sendPostedEvents();
    m_runner->AbandonAwaited();
}

std::map<std::string, discovery::DeviceRecord> BatchCli::SearchAgain() {
    m_search->StopSearch();
    m_search->StartSearch();
    RunFor(m_verifySecondsValue * 1000);
    m_search->StopSearch();
    std::map<std::string, discovery::DeviceRecord> found;
    m_table->ForEach([&found](const discovery::DeviceTable::Entry& entry) {
        found.emplace(std::string(base::FieldText(entry.record.SerialNumber)), entry.record);
    });
    return found;
}

int BatchCli::Report(const QStringList& columns, const std::vector<QJsonObject>& rows, int failures) {
    if (Json()) {
        QJsonArray array;
        for (const QJsonObject& row : rows) {
            array.append(row);
        }
        WriteJson(m_out, QJsonDocument(array));
    } else {
        for (const QJsonObject& row : rows) {
            QStringList values;
            for (const QString& column : columns) {
                const QJsonValue value = row.value(column);
                values << (value.isBool() ? (value.toBool() ? QStringLiteral("yes") : QStringLiteral("no"))
                                          : value.toVariant().toString());
            }
            m_out << values.join(u'\t') << '\n';
        }
    }
    if (failures > 0) {
        return Failure(m_spec.command,
                       QStringLiteral("%1 of %2 devices failed").arg(failures).arg(static_cast<int>(rows.size())),
                       m_err);
    }
    return kExitOk;
}

int BatchCli::ReportOutcomes(const std::function<bool(sdk::batch::RowResult)>& done) {
    using sdk::batch::RowResult;
    std::vector<QJsonObject> rows;
    int failures = 0;
    for (const std::string& key : m_keys) {
        const discovery::DeviceRow* row = Row(key);
        const sdk::batch::RowState* state = m_runner->State(key);
        const RowResult result = state != nullptr ? state->result : RowResult::Skipped;
        const bool sent = result == RowResult::Ok || result == RowResult::Failed || result == RowResult::NoAnswer ||
                          result == RowResult::NotChanged || result == RowResult::Sent;
        const bool ok = done ? done(result)
                             : result == RowResult::Ok || result == RowResult::NotChanged || result == RowResult::Sent;
        failures += ok ? 0 : 1;
        QJsonObject object;
        object.insert(QStringLiteral("SerialNumber"),
                      row != nullptr ? platform::AnsiToWide(base::FieldText(row->Record.SerialNumber))
                                     : QString::fromStdString(key));
        object.insert(QStringLiteral("IpAddress"),
                      row != nullptr ? platform::AnsiToWide(base::FieldText(row->Record.IpAddress)) : QString());
        object.insert(QStringLiteral("Online"), row != nullptr && row->Online != 0);
        object.insert(QStringLiteral("Sent"), sent);
        object.insert(QStringLiteral("Result"), QString::fromLatin1(sdk::batch::RowResultName(result)));
        object.insert(QStringLiteral("Status"), m_list->CellText(RowOf(key), discovery::ListColumn::State));
        rows.push_back(std::move(object));
    }
    return Report({QStringLiteral("SerialNumber"), QStringLiteral("IpAddress"), QStringLiteral("Online"),
                   QStringLiteral("Sent"), QStringLiteral("Result"), QStringLiteral("Status")},
                  rows, failures);
}

std::optional<int> BatchCli::Prepare(const QStringList& arguments, const std::function<std::optional<int>()>& check) {
    if (const auto exit = Parse(arguments)) {
        return exit;
    }
    if (check) {
        if (const auto exit = check()) {
            return exit;
        }
    }
    if (const auto exit = Discover()) {
        return exit;
    }
    TickSelection();
    return std::nullopt;
}

std::optional<int> BatchCli::PrepareChecked(const QStringList& arguments,
                                            const std::function<void(OptionChecks&)>& check) {
    return Prepare(arguments, [&] {
        OptionChecks checks(*this);
        check(checks);
        return checks.Exit();
    });
}

std::optional<int> BatchCli::PrepareChoice(const QStringList& arguments, const QStringList& words, int& choice) {
    return Prepare(arguments, [&]() -> std::optional<int> {
        choice = ChooseWord(*this, words);
        return choice < 0 ? std::optional<int>(kExitUsage) : std::nullopt;
    });
}

int BatchCli::Finish(const std::function<bool()>& busy, const std::function<bool(sdk::batch::RowResult)>& done) {
    WaitWhile([&] { return busy() || m_runner->Running(); });
    WaitForAnswers();
    if (Declined()) {
        return RefuseUnconfirmed();
    }
    const bool reached = std::any_of(m_keys.begin(), m_keys.end(),
                                     [this](const std::string& key) { return m_runner->State(key) != nullptr; });
    if (!reached) {
        m_err << "zkdevcli " << m_spec.command << ": nothing was sent\n";
        return kExitUsage;
    }
    return ReportOutcomes(done);
}

const base::LanguageTable& EnglishTexts() {
    static const base::LanguageTable texts = [] {
        base::LanguageSources sources = base::DefaultLanguageSources();
        sources.languageCode = QStringLiteral("en-us");
        return base::LanguageTable(sources);
    }();
    return texts;
}

int OptionChecks::Number(const QCommandLineOption& option, int minimum, int maximum, int fallback) {
    if (!m_cli.Parser().isSet(option)) {
        return fallback;
    }
    bool ok = false;
    const int value = m_cli.Parser().value(option).toInt(&ok);
    if (!ok || value < minimum || value > maximum) {
        Usage(QStringLiteral("--%1 takes a whole number from %2 to %3")
                  .arg(option.names().front())
                  .arg(minimum)
                  .arg(maximum));
        return fallback;
    }
    return value;
}

int OptionChecks::AnyNumber(const QCommandLineOption& option, int fallback) {
    if (!m_cli.Parser().isSet(option)) {
        return fallback;
    }
    bool ok = false;
    const int value = m_cli.Parser().value(option).toInt(&ok);
    if (!ok) {
        Usage(QStringLiteral("--%1 takes a whole number").arg(option.names().front()));
        return fallback;
    }
    return value;
}

void OptionChecks::Usage(const QString& text) {
    if (!m_exit) {
        m_exit = UsageError(m_cli.Command(), text, m_cli.Err());
    }
}

void OptionChecks::Refuse(const char* text, bool literal) {
    if (text == nullptr) {
        return;
    }
    // A key the language file lacks is still named rather than printed as an empty message.
    const QString message = literal ? QString::fromUtf8(text) : EnglishTexts().GetText(text);
    Usage(message.isEmpty() ? QString::fromLatin1(text) : message);
}

} // namespace zk::cli

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliPrompt.h"
#include "discovery/DeviceRecord.h"
#include "discovery/SearchMessage.h"
#include "sdk/batch/RowOutcome.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QJsonObject>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace zk::base {
class CLoadDisplayCfg;
class CSaveParam;
class LanguageTable;
} // namespace zk::base
namespace zk::discovery {
class DeviceListModel;
class DeviceTable;
class SearchController;
struct DeviceRow;
} // namespace zk::discovery
namespace zk::sdk {
class DeviceSdk;
class SessionManager;
namespace batch {
class BatchRunner;
}
} // namespace zk::sdk

namespace zk::cli {

// What a batch command takes from the shared front end.
struct BatchCliSpec {
    QString command;
    QString description;
    bool selection = true;    // needs --all or --select
    bool sessions = true;     // logs in to the devices and waits until their logins settled
    bool confirmation = true; // offers --yes
    bool answers = true;      // offers --answer-seconds
    bool verify = false;      // offers --verify-seconds
    bool out = false;         // offers --out DIR
    // The command's own words after its name ("on", "scan"): their names for the help text.
    QStringList positional;
};

// A command's front-end description with the usual choices (selection, sessions, answers).
BatchCliSpec MakeBatchSpec(const char* command, const char* description, QStringList positional = {},
                           bool confirmation = false);

class BatchCli;
class OptionChecks;
// The one word a command takes (its first positional argument, any letter case), as its index in
// words; -1 after a usage message naming the choices when it is another.
int ChooseWord(BatchCli& cli, const QStringList& words);

// The common part of every command that acts on devices: its options (--search-seconds,
// --adapter, --all | --select, --user/--password, --yes, --answer-seconds, --verify-seconds,
// --json, --out), the search that finds the devices, the selection, the logins, the core objects
// the window also has (device table, list, sessions, batch runner), waiting for a batch and its
// answers, and the output: one line or JSON object per device and the exit status (0 every device
// done, 1 some device failed, 2 bad usage). Runs on the thread of the QCoreApplication.
class BatchCli final {
public:
    explicit BatchCli(BatchCliSpec spec, std::ostream& out, std::ostream& err);
    ~BatchCli();
    BatchCli(const BatchCli&) = delete;
    BatchCli& operator=(const BatchCli&) = delete;

    // The command adds its own options here before Parse.
    QCommandLineParser& Parser() { return m_parser; }
    // Reads the arguments; an exit status when the command must end now (help, bad usage).
    std::optional<int> Parse(const QStringList& arguments);
    // Sets up the core, searches for --search-seconds, resolves the selection and, for commands with
    // sessions, waits until every selected device's login settled. An exit status when the command
    // must end now.
    std::optional<int> Discover();

    // The selected devices' row keys: in the order of --select, or by address with --all.
    const std::vector<std::string>& Keys() const { return m_keys; }
    int RowOf(const std::string& key) const;
    const discovery::DeviceRow* Row(const std::string& key) const;
    // Ticks exactly the selected rows, as a person would before pressing a batch button.
    void TickSelection();

    const QString& Command() const { return m_spec.command; }
    // The command's own words, as many as the command declares.
    QStringList Positional() const { return m_parser.positionalArguments(); }
    std::ostream& Out() { return m_out; }
    std::ostream& Err() { return m_err; }
    CliPrompt& Prompt() { return *m_prompt; }
    const base::LanguageTable& Texts() const { return *m_texts; }
    const base::CLoadDisplayCfg& Display() const { return *m_display; }
    base::CSaveParam& Settings() { return *m_settings; }
    discovery::DeviceTable& Table() { return *m_table; }
    discovery::DeviceListModel& List() { return *m_list; }
    discovery::SearchController& Search() { return *m_search; }
    sdk::DeviceSdk& Sdk();
    sdk::SessionManager& Sessions() { return *m_sessions; }
    sdk::batch::BatchRunner& Runner() { return *m_runner; }
    std::uint32_t AdapterChoice() const { return m_adapterChoice; }
    bool Json() const;
    // The operation credentials of search-protocol requests, as the window chooses them; nothing
    // (after a message) when the display file asks for an operation password and none was given.
    std::optional<discovery::Credentials> OperationCredentials();

    // A confirmation was answered No because --yes was missing: says so and gives 2.
    bool Declined() const { return !m_prompt->Declined().isEmpty(); }
    int RefuseUnconfirmed();
    // Runs the event loop until the batch with this id finished.
    void WaitForBatch(int batchId);
    // Runs the event loop until no answer is awaited or --answer-seconds passed; what is still
    // awaited then ends as no-answer.
    void WaitForAnswers();
    // Runs the event loop while busy() holds (a command between its rounds, probing, walking rows).
    void WaitWhile(const std::function<bool()>& busy);
    // Runs the event loop for a while.
    void RunFor(int milliseconds);
    // --verify-seconds (0 when not given).
    int VerifySeconds() const;
    // --out DIR ("" when not given; the command decides its default).
    QString OutDir() const;
    // Searches again for --verify-seconds and gives the records that answered, by serial number.
    std::map<std::string, discovery::DeviceRecord> SearchAgain();

    // Prints one line (values tab-separated in the order of columns) or, with --json, one JSON
    // object per row, and returns 0, or 1 when failures > 0 (counted on standard error).
    int Report(const QStringList& columns, const std::vector<QJsonObject>& rows, int failures);
    // Reports every selected device's outcome in the runner's last batch for it: SerialNumber,
    // IpAddress, Online, Sent, Result, Status. A device counts as done when done(result) holds (by
    // default: ok, not-changed, or a request that no answer follows went out).
    int ReportOutcomes(const std::function<bool(sdk::batch::RowResult)>& done = {});

    // The steps before a command runs: Parse, the command's checks of its own values (an exit
    // status ends the command before anything is searched), Discover and TickSelection. An exit
    // status when the command must end now.
    std::optional<int> Prepare(const QStringList& arguments, const std::function<std::optional<int>()>& check = {});
    // Prepare with the checks of OptionChecks.
    std::optional<int> PrepareChecked(const QStringList& arguments, const std::function<void(OptionChecks&)>& check);
    // Prepare for a command taking one word of words (its first positional argument); choice
    // becomes the word's index.
    std::optional<int> PrepareChoice(const QStringList& arguments, const QStringList& words, int& choice);
    // The steps after a command started: waits while busy() holds or the runner walks rows, then
    // for the answers. A confirmation answered No for want of --yes gives 2; so does a command that
    // reached no device (its message said why). Otherwise ReportOutcomes(done).
    int Finish(const std::function<bool()>& busy, const std::function<bool(sdk::batch::RowResult)>& done = {});

private:
    struct Core;
    std::optional<int> ResolveSelection();
    void WaitForLogins();

    BatchCliSpec m_spec;
    std::ostream& m_out;
    std::ostream& m_err;
    QCommandLineParser m_parser;
    QCommandLineOption m_searchSeconds;
    QCommandLineOption m_adapter;
    QCommandLineOption m_all;
    QCommandLineOption m_select;
    QCommandLineOption m_userOption;
    QCommandLineOption m_passwordOption;
    QCommandLineOption m_yes;
    QCommandLineOption m_answerSeconds;
    QCommandLineOption m_loginSeconds;
    QCommandLineOption m_verifySeconds;
    QCommandLineOption m_json;
    QCommandLineOption m_outDir;

    std::unique_ptr<CliPrompt> m_prompt;
    std::unique_ptr<base::CLoadDisplayCfg> m_display;
    std::unique_ptr<base::LanguageTable> m_texts;
    std::unique_ptr<base::CSaveParam> m_settings;
    std::unique_ptr<discovery::DeviceTable> m_table;
    std::unique_ptr<Core> m_core;
    discovery::DeviceListModel* m_list = nullptr;
    discovery::SearchController* m_search = nullptr;
    sdk::SessionManager* m_sessions = nullptr;
    sdk::batch::BatchRunner* m_runner = nullptr;

    std::uint32_t m_adapterChoice = 0;
    std::string m_user = "admin";
    std::string m_password = "507913";
    int m_searchSecondsValue = 2;
    int m_answerSecondsValue = 20;
    int m_loginSecondsValue = 10;
    int m_verifySecondsValue = 0;
    std::vector<std::string> m_keys;
};

// English texts of the language file, for the messages the window's dialogs would show; usable
// before Discover.
const base::LanguageTable& EnglishTexts();

// The checks of a command's own values before the search: the first problem wins, is printed as a
// usage error, and ends the command with 2.
class OptionChecks {
public:
    explicit OptionChecks(BatchCli& cli) : m_cli(cli) {}

    // A whole number of an option in minimum..maximum; fallback when the option is not given.
    int Number(const QCommandLineOption& option, int minimum, int maximum, int fallback);
    // A whole number whose range the dialog's own check judges.
    int AnyNumber(const QCommandLineOption& option, int fallback);
    void Usage(const QString& text);
    // The dialog's message for a refused value: the English text of a language key (the key itself
    // when the language file has no text for it), or with literal the text as it stands (UTF-8).
    // Nothing for a null text.
    void Refuse(const char* text, bool literal = false);
    std::optional<int> Exit() const { return m_exit; }

private:
    BatchCli& m_cli;
    std::optional<int> m_exit;
};

} // namespace zk::cli

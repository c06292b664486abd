// SPDX-License-Identifier: GPL-3.0-or-later
// zkdevcli's system commands: reset, reboot, loop-reboot, factory-mode, set-password, set-language,
// sync-time, maintenance, p2p, io-output, thermal-preset and test. Each drives the window's own
// command on the selected devices through the shared batch front end and reports every device.
#include "base/CLoadDisplayCfg.h"
#include "base/FixedText.h"
#include "cli/BatchCli.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "discovery/DeviceListModel.h"
#include "sdk/SessionManager.h"
#include "sdk/batch/BatchRunner.h"
#include "sdk/system/LoopReboot.h"
#include "sdk/system/RestartCommands.h"
#include "sdk/system/SettingCommands.h"

#include <QDeadlineTimer>

#include <functional>
#include <memory>
#include <string_view>

namespace zk::cli {
namespace {

using sdk::batch::RowResult;
using sdk::system::MaintenanceChoice;

BatchCliSpec Spec(const char* command, const char* description, QStringList positional = {},
                  bool confirmation = false) {
    return MakeBatchSpec(command, description, std::move(positional), confirmation);
}

// The commands of one run, over the front end's core objects.
struct SystemCli {
    explicit SystemCli(BatchCli& cli) : cli(cli) {}

    void Create() {
        sdk::system::RestartHooks restartHooks;
        restartHooks.credentials = [this] { return cli.OperationCredentials(); };
        restart = std::make_unique<sdk::system::RestartCommands>(cli.List(), cli.Table(), cli.Search(), cli.Runner(),
                                                                 cli.Sdk(), cli.Display(), restartHooks);
        sdk::system::SettingHooks settingHooks;
        settingHooks.editPassword = editPassword;
        settingHooks.editMaintenance = editMaintenance;
        settings =
            std::make_unique<sdk::system::SettingCommands>(cli.List(), cli.Sessions(), cli.Runner(), settingHooks);
    }

    // Waits for the command's rows, rounds and answers, then reports each device.
    int Finish(const std::function<bool(RowResult)>& done = {}) {
        return cli.Finish([this] { return restart->Busy() || settings->Busy(); }, done);
    }

    BatchCli& cli;
    std::function<std::optional<std::pair<QString, QString>>()> editPassword;
    std::function<bool(MaintenanceChoice&)> editMaintenance;
    std::unique_ptr<sdk::system::RestartCommands> restart;
    std::unique_ptr<sdk::system::SettingCommands> settings;
};

// Parses the arguments, finds and logs in to the devices and creates the commands; an exit status
// when the command must end before it runs.
std::optional<int> Prepare(BatchCli& cli, SystemCli& system, const QStringList& arguments,
                           const std::function<std::optional<int>()>& check = {}) {
    if (const auto exit = cli.Prepare(arguments, check)) {
        return exit;
    }
    system.Create();
    return std::nullopt;
}

// Prepare for a command that takes one word of a fixed set; choice becomes its index.
std::optional<int> PrepareChoice(BatchCli& cli, SystemCli& system, const QStringList& arguments,
                                 const QStringList& words, int& choice) {
    if (const auto exit = cli.PrepareChoice(arguments, words, choice)) {
        return exit;
    }
    system.Create();
    return std::nullopt;
}

} // namespace

int RunReset(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(Spec("reset",
                      "Restores the selected devices' factory settings: four rounds of the restore request over the "
                      "search protocol, 500 ms apart (--keep-network keeps their network settings), or with "
                      "--over-login a restore and a reboot over each device's session.",
                      {}, true),
                 out, err);
    const QCommandLineOption keepNetwork(QStringLiteral("keep-network"),
                                         QStringLiteral("Keep the devices' network settings."));
    const QCommandLineOption overLogin(QStringLiteral("over-login"),
                                       QStringLiteral("Restore and reboot over the devices' sessions instead."));
    cli.Parser().addOptions({keepNetwork, overLogin});
    SystemCli system(cli);
    if (const auto exit = Prepare(cli, system, arguments, [&]() -> std::optional<int> {
            if (cli.Parser().isSet(keepNetwork) && cli.Parser().isSet(overLogin)) {
                return UsageError(cli.Command(), QStringLiteral("--keep-network goes only without --over-login"), err);
            }
            return std::nullopt;
        })) {
        return *exit;
    }
    if (cli.Parser().isSet(overLogin)) {
        system.restart->ResetOverLogin(cli.Keys());
    } else {
        system.restart->Reset(cli.Keys(), cli.Parser().isSet(keepNetwork));
    }
    return system.Finish();
}

int RunReboot(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(Spec("reboot",
                      "Reboots the selected devices: over their sessions when the display file says so, and over "
                      "the search protocol.",
                      {}, true),
                 out, err);
    SystemCli system(cli);
    if (const auto exit = Prepare(cli, system, arguments)) {
        return *exit;
    }
    system.restart->Reboot(cli.Keys());
    return system.Finish();
}

int RunLoopReboot(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(Spec("loop-reboot", "Reboots one device every second for --seconds N (a soak test of its start-up)."),
                 out, err);
    const QCommandLineOption seconds(QStringLiteral("seconds"), QStringLiteral("How long the loop runs."),
                                     QStringLiteral("N"));
    cli.Parser().addOption(seconds);
    SystemCli system(cli);
    int duration = 0;
    if (const auto exit = Prepare(cli, system, arguments, [&]() -> std::optional<int> {
            bool ok = false;
            duration = cli.Parser().value(seconds).toInt(&ok);
            if (!ok || duration < 1 || duration > 24 * 3600) {
                return UsageError(cli.Command(), QStringLiteral("--seconds takes a whole number from 1 to 86400"), err);
            }
            if (!cli.Parser().isSet(QStringLiteral("select")) ||
                cli.Parser().value(QStringLiteral("select")).contains(u',')) {
                return UsageError(cli.Command(), QStringLiteral("give exactly one device with --select"), err);
            }
            return std::nullopt;
        })) {
        return *exit;
    }
    sdk::system::LoopReboot loop(cli.List(), cli.Runner(), *system.restart,
                                 [&cli] { return cli.OperationCredentials(); });
    if (cli.Keys().empty() || !loop.Start(cli.RowOf(cli.Keys().front()))) {
        return Failure(cli.Command(), QStringLiteral("the device is not listed"), err);
    }
    const QDeadlineTimer deadline(std::chrono::seconds{duration});
    cli.WaitWhile([&] { return loop.Running() && !deadline.hasExpired(); });
    const bool ended = !loop.Running();
    loop.Stop();
    err << cli.Command() << ": " << loop.Reboots() << " reboots sent"
        << (ended ? QStringLiteral(", the device left the list") : QString()) << '\n';
    return system.Finish([&loop](RowResult) { return loop.Reboots() > 0; });
}

int RunFactoryMode(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(Spec("factory-mode",
                      "Switches the selected devices' factory mode on or off, over their sessions and over the "
                      "search protocol.",
                      {QStringLiteral("on|off")}, true),
                 out, err);
    SystemCli system(cli);
    int choice = -1;
    if (const auto exit =
            PrepareChoice(cli, system, arguments, {QStringLiteral("off"), QStringLiteral("on")}, choice)) {
        return *exit;
    }
    system.restart->FactoryMode(cli.Keys(), choice == 1);
    return system.Finish();
}

int RunSetPassword(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(Spec("set-password",
                      "Gives the selected devices' admin account a new password (asked twice on a terminal "
                      "without --new-password)."),
                 out, err);
    const QCommandLineOption newPassword(QStringLiteral("new-password"), QStringLiteral("The new password."),
                                         QStringLiteral("P"));
    cli.Parser().addOption(newPassword);
    SystemCli system(cli);
    system.editPassword = [&]() -> std::optional<std::pair<QString, QString>> {
        if (cli.Parser().isSet(newPassword)) {
            return std::pair(cli.Parser().value(newPassword), cli.Parser().value(newPassword));
        }
        base::TextQuestion question;
        question.secret = true;
        question.label = QStringLiteral("new password");
        const auto first = cli.Prompt().EnterText(question);
        question.label = QStringLiteral("new password again");
        const auto second = first ? cli.Prompt().EnterText(question) : std::nullopt;
        if (!second) {
            err << cli.Command() << ": give --new-password P (no terminal to ask)\n";
            return std::nullopt;
        }
        return std::pair(*first, *second);
    };
    // A password given on the command line is checked before the search, so a typing slip costs
    // nothing; the command checks it again (also one typed on the terminal) before anything is sent.
    if (const auto exit = Prepare(cli, system, arguments, [&]() -> std::optional<int> {
            const char* problem = cli.Parser().isSet(newPassword)
                                      ? sdk::system::DevicePasswordProblem(cli.Parser().value(newPassword))
                                      : nullptr;
            if (problem == nullptr) {
                return std::nullopt;
            }
            return UsageError(cli.Command(),
                              std::string_view(problem) == "MSG_PASSWORD_TOO_LONG"
                                  ? QStringLiteral("the new password is longer than the %1 bytes a login carries")
                                        .arg(sdk::system::kMaxDevicePasswordBytes)
                                  : QStringLiteral("the new password has characters the devices cannot keep"),
                              err);
        })) {
        return *exit;
    }
    system.settings->SetPassword(cli.Keys());
    return system.Finish();
}

int RunSetLanguage(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(Spec("set-language",
                      "Sets the selected devices' language: zh-cn, en-us, zh-tw, ru-ru, german, italian, turkey, "
                      "croatian, korean, pt-pt, pl-pl, Japanese or Ukraine (--kc: the KC web pages).",
                      {QStringLiteral("NAME")}),
                 out, err);
    const QCommandLineOption kc(QStringLiteral("kc"), QStringLiteral("The KC variant of the web pages."));
    cli.Parser().addOption(kc);
    SystemCli system(cli);
    int offset = -1;
    if (const auto exit = Prepare(cli, system, arguments, [&]() -> std::optional<int> {
            offset = sdk::system::DeviceLanguageOffset(cli.Positional().value(0).toStdString());
            if (offset < 0) {
                return UsageError(cli.Command(),
                                  QStringLiteral("unknown language \"%1\"").arg(cli.Positional().value(0)), err);
            }
            return std::nullopt;
        })) {
        return *exit;
    }
    system.settings->SetLanguage(cli.Keys(), -1, offset, cli.Parser().isSet(kc));
    return system.Finish();
}

int RunSyncTime(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(Spec("sync-time", "Sets the selected devices' clocks from this computer's."), out, err);
    SystemCli system(cli);
    if (const auto exit = Prepare(cli, system, arguments)) {
        return *exit;
    }
    system.settings->SyncTime(cli.Keys());
    return system.Finish();
}

int RunMaintenance(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(Spec("maintenance", "Sets the selected devices' scheduled maintenance reboot."), out, err);
    const QCommandLineOption enable(QStringLiteral("enable"), QStringLiteral("Reboot on schedule."));
    const QCommandLineOption disable(QStringLiteral("disable"), QStringLiteral("No scheduled reboot."));
    const QCommandLineOption day(QStringLiteral("day"),
                                 QStringLiteral("mon, tue, wed, thu, fri, sat, sun or every "
                                                "(default every)."),
                                 QStringLiteral("DAY"));
    const QCommandLineOption time(QStringLiteral("time"), QStringLiteral("HH:MM:SS (default 03:00:00)."),
                                  QStringLiteral("T"));
    cli.Parser().addOptions({enable, disable, day, time});
    SystemCli system(cli);
    MaintenanceChoice choice;
    system.editMaintenance = [&choice](MaintenanceChoice& edited) {
        edited = choice;
        return true;
    };
    if (const auto exit = Prepare(cli, system, arguments, [&]() -> std::optional<int> {
            if (cli.Parser().isSet(enable) == cli.Parser().isSet(disable)) {
                return UsageError(cli.Command(), QStringLiteral("give either --enable or --disable"), err);
            }
            choice.enable = cli.Parser().isSet(enable);
            if (cli.Parser().isSet(day)) {
                const QStringList days = {QStringLiteral("mon"), QStringLiteral("tue"),  QStringLiteral("wed"),
                                          QStringLiteral("thu"), QStringLiteral("fri"),  QStringLiteral("sat"),
                                          QStringLiteral("sun"), QStringLiteral("every")};
                choice.day = static_cast<int>(days.indexOf(cli.Parser().value(day).toLower()));
            }
            if (cli.Parser().isSet(time)) {
                choice.time = cli.Parser().value(time).toStdString();
            }
            if (!sdk::system::ValidMaintenance(choice)) {
                return UsageError(cli.Command(), QStringLiteral("--day takes mon..sun or every, --time HH:MM:SS"), err);
            }
            return std::nullopt;
        })) {
        return *exit;
    }
    system.settings->Maintenance(cli.Keys());
    return system.Finish();
}

int RunP2p(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(Spec("p2p", "Switches the selected devices' P2P services on or off.", {QStringLiteral("on|off")}), out,
                 err);
    SystemCli system(cli);
    int choice = -1;
    if (const auto exit =
            PrepareChoice(cli, system, arguments, {QStringLiteral("off"), QStringLiteral("on")}, choice)) {
        return *exit;
    }
    system.settings->P2p(cli.Keys(), choice == 1);
    return system.Finish();
}

int RunIoOutput(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(Spec("io-output", "Sets the selected devices' alarm output to 0 or 1.", {QStringLiteral("0|1")}), out,
                 err);
    SystemCli system(cli);
    int choice = -1;
    if (const auto exit = PrepareChoice(cli, system, arguments, {QStringLiteral("0"), QStringLiteral("1")}, choice)) {
        return *exit;
    }
    system.settings->IoOutput(cli.Keys(), choice);
    return system.Finish();
}

int RunThermalPreset(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(Spec("thermal-preset",
                      "Makes the selected thermal cameras scan (preset 200) or save (preset 201) their sensor's "
                      "defect points.",
                      {QStringLiteral("scan|save")}),
                 out, err);
    SystemCli system(cli);
    int choice = -1;
    if (const auto exit =
            PrepareChoice(cli, system, arguments, {QStringLiteral("scan"), QStringLiteral("save")}, choice)) {
        return *exit;
    }
    system.settings->ThermalPreset(cli.Keys(),
                                   choice == 0 ? sdk::system::kThermalScanPreset : sdk::system::kThermalSavePreset);
    return system.Finish();
}

int RunTest(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(Spec("test", "Runs a factory test on the selected devices: mcu, speed or audio.",
                      {QStringLiteral("mcu|speed|audio")}),
                 out, err);
    SystemCli system(cli);
    int choice = -1;
    if (const auto exit =
            PrepareChoice(cli, system, arguments,
                          {QStringLiteral("mcu"), QStringLiteral("speed"), QStringLiteral("audio")}, choice)) {
        return *exit;
    }
    if (choice == 0) {
        system.settings->TestMcu(cli.Keys());
    } else if (choice == 1) {
        system.settings->TestSpeed(cli.Keys());
    } else {
        system.settings->AudioTest(cli.Keys());
    }
    return system.Finish();
}

} // namespace zk::cli

// SPDX-License-Identifier: GPL-3.0-or-later
// zkdevcli's read-modify-write commands: tv-system, onvif-allnet, stream-protocol and night-demo,
// which read a device's settings and send back only the changed field, and get-config, which only
// reads. Each drives the window's own command on the selected devices through the shared batch
// front end and reports every device.
#include "base/FixedText.h"
#include "cli/BatchCli.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "discovery/DeviceListModel.h"
#include "platform/TextCodec.h"
#include "sdk/SessionManager.h"
#include "sdk/batch/BatchRunner.h"
#include "sdk/batch/ConfigRequests.h"
#include "sdk/system/ConfigSwitches.h"
#include "sdk/system/NightDemo.h"

#include <QJsonObject>

#include <functional>
#include <map>
#include <memory>

namespace zk::cli {
namespace {

using sdk::batch::RowResult;

} // namespace

int RunTvSystem(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(MakeBatchSpec("tv-system",
                               "Sets the selected devices' TV system: reads each device's video capture settings and "
                               "sends them back with only the TV system changed, when it differs.",
                               {QStringLiteral("pal|ntsc")}, true),
                 out, err);
    int choice = -1;
    if (const auto exit = cli.PrepareChoice(arguments, {QStringLiteral("ntsc"), QStringLiteral("pal")}, choice)) {
        return *exit;
    }
    sdk::system::ConfigSwitches switches(cli.Runner());
    switches.TvSystem(cli.Keys(), choice == 1);
    return cli.Finish([&] { return switches.Busy(); });
}

int RunOnvifAllNet(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(MakeBatchSpec("onvif-allnet",
                               "Switches ONVIF on every network on or off: reads each device's LAN settings and sends "
                               "them back with only that switch changed, when it differs.",
                               {QStringLiteral("on|off")}, true),
                 out, err);
    int choice = -1;
    if (const auto exit = cli.PrepareChoice(arguments, {QStringLiteral("off"), QStringLiteral("on")}, choice)) {
        return *exit;
    }
    sdk::system::ConfigSwitches switches(cli.Runner());
    switches.OnvifAllNet(cli.Keys(), choice == 1);
    return cli.Finish([&] { return switches.Busy(); });
}

int RunStreamProtocol(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(MakeBatchSpec("stream-protocol",
                               "Switches one stream protocol (hik, onvif, dh or tst) on or off: reads each device's "
                               "stream settings and sends them back with only that switch changed, when it differs.",
                               {QStringLiteral("hik|onvif|dh|tst"), QStringLiteral("on|off")}),
                 out, err);
    const QStringList protocols{QStringLiteral("hik"), QStringLiteral("onvif"), QStringLiteral("dh"),
                                QStringLiteral("tst")};
    int protocol = -1;
    bool on = false;
    if (const auto exit = cli.Prepare(arguments, [&]() -> std::optional<int> {
            protocol = ChooseWord(cli, protocols);
            if (protocol < 0) {
                return 2;
            }
            const QString word = cli.Positional().value(1).toLower();
            if (word != QStringLiteral("on") && word != QStringLiteral("off")) {
                return UsageError(cli.Command(), QStringLiteral("give on or off after the protocol"), cli.Err());
            }
            on = word == QStringLiteral("on");
            return std::nullopt;
        })) {
        return *exit;
    }
    sdk::system::ConfigSwitches switches(cli.Runner());
    switches.Stream(cli.Keys(), static_cast<sdk::system::StreamProtocol>(protocol), on);
    return cli.Finish([&] { return switches.Busy(); });
}

int RunNightDemo(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(MakeBatchSpec("night-demo",
                               "Shows night mode on the selected devices for five seconds, then puts back day mode "
                               "and their day/night setting; waits for both."),
                 out, err);
    if (const auto exit = cli.Prepare(arguments)) {
        return *exit;
    }
    sdk::system::NightDemo demo(cli.List(), cli.Runner(), cli.Sdk());
    demo.Start(cli.Keys());
    cli.Err() << "night-demo: night mode for " << sdk::system::kNightDemoMs / 1000 << " s\n";
    return cli.Finish([&] { return demo.Running(); });
}

int RunGetConfig(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCliSpec spec =
        MakeBatchSpec("get-config", "Reads one configuration code (504 video capture, 305 LAN, 600 streams, 800 "
                                    "alarms, 507 audio, ...) from the selected devices and prints each answer; "
                                    "changes nothing.");
    spec.confirmation = false;
    BatchCli cli(spec, out, err);
    const QCommandLineOption code(QStringLiteral("code"), QStringLiteral("The configuration code to read."),
                                  QStringLiteral("N"));
    cli.Parser().addOption(code);
    int number = 0;
    if (const auto exit = cli.Prepare(arguments, [&]() -> std::optional<int> {
            bool ok = false;
            number = cli.Parser().value(code).toInt(&ok);
            if (!ok || number <= 0 || number > 0xFFFFFF) {
                return UsageError(cli.Command(), QStringLiteral("give --code N, a configuration code"), cli.Err());
            }
            return std::nullopt;
        })) {
        return *exit;
    }
    std::map<std::string, QByteArray> answers;
    QObject::connect(&cli.Sessions(), &sdk::SessionManager::answerReceived, &cli.Sessions(),
                     [&](int row, int, int answerCode, int, const QByteArray& payload) {
                         const discovery::DeviceRow* device = cli.List().RowAt(row);
                         if (device != nullptr && answerCode == number) {
                             answers[std::string(base::FieldText(device->Key))] = payload;
                         }
                     });
    const sdk::batch::SdkRequest read = sdk::batch::ReadRequest(number, "SET_FAILED", {});
    cli.Runner().Run(cli.Keys(), [&](int row) { return cli.Runner().SdkRowWorker(row, read); });
    cli.WaitWhile([&] { return cli.Runner().Running(); });
    cli.WaitForAnswers();

    std::vector<QJsonObject> rows;
    int failures = 0;
    for (const std::string& key : cli.Keys()) {
        const discovery::DeviceRow* device = cli.Row(key);
        const sdk::batch::RowState* state = cli.Runner().State(key);
        const RowResult result = state != nullptr ? state->result : RowResult::Skipped;
        failures += result == RowResult::Ok ? 0 : 1;
        QJsonObject row;
        row[QStringLiteral("SerialNumber")] = QString::fromStdString(key);
        row[QStringLiteral("IpAddress")] =
            device != nullptr ? platform::AnsiToWide(base::FieldText(device->Record.IpAddress)) : QString();
        row[QStringLiteral("Result")] = QString::fromLatin1(sdk::batch::RowResultName(result));
        const auto answer = answers.find(key);
        row[QStringLiteral("Answer")] = answer != answers.end() ? QString::fromUtf8(answer->second) : QString();
        rows.push_back(row);
    }
    return cli.Report({QStringLiteral("SerialNumber"), QStringLiteral("IpAddress"), QStringLiteral("Result"),
                       QStringLiteral("Answer")},
                      rows, failures);
}

} // namespace zk::cli

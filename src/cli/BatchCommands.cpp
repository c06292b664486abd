// SPDX-License-Identifier: GPL-3.0-or-later
// zkdevcli batch-set and batch-control: one configuration or system control request per selected
// device over its session, as the window's batch commands send them, with every answer awaited.
#include "base/FixedText.h"
#include "cli/BatchCli.h"
#include "cli/CliMain.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "discovery/DeviceListModel.h"
#include "platform/FileIo.h"
#include "platform/TextCodec.h"
#include "sdk/batch/BatchRunner.h"
#include "sdk/batch/ConfigRequests.h"

namespace zk::cli {
namespace {

using sdk::batch::RowResult;

std::optional<int> ParseCode(BatchCli& cli, const QCommandLineOption& option) {
    bool ok = false;
    const int code = cli.Parser().value(option).toInt(&ok);
    if (!cli.Parser().isSet(option) || !ok || code < 1 || code > 0xFFFFFF) {
        return std::nullopt;
    }
    return code;
}

// Runs one request per selected device, waits for the answers and reports each device.
int RunRequests(BatchCli& cli, const sdk::batch::SdkRequest& request) {
    sdk::batch::BatchRunner& runner = cli.Runner();
    cli.TickSelection();
    const int batch = runner.Run(cli.Keys(), [&runner, request](int row) { return runner.SdkRowWorker(row, request); });
    cli.WaitForBatch(batch);
    cli.WaitForAnswers();
    // A request goes out here only with an answer to wait for: only the device's yes counts.
    return cli.ReportOutcomes(
        [](RowResult result) { return result == RowResult::Ok || result == RowResult::NotChanged; });
}

BatchCliSpec Spec(const char* command, const char* description) {
    BatchCliSpec spec;
    spec.command = QLatin1StringView(command);
    spec.description = QLatin1StringView(description);
    return spec;
}

} // namespace

int RunBatchSet(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(Spec("batch-set", "Searches, logs in to the selected devices and sends each one configuration "
                                   "document of a code (SetDVRConfig, or SetDevcieConfig with --device-config), "
                                   "then waits for every answer and prints each device's outcome."),
                 out, err);
    const QCommandLineOption code(QStringLiteral("code"), QStringLiteral("The configuration code, e.g. 228."),
                                  QStringLiteral("C"));
    const QCommandLineOption xml(QStringLiteral("xml"),
                                 QStringLiteral("The document, as text (sent in code page 936)."),
                                 QStringLiteral("TEXT"));
    const QCommandLineOption xmlFile(QStringLiteral("xml-file"),
                                     QStringLiteral("The document, from a file (sent byte for byte)."),
                                     QStringLiteral("F"));
    const QCommandLineOption deviceConfig(QStringLiteral("device-config"),
                                          QStringLiteral("Send with SetDevcieConfig instead of SetDVRConfig."));
    cli.Parser().addOptions({code, xml, xmlFile, deviceConfig});
    if (const auto exit = cli.Parse(arguments)) {
        return *exit;
    }
    const auto value = ParseCode(cli, code);
    if (!value) {
        return UsageError(cli.Command(), QStringLiteral("--code takes a whole number from 1 to 16777215"), err);
    }
    if (cli.Parser().isSet(xml) == cli.Parser().isSet(xmlFile)) {
        return UsageError(cli.Command(), QStringLiteral("give either --xml TEXT or --xml-file F"), err);
    }
    std::string document;
    if (cli.Parser().isSet(xml)) {
        document = platform::WideToAnsi(cli.Parser().value(xml));
    } else {
        const auto bytes = platform::ReadWholeFile(cli.Parser().value(xmlFile).toStdString());
        if (!bytes) {
            return Failure(cli.Command(), QStringLiteral("cannot read %1").arg(cli.Parser().value(xmlFile)), err);
        }
        document = *bytes;
    }
    if (document.empty()) {
        return UsageError(cli.Command(), QStringLiteral("the document is empty"), err);
    }
    if (const auto exit = cli.Discover()) {
        return *exit;
    }
    return RunRequests(cli,
                       sdk::batch::SetConfigRequest(*value, std::move(document), cli.Parser().isSet(deviceConfig)));
}

int RunBatchControl(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(Spec("batch-control", "Searches, logs in to the selected devices and sends each one system control "
                                       "request of a code (SystemControl), then waits for every answer and prints "
                                       "each device's outcome."),
                 out, err);
    const QCommandLineOption code(QStringLiteral("code"), QStringLiteral("The control code, e.g. 1012."),
                                  QStringLiteral("C"));
    const QCommandLineOption request(QStringLiteral("request"),
                                     QStringLiteral("The request text: empty (default), RESPONSE_PARAM or a "
                                                    "REQUEST_PARAM element (sent in code page 936)."),
                                     QStringLiteral("TEXT"));
    cli.Parser().addOptions({code, request});
    if (const auto exit = cli.Parse(arguments)) {
        return *exit;
    }
    const auto value = ParseCode(cli, code);
    if (!value) {
        return UsageError(cli.Command(), QStringLiteral("--code takes a whole number from 1 to 16777215"), err);
    }
    if (const auto exit = cli.Discover()) {
        return *exit;
    }
    return RunRequests(cli,
                       sdk::batch::SystemControlRequest(*value, platform::WideToAnsi(cli.Parser().value(request))));
}

} // namespace zk::cli

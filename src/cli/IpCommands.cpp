// SPDX-License-Identifier: GPL-3.0-or-later
// zkdevcli net-info, ip-set, ip-range, ip-dhcp, ip-free and ip-check: the computer's own network
// parameters, and devices given new IPv4 settings over the search protocol exactly as the window's
// IP commands give them, optionally verified by a second search.
#include "base/CSaveParam.h"
#include "base/FixedText.h"
#include "base/LanguageTable.h"
#include "cli/BatchCli.h"
#include "cli/CliMain.h"
#include "cli/CliSupport.h"
#include "cli/Commands.h"
#include "discovery/DeviceListModel.h"
#include "netcfg/AddressProbing.h"
#include "netcfg/IpAssignment.h"
#include "netcfg/IpRules.h"
#include "netcfg/IpSettingData.h"
#include "netcfg/LocalNetwork.h"
#include "netcfg/PingTest.h"
#include "netcfg/RecentlyAssigned.h"
#include "platform/NetworkAdapters.h"
#include "platform/TextCodec.h"

#include <QJsonObject>

#include <functional>

namespace zk::cli {
namespace {

using netcfg::IpSettingData;

constexpr int kMaxCheckCount = 1024;

QString Wide(const std::string& text) {
    return platform::AnsiToWide(text);
}

// The address options of the IP settings dialog, applied over its preset values as a person would
// type them: a new start proposes its gateway unless --gateway is given.
struct AddressOptions {
    QCommandLineOption start;
    QCommandLineOption netmask{QStringLiteral("netmask"), QStringLiteral("Subnet mask."), QStringLiteral("M")};
    QCommandLineOption gateway{QStringLiteral("gateway"), QStringLiteral("Gateway (\"\" for none)."),
                               QStringLiteral("G")};
    QCommandLineOption dns1{QStringLiteral("dns1"), QStringLiteral("First DNS server."), QStringLiteral("D")};
    QCommandLineOption dns2{QStringLiteral("dns2"), QStringLiteral("Second DNS server."), QStringLiteral("D")};

    explicit AddressOptions(const QString& startName)
        : start(startName, QStringLiteral("The (first) IPv4 address."), QStringLiteral("A")) {}

    void AddTo(QCommandLineParser& parser) const { parser.addOptions({start, netmask, gateway, dns1, dns2}); }

    void Apply(const QCommandLineParser& parser, IpSettingData& data) const {
        if (parser.isSet(start)) {
            data.start = parser.value(start).toStdString();
            if (const auto proposed = netcfg::GatewayForStart(data.start)) {
                data.gateway = *proposed;
            }
        }
        if (parser.isSet(netmask)) {
            data.netmask = parser.value(netmask).toStdString();
        }
        if (parser.isSet(gateway)) {
            data.gateway = parser.value(gateway).toStdString();
        }
        if (parser.isSet(dns1)) {
            data.dns1 = parser.value(dns1).toStdString();
        }
        if (parser.isSet(dns2)) {
            data.dns2 = parser.value(dns2).toStdString();
        }
        data.end = netcfg::EndAddressText(data.start, data.count);
    }
};

// The address commands' objects beside the shared front end's.
struct IpTools {
    explicit IpTools(BatchCli& cli)
        : assignment(cli.List(), cli.Table(), cli.Search(), cli.Runner(), local, recent, prober, cli.Settings(),
                     Hooks(cli)) {
        local.SetAdapterChoice(cli.AdapterChoice());
    }

    netcfg::IpAssignmentHooks Hooks(BatchCli& cli) {
        netcfg::IpAssignmentHooks hooks;
        hooks.credentials = [&cli] { return cli.OperationCredentials(); };
        hooks.editSettings = [this](IpSettingData& data) { return edit ? edit(data) : false; };
        // These commands do not log in: there is no session to renew.
        hooks.renewSession = [](int) {};
        return hooks;
    }

    netcfg::LocalNetwork local;
    netcfg::RecentlyAssigned recent;
    netcfg::IcmpProber prober;
    std::function<bool(IpSettingData&)> edit;
    netcfg::IpAssignment assignment;
};

// The dialog's OK over the values: refused settings print the dialog's message.
bool Accept(BatchCli& cli, const IpSettingData& data, bool& refused) {
    if (netcfg::AcceptIpSettings(data)) {
        return true;
    }
    refused = true;
    cli.Err() << "zkdevcli " << cli.Command() << ": " << EnglishTexts().GetText("MSGTIP46") << '\n';
    return false;
}

// Runs a command of the assignment and waits until it ended.
void RunAndWait(BatchCli& cli, IpTools& tools, const std::function<void()>& command) {
    command();
    while (tools.assignment.Busy()) {
        cli.RunFor(5);
    }
}

// Prints each selected device's request, checked against a second search when asked.
int ReportAssignments(BatchCli& cli, IpTools& tools) {
    std::map<std::string, discovery::DeviceRecord> answered;
    const bool verify = cli.VerifySeconds() > 0;
    if (verify) {
        answered = cli.SearchAgain();
    }
    std::vector<QJsonObject> rows;
    int failures = 0;
    for (const std::string& key : cli.Keys()) {
        const auto found = tools.assignment.Records().find(key);
        netcfg::IpAssignmentRecord record;
        if (found != tools.assignment.Records().end()) {
            record = found->second;
        } else {
            record.serialNumber = key;
            record.reason = "skipped";
        }
        QJsonValue verified = QJsonValue::Null;
        std::string reason = record.reason;
        if (verify) {
            const auto device = answered.find(record.serialNumber);
            bool ok = record.sent && device != answered.end();
            if (ok && record.dhcp) {
                ok = device->second.Dhcp != 0;
            } else if (ok) {
                const discovery::DeviceRecord& now = device->second;
                ok = base::FieldText(now.IpAddress) == record.ipAddress &&
                     base::FieldText(now.Netmask) == record.netmask && base::FieldText(now.Gateway) == record.gateway &&
                     now.Dhcp == 0;
            }
            verified = ok;
            if (!ok && reason.empty()) {
                reason = device == answered.end() ? "not found by the second search" : "answered with other settings";
            }
        }
        const bool failed = !record.sent || (verify && !verified.toBool());
        failures += failed ? 1 : 0;
        rows.push_back(QJsonObject{
            {QStringLiteral("SerialNumber"), Wide(record.serialNumber)},
            {QStringLiteral("MacAddress"), Wide(record.macAddress)},
            {QStringLiteral("OldIpAddress"), Wide(record.oldIpAddress)},
            {QStringLiteral("IpAddress"), Wide(record.ipAddress)},
            {QStringLiteral("Netmask"), Wide(record.netmask)},
            {QStringLiteral("Gateway"), Wide(record.gateway)},
            {QStringLiteral("Dns1"), Wide(record.dns1)},
            {QStringLiteral("Dns2"), Wide(record.dns2)},
            {QStringLiteral("Dhcp"), record.dhcp},
            {QStringLiteral("Sent"), record.sent},
            {QStringLiteral("Reason"), QString::fromStdString(reason)},
            {QStringLiteral("Verified"), verified},
        });
    }
    QStringList columns = {QStringLiteral("SerialNumber"), QStringLiteral("OldIpAddress"), QStringLiteral("IpAddress"),
                           QStringLiteral("Sent"), QStringLiteral("Reason")};
    if (verify) {
        columns << QStringLiteral("Verified");
    }
    return cli.Report(columns, rows, failures);
}

BatchCliSpec IpSpec(const char* command, const char* description, bool confirmation) {
    BatchCliSpec spec;
    spec.command = QLatin1StringView(command);
    spec.description = QLatin1StringView(description);
    spec.sessions = false;
    spec.answers = false;
    spec.confirmation = confirmation;
    spec.verify = true;
    return spec;
}

std::optional<int> ParseCount(const QString& text) {
    bool ok = false;
    const int count = text.toInt(&ok);
    if (!ok || count < 1 || count > kMaxCheckCount) {
        return std::nullopt;
    }
    return count;
}

} // namespace

int RunNetInfo(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    const QString command = QStringLiteral("net-info");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Prints this computer's own network parameters that the address commands start from: its address, "
        "netmask and gateway on the network it uses, and two DNS servers. Sends nothing."));
    const QCommandLineOption adapter(QStringLiteral("adapter"),
                                     QStringLiteral("The adapter chosen in the adapter list (an address)."),
                                     QStringLiteral("ADDR"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print a JSON object instead."));
    parser.addOptions({adapter, json});
    if (const auto exit = ParseArguments(parser, command, arguments, out, err)) {
        return *exit;
    }
    netcfg::LocalNetwork local;
    if (parser.isSet(adapter)) {
        const auto address = platform::ParseDottedAddress(parser.value(adapter).toStdString());
        if (!address) {
            return UsageError(command, QStringLiteral("--adapter takes an IPv4 address"), err);
        }
        local.SetAdapterChoice(*address);
    }
    const netcfg::LocalParameters values = local.Parameters();
    const std::pair<const char*, std::string> fields[] = {{"IpAddress", values.address},
                                                          {"Netmask", values.netmask},
                                                          {"Gateway", values.gateway},
                                                          {"Dns1", values.dns1},
                                                          {"Dns2", values.dns2}};
    if (parser.isSet(json)) {
        QJsonObject object;
        for (const auto& [name, value] : fields) {
            object.insert(QLatin1StringView(name), QString::fromStdString(value));
        }
        WriteJson(out, QJsonDocument(object));
    } else {
        for (const auto& [name, value] : fields) {
            out << name << '\t' << value << '\n';
        }
    }
    return kExitOk;
}

int RunIpCheck(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    const QString command = QStringLiteral("ip-check");
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Probes COUNT addresses from A with ICMP echo, as the IP settings dialog's Check does, and says whether "
        "one of them is in use (the first that answered). Needs a raw ICMP socket (root or cap_net_raw) or the "
        "unprivileged ping socket; an address that cannot be probed counts as free."));
    const QCommandLineOption from(QStringLiteral("from"), QStringLiteral("The first address."), QStringLiteral("A"));
    const QCommandLineOption count(QStringLiteral("count"), QStringLiteral("How many addresses (1 to 1024)."),
                                   QStringLiteral("N"));
    const QCommandLineOption json(QStringLiteral("json"), QStringLiteral("Print a JSON object instead."));
    parser.addOptions({from, count, json});
    if (const auto exit = ParseArguments(parser, command, arguments, out, err)) {
        return *exit;
    }
    const std::string start = parser.value(from).toStdString();
    const auto number = ParseCount(parser.value(count));
    if (!parser.isSet(from) || !netcfg::ParseIpv4(start) || !parser.isSet(count) || !number) {
        return UsageError(command, QStringLiteral("give --from A (an IPv4 address) and --count N (1 to 1024)"), err);
    }
    netcfg::IcmpProber prober;
    const int first = netcfg::CheckAddresses(start, *number, prober);
    const bool conflict = first >= 0;
    const QString address =
        conflict
            ? QString::fromStdString(netcfg::FormatIpv4(*netcfg::ParseIpv4(start) + static_cast<std::uint32_t>(first)))
            : QString();
    const QString text = EnglishTexts().GetText(conflict ? "IP_CONFLICT" : "IP_NOCONFLICT");
    if (parser.isSet(json)) {
        WriteJson(out, QJsonDocument(QJsonObject{{QStringLiteral("Conflict"), conflict},
                                                 {QStringLiteral("IpAddress"), address},
                                                 {QStringLiteral("Text"), text}}));
    } else {
        out << text;
        if (conflict) {
            out << ": " << address;
        }
        out << '\n';
    }
    return conflict ? kExitFailed : kExitOk;
}

int RunIpSet(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(IpSpec("ip-set",
                        "Gives one device new IPv4 settings over the search protocol, as the window's Modify IP "
                        "dialog does: the values not given keep what the device has (a mask that is no mask "
                        "becomes 255.255.255.0, a gateway outside the address's network its first address), a new "
                        "address proposes its network's .1 as the gateway unless --gateway is given. Settings that "
                        "do not fit together are refused (exit 2).",
                        false),
                 out, err);
    const AddressOptions options(QStringLiteral("ip"));
    options.AddTo(cli.Parser());
    const QCommandLineOption dhcp(QStringLiteral("dhcp"), QStringLiteral("Switch the device to DHCP."));
    cli.Parser().addOption(dhcp);
    if (const auto exit = cli.Parse(arguments)) {
        return *exit;
    }
    if (cli.Parser().value(QStringLiteral("select")).split(u',', Qt::SkipEmptyParts).size() != 1) {
        return UsageError(cli.Command(), QStringLiteral("--select names exactly one device"), err);
    }
    if (const auto exit = cli.Discover()) {
        return *exit;
    }
    IpTools tools(cli);
    bool refused = false;
    tools.edit = [&](IpSettingData& data) {
        options.Apply(cli.Parser(), data);
        if (cli.Parser().isSet(dhcp)) {
            data.dhcp = true;
        } else if (cli.Parser().isSet(options.start)) {
            data.dhcp = false; // a fixed address was asked for
        }
        return Accept(cli, data, refused);
    };
    RunAndWait(cli, tools, [&] { tools.assignment.ModifyOne(cli.RowOf(cli.Keys().front())); });
    if (refused) {
        return kExitUsage;
    }
    return ReportAssignments(cli, tools);
}

int RunIpRange(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(IpSpec("ip-range",
                        "Gives the selected devices consecutive IPv4 addresses over the search protocol, as the "
                        "window's consecutive-address command does: from the proposed start (the network's .160, "
                        "or the start used last time) unless --from is given, passing over the network and "
                        "broadcast addresses, the gateway and this computer's addresses; devices left when the "
                        "network is used up get nothing. The start is remembered for next time.",
                        false),
                 out, err);
    const AddressOptions options(QStringLiteral("from"));
    options.AddTo(cli.Parser());
    const QCommandLineOption check(QStringLiteral("check"),
                                   QStringLiteral("Probe the addresses first (as the dialog's Check) and send nothing "
                                                  "when one is in use."));
    cli.Parser().addOption(check);
    if (const auto exit = cli.Parse(arguments)) {
        return *exit;
    }
    if (const auto exit = cli.Discover()) {
        return *exit;
    }
    IpTools tools(cli);
    bool refused = false;
    bool conflict = false;
    tools.edit = [&](IpSettingData& data) {
        options.Apply(cli.Parser(), data);
        if (!Accept(cli, data, refused)) {
            return false;
        }
        if (cli.Parser().isSet(check)) {
            const int first = netcfg::CheckAddresses(data.start, data.count, tools.prober);
            if (first >= 0) {
                conflict = true;
                cli.Err() << "zkdevcli " << cli.Command() << ": " << EnglishTexts().GetText("IP_CONFLICT") << ": "
                          << netcfg::FormatIpv4(*netcfg::ParseIpv4(data.start) + static_cast<std::uint32_t>(first))
                          << "; nothing was sent\n";
                return false;
            }
        }
        return true;
    };
    RunAndWait(cli, tools, [&] { tools.assignment.Consecutive(cli.Keys()); });
    if (refused) {
        return kExitUsage;
    }
    if (conflict) {
        return kExitFailed;
    }
    return ReportAssignments(cli, tools);
}

int RunIpDhcp(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(IpSpec("ip-dhcp",
                        "Switches the selected devices to DHCP over the search protocol; a device that shows no "
                        "address (0.0.0.0) is also given 192.168.0.123/24 until its DHCP server answers.",
                        false),
                 out, err);
    if (const auto exit = cli.Parse(arguments)) {
        return *exit;
    }
    if (const auto exit = cli.Discover()) {
        return *exit;
    }
    IpTools tools(cli);
    RunAndWait(cli, tools, [&] { tools.assignment.Dhcp(cli.Keys()); });
    return ReportAssignments(cli, tools);
}

int RunIpFree(const QStringList& arguments, std::ostream& out, std::ostream& err) {
    BatchCli cli(IpSpec("ip-free",
                        "Gives the selected devices free addresses of this computer's network (last octet 2 to 254, "
                        "passing over this computer's, the gateway's, every listed device's and recently given "
                        "addresses, and any that answers an ICMP echo), with its netmask, gateway and DNS servers. "
                        "For several devices it asks first (--yes answers); for one device it asks nothing.",
                        true),
                 out, err);
    if (const auto exit = cli.Parse(arguments)) {
        return *exit;
    }
    const bool oneDevice = cli.Parser().isSet(QStringLiteral("select")) &&
                           cli.Parser().value(QStringLiteral("select")).split(u',', Qt::SkipEmptyParts).size() == 1;
    const bool ask = !(oneDevice && !cli.Parser().isSet(QStringLiteral("yes")));
    if (const auto exit = cli.Discover()) {
        return *exit;
    }
    IpTools tools(cli);
    RunAndWait(cli, tools, [&] { tools.assignment.FreeAddresses(cli.Keys(), ask); });
    if (cli.Declined()) {
        return cli.RefuseUnconfirmed();
    }
    return ReportAssignments(cli, tools);
}

} // namespace zk::cli

// SPDX-License-Identifier: GPL-3.0-or-later
#include "devsim/SimOptions.h"

#include "devsim/Ipv4.h"

#include <algorithm>
#include <charconv>
#include <functional>
#include <sstream>

namespace zk::devsim {
namespace {

// Sets one option from its value; returns an error text, empty when the value was taken.
using Apply = std::function<std::string(SimOptions&, std::string_view)>;

struct OptionDefinition {
    std::string_view name;
    std::string_view valueName; // empty for a switch
    std::string_view help;
    Apply apply;
};

// The value between double quotes, for error texts. Texts here start from a std::string and append:
// GCC 12 at -O3 reports a false -Wrestrict overlap for "literal" + std::string(...).
std::string Quoted(std::string_view value) {
    std::string text = "\"";
    text.append(value);
    text += '"';
    return text;
}

template <typename Number>
std::optional<Number> ParseNumber(std::string_view text) {
    Number value{};
    const auto* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end) {
        return std::nullopt;
    }
    return value;
}

Apply IntegerOption(int SimOptions::*member, int minimum, int maximum) {
    return [member, minimum, maximum](SimOptions& options, std::string_view value) -> std::string {
        const auto number = ParseNumber<int>(value);
        if (!number || *number < minimum || *number > maximum) {
            return Quoted(value) + " is not a number from " + std::to_string(minimum) + " to " +
                   std::to_string(maximum);
        }
        options.*member = *number;
        return {};
    };
}

Apply AddressOption(std::uint32_t SimOptions::*member) {
    return [member](SimOptions& options, std::string_view value) -> std::string {
        const auto address = ParseIpv4(value);
        if (!address) {
            return Quoted(value) + " is not an IPv4 address";
        }
        options.*member = *address;
        return {};
    };
}

Apply TextOption(std::string SimOptions::*member) {
    return [member](SimOptions& options, std::string_view value) -> std::string {
        options.*member = std::string(value);
        return {};
    };
}

// "3", "0,4,9" or ranges such as "10-19"; indexes are 0-based.
std::string ParseIndexList(std::string_view list, std::vector<int>& indexes) {
    while (!list.empty()) {
        const auto comma = list.find(',');
        const std::string_view item = list.substr(0, comma);
        const auto dash = item.find('-');
        const auto first = ParseNumber<int>(item.substr(0, dash));
        const auto last = dash == std::string_view::npos ? first : ParseNumber<int>(item.substr(dash + 1));
        if (!first || !last || *first < 0 || *last < *first || *last >= kMaxDeviceCount) {
            return Quoted(item) + " is not a device index or range of indexes";
        }
        for (int index = *first; index <= *last; ++index) {
            indexes.push_back(index);
        }
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
    return indexes.empty() ? "no device indexes given" : "";
}

// "192.168.1.50", "192.168.1.50-59" (a range of the last octet) or "192.168.1.50-192.168.2.9",
// comma-separated.
std::string ApplyOccupy(SimOptions& options, std::string_view list) {
    constexpr std::uint64_t kMaxOccupied = 65536;
    while (!list.empty()) {
        const auto comma = list.find(',');
        const std::string_view item = list.substr(0, comma);
        const auto dash = item.find('-');
        const auto first = ParseIpv4(item.substr(0, dash));
        std::optional<std::uint32_t> last = first;
        if (first && dash != std::string_view::npos) {
            const std::string_view end = item.substr(dash + 1);
            if (end.find('.') != std::string_view::npos) {
                last = ParseIpv4(end);
            } else {
                const auto octet = ParseNumber<std::uint32_t>(end);
                last = octet && *octet <= 255 ? std::optional<std::uint32_t>((*first & 0xFFFFFF00u) | *octet)
                                              : std::nullopt;
            }
        }
        if (!first || !last || *last < *first) {
            return Quoted(item) + " is not an address or range of addresses";
        }
        if (options.occupied.size() + (std::uint64_t{*last} - *first + 1) > kMaxOccupied) {
            return "more than " + std::to_string(kMaxOccupied) + " addresses";
        }
        for (std::uint64_t address = *first; address <= *last; ++address) {
            options.occupied.push_back(static_cast<std::uint32_t>(address));
        }
        list = comma == std::string_view::npos ? std::string_view() : list.substr(comma + 1);
    }
    return options.occupied.empty() ? "no addresses given" : "";
}

std::string ApplyBad(SimOptions& options, std::string_view value) {
    const auto colon = value.find(':');
    if (colon == std::string_view::npos) {
        return Quoted(value) + " is not KIND:LIST";
    }
    const auto kind = BadKindFromName(value.substr(0, colon));
    if (!kind) {
        return std::string("unknown kind \"").append(value.substr(0, colon)) + "\"";
    }
    BadAssignment assignment{*kind, {}};
    if (std::string error = ParseIndexList(value.substr(colon + 1), assignment.indexes); !error.empty()) {
        return error;
    }
    options.bad.push_back(std::move(assignment));
    return {};
}

std::string ApplyMacPrefix(SimOptions& options, std::string_view value) {
    // Three octets; the device number fills the other three.
    bool valid = value.size() == 8;
    for (std::size_t i = 0; valid && i < value.size(); ++i) {
        const char c = value[i];
        const bool hex = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
        valid = (i % 3 == 2) ? c == ':' : hex;
    }
    if (!valid) {
        return Quoted(value) + " is not three octets such as 02:5A:4B";
    }
    options.macPrefix = std::string(value);
    return {};
}

const std::vector<OptionDefinition>& Definitions() {
    static const std::vector<OptionDefinition> definitions = {
        {"count", "N", "number of generated devices (default 1)",
         [](SimOptions& options, std::string_view value) {
             options.countGiven = true;
             return IntegerOption(&SimOptions::count, 0, kMaxDeviceCount)(options, value);
         }},
        {"first-ip", "A", "address of the first generated device; the others follow it (default 192.168.1.10)",
         AddressOption(&SimOptions::firstIp)},
        {"netmask", "M", "netmask of generated devices (default 255.255.255.0)",
         [](SimOptions& options, std::string_view value) -> std::string {
             const auto mask = ParseIpv4(value);
             if (!mask || !PrefixLength(*mask)) {
                 return Quoted(value) + " is not a netmask";
             }
             options.netmask = *mask;
             return {};
         }},
        {"gateway", "G", "gateway of generated devices (default 192.168.1.1)", AddressOption(&SimOptions::gateway)},
        {"interface", "IF", "add each device's address to IF at start and remove it at exit",
         TextOption(&SimOptions::interfaceName)},
        {"occupy", "LIST",
         "addresses (a.b.c.d, ranges a.b.c.d-e) added to --interface that answer ping but are no device; "
         "repeatable",
         ApplyOccupy},
        {"fleet", "FILE", "devices described by a JSON fleet file (see docs/devsim.md)",
         TextOption(&SimOptions::fleetFile)},
        {"jitter-ms", "J", "each reply waits a random 0..J ms (default 100)",
         IntegerOption(&SimOptions::jitterMs, 0, 600000)},
        {"answer-delay-ms", "D", "session answers wait D ms plus a random 0..J ms of --jitter-ms (default 0: at once)",
         IntegerOption(&SimOptions::answerDelayMs, 0, 600000)},
        {"record", "FILE", "write one JSON line per message received", TextOption(&SimOptions::recordFile)},
        {"config-out", "FILE", "at exit, write one JSON line per device: its state and configuration document",
         TextOption(&SimOptions::configOutFile)},
        {"model", "TEXT", "device type; repeat it to make devices cycle through several",
         [](SimOptions& options, std::string_view value) {
             options.models.emplace_back(value);
             return std::string();
         }},
        {"version", "TEXT", "firmware version text (default V5.3.2.20240815)", TextOption(&SimOptions::version)},
        {"af-version", "TEXT", "focus module version text (default AF_V1.2.0)", TextOption(&SimOptions::afVersion)},
        {"web-port", "P", "web port (default 80)", IntegerOption(&SimOptions::webPort, 1, 65535)},
        {"video-port", "P", "RTSP port (default 554)", IntegerOption(&SimOptions::videoPort, 1, 65535)},
        {"command-port", "P", "device command port (default 34567)", IntegerOption(&SimOptions::commandPort, 1, 65535)},
        {"user", "U", "device account name (default admin)", TextOption(&SimOptions::user)},
        {"password", "P", "device account password (default 507913)", TextOption(&SimOptions::password)},
        {"no-user-config", "", "replies carry no account",
         [](SimOptions& options, std::string_view) {
             options.userConfig = false;
             return std::string();
         }},
        {"root", "NAME", "root element of replies (default XML_NIMBEX)", TextOption(&SimOptions::root)},
        {"serial-prefix", "TEXT", "serial numbers are this text and the device number (default ZKSIM)",
         [](SimOptions& options, std::string_view value) -> std::string {
             if (value.empty() || value.size() > 24) {
                 return "a serial prefix has 1 to 24 characters";
             }
             options.serialPrefix = std::string(value);
             return {};
         }},
        {"mac-prefix", "XX:XX:XX", "first three octets of MAC addresses (default 02:5A:4B)", ApplyMacPrefix},
        {"reboot-seconds", "S", "silence after a reboot or restore (default 5)",
         IntegerOption(&SimOptions::rebootSeconds, 0, 3600)},
        {"bad", "KIND:LIST", "devices (0-based indexes, ranges a-b) that answer badly; repeatable", ApplyBad},
        {"late-ms", "MS", "delay of late devices (default 3000)", IntegerOption(&SimOptions::lateMs, 0, 600000)},
        {"lock-after", "N", "wrong logins in a row that lock an account, 0 never (default 5)",
         IntegerOption(&SimOptions::lockAfter, 0, 1000)},
        {"lock-seconds", "S", "how long a locked account stays locked (default 60)",
         IntegerOption(&SimOptions::lockSeconds, 0, 86400)},
        {"alarm-code", "N", "alarm code SIGUSR1 sends to every logged-in session (default 14)",
         IntegerOption(&SimOptions::alarmCode, 0, 65535)},
        {"seed", "N", "seed of the random jitter and random bytes (default: random)",
         [](SimOptions& options, std::string_view value) -> std::string {
             const auto seed = ParseNumber<std::uint64_t>(value);
             if (!seed) {
                 return Quoted(value) + " is not a number";
             }
             options.seed = *seed;
             return {};
         }},
        {"ready-file", "PATH", "created once every address is set up and the socket listens",
         TextOption(&SimOptions::readyFile)},
    };
    return definitions;
}

} // namespace

const std::vector<std::string>& DefaultModels() {
    static const std::vector<std::string> models = {
        "NVS-IPCAM-T20_V2", "NVS-IPCAM-D31_V1", "NVS-NVR-N16_V3", "NVS-IPCAM-B52_V2", "DVS-ENC-E04_V1",
    };
    return models;
}

ParsedOptions ParseSimOptions(const std::vector<std::string>& arguments) {
    ParsedOptions parsed;
    auto fail = [&parsed](std::string text) {
        parsed.outcome = ParseOutcome::Error;
        parsed.error = std::move(text);
        return parsed;
    };
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string_view argument = arguments[i];
        if (argument == "--help" || argument == "-h") {
            parsed.outcome = ParseOutcome::Help;
            return parsed;
        }
        if (argument == "--program-version") {
            parsed.outcome = ParseOutcome::ProgramVersion;
            return parsed;
        }
        if (argument.substr(0, 2) != "--") {
            return fail(std::string("unexpected argument \"").append(argument) + "\"");
        }
        argument.remove_prefix(2);
        std::optional<std::string_view> inlineValue;
        if (const auto equals = argument.find('='); equals != std::string_view::npos) {
            inlineValue = argument.substr(equals + 1);
            argument = argument.substr(0, equals);
        }
        const OptionDefinition* option = nullptr;
        for (const auto& candidate : Definitions()) {
            if (candidate.name == argument) {
                option = &candidate;
            }
        }
        if (option == nullptr) {
            return fail(std::string("unknown option \"--").append(argument) + "\"");
        }
        std::string_view value;
        if (option->valueName.empty()) {
            if (inlineValue) {
                return fail(std::string("--").append(argument) + " takes no value");
            }
        } else if (inlineValue) {
            value = *inlineValue;
        } else if (i + 1 < arguments.size()) {
            value = arguments[++i];
        } else {
            return fail(std::string("--").append(argument) + " needs a value");
        }
        if (std::string error = option->apply(parsed.options, value); !error.empty()) {
            return fail(std::string("--").append(argument) + ": " + error);
        }
    }
    // Checked once every option is read, since --occupy may come before --interface or --netmask.
    SimOptions& options = parsed.options;
    std::sort(options.occupied.begin(), options.occupied.end());
    options.occupied.erase(std::unique(options.occupied.begin(), options.occupied.end()), options.occupied.end());
    if (!options.occupied.empty() && options.interfaceName.empty()) {
        return fail("--occupy needs --interface, the interface its addresses are added to");
    }
    for (const std::uint32_t address : options.occupied) {
        if (!IsHostAddress(address, options.netmask)) {
            return fail("--occupy: " + FormatIpv4(address) + " is not a usable address under the netmask " +
                        FormatIpv4(options.netmask));
        }
    }
    return parsed;
}

std::string UsageText() {
    std::ostringstream text;
    text << "Usage: zkdevsim [options]\n"
            "\n"
            "Simulates a fleet of network cameras and recorders that answer the search protocol on UDP\n"
            "port 3001 and take sessions on their command ports, for tests and demos. Run it only inside\n"
            "a private network namespace (scripts/netns-run), never on a real network. SIGUSR1 sends an\n"
            "alarm to every logged-in session; SIGTERM and SIGINT end it.\n"
            "\n"
            "Options:\n";
    auto line = [&text](std::string left, std::string_view help) {
        left.resize(std::max<std::size_t>(left.size() + 2, 26), ' ');
        text << left << help << '\n';
    };
    for (const auto& option : Definitions()) {
        line(std::string("  --").append(option.name) +
                 (option.valueName.empty() ? "" : std::string(" ").append(option.valueName)),
             option.help);
    }
    line("  --program-version", "print the program's version and exit");
    line("  --help", "print this text and exit");
    text << "\nBad kinds:";
    for (const BadKind kind : AllBadKinds()) {
        text << ' ' << BadKindName(kind);
    }
    text << "\n";
    return text.str();
}

} // namespace zk::devsim

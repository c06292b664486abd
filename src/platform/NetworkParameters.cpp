// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/NetworkParameters.h"

#include "platform/FileIo.h"
#include "platform/NetworkAdapters.h"
#include "platform/UniqueFd.h"

#include <ifaddrs.h>
#include <net/if.h>
#include <net/route.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <charconv>
#include <sstream>

namespace zk::platform {
namespace {

constexpr std::size_t kSmallFileLimitBytes = 1024 * 1024;

// /proc/net/route prints each address as the hexadecimal value of the 32-bit word the kernel
// holds, so read back as a number it is the address in network byte order again.
std::optional<std::uint32_t> ParseHexWord(std::string_view text) {
    std::uint32_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value, 16);
    if (result.ec != std::errc() || result.ptr != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

} // namespace

std::vector<RouteGateway> ParseRouteGateways(std::string_view text) {
    std::vector<RouteGateway> gateways;
    std::istringstream lines{std::string(text)};
    std::string line;
    std::getline(lines, line); // the column titles
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string name, destination, gateway, flags, refCount, use, metric, mask;
        if (!(fields >> name >> destination >> gateway >> flags >> refCount >> use >> metric >> mask)) {
            continue;
        }
        const auto destinationValue = ParseHexWord(destination);
        const auto gatewayValue = ParseHexWord(gateway);
        const auto flagsValue = ParseHexWord(flags);
        const auto maskValue = ParseHexWord(mask);
        if (!destinationValue || !gatewayValue || !flagsValue || !maskValue) {
            continue;
        }
        if ((*flagsValue & RTF_UP) == 0 || (*flagsValue & RTF_GATEWAY) == 0 || *gatewayValue == 0) {
            continue;
        }
        gateways.push_back({name, *gatewayValue, *destinationValue == 0 && *maskValue == 0});
    }
    return gateways;
}

int ReadInterfaceParameters(std::vector<InterfaceParameters>& interfaces, const std::string& routeTableFile) {
    interfaces.clear();
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        return -1;
    }
    auto interfaceNamed = [&interfaces](const std::string& name) -> InterfaceParameters& {
        const auto found = std::find_if(interfaces.begin(), interfaces.end(),
                                        [&name](const InterfaceParameters& entry) { return entry.name == name; });
        if (found != interfaces.end()) {
            return *found;
        }
        interfaces.push_back({name, {}, {}});
        return interfaces.back();
    };
    for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
        if (entry->ifa_name == nullptr || (entry->ifa_flags & IFF_UP) == 0 || (entry->ifa_flags & IFF_LOOPBACK) != 0) {
            continue;
        }
        InterfaceParameters& parameters = interfaceNamed(entry->ifa_name);
        if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET) {
            continue;
        }
        InterfaceAddress address;
        address.address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr;
        if (entry->ifa_netmask != nullptr) {
            address.netmask = reinterpret_cast<const sockaddr_in*>(entry->ifa_netmask)->sin_addr.s_addr;
        }
        parameters.addresses.push_back(address);
    }
    freeifaddrs(list);

    if (const auto routes = ReadWholeFile(routeTableFile, kSmallFileLimitBytes)) {
        std::vector<RouteGateway> gateways = ParseRouteGateways(*routes);
        std::stable_partition(gateways.begin(), gateways.end(),
                              [](const RouteGateway& route) { return route.defaultRoute; });
        for (const RouteGateway& route : gateways) {
            for (InterfaceParameters& parameters : interfaces) {
                if (parameters.name == route.interfaceName &&
                    std::find(parameters.gateways.begin(), parameters.gateways.end(), route.gateway) ==
                        parameters.gateways.end()) {
                    parameters.gateways.push_back(route.gateway);
                }
            }
        }
    }
    return 0;
}

std::vector<std::string> ParseDnsServers(std::string_view text) {
    std::vector<std::string> servers;
    std::istringstream lines{std::string(text)};
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::string keyword, server;
        if (!(fields >> keyword >> server) || keyword != "nameserver") {
            continue;
        }
        if (ParseDottedAddress(server)) {
            servers.push_back(server);
        }
    }
    return servers;
}

int ReadDnsServers(std::vector<std::string>& servers, const std::string& resolverFile) {
    servers.clear();
    const auto text = ReadWholeFile(resolverFile, kSmallFileLimitBytes);
    if (!text) {
        return -1;
    }
    servers = ParseDnsServers(*text);
    return 0;
}

std::optional<std::uint32_t> SourceAddressFor(std::uint32_t destination) {
    UniqueFd socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!socket) {
        return std::nullopt;
    }
    // Connecting a UDP socket only chooses the route and the source address; nothing is sent.
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(53);
    remote.sin_addr.s_addr = destination;
    if (::connect(socket.Get(), reinterpret_cast<const sockaddr*>(&remote), sizeof(remote)) != 0) {
        return std::nullopt;
    }
    sockaddr_in local{};
    socklen_t localSize = sizeof(local);
    if (::getsockname(socket.Get(), reinterpret_cast<sockaddr*>(&local), &localSize) != 0 ||
        local.sin_addr.s_addr == 0) {
        return std::nullopt;
    }
    return local.sin_addr.s_addr;
}

std::optional<std::string> BestInterfaceFor(std::uint32_t destination) {
    const auto source = SourceAddressFor(destination);
    if (!source) {
        return std::nullopt;
    }
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) {
        return std::nullopt;
    }
    std::optional<std::string> name;
    for (const ifaddrs* entry = list; entry != nullptr && !name; entry = entry->ifa_next) {
        if (entry->ifa_name != nullptr && entry->ifa_addr != nullptr && entry->ifa_addr->sa_family == AF_INET &&
            reinterpret_cast<const sockaddr_in*>(entry->ifa_addr)->sin_addr.s_addr == *source) {
            name = entry->ifa_name;
        }
    }
    freeifaddrs(list);
    return name;
}

} // namespace zk::platform

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The computer's IPv4 network parameters: interfaces with their addresses and gateways, the DNS
// servers of the resolver and the interface the system would use to reach an address. Addresses
// are in network byte order, as stored in a socket address. Safe from any thread.
namespace zk::platform {

inline constexpr const char* kRouteTableFile = "/proc/net/route";
inline constexpr const char* kResolverFile = "/etc/resolv.conf";

struct InterfaceAddress {
    std::uint32_t address = 0;
    std::uint32_t netmask = 0;
};

struct InterfaceParameters {
    std::string name;
    std::vector<InterfaceAddress> addresses; // IPv4 addresses in the system's order
    std::vector<std::uint32_t> gateways;     // default routes' gateways first, then other routes'
};

// Every interface that is up and not loopback, in the system's order, also those without an IPv4
// address. Returns 0, or -1 when the interfaces cannot be read (gateways are then not read either).
// A route table that cannot be read leaves the gateways empty.
int ReadInterfaceParameters(std::vector<InterfaceParameters>& interfaces,
                            const std::string& routeTableFile = kRouteTableFile);

struct RouteGateway {
    std::string interfaceName;
    std::uint32_t gateway = 0;
    bool defaultRoute = false;
};

// The gateways of the routes in the text of /proc/net/route that are up and go through a gateway,
// in the file's order.
std::vector<RouteGateway> ParseRouteGateways(std::string_view text);

// The IPv4 DNS servers ("nameserver" lines) of a resolver file, in order; other lines, comments and
// IPv6 servers are skipped. Returns 0, or -1 when the file is missing or unreadable (which differs
// from a file that names no server).
int ReadDnsServers(std::vector<std::string>& servers, const std::string& resolverFile = kResolverFile);
std::vector<std::string> ParseDnsServers(std::string_view text);

// The local address the system would send from to reach the destination, learnt from a UDP socket
// connected to it (nothing is sent); nothing when there is no route.
std::optional<std::uint32_t> SourceAddressFor(std::uint32_t destination);

// The name of the interface that holds the source address for the destination; nothing when there
// is no route or no interface holds that address.
std::optional<std::string> BestInterfaceFor(std::uint32_t destination);

} // namespace zk::platform

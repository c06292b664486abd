// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// IPv4 addresses as the simulator keeps them: 32-bit numbers in host byte order, so that ranges and
// subnets are plain arithmetic. Pure functions, safe from any thread.
namespace zk::devsim {

// A dotted quad ("192.168.1.10"); nothing for any other text.
std::optional<std::uint32_t> ParseIpv4(std::string_view text);

std::string FormatIpv4(std::uint32_t address);

// The prefix length of a contiguous netmask (255.255.255.0 gives 24); nothing when the mask has
// holes.
std::optional<int> PrefixLength(std::uint32_t netmask);

std::uint32_t NetmaskOfPrefix(int prefixLength);

// A netmask a device can take: contiguous, from /1 to /30. /31 and /32 leave no host address beside
// the network and broadcast addresses, and 0.0.0.0 makes every address local.
bool IsHostNetmask(std::uint32_t netmask);

// An address a device can take under the netmask: not in 0.0.0.0/8 or 127.0.0.0/8 (unless
// loopbackAllowed), not multicast or above (224.0.0.0 and up), and neither the network nor the
// broadcast address of its subnet.
bool IsHostAddress(std::uint32_t address, std::uint32_t netmask, bool loopbackAllowed = false);

// An address and port, the way datagrams name their sender and destination.
struct Endpoint {
    std::uint32_t address = 0;
    std::uint16_t port = 0;

    bool operator==(const Endpoint&) const = default;
};

// "192.168.1.253:50000".
std::string FormatEndpoint(const Endpoint& endpoint);

// One address of a network interface with its netmask.
struct Subnet {
    std::uint32_t address = 0;
    std::uint32_t netmask = 0;

    bool Contains(std::uint32_t other) const { return (other & netmask) == (address & netmask); }
};

} // namespace zk::devsim

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

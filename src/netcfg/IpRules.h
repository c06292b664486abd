// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The rules of IPv4 addresses and masks used when devices are given addresses. Every number here
// is in HOST byte order (192.168.1.1 is 0xC0A80101), so that adding one moves to the next address;
// platform/NetworkAdapters.h, which keeps network byte order, is converted at its boundary. Pure
// functions: any thread.
namespace zk::netcfg {

// The address of strict dotted text "a.b.c.d" (decimal, 0 to 255 each); nothing for anything else.
std::optional<std::uint32_t> ParseIpv4(std::string_view text);
// "a.b.c.d".
std::string FormatIpv4(std::uint32_t address);
// Conversions from and to the network byte order of socket addresses and platform lists.
std::uint32_t FromNetworkOrder(std::uint32_t address);
std::uint32_t ToNetworkOrder(std::uint32_t address);

// No 1 bit below a 0 bit (0.0.0.0 and 255.255.255.255 are valid).
bool IsValidNetmask(std::uint32_t mask);
// Valid, and leaves room for hosts: not 0.0.0.0, /31 or /32.
bool IsUsableNetmask(std::uint32_t mask);
std::uint32_t NetworkAddress(std::uint32_t address, std::uint32_t mask);
std::uint32_t BroadcastAddress(std::uint32_t address, std::uint32_t mask);
// True when both addresses are in one network under the mask.
bool SameNetwork(std::uint32_t a, std::uint32_t b, std::uint32_t mask);

// An address a device may have: not in 0.0.0.0/8 or 127.0.0.0/8, below 224.0.0.0 (no multicast or
// reserved), and, under a usable mask, neither the network nor the broadcast address.
bool IsUsableHostAddress(std::uint32_t address, std::uint32_t mask);

} // namespace zk::netcfg

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>

// The computer's IPv4 adapters. Safe from any thread.
namespace zk::platform {

// Local IPv4 address (as stored in a socket address: network byte order, compared as a plain
// number, so the last octet weighs most) to the adapter's description (its interface name).
// One entry per address of every interface that is up and not loopback.
using AdapterMap = std::map<std::uint32_t, std::string>;

// The adapters now; empty when the system cannot tell. 0.0.0.0 and 255.255.255.255 are skipped;
// when two interfaces carry one address the later one wins.
AdapterMap EnumerateAdapters();

// "a.b.c.d" of an address in network byte order.
std::string DottedAddress(std::uint32_t address);

// The address in network byte order of "a.b.c.d"; nothing when the text is not one.
std::optional<std::uint32_t> ParseDottedAddress(std::string_view text);

} // namespace zk::platform

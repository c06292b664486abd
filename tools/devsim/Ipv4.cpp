// SPDX-License-Identifier: GPL-3.0-or-later
#include "devsim/Ipv4.h"

#include <arpa/inet.h>

namespace zk::devsim {

std::optional<std::uint32_t> ParseIpv4(std::string_view text) {
    // inet_pton takes exactly four decimal parts, unlike inet_aton's shorthand forms.
    const std::string terminated(text);
    in_addr parsed{};
    if (text.size() > 15 || inet_pton(AF_INET, terminated.c_str(), &parsed) != 1) {
        return std::nullopt;
    }
    return ntohl(parsed.s_addr);
}

std::string FormatIpv4(std::uint32_t address) {
    return std::to_string(address >> 24) + '.' + std::to_string((address >> 16) & 0xFF) + '.' +
           std::to_string((address >> 8) & 0xFF) + '.' + std::to_string(address & 0xFF);
}

std::optional<int> PrefixLength(std::uint32_t netmask) {
    const std::uint32_t hostBits = ~netmask;
    if ((hostBits & (hostBits + 1)) != 0) {
        return std::nullopt;
    }
    int length = 0;
    for (std::uint32_t bit = 0x80000000u; bit != 0 && (netmask & bit) != 0; bit >>= 1) {
        ++length;
    }
    return length;
}

std::uint32_t NetmaskOfPrefix(int prefixLength) {
    if (prefixLength <= 0) {
        return 0;
    }
    if (prefixLength >= 32) {
        return 0xFFFFFFFFu;
    }
    return ~((1u << (32 - prefixLength)) - 1);
}

bool IsHostNetmask(std::uint32_t netmask) {
    const auto length = PrefixLength(netmask);
    return length && *length >= 1 && *length <= 30;
}

bool IsHostAddress(std::uint32_t address, std::uint32_t netmask, bool loopbackAllowed) {
    const std::uint32_t firstOctet = address >> 24;
    if (firstOctet == 0 || (firstOctet == 127 && !loopbackAllowed) || firstOctet >= 224) {
        return false;
    }
    const std::uint32_t hostBits = address & ~netmask;
    return hostBits != 0 && hostBits != ~netmask;
}

std::string FormatEndpoint(const Endpoint& endpoint) {
    return FormatIpv4(endpoint.address) + ':' + std::to_string(endpoint.port);
}

} // namespace zk::devsim

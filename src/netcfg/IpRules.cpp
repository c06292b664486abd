// SPDX-License-Identifier: GPL-3.0-or-later
#include "netcfg/IpRules.h"

#include <arpa/inet.h>

#include <charconv>
#include <cstdio>

namespace zk::netcfg {

std::optional<std::uint32_t> ParseIpv4(std::string_view text) {
    std::uint32_t address = 0;
    const char* position = text.data();
    const char* const end = text.data() + text.size();
    for (int octet = 0; octet < 4; ++octet) {
        if (octet > 0) {
            if (position == end || *position != '.') {
                return std::nullopt;
            }
            ++position;
        }
        // At most three digits, so that "0001" or a long run of digits is no octet.
        const char* digitsEnd = position;
        while (digitsEnd != end && digitsEnd - position < 4 && *digitsEnd >= '0' && *digitsEnd <= '9') {
            ++digitsEnd;
        }
        unsigned value = 0;
        if (digitsEnd == position || digitsEnd - position > 3 ||
            std::from_chars(position, digitsEnd, value).ptr != digitsEnd || value > 255) {
            return std::nullopt;
        }
        address = (address << 8) | value;
        position = digitsEnd;
    }
    if (position != end) {
        return std::nullopt;
    }
    return address;
}

std::string FormatIpv4(std::uint32_t address) {
    char text[16];
    std::snprintf(text, sizeof(text), "%d.%d.%d.%d", static_cast<int>(address >> 24),
                  static_cast<int>((address >> 16) & 0xFF), static_cast<int>((address >> 8) & 0xFF),
                  static_cast<int>(address & 0xFF));
    return text;
}

std::uint32_t FromNetworkOrder(std::uint32_t address) {
    return ntohl(address);
}

std::uint32_t ToNetworkOrder(std::uint32_t address) {
    return htonl(address);
}

bool IsValidNetmask(std::uint32_t mask) {
    // The host part must be a run of ones from the bottom: adding one to it leaves no bit in common.
    const std::uint32_t hostPart = ~mask;
    return (hostPart & (hostPart + 1)) == 0;
}

bool IsUsableNetmask(std::uint32_t mask) {
    return IsValidNetmask(mask) && mask != 0 && (~mask) >= 3;
}

std::uint32_t NetworkAddress(std::uint32_t address, std::uint32_t mask) {
    return address & mask;
}

std::uint32_t BroadcastAddress(std::uint32_t address, std::uint32_t mask) {
    return address | ~mask;
}

bool SameNetwork(std::uint32_t a, std::uint32_t b, std::uint32_t mask) {
    return NetworkAddress(a, mask) == NetworkAddress(b, mask);
}

bool IsUsableHostAddress(std::uint32_t address, std::uint32_t mask) {
    const std::uint32_t firstOctet = address >> 24;
    if (firstOctet == 0 || firstOctet == 127 || firstOctet >= 224) {
        return false;
    }
    if (IsUsableNetmask(mask) &&
        (address == NetworkAddress(address, mask) || address == BroadcastAddress(address, mask))) {
        return false;
    }
    return true;
}

} // namespace zk::netcfg

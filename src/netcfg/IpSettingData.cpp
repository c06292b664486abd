// SPDX-License-Identifier: GPL-3.0-or-later
#include "netcfg/IpSettingData.h"

#include "netcfg/IpRules.h"

#include <algorithm>

namespace zk::netcfg {
namespace {

constexpr const char* kNoAddress = "0.0.0.0";

bool EnteredButNotAnAddress(const std::string& text) {
    return !text.empty() && !ParseIpv4(text);
}

} // namespace

std::string BoxText(const std::string& address) {
    return address == kNoAddress ? std::string() : address;
}

std::string EndAddressText(const std::string& start, int count) {
    const auto first = ParseIpv4(start);
    if (!first) {
        return {};
    }
    const int lastOctet = static_cast<int>(*first & 0xFF);
    const int offset = std::max(0, std::min(std::max(count, 1) - 1, 254 - lastOctet));
    return FormatIpv4(*first + static_cast<std::uint32_t>(offset));
}

std::optional<std::string> GatewayForStart(const std::string& start) {
    const auto address = ParseIpv4(start);
    if (!address) {
        return std::nullopt;
    }
    return FormatIpv4((*address & 0xFFFFFF00u) | 1u);
}

bool AcceptIpSettings(const IpSettingData& data) {
    for (const std::string* text : {&data.start, &data.netmask, &data.gateway, &data.dns1, &data.dns2}) {
        if (EnteredButNotAnAddress(*text)) {
            return false;
        }
    }
    const auto start = ParseIpv4(data.start);
    const auto mask = ParseIpv4(data.netmask);
    const std::string gatewayText = BoxText(data.gateway);
    if (!gatewayText.empty()) {
        const auto gateway = ParseIpv4(gatewayText);
        if (!start || !mask || !SameNetwork(*start, *gateway, *mask)) {
            return false;
        }
        if ((*start & ~*mask) == ~*mask) {
            return false;
        }
    }
    if (!data.dhcp) {
        if (!start || !mask || !IsUsableNetmask(*mask) || !IsUsableHostAddress(*start, *mask)) {
            return false;
        }
    }
    return true;
}

} // namespace zk::netcfg

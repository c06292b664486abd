// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>

// The values of the IP settings dialog and the rules its boxes follow. Pure functions: any thread.
namespace zk::netcfg {

// Dotted IPv4 texts; "" is an empty box.
struct IpSettingData {
    std::string start, end, netmask, gateway, dns1, dns2;
    bool dhcp = false;
    int count = 1; // how many devices the settings are for
};

// What a box shows for an address: nothing for "" and "0.0.0.0", else the text.
std::string BoxText(const std::string& address);

// The last address of a range of `count` devices from `start`, never past .254 of the start's
// last octet and never before the start: start + clamp(min(count - 1, 254 - last octet), 0).
// "" when the start is not an address.
std::string EndAddressText(const std::string& start, int count);

// The gateway proposed for a start address: its first three octets and 1. Nothing when the start
// is not an address.
std::optional<std::string> GatewayForStart(const std::string& start);

// The dialog's OK check; false means the caller shows "MSGTIP46" and keeps the dialog open.
// - A text entered in any box that is not a dotted address is refused.
// - When a gateway is entered ("0.0.0.0" counts as none), the start must lie in the gateway's
//   network under the mask and must not be that network's broadcast address.
// - With DHCP off, the mask must be usable (contiguous, not 0.0.0.0, /31 or /32) and the start a
//   usable host address under it (not empty, 0.0.0.0/8, loopback, multicast or above, nor the
//   network or broadcast address).
bool AcceptIpSettings(const IpSettingData& data);

} // namespace zk::netcfg

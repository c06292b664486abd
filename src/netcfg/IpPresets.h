// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "discovery/DeviceRecord.h"
#include "netcfg/IpSettingData.h"
#include "netcfg/LocalNetwork.h"

#include <optional>
#include <string>

// The values the IP settings dialog opens with. Pure functions: any thread.
namespace zk::netcfg {

inline constexpr const char* kFallbackNetmask = "255.255.255.0";
inline constexpr std::uint32_t kConsecutiveStartOffset = 160;
inline constexpr const char* kFallbackDns1 = "202.96.134.133";
inline constexpr const char* kFallbackDns2 = "8.8.8.8";

// One device's own settings: its DHCP flag, address, mask (255.255.255.0 when it is not a valid
// mask), gateway (the network address + 1 when it lies outside the address's network under that
// mask; kept as it is when the address itself is no address) and DNS servers; count 1.
IpSettingData PresetForDevice(const discovery::DeviceRecord& record);

// Consecutive addresses for `count` devices. The start is the base adapter's network address
// + 160, unless defaultFromIp (the remembered start) is an address other than 0.0.0.0. Mask,
// gateway and DNS servers come from the local parameters: a gateway that is "", "0.0.0.0" or
// "255.255.255.255" becomes the base network address + 1, such a first DNS "202.96.134.133", such a
// second DNS "8.8.8.8". DHCP off. Without a base adapter the local address and mask stand in for it.
IpSettingData PresetForConsecutive(const std::optional<AdapterBase>& base, const std::string& defaultFromIp,
                                   const LocalParameters& local, int count);

} // namespace zk::netcfg

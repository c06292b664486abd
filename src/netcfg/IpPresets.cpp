// SPDX-License-Identifier: GPL-3.0-or-later
#include "netcfg/IpPresets.h"

#include "base/FixedText.h"
#include "netcfg/IpRules.h"

namespace zk::netcfg {
namespace {

// An address box that holds nothing a device could use.
bool Unset(const std::string& text) {
    return text.empty() || text == "0.0.0.0" || text == "255.255.255.255";
}

std::string Field(std::string_view text) {
    return std::string(text);
}

} // namespace

IpSettingData PresetForDevice(const discovery::DeviceRecord& record) {
    IpSettingData data;
    data.dhcp = record.Dhcp != 0;
    data.start = Field(base::FieldText(record.IpAddress));
    data.netmask = Field(base::FieldText(record.Netmask));
    data.gateway = Field(base::FieldText(record.Gateway));
    data.dns1 = Field(base::FieldText(record.Dns1));
    data.dns2 = Field(base::FieldText(record.Dns2));
    data.count = 1;

    auto mask = ParseIpv4(data.netmask);
    if (!mask || !IsValidNetmask(*mask)) {
        data.netmask = kFallbackNetmask;
        mask = ParseIpv4(data.netmask);
    }
    if (const auto address = ParseIpv4(data.start)) {
        const auto gateway = ParseIpv4(data.gateway);
        if (!gateway || !SameNetwork(*address, *gateway, *mask)) {
            data.gateway = FormatIpv4(NetworkAddress(*address, *mask) + 1);
        }
    }
    data.end = EndAddressText(data.start, data.count);
    return data;
}

IpSettingData PresetForConsecutive(const std::optional<AdapterBase>& base, const std::string& defaultFromIp,
                                   const LocalParameters& local, int count) {
    const std::string& baseAddressText = base ? base->address : local.address;
    const std::string& baseMaskText = base ? base->netmask : local.netmask;
    const std::uint32_t baseAddress = ParseIpv4(baseAddressText).value_or(0);
    const auto baseMask = ParseIpv4(baseMaskText);
    const std::uint32_t baseNetwork = NetworkAddress(baseAddress, baseMask ? *baseMask : 0xFFFFFF00u);

    IpSettingData data;
    const auto remembered = ParseIpv4(defaultFromIp);
    data.start =
        remembered && *remembered != 0 ? FormatIpv4(*remembered) : FormatIpv4(baseNetwork + kConsecutiveStartOffset);
    data.netmask = local.netmask;
    data.gateway = Unset(local.gateway) ? FormatIpv4(baseNetwork + 1) : local.gateway;
    data.dns1 = Unset(local.dns1) ? std::string(kFallbackDns1) : local.dns1;
    data.dns2 = Unset(local.dns2) ? std::string(kFallbackDns2) : local.dns2;
    data.dhcp = false;
    data.count = count;
    data.end = EndAddressText(data.start, count);
    return data;
}

} // namespace zk::netcfg

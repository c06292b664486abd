// SPDX-License-Identifier: GPL-3.0-or-later
#include "netcfg/IpPresets.h"

#include "base/FixedText.h"

#include <gtest/gtest.h>

namespace zk::netcfg {
namespace {

discovery::DeviceRecord Device(const char* address, const char* mask, const char* gateway) {
    discovery::DeviceRecord record = discovery::EmptyDeviceRecord();
    base::CopyBounded(record.IpAddress, address);
    base::CopyBounded(record.Netmask, mask);
    base::CopyBounded(record.Gateway, gateway);
    base::CopyBounded(record.Dns1, "10.0.0.53");
    base::CopyBounded(record.Dns2, "0.0.0.0");
    record.Dhcp = 1;
    return record;
}

// Catches: a mask with holes offered to the person, a gateway from another network kept, and a
// fitting gateway replaced.
TEST(IpPresetsTest, OneDeviceOpensWithItsOwnSettingsRepaired) {
    IpSettingData data = PresetForDevice(Device("192.168.5.77", "255.0.255.0", "10.1.1.1"));
    EXPECT_TRUE(data.dhcp);
    EXPECT_EQ(data.start, "192.168.5.77");
    EXPECT_EQ(data.netmask, "255.255.255.0");
    EXPECT_EQ(data.gateway, "192.168.5.1");
    EXPECT_EQ(data.dns1, "10.0.0.53");
    EXPECT_EQ(data.dns2, "0.0.0.0");
    EXPECT_EQ(data.count, 1);

    data = PresetForDevice(Device("172.16.9.9", "255.255.0.0", "172.16.0.254"));
    EXPECT_EQ(data.netmask, "255.255.0.0");
    EXPECT_EQ(data.gateway, "172.16.0.254");
}

// Catches: the remembered start ignored or "0.0.0.0" taken as one, the start not derived from the
// base adapter's network, and unset gateway or DNS servers handed on.
TEST(IpPresetsTest, ConsecutiveAddressesStartFromTheBaseOrTheRememberedStart) {
    const AdapterBase base{"192.168.1.57", "255.255.255.0", "192.168.1.1"};
    const LocalParameters local{"192.168.1.57", "255.255.255.0", "", "0.0.0.0", "255.255.255.255"};
    IpSettingData data = PresetForConsecutive(base, "0.0.0.0", local, 5);
    EXPECT_EQ(data.start, "192.168.1.160");
    EXPECT_EQ(data.end, "192.168.1.164");
    EXPECT_EQ(data.netmask, "255.255.255.0");
    EXPECT_EQ(data.gateway, "192.168.1.1");
    EXPECT_EQ(data.dns1, "202.96.134.133");
    EXPECT_EQ(data.dns2, "8.8.8.8");
    EXPECT_FALSE(data.dhcp);
    EXPECT_EQ(data.count, 5);

    const LocalParameters set{"10.0.0.5", "255.255.0.0", "10.0.0.254", "10.0.0.53", "10.0.0.54"};
    data = PresetForConsecutive(base, "192.168.1.200", set, 2);
    EXPECT_EQ(data.start, "192.168.1.200");
    EXPECT_EQ(data.gateway, "10.0.0.254");
    EXPECT_EQ(data.dns1, "10.0.0.53");
    EXPECT_EQ(data.dns2, "10.0.0.54");
    // Without a base adapter the local address stands in.
    EXPECT_EQ(PresetForConsecutive(std::nullopt, "", set, 1).start, "10.0.0.160");
}

} // namespace
} // namespace zk::netcfg

// SPDX-License-Identifier: GPL-3.0-or-later
#include "netcfg/IpSettingData.h"

#include <gtest/gtest.h>

namespace zk::netcfg {
namespace {

IpSettingData Settings(std::string start, std::string mask, std::string gateway, bool dhcp = false) {
    IpSettingData data;
    data.start = std::move(start);
    data.netmask = std::move(mask);
    data.gateway = std::move(gateway);
    data.dhcp = dhcp;
    return data;
}

// Catches: an end address past .254 or before the start, a gateway proposed from a half-typed
// start, and "0.0.0.0" shown in a box.
TEST(IpSettingDataTest, BoxesFollowTheStartAddress) {
    EXPECT_EQ(EndAddressText("192.168.1.10", 3), "192.168.1.12");
    EXPECT_EQ(EndAddressText("192.168.1.250", 10), "192.168.1.254");
    EXPECT_EQ(EndAddressText("192.168.1.255", 4), "192.168.1.255");
    EXPECT_EQ(EndAddressText("192.168.1.10", 0), "192.168.1.10");
    EXPECT_EQ(EndAddressText("192.168.1.", 3), "");
    EXPECT_EQ(GatewayForStart("10.2.3.77"), std::optional<std::string>("10.2.3.1"));
    EXPECT_EQ(GatewayForStart("10.2.3"), std::nullopt);
    EXPECT_EQ(BoxText("0.0.0.0"), "");
    EXPECT_EQ(BoxText("10.0.0.1"), "10.0.0.1");
}

// Catches: the OK check letting through a start outside the gateway's network or on its broadcast
// address, refusing any start when no gateway is entered, and (with DHCP off) accepting addresses
// or masks no device can use.
TEST(IpSettingDataTest, OkRefusesSettingsThatDoNotFitTogether) {
    EXPECT_TRUE(AcceptIpSettings(Settings("192.168.1.20", "255.255.255.0", "192.168.1.1")));
    EXPECT_FALSE(AcceptIpSettings(Settings("192.168.2.20", "255.255.255.0", "192.168.1.1")));
    EXPECT_FALSE(AcceptIpSettings(Settings("192.168.1.255", "255.255.255.0", "192.168.1.1")));
    EXPECT_TRUE(AcceptIpSettings(Settings("192.168.1.255", "255.255.0.0", "192.168.1.1")));
    EXPECT_FALSE(AcceptIpSettings(Settings("192.168.1.20", "255.255.255.0", "192.168.1.1x")));

    // No gateway: any network is accepted, also "0.0.0.0" as the gateway.
    EXPECT_TRUE(AcceptIpSettings(Settings("10.9.8.7", "255.255.255.0", "")));
    EXPECT_TRUE(AcceptIpSettings(Settings("10.9.8.7", "255.255.255.0", "0.0.0.0")));
    EXPECT_TRUE(AcceptIpSettings(Settings("", "", "", true)));

    // DHCP off: the start must be a usable host under a usable mask.
    for (const char* start : {"", "0.0.0.0", "127.0.0.9", "230.1.1.1", "10.9.8.0", "10.9.8.255"}) {
        EXPECT_FALSE(AcceptIpSettings(Settings(start, "255.255.255.0", ""))) << start;
        EXPECT_TRUE(AcceptIpSettings(Settings(start, "255.255.255.0", "", true))) << start;
    }
    for (const char* mask : {"", "0.0.0.0", "255.255.255.254", "255.255.255.255", "255.0.255.0"}) {
        EXPECT_FALSE(AcceptIpSettings(Settings("10.9.8.7", mask, ""))) << mask;
    }
}

} // namespace
} // namespace zk::netcfg

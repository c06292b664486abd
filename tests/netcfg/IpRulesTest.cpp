// SPDX-License-Identifier: GPL-3.0-or-later
#include "netcfg/IpRules.h"

#include <gtest/gtest.h>

namespace zk::netcfg {
namespace {

// Catches: loose parsing (short forms, spaces, octets above 255, trailing text) that would let a
// typo become some other address, and formatting in the wrong byte order.
TEST(IpRulesTest, OnlyStrictDottedTextIsAnAddress) {
    EXPECT_EQ(ParseIpv4("192.168.1.254"), 0xC0A801FEu);
    EXPECT_EQ(FormatIpv4(0xC0A801FEu), "192.168.1.254");
    EXPECT_EQ(ToNetworkOrder(FromNetworkOrder(0x0101A8C0u)), 0x0101A8C0u);
    for (const char* text : {"", "1.2.3", "1.2.3.4.5", "1.2.3.256", " 1.2.3.4", "1.2.3.4 ", "1..3.4", "a.b.c.d",
                             "1.2.3.0004", "0x1.2.3.4", "-1.2.3.4"}) {
        EXPECT_EQ(ParseIpv4(text), std::nullopt) << text;
    }
}

// Catches: masks with holes accepted, /31 and /32 offered for devices, and the network or broadcast
// address, loopback or multicast accepted as a device address.
TEST(IpRulesTest, MasksAndHostAddresses) {
    EXPECT_TRUE(IsValidNetmask(0xFFFFFF00u));
    EXPECT_TRUE(IsValidNetmask(0));
    EXPECT_TRUE(IsValidNetmask(0xFFFFFFFFu));
    EXPECT_FALSE(IsValidNetmask(0xFF00FF00u));
    EXPECT_FALSE(IsValidNetmask(0xFFFFFF01u));
    EXPECT_TRUE(IsUsableNetmask(0xFFFFFFFCu)); // /30
    EXPECT_FALSE(IsUsableNetmask(0xFFFFFFFEu));
    EXPECT_FALSE(IsUsableNetmask(0xFFFFFFFFu));
    EXPECT_FALSE(IsUsableNetmask(0));

    const std::uint32_t mask = 0xFFFFFFC0u; // /26
    const std::uint32_t host = *ParseIpv4("192.168.1.70");
    EXPECT_EQ(FormatIpv4(NetworkAddress(host, mask)), "192.168.1.64");
    EXPECT_EQ(FormatIpv4(BroadcastAddress(host, mask)), "192.168.1.127");
    EXPECT_TRUE(IsUsableHostAddress(host, mask));
    for (const char* text : {"192.168.1.64", "192.168.1.127", "0.1.2.3", "127.0.0.5", "224.0.0.1", "255.255.255.255"}) {
        EXPECT_FALSE(IsUsableHostAddress(*ParseIpv4(text), mask)) << text;
    }
    EXPECT_TRUE(IsUsableHostAddress(*ParseIpv4("192.168.1.255"), 0xFFFF0000u)); // a host under /16
}

} // namespace
} // namespace zk::netcfg

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/NetworkParameters.h"

#include "platform/NetworkAdapters.h"

#include <gtest/gtest.h>

namespace zk::platform {
namespace {

// Catches: addresses read in the wrong byte order, routes without a gateway or down routes taken
// as gateways, default routes not recognised, and malformed lines stopping the reading.
TEST(NetworkParametersTest, RouteTableGivesTheGatewaysOfRoutesThatAreUp) {
    const std::string table = "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n"
                              "eth1\t0000A8C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
                              "eth1\t0010A8C0\t0101A8C0\t0003\t0\t0\t0\t00FFFFFF\t0\t0\t0\n"
                              "eth0\t00000000\t010200C0\t0003\t0\t0\t100\t00000000\t0\t0\t0\n"
                              "eth2\t00000000\t010300C0\t0002\t0\t0\t0\t00000000\t0\t0\t0\n"
                              "eth3\tzz\t010400C0\t0003\n";
    const auto gateways = ParseRouteGateways(table);
    ASSERT_EQ(gateways.size(), 2u);
    EXPECT_EQ(gateways[0].interfaceName, "eth1");
    EXPECT_EQ(DottedAddress(gateways[0].gateway), "192.168.1.1");
    EXPECT_FALSE(gateways[0].defaultRoute);
    EXPECT_EQ(gateways[1].interfaceName, "eth0");
    EXPECT_EQ(DottedAddress(gateways[1].gateway), "192.0.2.1");
    EXPECT_TRUE(gateways[1].defaultRoute);
}

// Catches: comments, other keywords or IPv6 servers taken as servers, and order lost.
TEST(NetworkParametersTest, ResolverTextGivesItsIpv4ServersInOrder) {
    EXPECT_EQ(ParseDnsServers("# nameserver 1.1.1.1\nsearch lan\nnameserver   10.0.0.53 \nnameserver ::1\n"
                              "nameserver 8.8.4.4\nnameservers 9.9.9.9\n"),
              (std::vector<std::string>{"10.0.0.53", "8.8.4.4"}));
}

} // namespace
} // namespace zk::platform

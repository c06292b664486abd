// SPDX-License-Identifier: GPL-3.0-or-later
// The system's facts read live inside the test program's own network namespace.
#include "netcfg/SystemNetworkFacts.h"

#include "PrivateLink.h"
#include "netcfg/LocalNetwork.h"
#include "platform/NetworkAdapters.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace zk::netcfg {
namespace {

const platform::InterfaceParameters* Named(const std::vector<platform::InterfaceParameters>& list,
                                           const std::string& name) {
    const auto found = std::find_if(list.begin(), list.end(), [&](const auto& entry) { return entry.name == name; });
    return found == list.end() ? nullptr : &*found;
}

// Catches: loopback listed as an adapter, masks or gateways read in the wrong byte order, the best
// interface guessed when there is no route, a missing resolver file taken for "no servers", and a
// loopback resolver handed on to devices.
TEST(SystemNetworkFactsTest, ReadsInterfacesRoutesResolverAndTheRouteToThePublicAddress) {
    test::PrivateLink link;
    if (!link.Ready()) {
        GTEST_SKIP() << link.Problem();
    }
    test::TempFolder folder;
    test::WriteFile(folder / "resolv.conf", "# stub\nnameserver 127.0.0.53\nnameserver 10.77.0.53\noptions edns0\n");
    SystemNetworkFacts facts(folder / "resolv.conf");

    std::vector<platform::InterfaceParameters> adapters;
    ASSERT_EQ(facts.Adapters(adapters), 0);
    EXPECT_EQ(Named(adapters, "lo"), nullptr);
    const auto* own = Named(adapters, "zkp0");
    ASSERT_NE(own, nullptr);
    ASSERT_EQ(own->addresses.size(), 1u);
    EXPECT_EQ(platform::DottedAddress(own->addresses[0].address), "10.77.0.1");
    EXPECT_EQ(platform::DottedAddress(own->addresses[0].netmask), "255.255.255.0");
    EXPECT_TRUE(own->gateways.empty());
    ASSERT_NE(Named(adapters, "zkp1"), nullptr);
    EXPECT_TRUE(Named(adapters, "zkp1")->addresses.empty());
    EXPECT_EQ(facts.BestInterface(), std::nullopt); // no default route yet

    ASSERT_EQ(std::system("ip route add default via 10.77.0.254 dev zkp0"), 0);
    EXPECT_EQ(facts.BestInterface(), std::optional<std::string>("zkp0"));
    ASSERT_EQ(facts.Adapters(adapters), 0);
    ASSERT_NE(Named(adapters, "zkp0"), nullptr);
    ASSERT_EQ(Named(adapters, "zkp0")->gateways.size(), 1u);
    EXPECT_EQ(platform::DottedAddress(Named(adapters, "zkp0")->gateways[0]), "10.77.0.254");

    LocalNetwork local(std::make_unique<SystemNetworkFacts>(folder / "resolv.conf"));
    const LocalParameters parameters = local.Parameters();
    EXPECT_EQ(parameters.address, "10.77.0.1");
    EXPECT_EQ(parameters.netmask, "255.255.255.0");
    EXPECT_EQ(parameters.gateway, "10.77.0.254");
    EXPECT_EQ(parameters.dns1, "10.77.0.53");
    EXPECT_EQ(parameters.dns2, "");

    std::vector<std::string> servers{"stale"};
    EXPECT_EQ(SystemNetworkFacts(folder / "missing.conf").DnsServers(servers), -1);
    test::WriteFile(folder / "empty.conf", "search example.org\n");
    EXPECT_EQ(SystemNetworkFacts(folder / "empty.conf").DnsServers(servers), 0);
    EXPECT_TRUE(servers.empty());
}

} // namespace
} // namespace zk::netcfg

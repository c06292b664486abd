// SPDX-License-Identifier: GPL-3.0-or-later
#include "netcfg/LocalNetwork.h"

#include "platform/NetworkAdapters.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

namespace zk::netcfg {
namespace {

std::uint32_t Ip(const char* text) {
    return *platform::ParseDottedAddress(text);
}

// Made-up facts; counts how often the adapters are read.
class FakeFacts final : public NetworkFacts {
public:
    int adaptersResult = 0;
    std::vector<platform::InterfaceParameters> adapters;
    int dnsResult = 0;
    std::vector<std::string> servers;
    std::optional<std::string> best;
    int adapterReads = 0;

    int Adapters(std::vector<platform::InterfaceParameters>& out) override {
        ++adapterReads;
        out = adapters;
        return adaptersResult;
    }
    int DnsServers(std::vector<std::string>& out) override {
        out = servers;
        return dnsResult;
    }
    std::optional<std::string> BestInterface() override { return best; }
};

// Two adapters: eth0 without a gateway, eth1 with two addresses and a gateway in the second one's
// network; a third interface without an IPv4 address comes first.
std::unique_ptr<FakeFacts> TwoAdapters() {
    auto facts = std::make_unique<FakeFacts>();
    facts->adapters = {{"wlan0", {}, {}},
                       {"eth0", {{Ip("10.20.0.5"), Ip("255.255.0.0")}}, {}},
                       {"eth1",
                        {{Ip("172.16.1.9"), Ip("255.255.255.0")}, {Ip("192.168.1.57"), Ip("255.255.255.0")}},
                        {Ip("192.168.1.1")}}};
    facts->servers = {"127.0.0.53", "192.168.1.1", "8.8.4.4", "1.1.1.1"};
    facts->best = "eth1";
    return facts;
}

// Catches: the address not taken from the gateway's network, loopback resolvers handed on,
// documented log lines changed, the system read again at every call, and a bad index answered.
TEST(LocalNetworkTest, BestInterfaceGivesTheAddressInItsGatewaysNetwork) {
    test::LogCapture log("127.0.0.64");
    auto owned = TwoAdapters();
    FakeFacts& facts = *owned;
    LocalNetwork local(std::move(owned));
    EXPECT_EQ(local.GetLocalParameter(kLocalAddress), "192.168.1.57");
    EXPECT_EQ(local.GetLocalParameter(kLocalNetmask), "255.255.255.0");
    EXPECT_EQ(local.GetLocalParameter(kLocalGateway), "192.168.1.1");
    EXPECT_EQ(local.GetLocalParameter(kLocalDns1), "192.168.1.1");
    EXPECT_EQ(local.GetLocalParameter(kLocalDns2), "8.8.4.4");
    EXPECT_EQ(local.GetLocalParameter(5), "");
    EXPECT_EQ(facts.adapterReads, 1);
    EXPECT_EQ(log.TakeMessages(),
              (std::vector<std::string>{"GetNetworkParams OK.\n", "DNS1: 192.168.1.1\n", "DNS2: 8.8.4.4\n",
                                        "Gateway: 192.168.1.1\n", "IPAddress: 192.168.1.57\n",
                                        "NetMask: 255.255.255.0\n", "GetNetworkParam(): bad index: 5\n"}));
    local.Clear();
    facts.servers = {"127.0.0.53"};
    EXPECT_EQ(local.GetLocalParameter(kLocalDns1), "");
    EXPECT_EQ(facts.adapterReads, 2);

    EXPECT_EQ(local.AdapterAddresses(), (std::vector<std::string>{"10.20.0.5", "172.16.1.9", "192.168.1.57"}));
    const auto base = local.FirstAdapterBase();
    ASSERT_TRUE(base.has_value());
    EXPECT_EQ(base->address, "10.20.0.5");
    EXPECT_EQ(base->netmask, "255.255.0.0");
    EXPECT_EQ(base->gateway, "");
}

// Catches: a missing resolver file replacing the real address with defaults, an isolated network
// (no route out) ignoring the adapter the person chose, and defaults used while an adapter exists.
TEST(LocalNetworkTest, MissingFactsFallBackOnlyWhereTheyAreMissing) {
    auto owned = TwoAdapters();
    FakeFacts& facts = *owned;
    LocalNetwork local(std::move(owned));
    facts.dnsResult = -1;
    facts.best.reset();
    LocalParameters values = local.Parameters();
    EXPECT_EQ(values.dns1, "192.168.1.1");
    EXPECT_EQ(values.dns2, "8.8.8.8");
    EXPECT_EQ(values.address, "10.20.0.5"); // the first adapter with an address
    EXPECT_EQ(values.netmask, "255.255.0.0");
    EXPECT_EQ(values.gateway, "");

    local.SetAdapterChoice(Ip("172.16.1.9"));
    local.Clear();
    values = local.Parameters();
    EXPECT_EQ(values.address, "172.16.1.9");
    EXPECT_EQ(values.gateway, "192.168.1.1");

    facts.adapters.resize(1); // only the interface without an address
    local.Clear();
    values = local.Parameters();
    EXPECT_EQ(values.address, "192.168.1.253");
    EXPECT_EQ(values.netmask, "255.255.255.0");
    EXPECT_EQ(values.gateway, "192.168.1.1");
    EXPECT_EQ(local.FirstAdapterBase(), std::nullopt);

    facts.adaptersResult = -1;
    local.Clear();
    EXPECT_EQ(local.GetLocalParameter(kLocalAddress), "192.168.1.253");
}

} // namespace
} // namespace zk::netcfg

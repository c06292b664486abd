// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "netcfg/NetworkFacts.h"

namespace zk::netcfg {

// The address whose route chooses the outgoing interface. Only the route is looked up, nothing is
// sent, so a documentation address (TEST-NET-2) serves: it follows the default route like any
// public address and names nobody's server.
inline constexpr const char* kBestInterfaceProbeAddress = "198.51.100.1";

// The facts of this computer: getifaddrs and the route table for the adapters, a resolver file for
// the DNS servers, and the route to kBestInterfaceProbeAddress for the best interface.
class SystemNetworkFacts final : public NetworkFacts {
public:
    explicit SystemNetworkFacts(std::string resolverFile = platform::kResolverFile,
                                std::string routeTableFile = platform::kRouteTableFile);

    int Adapters(std::vector<platform::InterfaceParameters>& adapters) override;
    int DnsServers(std::vector<std::string>& servers) override;
    std::optional<std::string> BestInterface() override;

private:
    std::string m_resolverFile;
    std::string m_routeTableFile;
};

} // namespace zk::netcfg

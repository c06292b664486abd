// SPDX-License-Identifier: GPL-3.0-or-later
#include "netcfg/SystemNetworkFacts.h"

#include "platform/NetworkAdapters.h"

namespace zk::netcfg {

SystemNetworkFacts::SystemNetworkFacts(std::string resolverFile, std::string routeTableFile)
    : m_resolverFile(std::move(resolverFile)), m_routeTableFile(std::move(routeTableFile)) {}

int SystemNetworkFacts::Adapters(std::vector<platform::InterfaceParameters>& adapters) {
    return platform::ReadInterfaceParameters(adapters, m_routeTableFile);
}

int SystemNetworkFacts::DnsServers(std::vector<std::string>& servers) {
    return platform::ReadDnsServers(servers, m_resolverFile);
}

std::optional<std::string> SystemNetworkFacts::BestInterface() {
    const auto destination = platform::ParseDottedAddress(kBestInterfaceProbeAddress);
    return destination ? platform::BestInterfaceFor(*destination) : std::nullopt;
}

} // namespace zk::netcfg

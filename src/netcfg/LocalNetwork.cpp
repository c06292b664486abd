// SPDX-License-Identifier: GPL-3.0-or-later
#include "netcfg/LocalNetwork.h"

#include "base/DebugLog.h"
#include "netcfg/IpRules.h"
#include "netcfg/SystemNetworkFacts.h"
#include "platform/NetworkAdapters.h"

#include <algorithm>

namespace zk::netcfg {
namespace {

std::string Bounded(std::string text) {
    if (text.size() > kLocalParameterMaxChars) {
        text.resize(kLocalParameterMaxChars);
    }
    return text;
}

bool IsLoopbackServer(const std::string& server) {
    const auto address = ParseIpv4(server);
    return address && (*address >> 24) == 127;
}

const platform::InterfaceParameters* AdapterHolding(const std::vector<platform::InterfaceParameters>& adapters,
                                                    std::uint32_t address) {
    for (const auto& adapter : adapters) {
        for (const auto& entry : adapter.addresses) {
            if (entry.address == address) {
                return &adapter;
            }
        }
    }
    return nullptr;
}

} // namespace

LocalNetwork::LocalNetwork() : LocalNetwork(std::make_unique<SystemNetworkFacts>()) {}

LocalNetwork::LocalNetwork(std::unique_ptr<NetworkFacts> facts) : m_facts(std::move(facts)) {}

std::string LocalNetwork::GetLocalParameter(int index) {
    if (index < 0 || index >= kLocalParameterCount) {
        base::Log("GetNetworkParam(): bad index: %d\n", index);
        return {};
    }
    std::lock_guard lock(m_mutex);
    EnsureFilledLocked();
    return m_values[static_cast<std::size_t>(index)];
}

LocalParameters LocalNetwork::Parameters() {
    std::lock_guard lock(m_mutex);
    EnsureFilledLocked();
    return {m_values[kLocalAddress], m_values[kLocalNetmask], m_values[kLocalGateway], m_values[kLocalDns1],
            m_values[kLocalDns2]};
}

void LocalNetwork::EnsureFilledLocked() {
    // A filling always sets the address; the flag keeps an adapter without a gateway from reading
    // the system again at every call.
    if (!m_filled || m_values[kLocalAddress].empty()) {
        FillLocked();
    }
}

void LocalNetwork::Clear() {
    std::lock_guard lock(m_mutex);
    m_values = {};
    m_filled = false;
}

void LocalNetwork::SetAdapterChoice(std::uint32_t choice) {
    std::lock_guard lock(m_mutex);
    m_adapterChoice = choice;
}

void LocalNetwork::FillLocked() {
    m_values = {};
    m_filled = true;

    std::vector<std::string> servers;
    if (m_facts->DnsServers(servers) != 0) {
        base::Log("GetNetworkParams failed.\n");
        m_values[kLocalDns1] = kDefaultLocalDns1;
        m_values[kLocalDns2] = kDefaultLocalDns2;
    } else {
        base::Log("GetNetworkParams OK.\n");
        // A local stub resolver means nothing to a device on the network.
        std::erase_if(servers, IsLoopbackServer);
        m_values[kLocalDns1] = Bounded(servers.size() > 0 ? servers[0] : std::string());
        m_values[kLocalDns2] = Bounded(servers.size() > 1 ? servers[1] : std::string());
        base::Log("DNS1: %s\n", m_values[kLocalDns1].c_str());
        base::Log("DNS2: %s\n", m_values[kLocalDns2].c_str());
    }

    auto useDefaults = [this] {
        m_values[kLocalAddress] = kDefaultLocalAddress;
        m_values[kLocalNetmask] = kDefaultLocalNetmask;
        m_values[kLocalGateway] = kDefaultLocalGateway;
    };
    std::vector<platform::InterfaceParameters> adapters;
    if (m_facts->Adapters(adapters) != 0) {
        base::Log("GetAdaptersInfo failed!\n");
        useDefaults();
        return;
    }
    std::erase_if(adapters, [](const platform::InterfaceParameters& adapter) { return adapter.addresses.empty(); });

    const platform::InterfaceParameters* adapter = nullptr;
    if (const auto best = m_facts->BestInterface()) {
        const auto found =
            std::find_if(adapters.begin(), adapters.end(),
                         [&best](const platform::InterfaceParameters& entry) { return entry.name == *best; });
        adapter = found != adapters.end() ? &*found : nullptr;
    }
    // An isolated device network has no route to a public address: the adapter the person chose,
    // else the first one, stands in for it.
    if (adapter == nullptr && m_adapterChoice != 0) {
        adapter = AdapterHolding(adapters, m_adapterChoice);
    }
    if (adapter == nullptr && !adapters.empty()) {
        adapter = &adapters.front();
    }
    if (adapter == nullptr) {
        base::Log("GetAdaptersInfo failed!\n");
        useDefaults();
        return;
    }

    const std::optional<std::uint32_t> gateway =
        adapter->gateways.empty() ? std::nullopt : std::optional<std::uint32_t>(adapter->gateways.front());
    m_values[kLocalGateway] = gateway ? platform::DottedAddress(*gateway) : std::string();
    base::Log("Gateway: %s\n", m_values[kLocalGateway].c_str());

    const platform::InterfaceAddress* chosen = nullptr;
    for (const auto& entry : adapter->addresses) {
        if (m_adapterChoice != 0 && entry.address == m_adapterChoice) {
            chosen = &entry;
        }
    }
    for (const auto& entry : adapter->addresses) {
        if (chosen == nullptr && gateway && (entry.address & entry.netmask) == (*gateway & entry.netmask)) {
            chosen = &entry;
        }
    }
    if (chosen == nullptr) {
        chosen = &adapter->addresses.front();
    }
    m_values[kLocalAddress] = platform::DottedAddress(chosen->address);
    m_values[kLocalNetmask] = platform::DottedAddress(chosen->netmask);
    base::Log("IPAddress: %s\n", m_values[kLocalAddress].c_str());
    base::Log("NetMask: %s\n", m_values[kLocalNetmask].c_str());
}

std::vector<std::string> LocalNetwork::AdapterAddresses() {
    std::vector<platform::InterfaceParameters> adapters;
    std::vector<std::string> addresses;
    std::lock_guard lock(m_mutex);
    if (m_facts->Adapters(adapters) != 0) {
        return addresses;
    }
    for (const auto& adapter : adapters) {
        for (const auto& entry : adapter.addresses) {
            addresses.push_back(platform::DottedAddress(entry.address));
        }
    }
    return addresses;
}

std::optional<AdapterBase> LocalNetwork::FirstAdapterBase() {
    std::vector<platform::InterfaceParameters> adapters;
    std::lock_guard lock(m_mutex);
    if (m_facts->Adapters(adapters) != 0) {
        return std::nullopt;
    }
    for (const auto& adapter : adapters) {
        if (adapter.addresses.empty() || adapter.addresses.front().address == 0) {
            continue;
        }
        AdapterBase base;
        base.address = platform::DottedAddress(adapter.addresses.front().address);
        base.netmask = platform::DottedAddress(adapter.addresses.front().netmask);
        base.gateway = adapter.gateways.empty() ? std::string() : platform::DottedAddress(adapter.gateways.front());
        return base;
    }
    return std::nullopt;
}

} // namespace zk::netcfg

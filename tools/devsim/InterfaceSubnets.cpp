// SPDX-License-Identifier: GPL-3.0-or-later
#include "devsim/InterfaceSubnets.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <net/if.h>
#include <netinet/in.h>

#include <string>

namespace zk::devsim {

void InterfaceSubnets::Refresh() {
    m_byIndex.clear();
    ifaddrs* list = nullptr;
    // Every address of an interface names it; one lookup per interface is enough.
    std::map<std::string, int> indexes;
    if (::getifaddrs(&list) == 0) {
        for (const ifaddrs* entry = list; entry != nullptr; entry = entry->ifa_next) {
            if (entry->ifa_addr == nullptr || entry->ifa_addr->sa_family != AF_INET || entry->ifa_netmask == nullptr) {
                continue;
            }
            const auto* address = reinterpret_cast<const sockaddr_in*>(entry->ifa_addr);
            const auto* netmask = reinterpret_cast<const sockaddr_in*>(entry->ifa_netmask);
            auto [known, added] = indexes.try_emplace(entry->ifa_name, 0);
            if (added) {
                known->second = static_cast<int>(::if_nametoindex(entry->ifa_name));
            }
            const int index = known->second;
            m_byIndex[index].push_back(Subnet{ntohl(address->sin_addr.s_addr), ntohl(netmask->sin_addr.s_addr)});
        }
        ::freeifaddrs(list);
    }
    m_valid = true;
}

const std::vector<Subnet>& InterfaceSubnets::Of(int interfaceIndex) {
    static const std::vector<Subnet> kNone;
    if (!m_valid) {
        Refresh();
    }
    const auto found = m_byIndex.find(interfaceIndex);
    return found != m_byIndex.end() ? found->second : kNone;
}

bool InterfaceSubnets::IsLocal(std::uint32_t address) {
    if (!m_valid) {
        Refresh();
    }
    for (const auto& [index, subnets] : m_byIndex) {
        for (const Subnet& subnet : subnets) {
            if (subnet.address == address) {
                return true;
            }
        }
    }
    return false;
}

} // namespace zk::devsim

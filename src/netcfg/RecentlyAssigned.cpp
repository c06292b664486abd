// SPDX-License-Identifier: GPL-3.0-or-later
#include "netcfg/RecentlyAssigned.h"

#include "netcfg/IpRules.h"

#include <algorithm>

namespace zk::netcfg {

void RecentlyAssigned::Note(const std::string& address) {
    const auto value = ParseIpv4(address);
    if (!value || *value == 0) {
        return;
    }
    std::replace(m_slots.begin(), m_slots.end(), *value, 0u);
    const auto empty = std::find(m_slots.begin(), m_slots.end(), 0u);
    if (empty != m_slots.end()) {
        *empty = *value;
    }
}

bool RecentlyAssigned::Contains(const std::string& address) const {
    const auto value = ParseIpv4(address);
    return value && *value != 0 && std::find(m_slots.begin(), m_slots.end(), *value) != m_slots.end();
}

std::size_t RecentlyAssigned::Count() const {
    return static_cast<std::size_t>(
        std::count_if(m_slots.begin(), m_slots.end(), [](std::uint32_t v) { return v != 0; }));
}

} // namespace zk::netcfg

// SPDX-License-Identifier: GPL-3.0-or-later
#include "netcfg/ConsecutiveAddresses.h"

#include "netcfg/IpRules.h"

#include <algorithm>

namespace zk::netcfg {
namespace {

constexpr std::uint32_t kFallbackMask = 0xFFFFFF00u;

} // namespace

ConsecutiveAddresses::ConsecutiveAddresses(const std::string& start, const std::string& netmask,
                                           const std::string& gateway, const std::vector<std::string>& ownAddresses) {
    const auto first = ParseIpv4(start);
    if (!first) {
        return;
    }
    const auto mask = ParseIpv4(netmask);
    m_mask = mask && IsUsableNetmask(*mask) ? *mask : kFallbackMask;
    m_network = NetworkAddress(*first, m_mask);
    if (const auto router = ParseIpv4(gateway); router && *router != 0) {
        m_gateway = router;
    }
    for (const std::string& own : ownAddresses) {
        if (const auto address = ParseIpv4(own)) {
            m_own.push_back(*address);
        }
    }
    m_next = *first;
    m_usedUp = false;
    SkipUnusable();
}

std::optional<std::string> ConsecutiveAddresses::Current() const {
    if (m_usedUp) {
        return std::nullopt;
    }
    return FormatIpv4(m_next);
}

void ConsecutiveAddresses::Advance() {
    if (m_usedUp) {
        return;
    }
    if (m_next == 0xFFFFFFFFu) {
        m_usedUp = true;
        return;
    }
    ++m_next;
    SkipUnusable();
}

void ConsecutiveAddresses::SkipUnusable() {
    const std::uint32_t broadcast = BroadcastAddress(m_network, m_mask);
    for (;;) {
        if (NetworkAddress(m_next, m_mask) != m_network) {
            m_usedUp = true;
            return;
        }
        const bool reserved = m_next == m_network || m_next == broadcast || (m_gateway && m_next == *m_gateway) ||
                              std::find(m_own.begin(), m_own.end(), m_next) != m_own.end();
        if (!reserved) {
            return;
        }
        if (m_next == 0xFFFFFFFFu) {
            m_usedUp = true;
            return;
        }
        ++m_next;
    }
}

} // namespace zk::netcfg

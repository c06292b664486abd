// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "devsim/Ipv4.h"

#include <cstdint>
#include <map>
#include <vector>

namespace zk::devsim {

// The IPv4 addresses and netmasks of the machine's interfaces, by interface index, read once and
// again after Invalidate (the simulator calls it whenever it changes an address). Used by one
// thread.
class InterfaceSubnets final {
public:
    // The subnets of the interface; empty for an unknown index.
    const std::vector<Subnet>& Of(int interfaceIndex);
    void Invalidate() { m_valid = false; }
    // True when some interface holds the address.
    bool IsLocal(std::uint32_t address);

private:
    void Refresh();

    bool m_valid = false;
    std::map<int, std::vector<Subnet>> m_byIndex;
};

} // namespace zk::devsim

// SPDX-License-Identifier: GPL-3.0-or-later
#include "PrivateLink.h"

#include <net/if.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

namespace zk::test {
namespace {

constexpr const char* kRangeFile = "/proc/sys/net/ipv4/ping_group_range";

} // namespace

PrivateLink::PrivateLink() {
    if (::geteuid() != 0) {
        m_problem = "needs root (tests run through tests/support/isolated)";
        return;
    }
    if (struct if_nameindex* names = ::if_nameindex()) {
        for (const struct if_nameindex* name = names; name->if_index != 0; ++name) {
            if (std::string(name->if_name) != "lo") {
                m_problem = std::string("the namespace is not private (it has ") + name->if_name + ")";
            }
        }
        ::if_freenameindex(names);
    }
    if (!m_problem.empty()) {
        return;
    }
    m_made = std::system("ip link add zkp0 type veth peer name zkp1 && ip addr add 10.77.0.1/24 dev zkp0 && "
                         "ip link set zkp0 up && ip link set zkp1 up") == 0;
    if (!m_made) {
        m_problem = "cannot make the veth pair";
    }
}

PrivateLink::~PrivateLink() {
    if (m_made) {
        [[maybe_unused]] const int ignored = std::system("ip link del zkp0");
    }
}

PingGroupRange::PingGroupRange(const std::string& range) {
    std::getline(std::ifstream(kRangeFile), m_old);
    std::ofstream(kRangeFile) << range << '\n';
}

PingGroupRange::~PingGroupRange() {
    std::ofstream(kRangeFile) << m_old << '\n';
}

} // namespace zk::test

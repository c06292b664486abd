// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/UniqueFd.h"

#include <cstdint>
#include <map>
#include <string>
#include <utility>

namespace zk::devsim {

// Adds the devices' addresses to a network interface and removes them again, over a netlink
// socket (a thousand addresses take milliseconds, where one "ip addr add" each would take
// seconds). Devices may share an address: it is added for the first and removed after the last.
// An address that was already there before is used and left in place. Used by one thread.
class AddressManager final {
public:
    AddressManager() = default;
    ~AddressManager();
    AddressManager(const AddressManager&) = delete;
    AddressManager& operator=(const AddressManager&) = delete;

    // Opens the netlink socket; returns 0 or the errno.
    int Open();

    // Returns 0, or the positive errno of the failure with a text in error.
    int Add(const std::string& interfaceName, std::uint32_t address, int prefixLength, std::string& error);
    int Remove(const std::string& interfaceName, std::uint32_t address);
    // Removes every address this object added; returns how many could not be removed.
    int RemoveAll();
    std::size_t Count() const { return m_entries.size(); }

    // Keeps an interface's other addresses of a subnet when its first (primary) address leaves, as
    // devices move between subnets. Returns 0 or the errno.
    static int PromoteSecondaries(const std::string& interfaceName);

private:
    struct Entry {
        int prefixLength = 0;
        int users = 0;
        bool owned = false; // added by this object, so removed by it
        std::uint64_t order = 0;
    };

    // One netlink request answered by an acknowledgement; returns 0 or the kernel's errno.
    int Request(int type, int flags, int interfaceIndex, std::uint32_t address, int prefixLength);

    platform::UniqueFd m_socket;
    std::uint32_t m_sequence = 0;
    std::uint64_t m_nextOrder = 0;
    std::map<std::pair<int, std::uint32_t>, Entry> m_entries;
};

} // namespace zk::devsim

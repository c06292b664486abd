// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zk::netcfg {

// The addresses handed to ticked devices one after another from a start address. Counting carries
// into the higher octets, but it never hands out the network or broadcast address under the mask,
// the gateway or one of the computer's own addresses (those are passed over without using up a
// device), and it ends when the next address would leave the start's network. A mask that is not
// usable (not contiguous, 0.0.0.0, /31, /32, or no address) counts as 255.255.255.0. A start that
// is not an address gives nothing at all. One thread at a time.
class ConsecutiveAddresses final {
public:
    // Dotted texts; an empty or "0.0.0.0" gateway is no gateway; own addresses that are not
    // addresses are ignored.
    ConsecutiveAddresses(const std::string& start, const std::string& netmask, const std::string& gateway,
                         const std::vector<std::string>& ownAddresses);

    // The address the next device gets; nothing when the network is used up.
    std::optional<std::string> Current() const;

    // Moves on after a device took Current() (a failed request does not call this).
    void Advance();

private:
    // From m_next on, the first address that may be handed out; ends the range when none is left.
    void SkipUnusable();

    std::uint32_t m_next = 0;
    bool m_usedUp = true;
    std::uint32_t m_mask = 0;
    std::uint32_t m_network = 0;
    std::optional<std::uint32_t> m_gateway;
    std::vector<std::uint32_t> m_own;
};

} // namespace zk::netcfg

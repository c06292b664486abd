// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace zk::netcfg {

inline constexpr std::size_t kRecentlyAssignedSlots = 255;

// The addresses recently given to devices, kept for the whole run so that the free-address search
// does not hand one out twice before the devices answer a search with their new addresses.
// 255 slots; one thread at a time (the window thread).
class RecentlyAssigned final {
public:
    // Clears an existing copy of the address, then writes it into the first empty slot; nothing is
    // written when every slot is taken. Texts that are not addresses, and 0.0.0.0, are ignored.
    void Note(const std::string& address);
    bool Contains(const std::string& address) const;
    std::size_t Count() const;

private:
    std::array<std::uint32_t, kRecentlyAssignedSlots> m_slots{}; // host byte order; 0 is an empty slot
};

} // namespace zk::netcfg

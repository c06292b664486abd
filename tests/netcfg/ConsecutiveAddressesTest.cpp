// SPDX-License-Identifier: GPL-3.0-or-later
#include "netcfg/ConsecutiveAddresses.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace zk::netcfg {
namespace {

// Takes up to `rows` addresses; a row in `failing` does not use its address up.
std::vector<std::string> Assign(ConsecutiveAddresses& addresses, int rows, const std::vector<int>& failing = {}) {
    std::vector<std::string> given;
    for (int row = 0; row < rows; ++row) {
        const auto current = addresses.Current();
        if (!current) {
            given.push_back("used up");
            continue;
        }
        given.push_back(*current);
        if (std::find(failing.begin(), failing.end(), row) == failing.end()) {
            addresses.Advance();
        }
    }
    return given;
}

// Catches: a range that runs past the network (or stops inside a wider one), the broadcast
// address, gateway or the computer's own address handed to a device, and a failed request using
// an address up.
TEST(ConsecutiveAddressesTest, AddressesStayInTheStartsNetworkAndSkipReservedOnes) {
    ConsecutiveAddresses narrow("192.168.1.254", "255.255.255.0", "192.168.1.1", {});
    EXPECT_EQ(Assign(narrow, 3), (std::vector<std::string>{"192.168.1.254", "used up", "used up"}));

    ConsecutiveAddresses wide("192.168.1.254", "255.255.0.0", "192.168.0.1", {});
    EXPECT_EQ(Assign(wide, 3), (std::vector<std::string>{"192.168.1.254", "192.168.1.255", "192.168.2.0"}));

    ConsecutiveAddresses skipping("10.0.0.0", "255.255.255.0", "10.0.0.1", {"10.0.0.3", "bad"});
    EXPECT_EQ(Assign(skipping, 4, {1}), (std::vector<std::string>{"10.0.0.2", "10.0.0.4", "10.0.0.4", "10.0.0.5"}));

    // A mask with holes counts as /24; a start that is no address gives nothing.
    ConsecutiveAddresses holes("10.0.0.254", "255.0.255.0", "", {});
    EXPECT_EQ(Assign(holes, 2), (std::vector<std::string>{"10.0.0.254", "used up"}));
    ConsecutiveAddresses none("", "255.255.255.0", "", {});
    EXPECT_EQ(none.Current(), std::nullopt);
}

} // namespace
} // namespace zk::netcfg

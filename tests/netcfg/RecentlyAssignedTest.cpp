// SPDX-License-Identifier: GPL-3.0-or-later
#include "netcfg/RecentlyAssigned.h"

#include <gtest/gtest.h>

#include <string>

namespace zk::netcfg {
namespace {

// Catches: a second copy of an address kept (it would outlive a later clearing), a full table
// overwritten, and 0.0.0.0 treated as a remembered address.
TEST(RecentlyAssignedTest, KeepsOneCopyOfEachAddressInTheFirstFreeSlot) {
    RecentlyAssigned recent;
    recent.Note("10.0.0.2");
    recent.Note("10.0.0.3");
    recent.Note("10.0.0.2");
    recent.Note("0.0.0.0");
    recent.Note("junk");
    EXPECT_EQ(recent.Count(), 2u);
    EXPECT_TRUE(recent.Contains("10.0.0.2"));
    EXPECT_FALSE(recent.Contains("0.0.0.0"));
    for (int i = 0; i < 300; ++i) {
        recent.Note("10.1." + std::to_string(i / 250) + "." + std::to_string(i % 250));
    }
    EXPECT_EQ(recent.Count(), kRecentlyAssignedSlots);
    EXPECT_TRUE(recent.Contains("10.1.1.2"));  // the last one that found a slot
    EXPECT_FALSE(recent.Contains("10.1.1.3")); // no slot was left
    EXPECT_TRUE(recent.Contains("10.0.0.2"));
}

} // namespace
} // namespace zk::netcfg

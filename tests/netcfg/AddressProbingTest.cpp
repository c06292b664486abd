// SPDX-License-Identifier: GPL-3.0-or-later
#include "netcfg/AddressProbing.h"

#include "FakeProber.h"
#include "netcfg/IpRules.h"
#include "support/LogCapture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <random>

namespace zk::netcfg {
namespace {

bool Has(const std::vector<std::string>& list, const std::string& item) {
    return std::find(list.begin(), list.end(), item) != list.end();
}

// Catches: a candidate handed out that is the network, gateway or broadcast address, the computer's
// own address, a listed device's or an adapter's address, or a recently assigned one; and, under a
// mask narrower than /24, candidates outside the local subnet.
TEST(AddressProbingTest, CandidatesLeaveOutEveryAddressThatIsTaken) {
    RecentlyAssigned recent;
    recent.Note("192.168.1.3");
    CandidateSources sources{"192.168.1.57",
                             "255.255.255.0",
                             "192.168.1.1",
                             {"192.168.1.2", "192.168.1.100"},
                             {"192.168.1.57", "192.168.1.58", "10.0.0.1"},
                             &recent};
    const auto candidates = FreeAddressCandidates(sources);
    ASSERT_EQ(candidates.size(), 253u - 5u);
    EXPECT_EQ(candidates.front(), "192.168.1.4");
    EXPECT_EQ(candidates.back(), "192.168.1.254");
    for (const char* taken : {"192.168.1.0", "192.168.1.1", "192.168.1.2", "192.168.1.3", "192.168.1.57",
                              "192.168.1.58", "192.168.1.100", "192.168.1.255"}) {
        EXPECT_FALSE(Has(candidates, taken)) << taken;
    }

    sources = {"192.168.1.70", "255.255.255.192", "192.168.1.65", {}, {}, nullptr};
    const auto narrow = FreeAddressCandidates(sources);
    ASSERT_EQ(narrow.size(), 60u); // .66 to .126 without .70
    EXPECT_EQ(narrow.front(), "192.168.1.66");
    EXPECT_EQ(narrow.back(), "192.168.1.126");
    EXPECT_TRUE(FreeAddressCandidates({"", "255.255.255.0", "", {}, {}, nullptr}).empty());
}

// Catches: answering addresses handed out, a probe that could not run treated as "in use", the
// fallback to the local address missing, and the log line not written for what is returned.
TEST(AddressProbingTest, FreeAddressesAreThoseThatDoNotAnswer) {
    test::LogCapture log("127.0.0.63");
    test::FakeProber prober;
    prober.answering = {"10.0.0.2", "10.0.0.3"};
    prober.failing = {"10.0.0.4"};
    const std::vector<std::string> candidates{"10.0.0.2", "10.0.0.3", "10.0.0.4", "10.0.0.5", "10.0.0.6"};
    EXPECT_EQ(FindFreeAddresses(candidates, 2, prober), (std::vector<std::string>{"10.0.0.4", "10.0.0.5"}));
    const auto lines = log.TakeMessages();
    EXPECT_EQ(lines, (std::vector<std::string>{"got one ip: 10.0.0.4\n", "got one ip: 10.0.0.5\n"}));

    prober.answering = {candidates.begin(), candidates.end()};
    prober.failing.clear();
    EXPECT_EQ(FindFreeAddress(candidates, "10.0.0.9", prober), "10.0.0.9");
    EXPECT_EQ(FindFreeAddress({}, "10.0.0.9", prober), "10.0.0.9");
}

// Catches: parallel probing that returns a later free address before an earlier one, that misses
// the lowest answering index, or that runs more probes at once than allowed.
TEST(AddressProbingTest, ParallelProbingGivesWhatProbingOneByOneGives) {
    std::mt19937 random(20240611);
    for (int round = 0; round < 25; ++round) {
        test::FakeProber prober;
        prober.maxDelayMs = 3;
        std::vector<std::string> candidates;
        std::vector<int> sequential;
        for (int i = 0; i < 40; ++i) {
            candidates.push_back("10.1.0." + std::to_string(i + 1));
            const int kind = std::uniform_int_distribution<int>(0, 9)(random);
            if (kind < 6) {
                prober.answering.insert(candidates.back());
            } else if (kind == 6) {
                prober.failing.insert(candidates.back());
            }
        }
        const int wanted = std::uniform_int_distribution<int>(1, 6)(random);
        const int parallel = std::uniform_int_distribution<int>(1, 8)(random);
        std::vector<std::string> expectedFree;
        for (const auto& candidate : candidates) {
            if (expectedFree.size() < static_cast<std::size_t>(wanted) && prober.answering.count(candidate) == 0) {
                expectedFree.push_back(candidate);
            }
        }
        EXPECT_EQ(FindFreeAddresses(candidates, wanted, prober, parallel), expectedFree) << round;

        const int count = std::uniform_int_distribution<int>(1, 40)(random);
        int expectedIndex = -1;
        for (int i = count - 1; i >= 0; --i) {
            if (prober.answering.count(candidates[static_cast<std::size_t>(i)]) != 0) {
                expectedIndex = i;
            }
        }
        EXPECT_EQ(CheckAddresses("10.1.0.1", count, prober, parallel), expectedIndex) << round;
        EXPECT_LE(prober.MostAtOnce(), parallel);
    }
}

// Catches: Check probing one address after another (254 x 200 ms), going on after an answer made
// the rest irrelevant, and counting past 255.255.255.255.
TEST(AddressProbingTest, CheckIsParallelAndStopsAtTheFirstAnswer) {
    test::FakeProber slow;
    slow.fixedDelayMs = 200;
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(CheckAddresses("192.168.7.1", 254, slow), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(5));
    EXPECT_EQ(slow.Probed().size(), 254u);
    EXPECT_TRUE(Has(slow.Probed(), "192.168.7.254"));

    test::FakeProber answering;
    answering.fixedDelayMs = 30;
    answering.answering = {"192.168.7.1"};
    EXPECT_EQ(CheckAddresses("192.168.7.1", 254, answering, 4), 0);
    EXPECT_LE(answering.Probed().size(), 8u);

    test::FakeProber top;
    EXPECT_EQ(CheckAddresses("255.255.255.254", 10, top), -1);
    EXPECT_EQ(top.Probed().size(), 2u);
}

} // namespace
} // namespace zk::netcfg

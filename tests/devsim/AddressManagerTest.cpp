// SPDX-License-Identifier: GPL-3.0-or-later
// Each case runs in a child process inside a network namespace of its own, so the addresses it
// adds and removes never touch the machine's interfaces.
#include "devsim/AddressManager.h"

#include "devsim/InterfaceSubnets.h"
#include "devsim/Ipv4.h"

#include <net/if.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>

namespace zk::devsim {
namespace {

// Runs the body in a forked child inside a new network namespace; the body returns its problems
// (empty when all is well). Returns nothing when namespaces cannot be made (not root).
std::optional<std::string> InPrivateNetwork(const std::function<std::string()>& body) {
    int output[2];
    if (::pipe(output) != 0) {
        return "pipe failed";
    }
    const pid_t child = ::fork();
    if (child == 0) {
        ::close(output[0]);
        std::string problems = ::unshare(CLONE_NEWNET) != 0 ? "unshare" : body();
        if (problems == "unshare") {
            ::_exit(77);
        }
        const ssize_t written = ::write(output[1], problems.data(), problems.size());
        ::_exit(written == static_cast<ssize_t>(problems.size()) && problems.empty() ? 0 : 1);
    }
    ::close(output[1]);
    std::string problems;
    char buffer[512];
    for (ssize_t n; (n = ::read(output[0], buffer, sizeof(buffer))) > 0;) {
        problems.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(output[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77) {
        return std::nullopt;
    }
    if (!WIFEXITED(status) || (WEXITSTATUS(status) != 0 && problems.empty())) {
        problems += "child ended abnormally";
    }
    return problems;
}

bool Local(std::uint32_t address) {
    InterfaceSubnets subnets;
    return subnets.IsLocal(address);
}

std::string Expect(bool condition, const std::string& what) {
    return condition ? "" : what + "; ";
}

// Skips the test when namespaces cannot be made, else expects no problems.
void RunInPrivateNetwork(const std::function<std::string()>& body) {
    const auto problems = InPrivateNetwork(body);
    if (!problems) {
        GTEST_SKIP() << "needs root to make a network namespace";
    }
    EXPECT_EQ(*problems, "");
}

const std::uint32_t kFirst = 0x0A090001; // 10.9.0.1

TEST(AddressManagerTest, AddsAddressesAndRemovesAllItAdded) {
    RunInPrivateNetwork([] {
        std::string problems, error;
        AddressManager manager;
        if (manager.Open() != 0) {
            return std::string("netlink socket");
        }
        AddressManager::PromoteSecondaries("lo");
        for (std::uint32_t i = 0; i < 50; ++i) {
            if (manager.Add("lo", kFirst + i, 16, error) != 0) {
                return error;
            }
        }
        problems += Expect(Local(kFirst) && Local(kFirst + 49), "added addresses are local");
        InterfaceSubnets subnets;
        const auto& lo = subnets.Of(static_cast<int>(::if_nametoindex("lo")));
        problems += Expect(std::any_of(lo.begin(), lo.end(),
                                       [](const Subnet& s) { return s.address == kFirst && s.netmask == 0xFFFF0000; }),
                           "the interface shows the address with its netmask");
        // The first address is the subnet's primary; the others must survive its removal.
        problems += Expect(manager.Remove("lo", kFirst) == 0 && !Local(kFirst), "removing one");
        problems += Expect(Local(kFirst + 1) && Local(kFirst + 49), "the others stay");
        problems += Expect(manager.RemoveAll() == 0, "RemoveAll reports no failure");
        problems += Expect(!Local(kFirst + 1) && !Local(kFirst + 49) && manager.Count() == 0, "all gone");
        return problems;
    });
}

TEST(AddressManagerTest, ASharedAddressStaysUntilItsLastDeviceLeaves) {
    RunInPrivateNetwork([] {
        std::string problems, error;
        AddressManager manager;
        manager.Open();
        problems += Expect(manager.Add("lo", kFirst, 24, error) == 0 && manager.Add("lo", kFirst, 24, error) == 0,
                           "two devices on one address");
        problems += Expect(manager.Remove("lo", kFirst) == 0 && Local(kFirst), "one left: still there");
        problems += Expect(manager.Remove("lo", kFirst) == 0 && !Local(kFirst), "none left: gone");
        return problems;
    });
}

TEST(AddressManagerTest, AnAddressThatWasThereBeforeIsLeftInPlace) {
    RunInPrivateNetwork([] {
        std::string problems, error;
        AddressManager before;
        before.Open();
        before.Add("lo", kFirst, 24, error);
        {
            AddressManager simulator;
            simulator.Open();
            problems += Expect(simulator.Add("lo", kFirst, 24, error) == 0, "an existing address is usable");
        }
        problems += Expect(Local(kFirst), "the existing address survives the simulator");
        return problems;
    });
}

TEST(AddressManagerTest, AnUnknownInterfaceIsNamedInTheError) {
    AddressManager manager;
    std::string error;
    EXPECT_EQ(manager.Add("zk-no-such-if", kFirst, 24, error), ENODEV);
    EXPECT_NE(error.find("zk-no-such-if"), std::string::npos);
    EXPECT_EQ(manager.Count(), 0u);
}

} // namespace
} // namespace zk::devsim

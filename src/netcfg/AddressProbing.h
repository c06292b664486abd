// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "netcfg/PingTest.h"
#include "netcfg/RecentlyAssigned.h"

#include <atomic>
#include <string>
#include <vector>

// Choosing free addresses and checking addresses for use with the ICMP probe, many probes at once.
// The functions block until they have their answer: call them on a worker thread (AddressCheck and
// FreeAddressSearch do that for the window thread). Each gives exactly what probing one address
// after another in order would give.
namespace zk::netcfg {

inline constexpr int kDefaultMaxParallelProbes = 64;

// What the free-address search must not hand out.
struct CandidateSources {
    std::string localAddress;                  // local parameter 0: the candidates share its first three octets
    std::string localNetmask;                  // local parameter 1
    std::string gateway;                       // local parameter 2
    std::vector<std::string> tableAddresses;   // the IpAddress of every device in the device table
    std::vector<std::string> adapterAddresses; // every address of every local adapter
    const RecentlyAssigned* recentlyAssigned = nullptr;
};

// The addresses worth probing, in order: the local address's first three octets with last octets 2
// to 254, without the local address, the gateway, the table's and the local adapters' addresses
// and the recently assigned ones. Under a mask narrower than /24 (such as /26) they also stay in
// the local subnet, without its network and broadcast addresses. Empty when the local address is
// no address.
std::vector<std::string> FreeAddressCandidates(const CandidateSources& sources);

// The first `wanted` candidates, in candidate order, that the probe finds silent (kPingSilent) or
// cannot probe (kPingFailed); each is logged "got one ip: %s". At most maxParallel probes run at
// once, and no probe starts once the answer is known. A set cancel flag stops new probes (the
// result is then incomplete).
std::vector<std::string> FindFreeAddresses(const std::vector<std::string>& candidates, int wanted, Prober& prober,
                                           int maxParallel = kDefaultMaxParallelProbes,
                                           const std::atomic<bool>* cancel = nullptr);

// One free address; the local address itself when no candidate is left.
std::string FindFreeAddress(const std::vector<std::string>& candidates, const std::string& localAddress, Prober& prober,
                            int maxParallel = kDefaultMaxParallelProbes);

// The dialog's check of `count` addresses from `start` (counting with carry): the lowest index i
// whose address start + i answered the probe, or -1 when none answered (kPingFailed counts as no
// answer) or the start is no address. No probe starts once a lower index answered.
int CheckAddresses(const std::string& start, int count, Prober& prober, int maxParallel = kDefaultMaxParallelProbes,
                   const std::atomic<bool>* cancel = nullptr);

} // namespace zk::netcfg

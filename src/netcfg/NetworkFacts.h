// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/NetworkParameters.h"

#include <optional>
#include <string>
#include <vector>

namespace zk::netcfg {

// Where the computer's own network parameters come from: the system (SystemNetworkFacts) or, in
// tests, made-up facts. Implementations may be called from any thread.
class NetworkFacts {
public:
    virtual ~NetworkFacts() = default;
    // The interfaces that are up and not loopback, in the system's order, with their IPv4 addresses
    // and gateways (network byte order). 0, or -1 when the list cannot be read.
    virtual int Adapters(std::vector<platform::InterfaceParameters>& adapters) = 0;
    // The DNS servers of the resolver, in order. 0, or -1 when the resolver file is missing or
    // unreadable (a readable file without servers gives 0 and no servers).
    virtual int DnsServers(std::vector<std::string>& servers) = 0;
    // The interface the system would use to reach a public address; nothing when there is no route.
    virtual std::optional<std::string> BestInterface() = 0;

protected:
    NetworkFacts() = default;
    NetworkFacts(const NetworkFacts&) = default;
    NetworkFacts& operator=(const NetworkFacts&) = default;
};

} // namespace zk::netcfg

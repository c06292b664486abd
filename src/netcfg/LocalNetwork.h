// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "netcfg/NetworkFacts.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace zk::netcfg {

// Indexes of the local parameters.
inline constexpr int kLocalAddress = 0;
inline constexpr int kLocalNetmask = 1;
inline constexpr int kLocalGateway = 2;
inline constexpr int kLocalDns1 = 3;
inline constexpr int kLocalDns2 = 4;
inline constexpr int kLocalParameterCount = 5;
inline constexpr std::size_t kLocalParameterMaxChars = 31;

// Used when the system names no adapter at all.
inline constexpr const char* kDefaultLocalAddress = "192.168.1.253";
inline constexpr const char* kDefaultLocalNetmask = "255.255.255.0";
inline constexpr const char* kDefaultLocalGateway = "192.168.1.1";
// Used when the resolver file is missing or unreadable.
inline constexpr const char* kDefaultLocalDns1 = "192.168.1.1";
inline constexpr const char* kDefaultLocalDns2 = "8.8.8.8";

// The five local parameters at once (dotted texts, "" for none).
struct LocalParameters {
    std::string address, netmask, gateway, dns1, dns2;
};

// An adapter's first address, its mask and its first gateway ("" when it has none).
struct AdapterBase {
    std::string address, netmask, gateway;
};

// The computer's own network parameters that address commands start from: its address, mask and
// gateway on the network it uses, and two DNS servers. Read from the facts on first use and kept
// until Clear() (every search start clears them). Any thread; calls are serialised.
//
// How the values are chosen:
// - DNS: the resolver's servers in order, loopback ones (127.0.0.0/8, such as systemd-resolved's
//   127.0.0.53) skipped, "" when fewer remain; a missing resolver file gives "192.168.1.1" and
//   "8.8.8.8".
// - Adapter: the one holding the route to a public address; without such a route (an isolated
//   device network) the adapter chosen in the adapter list, else the first with an IPv4 address.
//   The defaults "192.168.1.253", "255.255.255.0", "192.168.1.1" apply only when the list cannot
//   be read or names no adapter with an address.
// - Gateway: the adapter's first gateway; "" when it has none.
// - Address and mask: the adapter address chosen in the adapter list when it is this adapter's,
//   else the first address in the gateway's network under its own mask, else the first address.
class LocalNetwork final {
public:
    // Reads the system's facts.
    LocalNetwork();
    explicit LocalNetwork(std::unique_ptr<NetworkFacts> facts);

    // The cached parameter of an index (kLocalAddress ... kLocalDns2), filling the cache first when
    // needed; any other index logs and gives "".
    std::string GetLocalParameter(int index);
    // All five at once.
    LocalParameters Parameters();

    // Forgets the cached values; the next use reads the facts again.
    void Clear();

    // The adapter list's choice: 0 for all adapters, else one adapter address in network byte order
    // (as platform/NetworkAdapters.h gives them). Takes effect at the next filling.
    void SetAdapterChoice(std::uint32_t choice);

    // Every IPv4 address of every adapter now (not cached), dotted.
    std::vector<std::string> AdapterAddresses();

    // The first adapter in the system's order whose first address is valid (not 0.0.0.0): the base
    // of consecutive addresses. Nothing when there is none or the list cannot be read. Not cached.
    std::optional<AdapterBase> FirstAdapterBase();

private:
    void EnsureFilledLocked();
    void FillLocked();

    std::unique_ptr<NetworkFacts> m_facts;
    std::mutex m_mutex;
    std::array<std::string, kLocalParameterCount> m_values;
    bool m_filled = false;
    std::uint32_t m_adapterChoice = 0;
};

} // namespace zk::netcfg

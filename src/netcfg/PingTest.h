// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/IcmpSocket.h"

#include <cstdint>
#include <string>

// The ICMP echo probe that tells whether an address is in use before it is given to a device.
namespace zk::netcfg {

// Results of Prober::PingTest.
inline constexpr int kPingAnswered = 1; // the address answered: in use
inline constexpr int kPingSilent = 0;   // no answer: usable
inline constexpr int kPingFailed = -1;  // the probe could not run (no ICMP socket, bad address, send failure)

// Probes one IPv4 address. Implementations may be called from any thread, concurrently.
class Prober {
public:
    virtual ~Prober() = default;
    // kPingAnswered, kPingSilent or kPingFailed for a dotted IPv4 address.
    virtual int PingTest(const std::string& address) = 0;
};

struct IcmpProberOptions {
    platform::IcmpSocketKinds kinds; // which sockets may be tried: raw first, then the ping socket
    int attempts = 2;
    int waitPerAttemptMs = 100;
};

// The probe over ICMP echo requests. Each call opens its own socket, so calls on several threads
// at once never share state. A call blocks for at most attempts x waitPerAttemptMs (200 ms).
class IcmpProber final : public Prober {
public:
    explicit IcmpProber(IcmpProberOptions options = {}) : m_options(options) {}

    // Sends up to `attempts` echo requests and waits for an echo reply from the address after each.
    // Packets from elsewhere, other ICMP types and error reports do not end a wait: only a reply
    // from the probed address counts. kPingFailed when no socket opens, the text is not an address,
    // a send is short, or waiting or reading fails.
    int PingTest(const std::string& address) override;

private:
    IcmpProberOptions m_options;
};

// Length of the echo request: 8 bytes of header and a 4-byte millisecond tick.
inline constexpr std::size_t kEchoRequestBytes = 12;

// The Internet checksum (RFC 1071) of the bytes, as it is stored in the message.
std::uint16_t InternetChecksum(const std::uint8_t* bytes, std::size_t size);

} // namespace zk::netcfg

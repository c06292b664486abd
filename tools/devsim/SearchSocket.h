// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "devsim/Ipv4.h"
#include "platform/UniqueFd.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace zk::devsim {

// One received datagram and where it came from.
struct ReceivedDatagram {
    std::string payload;
    Endpoint sender;
    int interfaceIndex = 0;        // the interface it arrived on
    std::uint32_t destination = 0; // the address it was sent to (host byte order)
};

// The fleet's one UDP socket. Bound to the wildcard address, it hears limited broadcasts (a socket
// bound to a unicast address never does) and learns each datagram's arrival interface; it sends
// every device's reply from that device's own address. Receive runs on one thread and SendFrom on
// another; the kernel serialises the two on the socket.
class SearchSocket final {
public:
    // Opens and binds the socket; returns 0 or the errno of the step that failed.
    int Open(std::uint32_t bindAddress, std::uint16_t port);
    int Fd() const { return m_fd.Get(); }
    std::uint16_t LocalPort() const { return m_port; }

    // Reads one waiting datagram without blocking; returns 0, or the errno (EAGAIN when none waits).
    int Receive(ReceivedDatagram& datagram);

    // Sends the payload to the destination with the given source address (which must be local) and
    // the socket's port; returns 0 or the errno.
    int SendFrom(std::uint32_t source, const Endpoint& destination, std::string_view payload);

    // The kernel's receive buffer in bytes (what it accounts, twice what was asked for); -1 when
    // the socket is not open.
    int ReceiveBufferBytes() const;
    // Datagrams the kernel dropped since the socket opened because the receive buffer was full;
    // -1 when the kernel does not say. Any thread.
    long long DroppedCount() const;

private:
    platform::UniqueFd m_fd;
    std::uint16_t m_port = 0;
};

} // namespace zk::devsim

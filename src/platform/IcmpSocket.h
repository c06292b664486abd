// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/UniqueFd.h"

#include <cstddef>
#include <cstdint>

// ICMP sockets for the reachability probe. A socket is used by one thread at a time; any number of
// sockets may be open at once on different threads.
namespace zk::platform {

enum class IcmpSocketKind {
    // SOCK_RAW: needs root or CAP_NET_RAW. A receive gives the whole IPv4 packet, header first, and
    // the socket sees every ICMP packet the host receives, whoever it was meant for.
    Raw,
    // SOCK_DGRAM, the unprivileged ping socket: allowed when the process's group lies in
    // net.ipv4.ping_group_range. A receive gives the ICMP message alone, only echo replies to this
    // socket are delivered, and the kernel puts its own identifier into every request.
    Datagram,
};

// Which kinds Open may try.
struct IcmpSocketKinds {
    bool raw = true;
    bool datagram = true;
};

inline constexpr long kIcmpErrorReport = -2;

class IcmpSocket final {
public:
    // Opens the first allowed kind the system grants: raw, then datagram. The result is invalid when
    // neither opens (errno tells why the last one failed).
    static IcmpSocket Open(IcmpSocketKinds allowed = {});

    bool Valid() const { return m_fd.Valid(); }
    IcmpSocketKind Kind() const { return m_kind; }
    int Descriptor() const { return m_fd.Get(); }

    // Sends one ICMP message to an IPv4 address (network byte order). Returns the bytes sent or -1.
    long SendTo(const void* message, std::size_t size, std::uint32_t address);

    // Waits until a packet can be read: 1 readable, 0 time-out, -1 failure (errno says why, EINTR
    // included).
    int WaitReadable(int timeoutMs);

    // Reads one packet without blocking, at most capacity bytes (a longer packet is cut). Returns the
    // bytes stored; source gets the sender's address in network byte order. Returns -1 on failure
    // (errno EAGAIN when nothing was waiting), or kIcmpErrorReport when the socket reported an ICMP
    // error message (unreachable, time exceeded...) about some packet this host sent: a raw socket
    // reports those for other sockets' packets too, and the next read goes on normally.
    long ReceiveFrom(void* buffer, std::size_t capacity, std::uint32_t& source);

private:
    IcmpSocket(UniqueFd fd, IcmpSocketKind kind) : m_fd(std::move(fd)), m_kind(kind) {}

    UniqueFd m_fd;
    IcmpSocketKind m_kind = IcmpSocketKind::Raw;
};

} // namespace zk::platform

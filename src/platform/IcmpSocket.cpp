// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/IcmpSocket.h"

#include <cerrno>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

namespace zk::platform {

IcmpSocket IcmpSocket::Open(IcmpSocketKinds allowed) {
    if (allowed.raw) {
        UniqueFd fd(::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP));
        if (fd.Valid()) {
            return IcmpSocket(std::move(fd), IcmpSocketKind::Raw);
        }
    }
    if (allowed.datagram) {
        UniqueFd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP));
        if (fd.Valid()) {
            return IcmpSocket(std::move(fd), IcmpSocketKind::Datagram);
        }
    }
    return IcmpSocket(UniqueFd(), IcmpSocketKind::Raw);
}

long IcmpSocket::SendTo(const void* message, std::size_t size, std::uint32_t address) {
    sockaddr_in destination{};
    destination.sin_family = AF_INET;
    destination.sin_addr.s_addr = address;
    return ::sendto(m_fd.Get(), message, size, MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&destination),
                    sizeof(destination));
}

int IcmpSocket::WaitReadable(int timeoutMs) {
    // poll rather than select: a busy tool holds far more than 1024 descriptors.
    pollfd ready{m_fd.Get(), POLLIN, 0};
    const int result = ::poll(&ready, 1, timeoutMs);
    return result < 0 ? -1 : (result > 0 ? 1 : 0);
}

long IcmpSocket::ReceiveFrom(void* buffer, std::size_t capacity, std::uint32_t& source) {
    sockaddr_in sender{};
    socklen_t senderSize = sizeof(sender);
    const long received =
        ::recvfrom(m_fd.Get(), buffer, capacity, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&sender), &senderSize);
    source = received >= 0 && sender.sin_family == AF_INET ? sender.sin_addr.s_addr : 0;
    if (received < 0) {
        switch (errno) {
        // The errors the kernel turns ICMP error messages into.
        case ENETUNREACH:
        case EHOSTUNREACH:
        case EHOSTDOWN:
        case ENONET:
        case ECONNREFUSED:
        case ENOPROTOOPT:
        case EMSGSIZE:
        case EOPNOTSUPP:
        case EACCES:
        case EPROTO:
            return kIcmpErrorReport;
        default:
            break;
        }
    }
    return received;
}

} // namespace zk::platform

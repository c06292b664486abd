// SPDX-License-Identifier: GPL-3.0-or-later
#include "devsim/SearchSocket.h"

#include <arpa/inet.h>
#include <linux/sock_diag.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

namespace zk::devsim {
namespace {

// Larger than any datagram: a datagram cut by the buffer would be recorded wrongly.
constexpr std::size_t kReceiveBufferBytes = 65536;
// Kernel buffers for bursts: a thousand replies queue on the send side; on the receive side a
// thousand set-network requests, each perhaps twice (the tool sends on every adapter), arrive back
// to back while the simulator is busy moving addresses. The kernel charges each datagram of about
// 600 bytes some 1.3 KiB and doubles the size asked for, so 8 MiB hold about 13000 of them.
constexpr int kSendBufferBytes = 4 * 1024 * 1024;
constexpr int kKernelReceiveBufferBytes = 8 * 1024 * 1024;

sockaddr_in SocketAddress(std::uint32_t address, std::uint16_t port) {
    sockaddr_in socketAddress{};
    socketAddress.sin_family = AF_INET;
    socketAddress.sin_addr.s_addr = htonl(address);
    socketAddress.sin_port = htons(port);
    return socketAddress;
}

} // namespace

int SearchSocket::Open(std::uint32_t bindAddress, std::uint16_t port) {
    platform::UniqueFd fd(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!fd) {
        return errno;
    }
    const int on = 1;
    if (::setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on)) != 0 ||
        ::setsockopt(fd.Get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof(on)) != 0 ||
        ::setsockopt(fd.Get(), IPPROTO_IP, IP_PKTINFO, &on, sizeof(on)) != 0) {
        return errno;
    }
    // SO_RCVBUF stops at net.core.rmem_max (208 KiB by default, about 330 requests);
    // SO_RCVBUFFORCE passes it when the process may administer the namespace, as the simulator
    // does. Smaller buffers than asked for still work; only bursts suffer, and drops are counted.
    if (::setsockopt(fd.Get(), SOL_SOCKET, SO_RCVBUFFORCE, &kKernelReceiveBufferBytes,
                     sizeof(kKernelReceiveBufferBytes)) != 0) {
        ::setsockopt(fd.Get(), SOL_SOCKET, SO_RCVBUF, &kKernelReceiveBufferBytes, sizeof(kKernelReceiveBufferBytes));
    }
    ::setsockopt(fd.Get(), SOL_SOCKET, SO_SNDBUF, &kSendBufferBytes, sizeof(kSendBufferBytes));
    const sockaddr_in local = SocketAddress(bindAddress, port);
    if (::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof(local)) != 0) {
        return errno;
    }
    sockaddr_in bound{};
    socklen_t length = sizeof(bound);
    if (::getsockname(fd.Get(), reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
        return errno;
    }
    m_port = ntohs(bound.sin_port);
    m_fd = std::move(fd);
    return 0;
}

int SearchSocket::Receive(ReceivedDatagram& datagram) {
    static thread_local std::string buffer(kReceiveBufferBytes, '\0');
    sockaddr_in sender{};
    iovec part{buffer.data(), buffer.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))];
    msghdr message{};
    message.msg_name = &sender;
    message.msg_namelen = sizeof(sender);
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof(control);
    const ssize_t received = ::recvmsg(m_fd.Get(), &message, MSG_DONTWAIT);
    if (received < 0) {
        return errno;
    }
    datagram.payload.assign(buffer.data(), static_cast<std::size_t>(received));
    datagram.sender = Endpoint{ntohl(sender.sin_addr.s_addr), ntohs(sender.sin_port)};
    datagram.interfaceIndex = 0;
    datagram.destination = 0;
    for (cmsghdr* header = CMSG_FIRSTHDR(&message); header != nullptr; header = CMSG_NXTHDR(&message, header)) {
        if (header->cmsg_level == IPPROTO_IP && header->cmsg_type == IP_PKTINFO) {
            in_pktinfo info{};
            std::memcpy(&info, CMSG_DATA(header), sizeof(info));
            datagram.interfaceIndex = info.ipi_ifindex;
            datagram.destination = ntohl(info.ipi_addr.s_addr);
        }
    }
    return 0;
}

int SearchSocket::SendFrom(std::uint32_t source, const Endpoint& destination, std::string_view payload) {
    const sockaddr_in target = SocketAddress(destination.address, destination.port);
    iovec part{const_cast<char*>(payload.data()), payload.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr message{};
    message.msg_name = const_cast<sockaddr_in*>(&target);
    message.msg_namelen = sizeof(target);
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof(control);
    cmsghdr* header = CMSG_FIRSTHDR(&message);
    header->cmsg_level = IPPROTO_IP;
    header->cmsg_type = IP_PKTINFO;
    header->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    // ipi_spec_dst chooses the source address; the interface is left to routing.
    in_pktinfo info{};
    info.ipi_spec_dst.s_addr = htonl(source);
    std::memcpy(CMSG_DATA(header), &info, sizeof(info));
    // The socket blocks on sending (only the scheduler's thread waits) and never on receiving.
    ssize_t sent = 0;
    do {
        sent = ::sendmsg(m_fd.Get(), &message, 0);
    } while (sent < 0 && errno == EINTR);
    return sent < 0 ? errno : 0;
}

int SearchSocket::ReceiveBufferBytes() const {
    int bytes = 0;
    socklen_t length = sizeof(bytes);
    return ::getsockopt(m_fd.Get(), SOL_SOCKET, SO_RCVBUF, &bytes, &length) == 0 ? bytes : -1;
}

long long SearchSocket::DroppedCount() const {
    // The socket's own drop counter: it also counts the drops after the last datagram read.
    std::uint32_t meminfo[SK_MEMINFO_VARS] = {};
    socklen_t length = sizeof(meminfo);
    if (::getsockopt(m_fd.Get(), SOL_SOCKET, SO_MEMINFO, meminfo, &length) != 0 ||
        length <= SK_MEMINFO_DROPS * sizeof(std::uint32_t)) {
        return -1;
    }
    return meminfo[SK_MEMINFO_DROPS];
}

} // namespace zk::devsim

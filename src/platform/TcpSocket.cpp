// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/TcpSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>

#include <cerrno>

namespace zk::platform {
namespace {

sockaddr_in SocketAddress(std::uint32_t address, std::uint16_t port) {
    sockaddr_in socketAddress{};
    socketAddress.sin_family = AF_INET;
    socketAddress.sin_addr.s_addr = htonl(address);
    socketAddress.sin_port = htons(port);
    return socketAddress;
}

} // namespace

UniqueFd ListenTcp(std::uint32_t address, std::uint16_t port, int backlog) {
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd) {
        return fd;
    }
    const int on = 1;
    const sockaddr_in local = SocketAddress(address, port);
    if (::setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on)) != 0 ||
        ::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof(local)) != 0 ||
        ::listen(fd.Get(), backlog) != 0) {
        const int error = errno;
        fd.Reset();
        errno = error;
    }
    return fd;
}

UniqueFd AcceptTcp(int listener, std::uint32_t* peerAddress, std::uint16_t* peerPort) {
    sockaddr_in peer{};
    socklen_t length = sizeof(peer);
    UniqueFd fd(::accept4(listener, reinterpret_cast<sockaddr*>(&peer), &length, SOCK_NONBLOCK | SOCK_CLOEXEC));
    if (fd) {
        if (peerAddress != nullptr) {
            *peerAddress = ntohl(peer.sin_addr.s_addr);
        }
        if (peerPort != nullptr) {
            *peerPort = ntohs(peer.sin_port);
        }
    }
    return fd;
}

UniqueFd StartTcpConnect(std::uint32_t address, std::uint16_t port) {
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
    if (!fd) {
        return fd;
    }
    const sockaddr_in remote = SocketAddress(address, port);
    if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&remote), sizeof(remote)) != 0 && errno != EINPROGRESS) {
        const int error = errno;
        fd.Reset();
        errno = error;
    }
    return fd;
}

int ConnectResult(int socket) {
    int error = 0;
    socklen_t length = sizeof(error);
    if (::getsockopt(socket, SOL_SOCKET, SO_ERROR, &error, &length) != 0) {
        return errno;
    }
    return error;
}

void SetNoDelay(int socket) {
    const int on = 1;
    ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, &on, sizeof(on));
}

void CloseWithReset(UniqueFd& socket) {
    if (socket) {
        const linger immediate{1, 0};
        ::setsockopt(socket.Get(), SOL_SOCKET, SO_LINGER, &immediate, sizeof(immediate));
        socket.Reset();
    }
}

bool LocalEndpoint(int socket, std::uint32_t& address, std::uint16_t& port) {
    sockaddr_in local{};
    socklen_t length = sizeof(local);
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&local), &length) != 0) {
        return false;
    }
    address = ntohl(local.sin_addr.s_addr);
    port = ntohs(local.sin_port);
    return true;
}

} // namespace zk::platform

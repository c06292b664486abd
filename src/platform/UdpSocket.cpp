// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/UdpSocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

namespace zk::platform {

UniqueFd OpenUdpSocket(const UdpSocketOptions& options, UdpOpenError* error) {
    auto fail = [error](UdpOpenError step) {
        if (error != nullptr) {
            *error = step;
        }
        return UniqueFd();
    };
    UniqueFd socket(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
    if (!socket) {
        return fail(UdpOpenError::Create);
    }
    const int on = 1;
    if (options.broadcast && ::setsockopt(socket.Get(), SOL_SOCKET, SO_BROADCAST, &on, sizeof(on)) != 0) {
        return fail(UdpOpenError::Broadcast);
    }
    if (options.receiveBufferBytes > 0) {
        ::setsockopt(socket.Get(), SOL_SOCKET, SO_RCVBUF, &options.receiveBufferBytes,
                     sizeof(options.receiveBufferBytes));
    }
    if (options.reuseAddress && ::setsockopt(socket.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof(on)) != 0) {
        return fail(UdpOpenError::ReuseAddress);
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = options.bindAddress;
    address.sin_port = htons(options.bindPort);
    if (::bind(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0) {
        return fail(UdpOpenError::Bind);
    }
    if (error != nullptr) {
        *error = UdpOpenError::None;
    }
    return socket;
}

long SendDatagram(int socket, std::string_view payload, std::uint32_t address, std::uint16_t port) {
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = address;
    target.sin_port = htons(port);
    return static_cast<long>(::sendto(socket, payload.data(), payload.size(), MSG_NOSIGNAL,
                                      reinterpret_cast<const sockaddr*>(&target), sizeof(target)));
}

std::uint16_t LocalPort(int socket) {
    sockaddr_in address{};
    socklen_t length = sizeof(address);
    if (::getsockname(socket, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return 0;
    }
    return ntohs(address.sin_port);
}

} // namespace zk::platform

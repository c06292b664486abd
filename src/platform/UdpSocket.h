// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/UniqueFd.h"

#include <cstdint>
#include <string_view>

// IPv4 UDP sockets. Each function acts on the descriptor it is given; a socket is used by one thread
// at a time.
namespace zk::platform {

struct UdpSocketOptions {
    std::uint32_t bindAddress = 0; // network byte order; 0 is the wildcard address
    std::uint16_t bindPort = 0;    // 0 picks a free port
    bool broadcast = false;
    bool reuseAddress = false;
    int receiveBufferBytes = 0; // 0 keeps the system's default
};

// Results of OpenUdpSocket.
enum class UdpOpenError { None, Create, Broadcast, ReuseAddress, Bind };

// A bound socket, or an invalid one with the step that failed (errno says why). A receive buffer
// that cannot be set is not an error.
UniqueFd OpenUdpSocket(const UdpSocketOptions& options, UdpOpenError* error = nullptr);

// Sends one datagram; returns the bytes sent or -1.
long SendDatagram(int socket, std::string_view payload, std::uint32_t address, std::uint16_t port);

// The local port a socket is bound to; 0 when unknown.
std::uint16_t LocalPort(int socket);

} // namespace zk::platform

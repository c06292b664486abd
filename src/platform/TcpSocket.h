// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/UniqueFd.h"

#include <cstdint>

// Non-blocking IPv4 TCP sockets for event loops. Addresses are in host byte order. Each function
// acts on the descriptor it is given; a socket is used by one thread at a time.
namespace zk::platform {

// A listening socket bound to address:port (port 0 picks a free one), with SO_REUSEADDR so that a
// restarted listener binds again at once. Returns an invalid descriptor with errno set on failure.
UniqueFd ListenTcp(std::uint32_t address, std::uint16_t port, int backlog);

// Accepts one waiting connection as a non-blocking socket; returns an invalid descriptor with
// errno set (EAGAIN when none waits). peerAddress and peerPort may be null.
UniqueFd AcceptTcp(int listener, std::uint32_t* peerAddress, std::uint16_t* peerPort);

// Starts a non-blocking connection. Returns the socket, which becomes writable when the
// connection is made or has failed (ConnectResult says which); an invalid descriptor with errno
// set when even the start failed.
UniqueFd StartTcpConnect(std::uint32_t address, std::uint16_t port);

// 0 when a connection started by StartTcpConnect is made, else its errno.
int ConnectResult(int socket);

// Sends small frames at once instead of waiting to fill a segment.
void SetNoDelay(int socket);

// Closes with a reset instead of an orderly end, as a refusing peer does.
void CloseWithReset(UniqueFd& socket);

// The local address and port a socket is bound to; false when unknown.
bool LocalEndpoint(int socket, std::uint32_t& address, std::uint16_t& port);

} // namespace zk::platform

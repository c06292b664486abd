// SPDX-License-Identifier: GPL-3.0-or-later
// Loopback only: the socket is bound to 127.0.0.1 and every datagram stays on "lo".
#include "devsim/SearchSocket.h"

#include "platform/UniqueFd.h"

#include <arpa/inet.h>
#include <net/if.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gtest/gtest.h>

namespace zk::devsim {
namespace {

constexpr std::uint32_t kLoopback = 0x7F000001;

class SearchSocketTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(m_socket.Open(kLoopback, 0), 0);
        m_peer.Reset(::socket(AF_INET, SOCK_DGRAM, 0));
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = htonl(kLoopback);
        ASSERT_EQ(::bind(m_peer.Get(), reinterpret_cast<sockaddr*>(&local), sizeof(local)), 0);
        socklen_t length = sizeof(local);
        ASSERT_EQ(::getsockname(m_peer.Get(), reinterpret_cast<sockaddr*>(&local), &length), 0);
        m_peerPort = ntohs(local.sin_port);
    }

    static bool Readable(int fd) {
        pollfd watched{fd, POLLIN, 0};
        return ::poll(&watched, 1, 2000) == 1;
    }

    SearchSocket m_socket;
    platform::UniqueFd m_peer;
    std::uint16_t m_peerPort = 0;
};

TEST_F(SearchSocketTest, ADatagramComesWithItsSenderAndArrivalInterface) {
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = htonl(kLoopback);
    target.sin_port = htons(m_socket.LocalPort());
    const std::string request("search\0tail", 11);
    ASSERT_EQ(
        ::sendto(m_peer.Get(), request.data(), request.size(), 0, reinterpret_cast<sockaddr*>(&target), sizeof(target)),
        static_cast<ssize_t>(request.size()));
    ASSERT_TRUE(Readable(m_socket.Fd()));
    ReceivedDatagram datagram;
    ASSERT_EQ(m_socket.Receive(datagram), 0);
    EXPECT_EQ(datagram.payload, request) << "the whole datagram, zero bytes included";
    EXPECT_EQ(datagram.sender, (Endpoint{kLoopback, m_peerPort}));
    EXPECT_EQ(datagram.interfaceIndex, static_cast<int>(::if_nametoindex("lo")));
    EXPECT_EQ(datagram.destination, kLoopback);
    EXPECT_EQ(m_socket.Receive(datagram), EAGAIN) << "receiving never blocks";
}

TEST_F(SearchSocketTest, RepliesLeaveFromTheChosenSourceAddressAndTheSocketPort) {
    constexpr std::uint32_t kDeviceAddress = 0x7F000005; // 127.0.0.5, local on lo
    ASSERT_EQ(m_socket.SendFrom(kDeviceAddress, Endpoint{kLoopback, m_peerPort}, "reply"), 0);
    ASSERT_TRUE(Readable(m_peer.Get()));
    char buffer[64];
    sockaddr_in source{};
    socklen_t length = sizeof(source);
    const ssize_t received =
        ::recvfrom(m_peer.Get(), buffer, sizeof(buffer), 0, reinterpret_cast<sockaddr*>(&source), &length);
    ASSERT_EQ(received, 5);
    EXPECT_EQ(std::string(buffer, 5), "reply");
    EXPECT_EQ(ntohl(source.sin_addr.s_addr), kDeviceAddress);
    EXPECT_EQ(ntohs(source.sin_port), m_socket.LocalPort());
}

// A burst of set-network requests must fit whatever net.core.rmem_max says (the simulator runs as
// root in its namespace), and what does not fit is counted, not lost without a trace.
TEST_F(SearchSocketTest, ABurstBeyondTheReceiveBufferIsCountedAsDropped) {
    if (::geteuid() == 0) {
        EXPECT_GE(m_socket.ReceiveBufferBytes(), 16 * 1024 * 1024) << "SO_RCVBUFFORCE passes rmem_max";
    }
    ASSERT_EQ(m_socket.DroppedCount(), 0);
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = htonl(kLoopback);
    target.sin_port = htons(m_socket.LocalPort());
    // Large datagrams fill even a forced buffer quickly; the kernel charges each about 64 KiB.
    const std::string datagram(60000, 'x');
    const int sent = 2 * m_socket.ReceiveBufferBytes() / 60000 + 50;
    for (int i = 0; i < sent; ++i) {
        ASSERT_EQ(::sendto(m_peer.Get(), datagram.data(), datagram.size(), 0, reinterpret_cast<sockaddr*>(&target),
                           sizeof(target)),
                  static_cast<ssize_t>(datagram.size()));
    }
    int received = 0;
    ReceivedDatagram taken;
    while (m_socket.Receive(taken) == 0) {
        ++received;
    }
    EXPECT_GT(received, 0);
    EXPECT_GT(m_socket.DroppedCount(), 0);
    EXPECT_EQ(received + m_socket.DroppedCount(), sent) << "every datagram is either received or counted";
}

} // namespace
} // namespace zk::devsim

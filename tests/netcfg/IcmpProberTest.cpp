// SPDX-License-Identifier: GPL-3.0-or-later
// Live probes inside the test program's own network namespace: 127.0.0.1 and 10.77.0.1 answer,
// 10.77.0.2 lies on a link where nobody is.
#include "netcfg/PingTest.h"

#include "PrivateLink.h"
#include "platform/IcmpSocket.h"
#include "platform/NetworkAdapters.h"
#include "platform/UniqueFd.h"
#include "support/LogCapture.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <thread>

namespace zk::netcfg {
namespace {

using test::PrivateLink;

IcmpProber ProberOf(bool raw, bool datagram) {
    IcmpProberOptions options;
    options.kinds.raw = raw;
    options.kinds.datagram = datagram;
    return IcmpProber(options);
}

bool Logged(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Answers echo requests to 127.0.0.3 itself (the kernel's answers are switched off meanwhile), but
// first sends what a busy network puts in front of a reply: an echo reply from another host
// (127.0.0.4) and an echo request from the probed address. The real reply follows 10 ms later, so
// every wait of a probe of 127.0.0.3 sees foreign packets first.
class NoisyResponder final {
public:
    static constexpr const char* kAddress = "127.0.0.3";

    NoisyResponder() {
        std::ofstream(kIgnoreFile) << "1\n";
        m_listener = Bound("0.0.0.0");
        m_probed = Bound(kAddress);
        m_other = Bound("127.0.0.4");
        m_thread = std::thread([this] { Run(); });
    }
    ~NoisyResponder() {
        m_stop = true;
        m_thread.join();
        std::ofstream(kIgnoreFile) << "0\n";
    }

private:
    static constexpr const char* kIgnoreFile = "/proc/sys/net/ipv4/icmp_echo_ignore_all";

    // A raw ICMP socket whose packets leave from the given address.
    static platform::UniqueFd Bound(const char* address) {
        platform::UniqueFd socket(::socket(AF_INET, SOCK_RAW, IPPROTO_ICMP));
        sockaddr_in local{};
        local.sin_family = AF_INET;
        local.sin_addr.s_addr = *platform::ParseDottedAddress(address);
        ::bind(socket.Get(), reinterpret_cast<const sockaddr*>(&local), sizeof(local));
        return socket;
    }

    static void Send(const platform::UniqueFd& from, std::uint8_t type, std::uint32_t to) {
        std::array<std::uint8_t, kEchoRequestBytes> message{type};
        const std::uint16_t checksum = InternetChecksum(message.data(), message.size());
        std::memcpy(message.data() + 2, &checksum, sizeof(checksum));
        sockaddr_in destination{};
        destination.sin_family = AF_INET;
        destination.sin_addr.s_addr = to;
        ::sendto(from.Get(), message.data(), message.size(), 0, reinterpret_cast<const sockaddr*>(&destination),
                 sizeof(destination));
    }

    void Run() {
        const std::uint32_t probed = *platform::ParseDottedAddress(kAddress);
        while (!m_stop) {
            pollfd ready{m_listener.Get(), POLLIN, 0};
            if (::poll(&ready, 1, 20) <= 0) {
                continue;
            }
            std::array<std::uint8_t, 256> packet{};
            const long length = ::recv(m_listener.Get(), packet.data(), packet.size(), 0);
            std::uint32_t source = 0, destination = 0;
            std::memcpy(&source, packet.data() + 12, 4);
            std::memcpy(&destination, packet.data() + 16, 4);
            const std::size_t header = static_cast<std::size_t>(packet[0] & 0x0F) * 4;
            if (length < static_cast<long>(header + 8) || packet[header] != 8 || destination != probed) {
                continue;
            }
            Send(m_other, 0, source);
            Send(m_probed, 8, source);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            Send(m_probed, 0, source);
        }
    }

    std::atomic<bool> m_stop{false};
    platform::UniqueFd m_listener, m_probed, m_other;
    std::thread m_thread;
};

class IcmpProberTest : public testing::Test {
protected:
    void SetUp() override {
        if (!m_link.Ready()) {
            GTEST_SKIP() << m_link.Problem();
        }
    }
    PrivateLink m_link;
};

// Catches: a bad checksum or request layout (the kernel would not answer), the IPv4 header not
// skipped on the raw socket, and log lines that differ from the documented ones.
TEST_F(IcmpProberTest, RawSocketTellsAnsweringAddressesFromSilentOnes) {
    test::LogCapture log("127.0.0.61");
    IcmpProber prober = ProberOf(true, false);
    EXPECT_EQ(prober.PingTest("127.0.0.1"), kPingAnswered);
    EXPECT_EQ(prober.PingTest(PrivateLink::kOwnAddress), kPingAnswered);
    const auto started = std::chrono::steady_clock::now();
    EXPECT_EQ(prober.PingTest(PrivateLink::kSilentAddress), kPingSilent);
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(600)); // two 100 ms waits
    const auto lines = log.TakeMessages();
    EXPECT_TRUE(Logged(lines, "PingTest got replay from ip: 127.0.0.1\n"));
    EXPECT_TRUE(Logged(lines, "PingTest no replay recv, ip 10.77.0.2 is usable.\n"));
}

// Catches: the ping socket's message read as if it had an IPv4 header, or its source not taken
// from recvfrom; and a probe that claims the ping socket where the system refuses it.
TEST_F(IcmpProberTest, PingSocketTellsAnsweringAddressesFromSilentOnes) {
    IcmpProber prober = ProberOf(false, true);
    {
        test::PingGroupRange everyone("0 2147483647");
        EXPECT_EQ(prober.PingTest("127.0.0.1"), kPingAnswered);
        EXPECT_EQ(prober.PingTest(PrivateLink::kOwnAddress), kPingAnswered);
        EXPECT_EQ(prober.PingTest(PrivateLink::kSilentAddress), kPingSilent);
    }
    test::PingGroupRange nobody("1 0");
    EXPECT_EQ(prober.PingTest("127.0.0.1"), kPingFailed);
}

// Catches: a probe that reports silence (usable) when it could not probe at all, and an exception
// or a probe of garbage for a text that is no address.
TEST_F(IcmpProberTest, NoSocketOrNoAddressMeansTheProbeFailed) {
    EXPECT_EQ(ProberOf(false, false).PingTest("127.0.0.1"), kPingFailed);
    IcmpProber prober;
    EXPECT_EQ(prober.PingTest("127.0.0.300"), kPingFailed);
    EXPECT_EQ(prober.PingTest(""), kPingFailed);
    EXPECT_EQ(prober.PingTest("10.77.0.1; rm"), kPingFailed);
}

// Catches: the first foreign packet of a wait ending it (so a used address looks usable), and any
// echo reply counted without looking at its sender (so a silent address looks used).
TEST_F(IcmpProberTest, UnrelatedIcmpTrafficNeitherHidesNorFakesAReply) {
    test::LogCapture log("127.0.0.62");
    IcmpProber prober = ProberOf(true, false);
    NoisyResponder responder;
    EXPECT_EQ(prober.PingTest(NoisyResponder::kAddress), kPingAnswered);
    const auto lines = log.TakeMessages();
    EXPECT_EQ(
        std::vector<std::string>(lines.begin(), lines.begin() + std::min<std::size_t>(lines.size(), 4)),
        (std::vector<std::string>{"PingTest recv packet not from dest ip, but from: 127.0.0.1\n", // its own request
                                  "PingTest recv packet not from dest ip, but from: 127.0.0.4\n",
                                  "PingTest recv not icmp packet.\n", "PingTest got replay from ip: 127.0.0.3\n"}));

    // Silent probes running beside probes of the responder see their replies and noise.
    std::atomic<int> silent{0}, answered{0};
    std::vector<std::thread> probes;
    for (int i = 0; i < 3; ++i) {
        probes.emplace_back([&] { silent += prober.PingTest(PrivateLink::kSilentAddress) == kPingSilent ? 1 : 0; });
        probes.emplace_back([&] {
            for (int j = 0; j < 4; ++j) {
                answered += prober.PingTest(NoisyResponder::kAddress) == kPingAnswered ? 1 : 0;
            }
        });
    }
    for (auto& probe : probes) {
        probe.join();
    }
    EXPECT_EQ(silent.load(), 3);
    EXPECT_EQ(answered.load(), 12);
}

} // namespace
} // namespace zk::netcfg

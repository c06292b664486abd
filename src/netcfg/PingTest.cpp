// SPDX-License-Identifier: GPL-3.0-or-later
#include "netcfg/PingTest.h"

#include "base/DebugLog.h"
#include "platform/NetworkAdapters.h"

#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace zk::netcfg {
namespace {

constexpr const char* kTag = "PingTest";
constexpr std::uint8_t kIcmpEchoReply = 0;
constexpr std::uint8_t kIcmpEchoRequest = 8;
constexpr std::size_t kIcmpHeaderBytes = 8;
// Room for the largest IPv4 header (60 bytes) and more than the reply to our 12-byte request.
constexpr std::size_t kReceiveBytes = 256;

std::array<std::uint8_t, kEchoRequestBytes> EchoRequest(std::uint16_t identifier, std::uint16_t sequence) {
    std::array<std::uint8_t, kEchoRequestBytes> message{};
    message[0] = kIcmpEchoRequest;
    message[1] = 0;
    // Identifier and sequence in network byte order; the tick goes in as the machine holds it,
    // since only this host would ever read it back.
    message[4] = static_cast<std::uint8_t>(identifier >> 8);
    message[5] = static_cast<std::uint8_t>(identifier);
    message[6] = static_cast<std::uint8_t>(sequence >> 8);
    message[7] = static_cast<std::uint8_t>(sequence);
    const auto tick = static_cast<std::uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
    std::memcpy(message.data() + kIcmpHeaderBytes, &tick, sizeof(tick));
    const std::uint16_t checksum = InternetChecksum(message.data(), message.size());
    std::memcpy(message.data() + 2, &checksum, sizeof(checksum));
    return message;
}

} // namespace

std::uint16_t InternetChecksum(const std::uint8_t* bytes, std::size_t size) {
    // Summing 16-bit words in memory order gives the checksum in memory order on either byte order.
    std::uint32_t sum = 0;
    std::size_t i = 0;
    for (; i + 1 < size; i += 2) {
        std::uint16_t word = 0;
        std::memcpy(&word, bytes + i, sizeof(word));
        sum += word;
    }
    if (i < size) {
        std::uint16_t word = 0;
        std::memcpy(&word, bytes + i, 1);
        sum += word;
    }
    while ((sum >> 16) != 0) {
        sum = (sum & 0xFFFFu) + (sum >> 16);
    }
    return static_cast<std::uint16_t>(~sum);
}

int IcmpProber::PingTest(const std::string& address) {
    const auto destination = platform::ParseDottedAddress(address);
    if (!destination) {
        return kPingFailed;
    }
    platform::IcmpSocket socket = platform::IcmpSocket::Open(m_options.kinds);
    if (!socket.Valid()) {
        return kPingFailed;
    }
    // The ping socket hands over the ICMP message alone; the raw socket the whole IPv4 packet.
    const bool withIpHeader = socket.Kind() == platform::IcmpSocketKind::Raw;
    using Clock = std::chrono::steady_clock;

    for (int attempt = 0; attempt < m_options.attempts; ++attempt) {
        const auto counter = static_cast<std::uint16_t>(attempt);
        const auto request = EchoRequest(counter, counter);
        if (socket.SendTo(request.data(), request.size(), *destination) != static_cast<long>(request.size())) {
            base::Log("%s sendto failed.\n", kTag);
            return kPingFailed;
        }
        // Read everything that arrives within the attempt's window: on a raw socket other hosts'
        // replies, echo requests and the replies of probes running in parallel arrive here too, and
        // none of them may hide the reply this probe is waiting for.
        const auto deadline = Clock::now() + std::chrono::milliseconds(m_options.waitPerAttemptMs);
        for (;;) {
            const auto remainingMs = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (remainingMs <= 0) {
                break;
            }
            const int ready = socket.WaitReadable(static_cast<int>(remainingMs));
            if (ready == 0) {
                break;
            }
            if (ready < 0) {
                if (errno == EINTR) {
                    continue;
                }
                base::Log("%s select failed.\n", kTag);
                return kPingFailed;
            }
            std::array<std::uint8_t, kReceiveBytes> packet{};
            std::uint32_t source = 0;
            const long received = socket.ReceiveFrom(packet.data(), packet.size(), source);
            if (received == platform::kIcmpErrorReport) {
                // An error message about some packet of this host, perhaps another probe's.
                base::Log("%s recvfrom failed.\n", kTag);
                continue;
            }
            if (received < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) {
                    continue;
                }
                base::Log("%s recvfrom failed.\n", kTag);
                return kPingFailed;
            }
            if (source != *destination) {
                base::Log("%s recv packet not from dest ip, but from: %s\n", kTag,
                          platform::DottedAddress(source).c_str());
                continue;
            }
            const auto length = static_cast<std::size_t>(received);
            const std::size_t headerBytes =
                withIpHeader && length > 0 ? static_cast<std::size_t>(packet[0] & 0x0F) * 4 : 0;
            if (length < headerBytes + kIcmpHeaderBytes) {
                base::Log("%s recv bad length.\n", kTag);
                continue;
            }
            if (packet[headerBytes] == kIcmpEchoReply) {
                base::Log("%s got replay from ip: %s\n", kTag, address.c_str());
                return kPingAnswered;
            }
            base::Log("%s recv not icmp packet.\n", kTag);
        }
    }
    base::Log("%s no replay recv, ip %s is usable.\n", kTag, address.c_str());
    return kPingSilent;
}

} // namespace zk::netcfg

// SPDX-License-Identifier: GPL-3.0-or-later
// The session server with its devices on loopback addresses, reached through plain sockets and
// through the client library.
#include "devsim/SessionServer.h"

#include "base/FixedText.h"
#include "devsim/LoopbackFleet.h"
#include "discovery/SearchMessage.h"
#include "platform/TcpSocket.h"
#include "sdk/NetSdk.h"
#include "sdk/SessionFrame.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <atomic>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

namespace zk::devsim {
namespace {

using namespace std::chrono_literals;
using test::LoopbackFleet;

// A blocking connection with a two-second limit on every read.
platform::UniqueFd Connect(const std::string& address, std::uint16_t port) {
    platform::UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(port);
    ::inet_pton(AF_INET, address.c_str(), &remote.sin_addr);
    // Generous: under a loaded machine the fleet thread may take a while to accept and answer.
    const timeval limit{5, 0};
    ::setsockopt(fd.Get(), SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof(limit));
    if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&remote), sizeof(remote)) != 0) {
        fd.Reset();
    }
    return fd;
}

// The next frame, or nothing when the connection ends or stays silent.
std::optional<sdk::Frame> ReadFrame(int fd, sdk::FrameDecoder& decoder) {
    for (;;) {
        sdk::Frame frame;
        if (decoder.Next(frame) == sdk::FrameDecoder::Status::Frame) {
            return frame;
        }
        char buffer[4096];
        const ssize_t received = ::recv(fd, buffer, sizeof(buffer), 0);
        if (received <= 0) {
            return std::nullopt;
        }
        decoder.Append(std::string_view(buffer, static_cast<std::size_t>(received)));
    }
}

// True when the peer closed the connection (end of stream or reset) within two seconds.
bool Closed(int fd) {
    char byte;
    for (;;) {
        const ssize_t received = ::recv(fd, &byte, 1, 0);
        if (received == 0 || (received < 0 && errno == ECONNRESET)) {
            return true;
        }
        if (received < 0) {
            return false; // timed out
        }
    }
}

TEST(SessionServerTest, EveryDeviceListensOnItsOwnAddressAndCommandPort) {
    LoopbackFleet fleet(3);
    EXPECT_EQ(fleet.Run([](SessionServer& server, RequestHandler&) { return server.ListenerCount(); }), 3u);
    for (int device = 0; device < 3; ++device) {
        platform::UniqueFd fd = Connect(LoopbackFleet::Address(device), LoopbackFleet::kPort);
        ASSERT_TRUE(fd) << device;
        sdk::FrameDecoder decoder;
        const auto challenge = ReadFrame(fd.Get(), decoder);
        ASSERT_TRUE(challenge);
        EXPECT_EQ(challenge->type, sdk::MessageType::Challenge);
    }
    EXPECT_FALSE(Connect("127.0.1.9", LoopbackFleet::kPort)) << "no device there";
}

TEST(SessionServerTest, SearchReplyNamesThePortTheDeviceListensOn) {
    LoopbackFleet fleet(1, {}, [](auto& profiles) { profiles[0].record.PtzPort = 40001; });
    const std::string reply = fleet.Run([](SessionServer&, RequestHandler& handler) {
        const HandleResult result =
            handler.Handle(discovery::BuildSearchRequest(discovery::kCodeSearch, std::nullopt),
                           {{0x7F000001, 0xFF000000}}, Endpoint{0x7F000001, 40000}, SimClock::now());
        return result.replies.empty() ? std::string() : result.replies[0].payload;
    });
    discovery::DeviceRecord record{};
    ASSERT_EQ(discovery::ParseSearchReply(reply, record), discovery::ReplyResult::Accepted);
    EXPECT_EQ(record.PtzPort, 40001);
    EXPECT_TRUE(Connect(LoopbackFleet::Address(0), 40001)) << "the tool logs in where the reply says";
    EXPECT_FALSE(Connect(LoopbackFleet::Address(0), LoopbackFleet::kPort));
}

TEST(SessionServerTest, OversizeFrameClosesOnlyItsConnection) {
    LoopbackFleet fleet(1);
    platform::UniqueFd bad = Connect(LoopbackFleet::Address(0), LoopbackFleet::kPort);
    platform::UniqueFd good = Connect(LoopbackFleet::Address(0), LoopbackFleet::kPort);
    ASSERT_TRUE(bad && good);
    sdk::FrameDecoder badDecoder, goodDecoder;
    ASSERT_TRUE(ReadFrame(bad.Get(), badDecoder));
    ASSERT_TRUE(ReadFrame(good.Get(), goodDecoder));

    std::string header = sdk::EncodeFrame(sdk::MessageType::LoginRequest, 0, {});
    header[12] = 0x40; // 1 GiB announced
    ASSERT_EQ(::send(bad.Get(), header.data(), header.size(), MSG_NOSIGNAL), 16);
    EXPECT_TRUE(Closed(bad.Get()));

    // The other connection is still served: its login gets an answer.
    sdk::LoginRequestMessage login;
    login.user = "admin";
    const std::string frame = sdk::EncodeFrame(sdk::MessageType::LoginRequest, 0, sdk::EncodeLoginRequest(login));
    ASSERT_EQ(::send(good.Get(), frame.data(), frame.size(), MSG_NOSIGNAL), static_cast<ssize_t>(frame.size()));
    const auto result = ReadFrame(good.Get(), goodDecoder);
    ASSERT_TRUE(result);
    EXPECT_EQ(result->type, sdk::MessageType::LoginResult);
    const auto invalid = fleet.RecordLines("invalid");
    ASSERT_EQ(invalid.size(), 1u);
    EXPECT_NE(invalid[0].find("\"reason\":\"invalid frame\""), std::string::npos);
}

TEST(SessionServerTest, MovedDeviceListensOnItsNewAddressAndDropsItsOldConnections) {
    LoopbackFleet fleet(2);
    platform::UniqueFd old = Connect(LoopbackFleet::Address(0), LoopbackFleet::kPort);
    sdk::FrameDecoder decoder;
    ASSERT_TRUE(ReadFrame(old.Get(), decoder));
    // A set-network request over the search protocol, handled as the simulator handles one.
    const bool accepted = fleet.Run([](SessionServer& server, RequestHandler& handler) {
        const SimClock::time_point now = SimClock::now();
        discovery::DeviceRecord record = handler.Device(0).Record(now);
        base::CopyBounded(record.IpAddress, "127.0.2.1");
        const HandleResult result =
            handler.Handle(discovery::BuildSearchRequest(discovery::kCodeSetNetwork,
                                                         discovery::BuildSetNetworkBody(record, std::nullopt)),
                           std::vector<Subnet>{}, Endpoint{0x7F000001, 40000}, now);
        server.Sync(now);
        return result.summary.accepted;
    });
    ASSERT_TRUE(accepted);
    EXPECT_TRUE(Closed(old.Get()));
    EXPECT_FALSE(Connect(LoopbackFleet::Address(0), LoopbackFleet::kPort));
    platform::UniqueFd moved = Connect("127.0.2.1", LoopbackFleet::kPort);
    ASSERT_TRUE(moved);
    sdk::FrameDecoder movedDecoder;
    EXPECT_TRUE(ReadFrame(moved.Get(), movedDecoder));
    EXPECT_TRUE(Connect(LoopbackFleet::Address(1), LoopbackFleet::kPort)) << "the other device stays";
}

TEST(SessionServerTest, RebootFromTheSearchSideLogsTheSessionsOut) {
    LoopbackFleet fleet(1);
    sdk::SessionTimings timings;
    timings.reconnectFirstDelayMs = 60000; // no reconnection within the test
    sdk::NetSdk sdk(timings);
    ASSERT_EQ(sdk.Init(), 0);
    static std::atomic<int> lastEvent{0};
    lastEvent = 0;
    sdk.SetStatusEventCallBack([](int, int event, const char*, int, void*) { lastEvent = event; }, nullptr);
    sdk.SetAutoReconnect(0, 1);
    sdk.Login(LoopbackFleet::Address(0).c_str(), LoopbackFleet::kPort, "admin", "507913", 0);
    for (int i = 0; i < 200 && lastEvent != sdk::kEventLoggedIn; ++i) {
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_EQ(lastEvent, sdk::kEventLoggedIn);
    fleet.Run([](SessionServer& server, RequestHandler& handler) {
        handler.MutableDevice(0).Reboot(SimClock::now(), std::chrono::seconds(30));
        server.Sync(SimClock::now());
        return 0;
    });
    for (int i = 0; i < 200 && lastEvent != sdk::kEventLoggedOutByDevice; ++i) {
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_EQ(lastEvent, sdk::kEventLoggedOutByDevice);
    // While it reboots, the device resets new connections.
    platform::UniqueFd during = Connect(LoopbackFleet::Address(0), LoopbackFleet::kPort);
    ASSERT_TRUE(during);
    EXPECT_TRUE(Closed(during.Get()));
}

// Logins (code 0) and answers (their code) per handle, with their arrival, from the library's thread.
struct Arrivals {
    static void OnStatus(int handle, int event, const char*, int, void* user) {
        if (event == sdk::kEventLoggedIn) {
            static_cast<Arrivals*>(user)->Add(handle, 0);
        }
    }
    static void OnAnswer(int handle, std::uint32_t word, const char*, int, void* user) {
        static_cast<Arrivals*>(user)->Add(handle, sdk::AuxCode(word));
    }
    void Add(int handle, int code) {
        std::lock_guard lock(mutex);
        items[handle].emplace_back(code, SimClock::now());
    }
    // The handle's first count arrivals; fewer after ten seconds.
    std::vector<std::pair<int, SimClock::time_point>> Of(int handle, std::size_t count) {
        for (int i = 0; i < 1000; ++i) {
            std::lock_guard lock(mutex);
            if (items[handle].size() >= count) {
                return items[handle];
            }
            std::this_thread::sleep_for(10ms);
        }
        std::lock_guard lock(mutex);
        return items[handle];
    }
    std::mutex mutex;
    std::map<int, std::vector<std::pair<int, SimClock::time_point>>> items;
};

// Answers wait for the answer delay without holding up the fleet: three devices asked at once
// answer after the delay, together rather than one delay after another; a fourth device logs in
// meanwhile; five answers on one connection keep their order despite the jitter. Catches a delay
// not applied, one that sleeps in the server's loop (answers queue behind each other, the login
// waits), and held answers of one connection overtaking each other.
TEST(SessionServerTest, AnswerDelayHoldsAnswersBackWithoutStallingOtherDevices) {
    constexpr auto kDelay = 1500ms;
    SessionSettings settings;
    settings.answerDelayMs = static_cast<int>(kDelay.count());
    settings.answerJitterMs = 300;
    LoopbackFleet fleet(4, settings);
    Arrivals arrivals;
    sdk::NetSdk sdk;
    ASSERT_EQ(sdk.Init(), 0);
    sdk.SetStatusEventCallBack(&Arrivals::OnStatus, &arrivals);
    sdk.SetAUXResponseCallBack(&Arrivals::OnAnswer, &arrivals);
    auto login = [&](int device) {
        return sdk.Login(LoopbackFleet::Address(device).c_str(), LoopbackFleet::kPort, "admin", "507913", 0);
    };
    const std::vector<int> handles = {login(0), login(1), login(2)};
    for (const int handle : handles) {
        ASSERT_EQ(arrivals.Of(handle, 1).size(), 1u) << "logged in";
    }

    const SimClock::time_point asked = SimClock::now();
    for (const int handle : handles) {
        ASSERT_EQ(sdk.GetDVRConfig(handle, 504, 0, "", 0, 0), 0);
    }
    const std::vector<int> inOrder = {504, 305, 600, 800, 507};
    for (std::size_t i = 1; i < inOrder.size(); ++i) {
        std::this_thread::sleep_for(30ms); // each arrives on its own and draws its own jitter
        ASSERT_EQ(sdk.GetDVRConfig(handles[0], inOrder[i], 0, "", 0, 0), 0);
    }
    const auto late = arrivals.Of(login(3), 1);
    ASSERT_EQ(late.size(), 1u);
    EXPECT_LT(late[0].second - asked, kDelay) << "another device's login waited for the held answers";

    for (const int handle : handles) {
        const std::size_t count = handle == handles[0] ? inOrder.size() : 1;
        const auto answers = arrivals.Of(handle, count + 1);
        ASSERT_EQ(answers.size(), count + 1) << handle;
        for (std::size_t i = 1; i < answers.size(); ++i) {
            EXPECT_EQ(answers[i].first, inOrder[i - 1]) << "answers of one connection keep their order";
            EXPECT_GE(answers[i].second - asked, kDelay) << answers[i].first;
            EXPECT_LT(answers[i].second - asked, 2 * kDelay) << "one after another, the last would take 7 delays";
        }
    }
}

} // namespace
} // namespace zk::devsim

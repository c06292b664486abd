// SPDX-License-Identifier: GPL-3.0-or-later
// The search thread on loopback: its requests go to a device on 127.0.0.1 instead of the broadcast
// address, so these tests never reach a real network.
#include "discovery/SearchEngine.h"

#include "LoopbackDevice.h"
#include "base/FixedText.h"
#include "discovery/SearchMessage.h"
#include "support/LogCapture.h"

#include <arpa/inet.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace zk::discovery {
namespace {

using base::FieldText;
using namespace std::chrono_literals;

std::uint32_t Address(const char* dotted) {
    return *platform::ParseDottedAddress(dotted);
}

// Polls a condition for up to a few seconds.
template <typename Condition>
bool Eventually(Condition condition, std::chrono::milliseconds limit = 5000ms) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < end) {
        if (condition()) {
            return true;
        }
        std::this_thread::sleep_for(10ms);
    }
    return condition();
}

SearchEngine::AdapterSource Adapters(std::vector<const char*> addresses) {
    return [addresses] {
        platform::AdapterMap map;
        for (const char* address : addresses) {
            map[Address(address)] = "lo";
        }
        return map;
    };
}

class SearchEngineTest : public ::testing::Test {
protected:
    SearchDestination To(const test::LoopbackDevice& device) { return {htonl(INADDR_LOOPBACK), device.Port()}; }

    DeviceTable m_table;
};

TEST_F(SearchEngineTest, TwoAdaptersGiveThreeSocketsAndEveryRequestGoesOutOnEach) {
    test::LoopbackDevice device([](const std::string&) { return std::string(); });
    SearchEngine engine(m_table, Adapters({"127.0.0.2", "127.0.0.3"}), To(device));
    ASSERT_EQ(engine.Start(0, AcceptedRootNames("")), kEngineStarted);
    EXPECT_TRUE(Eventually([&] { return device.Requests().size() == 3; }));
    EXPECT_THAT(engine.SocketAddresses(), ::testing::ElementsAre("0.0.0.0", "127.0.0.2", "127.0.0.3"));
    for (const auto& [request, port] : device.Requests()) {
        EXPECT_EQ(request, BuildSearchRequest(kCodeSearch, std::nullopt)) << "the thread asks once at start";
    }
    EXPECT_EQ(engine.Start(0, AcceptedRootNames("")), kEngineAlreadyRunning);
    EXPECT_TRUE(engine.Stop());
    EXPECT_FALSE(engine.Stop());
    EXPECT_TRUE(engine.SocketAddresses().empty());
}

TEST_F(SearchEngineTest, AChosenAdapterIsTheOnlySocket) {
    test::LoopbackDevice device([](const std::string&) { return std::string(); });
    SearchEngine engine(m_table, Adapters({"127.0.0.2", "127.0.0.3"}), To(device));
    ASSERT_EQ(engine.Start(Address("127.0.0.3"), AcceptedRootNames("")), kEngineStarted);
    EXPECT_TRUE(Eventually([&] { return device.Requests().size() == 1; }));
    EXPECT_THAT(engine.SocketAddresses(), ::testing::ElementsAre("127.0.0.3"));
}

TEST_F(SearchEngineTest, RepliesLandInTheTableWithTheLocalAddressOfTheirSocket) {
    test::LoopbackDevice device([](const std::string&) { return test::DeviceReply("SN-A"); });
    SearchEngine engine(m_table, Adapters({}), To(device));
    ASSERT_EQ(engine.Start(0, AcceptedRootNames("")), kEngineStarted);
    ASSERT_TRUE(Eventually([&] { return m_table.Size() == 1; }));
    DeviceRecord stored;
    ASSERT_EQ(m_table.CopyOut("SN-A", &stored, sizeof(stored)), kTableOk);
    EXPECT_EQ(FieldText(stored.LocalIp), "0.0.0.0") << "the wildcard socket stores the wildcard address";
    EXPECT_EQ(FieldText(stored.DeviceType), "NVS-IPCAM-T20_V2");
    EXPECT_EQ(engine.GetStats().repliesStored, 1u);
}

TEST_F(SearchEngineTest, OtherMessagesAndOversizedDatagramsAreLoggedAndIgnored) {
    test::LogCapture log("127.0.0.43");
    test::LoopbackDevice device([](const std::string&) { return std::string(); });
    SearchEngine engine(m_table, Adapters({}), To(device));
    ASSERT_EQ(engine.Start(0, AcceptedRootNames("")), kEngineStarted);
    ASSERT_TRUE(Eventually([&] { return !device.Requests().empty(); }));
    const std::uint16_t port = device.Requests().front().second;
    // Another tool's search request on the same network.
    const std::string otherTool = BuildSearchRequest(kCodeSearch, std::nullopt);
    device.SendTo(port, otherTool);
    device.SendTo(port, test::DeviceReply("SN-BIG") + std::string(6000, ' '));
    ASSERT_TRUE(Eventually([&] { return engine.GetStats().datagramsReceived == 2; }));
    engine.Stop();
    EXPECT_EQ(m_table.Size(), 0u);
    const auto lines = log.TakeMessages();
    EXPECT_THAT(lines, ::testing::Contains("recv message: " + otherTool + "\n"));
    EXPECT_THAT(lines, ::testing::Contains(::testing::StartsWith("datagram of ")));
    EXPECT_THAT(lines, ::testing::Contains("SearchIPCThread(): enter main loop...\n"));
    EXPECT_THAT(lines, ::testing::Contains("SearchIPCThread(): exit main loop\n"));
    EXPECT_THAT(lines, ::testing::Contains("send INADDR_BROADCAST to seach ipc......\r\n"));
}

TEST_F(SearchEngineTest, ClearSerialModeAsksOnceForEveryNewUuid) {
    test::LoopbackDevice device([](const std::string&) { return test::DeviceReply("SN-A", "uuid-7"); });
    std::mutex mutex;
    std::vector<std::string> uuids;
    m_table.SetClearSerialRequest([&](const std::string& uuid) {
        std::lock_guard lock(mutex);
        uuids.push_back(uuid);
    });
    SearchEngine engine(m_table, Adapters({}), To(device));
    engine.SetClearSerialMode(true);
    ASSERT_EQ(engine.Start(0, AcceptedRootNames("")), kEngineStarted);
    engine.QueueRequest(BuildSearchRequest(kCodeSearch, std::nullopt));
    ASSERT_TRUE(Eventually([&] { return engine.GetStats().repliesStored == 2; }));
    engine.Stop();
    std::lock_guard lock(mutex);
    EXPECT_THAT(uuids, ::testing::ElementsAre("uuid-7"));
    EXPECT_EQ(m_table.Size(), 0u);
}

TEST_F(SearchEngineTest, TheRequestQueueIsBoundedAndStoppingIsPrompt) {
    test::LoopbackDevice device([](const std::string&) { return std::string(); });
    SearchEngine engine(m_table, Adapters({"127.0.0.2"}), To(device), 8);
    ASSERT_EQ(engine.Start(0, AcceptedRootNames("")), kEngineStarted);
    const std::string request = BuildSearchRequest(kCodeReboot, BuildCommandBody("SN", false, std::nullopt));
    int refused = 0;
    for (int i = 0; i < 2000; ++i) {
        refused += engine.QueueRequest(request) == kRequestQueueFull ? 1 : 0;
    }
    // A request the queue could not take is reported to the caller, never counted as sent.
    EXPECT_GT(refused, 0);
    EXPECT_EQ(engine.GetStats().requestsDropped, static_cast<std::uint64_t>(refused));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(engine.Stop());
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2500ms) << "a pass sends one request and waits at most 1 s";
    const auto stats = engine.GetStats();
    EXPECT_LE(stats.requestsDropped + stats.requestsSent / 2, 2001u);
}

TEST_F(SearchEngineTest, AWholeBatchOfQueuedRequestsGoesOutWithoutWaitingForReplies) {
    // A batch of 1000 set-network requests is queued at once: every one is taken and each goes out
    // on both sockets without a receive wait of its own (that would take 1000 seconds).
    test::LoopbackDevice device([](const std::string&) { return std::string(); });
    SearchEngine engine(m_table, Adapters({"127.0.0.2"}), To(device));
    ASSERT_EQ(engine.Start(0, AcceptedRootNames("")), kEngineStarted);
    ASSERT_TRUE(Eventually([&] { return device.Requests().size() == 2; })) << "the thread's first search";
    constexpr int kBatch = 1000;
    for (int i = 0; i < kBatch; ++i) {
        const std::string body = "<IPC_SERIALNUMBER SerialNumber=\"SN" + std::to_string(i) + "\" />\r\n";
        ASSERT_EQ(engine.QueueRequest(BuildSearchRequest(kCodeReboot, body)), kRequestTaken);
    }
    EXPECT_TRUE(Eventually([&] { return device.Requests().size() == 2 + 2 * kBatch; }, 5s))
        << device.Requests().size() << " datagrams arrived";
    engine.Stop();
    EXPECT_EQ(engine.GetStats().requestsDropped, 0u);
}

TEST_F(SearchEngineTest, WithoutTheThreadARequestGoesOutOnceOnEverySocket) {
    test::LoopbackDevice device([](const std::string&) { return std::string(); });
    SearchEngine engine(m_table, Adapters({"127.0.0.2"}), To(device));
    const std::string request = BuildSearchRequest(kCodeReboot, BuildCommandBody("SN", false, std::nullopt));
    engine.QueueRequest(request);
    EXPECT_TRUE(Eventually([&] { return device.Requests().size() == 2; }));
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(device.Requests().size(), 2u);
    EXPECT_EQ(device.Requests().front().first, request);
}

} // namespace
} // namespace zk::discovery

// SPDX-License-Identifier: GPL-3.0-or-later
// The client library against simulated devices on loopback addresses, and against hand-made
// devices where the case needs a device that misbehaves at the socket level.
#include "sdk/NetSdk.h"

#include "base/FixedText.h"
#include "devsim/LoopbackFleet.h"
#include "platform/TcpSocket.h"
#include "sdk/AlarmRecord.h"
#include "sdk/SessionFrame.h"
#include "sdk/SessionMessages.h"
#include "support/LogCapture.h"

#include <dirent.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <set>
#include <thread>

namespace zk::sdk {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using test::LoopbackFleet;

// Everything the callbacks delivered, with the thread and time it came on.
class Recorder final {
public:
    struct Item {
        int handle;
        bool status;
        int event;
        std::uint32_t word;
        std::string payload;
        std::thread::id thread;
        Clock::time_point at;
    };

    void Attach(NetSdk& sdk) {
        sdk.SetStatusEventCallBack(&Recorder::OnStatus, this);
        sdk.SetAUXResponseCallBack(&Recorder::OnAux, this);
    }

    static void OnStatus(int handle, int event, const char* payload, int bytes, void* user) {
        static_cast<Recorder*>(user)->Add({handle, true, event, 0,
                                           std::string(payload, static_cast<std::size_t>(bytes)),
                                           std::this_thread::get_id(), Clock::now()});
    }
    static void OnAux(int handle, std::uint32_t word, const char* payload, int bytes, void* user) {
        static_cast<Recorder*>(user)->Add({handle, false, 0, word,
                                           std::string(payload, static_cast<std::size_t>(bytes)),
                                           std::this_thread::get_id(), Clock::now()});
    }

    // Waits until the items satisfy the condition; false after the time limit.
    bool WaitUntil(const std::function<bool(const std::vector<Item>&)>& condition,
                   std::chrono::milliseconds limit = 10s) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, limit, [&] { return condition(m_items); });
    }
    bool WaitForEvent(int handle, int event, int times = 1, std::chrono::milliseconds limit = 10s) {
        return WaitUntil([=](const auto& items) { return Count(items, handle, event) >= times; }, limit);
    }
    bool WaitForAnswer(int handle, int code, std::chrono::milliseconds limit = 10s) {
        return WaitUntil(
            [=](const auto& items) {
                return std::any_of(items.begin(), items.end(), [=](const Item& item) {
                    return !item.status && item.handle == handle && AuxCode(item.word) == code;
                });
            },
            limit);
    }
    std::vector<Item> Items() const {
        std::lock_guard lock(m_mutex);
        return m_items;
    }
    std::vector<Item> Of(int handle) const {
        std::vector<Item> items;
        for (const Item& item : Items()) {
            if (item.handle == handle) {
                items.push_back(item);
            }
        }
        return items;
    }
    std::vector<int> Events(int handle) const {
        std::vector<int> events;
        for (const Item& item : Of(handle)) {
            if (item.status) {
                events.push_back(item.event);
            }
        }
        return events;
    }
    std::optional<Item> Answer(int handle, int code) const {
        for (const Item& item : Of(handle)) {
            if (!item.status && AuxCode(item.word) == code) {
                return item;
            }
        }
        return std::nullopt;
    }
    static int Count(const std::vector<Item>& items, int handle, int event) {
        return static_cast<int>(std::count_if(items.begin(), items.end(), [=](const Item& item) {
            return item.status && item.handle == handle && item.event == event;
        }));
    }

private:
    void Add(Item item) {
        {
            std::lock_guard lock(m_mutex);
            m_items.push_back(std::move(item));
        }
        m_changed.notify_all();
    }

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::vector<Item> m_items;
};

// Short time limits, so that retries and time-outs happen within a test's patience.
SessionTimings FastTimings() {
    SessionTimings timings;
    timings.connectTimeoutMs = 1000;
    timings.loginTimeoutMs = 1000;
    timings.keepAliveIntervalMs = 100;
    timings.keepAliveTimeoutMs = 500;
    timings.requestTimeoutMs = 400;
    timings.reconnectFirstDelayMs = 40;
    timings.reconnectMaxDelayMs = 320;
    return timings;
}

int ThreadCount() {
    int count = 0;
    if (DIR* tasks = ::opendir("/proc/self/task")) {
        while (const dirent* entry = ::readdir(tasks)) {
            count += entry->d_name[0] != '.' ? 1 : 0;
        }
        ::closedir(tasks);
    }
    return count;
}

// A device that is no device: it accepts connections on 127.0.0.2 and lets the test act on them.
class RawDevice final {
public:
    RawDevice() : m_listener(platform::ListenTcp(0x7F000002, 0, 8)) {
        std::uint32_t address = 0;
        platform::LocalEndpoint(m_listener.Get(), address, m_port);
    }
    std::uint16_t Port() const { return m_port; }
    // Waits for the next connection, blocking for at most two seconds.
    platform::UniqueFd Accept() {
        for (int i = 0; i < 200; ++i) {
            platform::UniqueFd fd = platform::AcceptTcp(m_listener.Get(), nullptr, nullptr);
            if (fd) {
                return fd;
            }
            std::this_thread::sleep_for(10ms);
        }
        return {};
    }
    // Reads until a whole frame arrived (two seconds at most); the bytes read go to raw.
    static std::optional<Frame> ReadFrame(int fd, std::string& raw) {
        FrameDecoder decoder;
        decoder.Append(raw);
        for (int i = 0; i < 200; ++i) {
            Frame frame;
            if (decoder.Next(frame) == FrameDecoder::Status::Frame) {
                return frame;
            }
            char buffer[4096];
            const ssize_t received = ::recv(fd, buffer, sizeof(buffer), MSG_DONTWAIT);
            if (received > 0) {
                raw.append(buffer, static_cast<std::size_t>(received));
                decoder.Append(std::string_view(buffer, static_cast<std::size_t>(received)));
            } else {
                std::this_thread::sleep_for(10ms);
            }
        }
        return std::nullopt;
    }

private:
    platform::UniqueFd m_listener;
    std::uint16_t m_port = 0;
};

class NetSdkTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_recorder.Attach(m_sdk);
        ASSERT_EQ(m_sdk.Init(), 0);
    }

    int LoginTo(int device, const char* password = "507913") {
        return m_sdk.Login(LoopbackFleet::Address(device).c_str(), LoopbackFleet::kPort, "admin", password, 0);
    }

    // The library goes first, so that no callback reaches a recorder that is gone.
    Recorder m_recorder;
    NetSdk m_sdk{FastTimings()};
};

TEST_F(NetSdkTest, LoginReturnsAHandleAtOnceAndTheDeviceAnswersByCode) {
    LoopbackFleet fleet(2);
    const int handle = LoginTo(0);
    ASSERT_GT(handle, 0);
    ASSERT_TRUE(m_recorder.WaitForEvent(handle, kEventLoggedIn));
    ASSERT_EQ(m_sdk.SystemControl(handle, 1012, 0, "RESPONSE_PARAM"), 0);
    ASSERT_EQ(m_sdk.GetDVRConfig(handle, 305, 0, "", 0, 0), 0);
    const std::string language = "<MiscConfig Language=\"en-us\" />";
    ASSERT_EQ(m_sdk.SetDVRConfig(handle, 227, 0, language.c_str(), static_cast<int>(language.size())), 0);
    ASSERT_EQ(m_sdk.SetDevcieConfig(handle, 829, "<Wrong />", 8), 0);
    ASSERT_TRUE(m_recorder.WaitForAnswer(handle, 829));

    const auto fileSystem = m_recorder.Answer(handle, 1012);
    ASSERT_TRUE(fileSystem);
    EXPECT_EQ(fileSystem->word, PackAuxWord(1012, kResultOk));
    EXPECT_EQ(fileSystem->payload, "<RESPONSE_PARAM FileSystemVersion=\"V5.3.2.20240815\"/>");
    EXPECT_NE(m_recorder.Answer(handle, 305)->payload.find("IPAddress=\"127.0.1.1\""), std::string::npos);
    EXPECT_EQ(m_recorder.Answer(handle, 227)->word, PackAuxWord(227, kResultOk));
    EXPECT_EQ(m_recorder.Answer(handle, 829)->word, PackAuxWord(829, kResultBadRequest));
    EXPECT_EQ(fleet.Run([](devsim::SessionServer&, devsim::RequestHandler& fleet) {
        return fleet.Device(0).Config().Value("SystemConfig/MiscConfig", "Language");
    }),
              "en-us");
    // Every callback ran on the library's thread.
    for (const Recorder::Item& item : m_recorder.Items()) {
        EXPECT_NE(item.thread, std::this_thread::get_id());
    }
}

TEST_F(NetSdkTest, BadArgumentsAreRefusedAndUnknownHandlesFail) {
    EXPECT_EQ(m_sdk.Login(nullptr, 34567, "admin", "x", 0), kErrorBadArgument);
    EXPECT_EQ(m_sdk.Login("192.168.1", 34567, "admin", "x", 0), kErrorBadArgument);
    EXPECT_EQ(m_sdk.Login("127.0.1.1", 0, "admin", "x", 0), kErrorBadArgument);
    EXPECT_EQ(m_sdk.Login("127.0.1.1", 34567, "", "x", 0), kErrorBadArgument);
    EXPECT_EQ(m_sdk.Login("127.0.1.1", 34567, std::string(64, 'u').c_str(), "x", 0), kErrorBadArgument);
    EXPECT_EQ(m_sdk.Login("127.0.1.1", 34567, "admin", std::string(64, 'p').c_str(), 0), kErrorBadArgument);
    EXPECT_EQ(m_sdk.Login("127.0.1.1", 34567, "admin", nullptr, 0), kErrorBadArgument);
    EXPECT_EQ(m_sdk.Logout(12345), kErrorFailed);
    EXPECT_EQ(m_sdk.SetAutoReconnect(12345, 1), kErrorFailed);
    EXPECT_EQ(m_sdk.SystemControl(12345, 1012, 0, "RESPONSE_PARAM"), kErrorFailed);
    EXPECT_EQ(m_sdk.SystemControl(1, 0x1000000, 0, ""), kErrorBadArgument);
    EXPECT_EQ(m_sdk.SetDVRConfig(1, 222, 0, nullptr, 5), kErrorBadArgument);
    EXPECT_EQ(m_sdk.SetDVRConfig(1, 222, 0, "x", -1), kErrorBadArgument);
    EXPECT_EQ(m_sdk.GetDVRConfig(1, -1, 0, "", 0, 0), kErrorBadArgument);

    NetSdk notStarted;
    EXPECT_EQ(notStarted.Login("127.0.1.1", 34567, "admin", "x", 0), kErrorFailed);
}

TEST_F(NetSdkTest, RequestsBeforeTheLoginCompletesFail) {
    RawDevice raw; // accepts, but never sends a challenge
    const int handle = m_sdk.Login("127.0.0.2", raw.Port(), "admin", "507913", 0);
    ASSERT_GT(handle, 0);
    platform::UniqueFd connection = raw.Accept();
    ASSERT_TRUE(connection);
    EXPECT_EQ(m_sdk.RebootDVR(handle), kErrorFailed);
    EXPECT_EQ(m_sdk.SystemControl(handle, 1012, 0, ""), kErrorFailed);
    ASSERT_TRUE(m_recorder.WaitForEvent(handle, kEventCannotConnect)) << "no login answer in time";
}

TEST_F(NetSdkTest, WrongPasswordGivesEvent31AndIsNeverRetried) {
    LoopbackFleet fleet(1);
    m_sdk.SetAutoReconnect(0, 1);
    const int handle = LoginTo(0, "wrong");
    ASSERT_TRUE(m_recorder.WaitForEvent(handle, kEventWrongPassword));
    EXPECT_EQ(m_sdk.SetAutoReconnect(handle, 1), 0);
    std::this_thread::sleep_for(600ms); // many times the first retry delay
    EXPECT_EQ(fleet.RecordLines("login").size(), 1u) << "one attempt only";
    EXPECT_EQ(m_recorder.Events(handle), std::vector<int>{kEventWrongPassword});
    EXPECT_NE(fleet.RecordLines("login")[0].find("\"reason\":\"wrong user or password\""), std::string::npos);
}

TEST_F(NetSdkTest, UnreachableDeviceGivesEvent3AndIsRetriedWithGrowingDelays) {
    m_sdk.SetAutoReconnect(0, 1);
    // Nothing listens on 127.0.1.1 in this test's network: every attempt is refused.
    const int handle = LoginTo(0);
    ASSERT_TRUE(m_recorder.WaitForEvent(handle, kEventCannotConnect, 6));
    std::vector<Clock::time_point> times;
    for (const Recorder::Item& item : m_recorder.Of(handle)) {
        times.push_back(item.at);
    }
    std::vector<double> gapsMs;
    for (std::size_t i = 1; i < 6; ++i) {
        gapsMs.push_back(std::chrono::duration<double, std::milli>(times[i] - times[i - 1]).count());
    }
    // 40, 80, 160, 320, 320 ms, each within 10 % jitter (and some scheduling delay).
    EXPECT_GT(gapsMs[1], gapsMs[0] * 1.4);
    EXPECT_GT(gapsMs[2], gapsMs[1] * 1.4);
    EXPECT_GT(gapsMs[3], gapsMs[2] * 1.4);
    EXPECT_LT(gapsMs[4], 320 * 1.1 + 100) << "the delay stops growing at its maximum";

    const int noRetry = m_sdk.Login("127.0.1.2", LoopbackFleet::kPort, "admin", "x", 0);
    m_sdk.SetAutoReconnect(noRetry, 0);
    ASSERT_TRUE(m_recorder.WaitForEvent(noRetry, kEventCannotConnect));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(m_recorder.Events(noRetry), std::vector<int>{kEventCannotConnect}) << "reconnecting is off";
}

TEST_F(NetSdkTest, DeviceRestartGivesEvent2ThenLogsInAgain) {
    LoopbackFleet fleet(1);
    m_sdk.SetAutoReconnect(0, 1);
    const int handle = LoginTo(0);
    ASSERT_TRUE(m_recorder.WaitForEvent(handle, kEventLoggedIn));
    fleet.Stop();
    ASSERT_TRUE(m_recorder.WaitForEvent(handle, kEventConnectionLost));
    EXPECT_EQ(m_sdk.SystemControl(handle, 1012, 0, ""), kErrorFailed);
    ASSERT_TRUE(fleet.Start());
    ASSERT_TRUE(m_recorder.WaitForEvent(handle, kEventLoggedIn, 2));
    ASSERT_EQ(m_sdk.SystemControl(handle, 1012, 0, ""), 0);
    EXPECT_TRUE(m_recorder.WaitForAnswer(handle, 1012));
}

TEST_F(NetSdkTest, RebootEndsTheSessionWithEvent34AndItComesBackAfterTheSilence) {
    devsim::SessionSettings settings;
    settings.rebootSeconds = 1;
    LoopbackFleet fleet(1, settings);
    m_sdk.SetAutoReconnect(0, 1);
    const int handle = LoginTo(0);
    ASSERT_TRUE(m_recorder.WaitForEvent(handle, kEventLoggedIn));
    ASSERT_EQ(m_sdk.RebootDVR(handle), 0);
    ASSERT_TRUE(m_recorder.WaitForEvent(handle, kEventLoggedOutByDevice));
    ASSERT_TRUE(m_recorder.WaitForEvent(handle, kEventLoggedIn, 2, 5s));
    const std::vector<int> events = m_recorder.Events(handle);
    // While the device reboots its port refuses connections.
    EXPECT_GE(std::count(events.begin(), events.end(), kEventCannotConnect), 1);
    EXPECT_NE(fleet.RecordLines("request")[0].find("\"operation\":\"RebootDVR\""), std::string::npos);
}

// PTZPreset end to end: arguments the library refuses never reach the device; a recall of a preset
// never stored is refused by the device and only logged; a stored preset is kept and recalled.
// Catches a wrong encoding of the record, a missed argument check, and answers that leak into the
// answer callback.
TEST_F(NetSdkTest, PtzPresetStoresAndRecallsAndTheDevicesRefusalIsLogged) {
    test::LogCapture log("127.0.0.71");
    LoopbackFleet fleet(1);
    const int handle = LoginTo(0);
    ASSERT_TRUE(m_recorder.WaitForEvent(handle, kEventLoggedIn));
    EXPECT_EQ(m_sdk.PTZPreset(handle, 7, 200), kErrorBadArgument);
    EXPECT_EQ(m_sdk.PTZPreset(handle, kPtzSetPreset, 0), kErrorBadArgument);
    EXPECT_EQ(m_sdk.PTZPreset(handle, kPtzSetPreset, 256), kErrorBadArgument);
    EXPECT_EQ(m_sdk.PTZPreset(handle, kPtzGotoPreset, -1), kErrorBadArgument);
    EXPECT_EQ(m_sdk.PTZPreset(12345, kPtzSetPreset, 200), kErrorFailed);

    ASSERT_EQ(m_sdk.PTZPreset(handle, kPtzGotoPreset, 200), 0) << "sent; the device decides";
    ASSERT_EQ(m_sdk.PTZPreset(handle, kPtzSetPreset, 200), 0);
    ASSERT_EQ(m_sdk.PTZPreset(handle, kPtzSetPreset, 255), 0);
    ASSERT_EQ(m_sdk.PTZPreset(handle, kPtzGotoPreset, 200), 0);
    std::vector<std::string> messages;
    const auto failureLogged = [&messages] {
        return std::any_of(messages.begin(), messages.end(), [](const std::string& message) {
            return message.find(": PTZPreset failed with result 1") != std::string::npos;
        });
    };
    for (int i = 0; i < 250 && (fleet.RecordLines("request").size() < 4 || !failureLogged()); ++i) {
        const auto more = log.TakeMessages();
        messages.insert(messages.end(), more.begin(), more.end());
    }
    EXPECT_TRUE(failureLogged());

    const auto requests = fleet.RecordLines("request");
    ASSERT_EQ(requests.size(), 4u);
    EXPECT_NE(requests[0].find("\"operation\":\"PTZPreset\",\"code\":0,\"channel\":0,\"result\":1"), std::string::npos)
        << requests[0];
    EXPECT_NE(requests[0].find("\"payload\":\"command 39 preset 200\",\"payloadHex\":\"2700c8\""), std::string::npos)
        << requests[0];
    for (std::size_t i = 1; i < 4; ++i) {
        EXPECT_NE(requests[i].find("\"result\":0"), std::string::npos) << requests[i];
    }
    const auto stored = fleet.Run([](devsim::SessionServer&, devsim::RequestHandler& devices) {
        const devsim::DeviceConfig& config = devices.Device(0).Config();
        return std::vector<bool>{config.IsPresetStored(200), config.IsPresetStored(255), config.IsPresetStored(1),
                                 config.Value("PTZConfig", "Current") == "200"};
    });
    EXPECT_EQ(stored, (std::vector<bool>{true, true, false, true}));
    for (const Recorder::Item& item : m_recorder.Of(handle)) {
        EXPECT_TRUE(item.status) << "direct requests have no answer callback";
    }
}

// A new password (with a quote, an ampersand and a code page 936 character, escaped in the XML as
// the tool sends it) becomes the login password: a later login with it succeeds and one with the
// old password is refused. Catches a device that keeps logging in with the old key, or that keeps
// the escaped text as the password.
TEST_F(NetSdkTest, PasswordChangeTakesEffectForTheNextLogin) {
    LoopbackFleet fleet(1);
    const int handle = LoginTo(0);
    ASSERT_TRUE(m_recorder.WaitForEvent(handle, kEventLoggedIn));
    const std::string newPassword = "pw\"7&\xD6\xD0";
    const std::string request = "<UserConfig><Account Username=\"admin\" Password=\"pw&quot;7&amp;\xD6\xD0\" "
                                "Group=\"Administrator\" Status=\"Enable\" /></UserConfig>";
    ASSERT_EQ(m_sdk.SetDVRConfig(handle, 223, 0, request.c_str(), static_cast<int>(request.size())), 0);
    ASSERT_TRUE(m_recorder.WaitForAnswer(handle, 223));
    EXPECT_EQ(m_recorder.Answer(handle, 223)->word, PackAuxWord(223, kResultOk));

    const int withNew = LoginTo(0, newPassword.c_str());
    const int withOld = LoginTo(0, "507913");
    EXPECT_TRUE(m_recorder.WaitForEvent(withNew, kEventLoggedIn));
    EXPECT_TRUE(m_recorder.WaitForEvent(withOld, kEventWrongPassword));
    EXPECT_EQ(m_recorder.Events(handle), std::vector<int>{kEventLoggedIn}) << "the session that changed it stays";
    const auto searchPassword = fleet.Run([](devsim::SessionServer&, devsim::RequestHandler& devices) {
        return std::string(base::FieldText(devices.Device(0).Record(devsim::SimClock::now()).Password));
    });
    EXPECT_EQ(searchPassword, newPassword) << "search replies show the account the login checks";
}

TEST_F(NetSdkTest, AlarmFromTheDeviceArrivesAsEvent23) {
    LoopbackFleet fleet(2);
    const int first = LoginTo(0);
    const int second = LoginTo(1);
    ASSERT_TRUE(m_recorder.WaitForEvent(first, kEventLoggedIn));
    ASSERT_TRUE(m_recorder.WaitForEvent(second, kEventLoggedIn));
    AlarmRecord alarm{};
    alarm.AlarmCode = 33;
    const int reached = fleet.Run([&alarm](devsim::SessionServer& server, devsim::RequestHandler&) {
        return server.PushEvent(std::size_t{1}, EventMessage{23, EncodeAlarmRecord(alarm)});
    });
    EXPECT_EQ(reached, 1);
    ASSERT_TRUE(m_recorder.WaitForEvent(second, kEventAlarm));
    const auto items = m_recorder.Of(second);
    AlarmRecord received{};
    ASSERT_EQ(items.back().payload.size(), sizeof(received));
    std::memcpy(&received, items.back().payload.data(), sizeof(received));
    EXPECT_EQ(received.AlarmCode, 33);
    EXPECT_EQ(m_recorder.Events(first), std::vector<int>{kEventLoggedIn}) << "only the device's own sessions";
}

TEST_F(NetSdkTest, OversizeFrameEndsOnlyItsOwnSession) {
    LoopbackFleet fleet(1);
    RawDevice raw;
    const int good = LoginTo(0);
    const int bad = m_sdk.Login("127.0.0.2", raw.Port(), "admin", "507913", 0);
    ASSERT_TRUE(m_recorder.WaitForEvent(good, kEventLoggedIn));
    platform::UniqueFd connection = raw.Accept();
    ASSERT_TRUE(connection);
    std::string header = EncodeFrame(MessageType::Challenge, 0, {});
    header[12] = 0x10; // 256 MiB announced
    ASSERT_EQ(::send(connection.Get(), header.data(), header.size(), MSG_NOSIGNAL), 16);
    ASSERT_TRUE(m_recorder.WaitForEvent(bad, kEventCannotConnect));
    ASSERT_EQ(m_sdk.SystemControl(good, 1019, 0, "RESPONSE_PARAM"), 0);
    ASSERT_TRUE(m_recorder.WaitForAnswer(good, 1019));
    EXPECT_EQ(m_recorder.Events(good), std::vector<int>{kEventLoggedIn});
    EXPECT_EQ(m_recorder.Answer(good, 1019)->payload, "<RESPONSE_PARAM SerialNumber=\"ZKSIM000001\"/>");
}

TEST_F(NetSdkTest, LoginBytesCarryNoPassword) {
    RawDevice raw;
    const std::string password = "Gate-7-Pass";
    const int handle = m_sdk.Login("127.0.0.2", raw.Port(), "admin", password.c_str(), 0);
    ASSERT_GT(handle, 0);
    platform::UniqueFd connection = raw.Accept();
    ASSERT_TRUE(connection);
    ChallengeMessage challenge;
    challenge.nonce.fill(0x5A);
    challenge.salt.fill(0x33);
    challenge.iterations = kMinKeyIterations;
    const std::string frame = EncodeFrame(MessageType::Challenge, 0, EncodeChallenge(challenge));
    ASSERT_EQ(::send(connection.Get(), frame.data(), frame.size(), MSG_NOSIGNAL), static_cast<ssize_t>(frame.size()));
    std::string captured;
    const auto login = RawDevice::ReadFrame(connection.Get(), captured);
    ASSERT_TRUE(login);
    ASSERT_EQ(login->type, MessageType::LoginRequest);
    EXPECT_EQ(captured.find(password), std::string::npos);
    EXPECT_EQ(captured.find("Gate-7"), std::string::npos);
    // What was sent instead proves the password without revealing it.
    LoginRequestMessage request;
    ASSERT_EQ(ParseLoginRequest(login->payload, request), 0);
    LoginKey key{};
    ASSERT_EQ(DeriveLoginKey(password, challenge.salt, challenge.iterations, key), 0);
    EXPECT_TRUE(ProofsEqual(request.proof, ClientProof(key, challenge.nonce, request.clientNonce, "admin")));
}

TEST_F(NetSdkTest, SilentDeviceTimesOutRequestsAndTheSession) {
    LoopbackFleet fleet(1, {}, [](auto& profiles) { profiles[0].bad.Add(devsim::BadKind::SessionStall); });
    const int handle = LoginTo(0);
    ASSERT_TRUE(m_recorder.WaitForEvent(handle, kEventLoggedIn));
    ASSERT_EQ(m_sdk.SystemControl(handle, 1012, 0, ""), 0);
    ASSERT_TRUE(m_recorder.WaitForAnswer(handle, 1012));
    EXPECT_EQ(m_recorder.Answer(handle, 1012)->word, PackAuxWord(1012, kResultNoAnswer));
    ASSERT_TRUE(m_recorder.WaitForEvent(handle, kEventKeepAliveTimeout));
}

TEST_F(NetSdkTest, DroppingAndGarbageDevicesLoseTheConnection) {
    LoopbackFleet fleet(2, {}, [](auto& profiles) {
        profiles[0].bad.Add(devsim::BadKind::SessionDrop);
        profiles[1].bad.Add(devsim::BadKind::SessionGarbage);
    });
    for (const int device : {0, 1}) {
        const int handle = LoginTo(device);
        ASSERT_TRUE(m_recorder.WaitForEvent(handle, kEventLoggedIn));
        ASSERT_EQ(m_sdk.GetDVRConfig(handle, 504, 0, "", 0, 0), 0);
        ASSERT_TRUE(m_recorder.WaitForEvent(handle, kEventConnectionLost)) << device;
        ASSERT_TRUE(m_recorder.WaitForAnswer(handle, 504));
        EXPECT_EQ(m_recorder.Answer(handle, 504)->word, PackAuxWord(504, kResultNoAnswer)) << device;
    }
}

TEST_F(NetSdkTest, RefusingDeviceGivesEvent3) {
    LoopbackFleet fleet(1, {}, [](auto& profiles) { profiles[0].bad.Add(devsim::BadKind::SessionRefuse); });
    m_sdk.SetAutoReconnect(0, 1);
    const int handle = LoginTo(0);
    ASSERT_TRUE(m_recorder.WaitForEvent(handle, kEventCannotConnect, 2));
    EXPECT_TRUE(fleet.RecordLines("login").empty());
}

TEST_F(NetSdkTest, LogoutTellsTheDeviceAndEndsTheEvents) {
    LoopbackFleet fleet(3);
    std::vector<int> handles;
    for (int device = 0; device < 3; ++device) {
        handles.push_back(LoginTo(device));
    }
    for (const int handle : handles) {
        ASSERT_TRUE(m_recorder.WaitForEvent(handle, kEventLoggedIn));
    }
    EXPECT_EQ(m_sdk.LoggedInCount(), 3u);
    EXPECT_EQ(m_sdk.Logout(handles[0]), 0);
    EXPECT_EQ(m_sdk.Logout(handles[0]), kErrorFailed) << "a handle is gone after its logout";
    EXPECT_EQ(m_sdk.LogoutAll(), 0);
    EXPECT_EQ(m_sdk.SessionCount(), 0u);
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(fleet.RecordLines("logout").size(), 3u);
    for (const int handle : handles) {
        EXPECT_EQ(m_recorder.Events(handle), std::vector<int>{kEventLoggedIn}) << "nothing after the logout";
    }
    const int next = LoginTo(0);
    EXPECT_GT(next, handles.back()) << "handles are never reused";
}

TEST_F(NetSdkTest, OneThreadCarriesEverySession) {
    NetSdk another;
    const int withoutLibrary = ThreadCount();
    ASSERT_EQ(another.Init(), 0);
    EXPECT_EQ(ThreadCount(), withoutLibrary + 1);

    LoopbackFleet fleet(20);
    const int before = ThreadCount();
    std::vector<int> handles;
    for (int device = 0; device < 20; ++device) {
        handles.push_back(LoginTo(device));
    }
    for (const int handle : handles) {
        ASSERT_TRUE(m_recorder.WaitForEvent(handle, kEventLoggedIn));
    }
    EXPECT_EQ(ThreadCount(), before);
    std::set<std::thread::id> threads;
    for (const Recorder::Item& item : m_recorder.Items()) {
        threads.insert(item.thread);
    }
    EXPECT_EQ(threads.size(), 1u);
}

} // namespace
} // namespace zk::sdk

// SPDX-License-Identifier: GPL-3.0-or-later
// Fifty simulated devices in a private network namespace, reached through the client library as
// the tool reaches them: run by session-fleet.sh through scripts/netns-run, which starts zkdevsim
// beside this program and passes its record file and process id.
#include "sdk/AlarmRecord.h"
#include "sdk/NetSdk.h"

#include <signal.h>

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <mutex>
#include <set>
#include <string>

namespace zk::sdk {
namespace {

using namespace std::chrono_literals;

constexpr int kDevices = 50;

std::string DeviceAddress(int index) {
    return "192.168.1." + std::to_string(10 + index);
}

// What arrived per handle, behind a lock, with a way to wait for it.
class Fleet final {
public:
    static void OnStatus(int handle, int event, const char* payload, int bytes, void* user) {
        auto* fleet = static_cast<Fleet*>(user);
        std::lock_guard lock(fleet->m_mutex);
        fleet->m_events[handle].push_back(event);
        if (event == kEventAlarm && bytes == static_cast<int>(sizeof(AlarmRecord))) {
            AlarmRecord alarm{};
            std::memcpy(&alarm, payload, sizeof(alarm));
            fleet->m_alarmCodes[handle] = alarm.AlarmCode;
        }
        fleet->m_changed.notify_all();
    }
    static void OnAux(int handle, std::uint32_t word, const char* payload, int bytes, void* user) {
        auto* fleet = static_cast<Fleet*>(user);
        std::lock_guard lock(fleet->m_mutex);
        fleet->m_answers[handle][AuxCode(word)] = {AuxResult(word),
                                                   std::string(payload, static_cast<std::size_t>(bytes))};
        fleet->m_changed.notify_all();
    }

    // Waits until every handle satisfies the condition; false after the limit.
    template <typename Condition>
    bool WaitAll(const std::vector<int>& handles, Condition condition, std::chrono::seconds limit) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, limit, [&] {
            return std::all_of(handles.begin(), handles.end(), [&](int handle) { return condition(handle); });
        });
    }
    bool HasEvent(int handle, int event) const {
        const auto found = m_events.find(handle);
        return found != m_events.end() &&
               std::find(found->second.begin(), found->second.end(), event) != found->second.end();
    }
    bool HasAnswer(int handle, int code) const {
        const auto found = m_answers.find(handle);
        return found != m_answers.end() && found->second.count(code) != 0;
    }
    std::pair<int, std::string> Answer(int handle, int code) {
        std::lock_guard lock(m_mutex);
        return m_answers[handle][code];
    }
    int AlarmCode(int handle) {
        std::lock_guard lock(m_mutex);
        return m_alarmCodes[handle];
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<int, std::vector<int>> m_events;
    std::map<int, std::map<int, std::pair<int, std::string>>> m_answers;
    std::map<int, int> m_alarmCodes;
};

std::vector<std::string> RecordLines(const std::string& message) {
    const char* path = std::getenv("ZK_SIM_RECORD");
    std::ifstream file(path != nullptr ? path : "");
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) {
        if (line.find("\"protocol\":\"session\"") != std::string::npos &&
            line.find("\"message\":\"" + message + "\"") != std::string::npos) {
            lines.push_back(line);
        }
    }
    return lines;
}

TEST(SessionFleetTest, LogsInToFiftyDevicesAndEachAnswers1012) {
    ASSERT_NE(std::getenv("ZK_NS_TOOL"), nullptr) << "run through session-fleet.sh (scripts/netns-run)";
    Fleet fleet;
    NetSdk sdk;
    ASSERT_EQ(sdk.Init(), 0);
    sdk.SetStatusEventCallBack(&Fleet::OnStatus, &fleet);
    sdk.SetAUXResponseCallBack(&Fleet::OnAux, &fleet);
    sdk.SetAutoReconnect(0, 1);

    std::vector<int> handles;
    for (int i = 0; i < kDevices; ++i) {
        const int handle = sdk.Login(DeviceAddress(i).c_str(), 34567, "admin", "507913", 0);
        ASSERT_GT(handle, 0);
        sdk.SetAutoReconnect(handle, 1);
        handles.push_back(handle);
    }
    ASSERT_TRUE(fleet.WaitAll(
        handles, [&](int h) { return fleet.HasEvent(h, kEventLoggedIn); }, 30s));
    EXPECT_EQ(sdk.LoggedInCount(), static_cast<std::size_t>(kDevices));

    for (const int handle : handles) {
        ASSERT_EQ(sdk.SystemControl(handle, 1012, 0, "RESPONSE_PARAM"), 0);
        ASSERT_EQ(sdk.SystemControl(handle, 1019, 0, "RESPONSE_PARAM"), 0);
    }
    ASSERT_TRUE(fleet.WaitAll(
        handles, [&](int h) { return fleet.HasAnswer(h, 1012) && fleet.HasAnswer(h, 1019); }, 30s));
    for (int i = 0; i < kDevices; ++i) {
        const auto [result, payload] = fleet.Answer(handles[i], 1012);
        EXPECT_EQ(result, kResultOk);
        EXPECT_EQ(payload, "<RESPONSE_PARAM FileSystemVersion=\"V5.3.2.20240815\"/>");
        char serial[32];
        std::snprintf(serial, sizeof(serial), "ZKSIM%06d", i + 1);
        EXPECT_EQ(fleet.Answer(handles[i], 1019).second,
                  std::string("<RESPONSE_PARAM SerialNumber=\"") + serial + "\"/>")
            << "each address is its own device";
    }

    // The simulator pushes an alarm to every logged-in session on SIGUSR1.
    const char* simulator = std::getenv("ZK_SIM_PID");
    ASSERT_NE(simulator, nullptr);
    ASSERT_EQ(::kill(std::atoi(simulator), SIGUSR1), 0);
    ASSERT_TRUE(fleet.WaitAll(
        handles, [&](int h) { return fleet.HasEvent(h, kEventAlarm); }, 10s));
    EXPECT_EQ(fleet.AlarmCode(handles[0]), 14);

    const auto logins = RecordLines("login");
    EXPECT_EQ(logins.size(), static_cast<std::size_t>(kDevices));
    std::set<std::string> devices;
    for (const std::string& line : RecordLines("request")) {
        if (line.find("\"code\":1012,") != std::string::npos) {
            devices.insert(line.substr(line.find("\"device\":"), 21));
        }
    }
    EXPECT_EQ(devices.size(), static_cast<std::size_t>(kDevices)) << "the simulator recorded each request";
    EXPECT_EQ(sdk.LogoutAll(), 0);
}

} // namespace
} // namespace zk::sdk

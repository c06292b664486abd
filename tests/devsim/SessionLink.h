// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "devsim/DeviceSession.h"
#include "devsim/SimDevice.h"
#include "sdk/ClientSession.h"

#include <memory>
#include <random>
#include <string>
#include <vector>

namespace zk::test {

// A generated device (number 1, 192.168.1.10, account admin / 507913) as the simulator makes one.
devsim::DeviceProfile TestProfile(int number = 1);

// A client session and a simulated device's session joined in memory: whatever one side sends is
// handed to the other at once, on a clock the test moves. No sockets, no threads.
class SessionLink final {
public:
    explicit SessionLink(std::string password = "507913", devsim::SessionSettings settings = {},
                         sdk::SessionTimings timings = {}, devsim::DeviceProfile profile = TestProfile());

    // A new connection: the device's challenge and, from there, the login run to their end.
    void Connect();
    void Advance(std::chrono::milliseconds time);
    void Tick();
    // A request through the client; returns the client's result.
    int Request(const sdk::RequestMessage& request, bool report = true);
    // Bytes as if the device had sent them.
    void FromDevice(std::string_view bytes);

    devsim::SimDevice& Device() { return m_device; }
    devsim::DeviceSession* DeviceSide() { return m_deviceSide.get(); }
    sdk::ClientSession& Client() { return m_client; }
    sdk::SdkClock::time_point Now() const { return m_now; }

    // What the client reported so far.
    std::vector<sdk::ClientNotice> notices;
    std::vector<int> StatusEvents() const;
    std::vector<std::uint32_t> AnswerWords() const;
    bool ended = false;
    bool retry = false;
    std::string endReason;
    // What the device side did.
    std::vector<devsim::SessionSummary> records;
    devsim::DeviceAction action = devsim::DeviceAction::None;
    bool deviceClosed = false;
    // Every byte the client sent.
    std::string clientBytes;

private:
    void ToClient(std::string_view bytes);
    void ToDevice(std::string_view bytes);
    void TakeClient(sdk::ClientOutput& out);
    void TakeDevice(devsim::DeviceOutput& out);

    devsim::SessionSettings m_settings;
    std::mt19937_64 m_random{7};
    devsim::SimDevice m_device;
    sdk::ClientSession m_client;
    std::unique_ptr<devsim::DeviceSession> m_deviceSide;
    sdk::SdkClock::time_point m_now = sdk::SdkClock::now();
};

} // namespace zk::test

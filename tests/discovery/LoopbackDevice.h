// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "discovery/DeviceRecord.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zk::test {

// A device on a loopback address for engine tests: it receives requests on its own port and
// answers each with whatever the test's answer function gives (nothing for an empty text), sent
// back to the requesting socket. Everything stays on 127.0.0.1.
class LoopbackDevice final {
public:
    using Answer = std::function<std::string(const std::string& request)>;

    explicit LoopbackDevice(Answer answer);
    ~LoopbackDevice();
    LoopbackDevice(const LoopbackDevice&) = delete;
    LoopbackDevice& operator=(const LoopbackDevice&) = delete;

    std::uint16_t Port() const { return m_port; }
    // Requests received so far, with the sender's port.
    std::vector<std::pair<std::string, std::uint16_t>> Requests() const;
    // Sends a datagram to a local port, as another program on the network would.
    void SendTo(std::uint16_t port, const std::string& payload) const;

private:
    void Run();

    Answer m_answer;
    int m_socket = -1;
    std::uint16_t m_port = 0;
    std::atomic<bool> m_running{true};
    mutable std::mutex m_mutex;
    std::vector<std::pair<std::string, std::uint16_t>> m_requests;
    std::thread m_thread;
};

// A reply of a device with this serial number, as devices send it.
std::string DeviceReply(const std::string& serial, const std::string& uuid = "uuid-0001");

} // namespace zk::test

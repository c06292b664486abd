// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "devsim/DeviceProfile.h"
#include "devsim/DeviceSession.h"
#include "devsim/RecordWriter.h"
#include "devsim/RequestHandler.h"
#include "devsim/SessionServer.h"
#include "support/TempFolder.h"

#include <atomic>
#include <functional>
#include <future>
#include <memory>
#include <string>
#include <thread>
#include <vector>

namespace zk::test {

// Simulated devices on loopback addresses (127.0.1.1, 127.0.1.2, ...) with the simulator's
// session server on a thread of its own, as zkdevsim runs it; every session message goes to a
// record file. Only loopback is used, so it runs wherever a test runs.
class LoopbackFleet final {
public:
    static constexpr std::uint16_t kPort = 34567;

    // adjust may change the generated profiles (accounts, bad kinds) before the devices start.
    explicit LoopbackFleet(int count, devsim::SessionSettings settings = {},
                           const std::function<void(std::vector<devsim::DeviceProfile>&)>& adjust = {});
    ~LoopbackFleet();
    LoopbackFleet(const LoopbackFleet&) = delete;
    LoopbackFleet& operator=(const LoopbackFleet&) = delete;

    // Ends the server and its listeners, as a stopped simulator would; Start brings a new one up
    // for the same devices. Both return once done.
    void Stop();
    bool Start();

    static std::string Address(int index); // "127.0.1.<index + 1>"

    // Runs a function on the server's thread and returns its result.
    template <typename Function>
    auto Run(Function function)
        -> decltype(function(std::declval<devsim::SessionServer&>(), std::declval<devsim::RequestHandler&>())) {
        using Result = decltype(function(*m_server, *m_handler));
        std::packaged_task<Result()> task([this, &function] { return function(*m_server, *m_handler); });
        auto result = task.get_future();
        m_server->Post([&task] { task(); });
        return result.get();
    }

    // The record file's lines so far; those of one message kind ("login", "request", ...).
    std::vector<std::string> RecordLines(const std::string& message = {}) const;

private:
    void Serve();

    TempFolder m_folder;
    devsim::SessionSettings m_settings;
    devsim::RecordWriter m_record;
    std::unique_ptr<devsim::RequestHandler> m_handler;
    std::unique_ptr<devsim::SessionServer> m_server;
    std::atomic<bool> m_stopping{false};
    std::thread m_thread;
};

} // namespace zk::test

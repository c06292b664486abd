// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "devsim/DeviceSession.h"
#include "devsim/Ipv4.h"
#include "devsim/RecordWriter.h"
#include "devsim/RequestHandler.h"
#include "platform/UniqueFd.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace zk::devsim {

// The fleet's session side: one listening socket per device address and command port, and the
// connections to them, all on one epoll set, so that a thousand devices need no thread each. It
// changes the devices the request handler owns and so runs on the thread that handles
// datagrams: the caller watches Fd() and calls Service. Answers held back for the answer delay
// wait in the server's own timer list, never in a sleep, so every other connection is served
// meanwhile. Only Post may be called from other threads.
class SessionServer final {
public:
    // record may be null (no record file).
    SessionServer(RequestHandler& fleet, SessionSettings settings, RecordWriter* record, std::uint64_t seed);
    ~SessionServer();
    SessionServer(const SessionServer&) = delete;
    SessionServer& operator=(const SessionServer&) = delete;

    // Listens for every device. Returns 0, or -1 with a text naming the first address that failed.
    int Start(std::string& error);
    // Readable whenever Service has something to do.
    int Fd() const { return m_epoll.Get(); }
    // Accepts, reads, answers and writes whatever is waiting, then checks time limits.
    void Service(SimClock::time_point now);
    // Milliseconds until Service must run again even when Fd stays quiet.
    int NextTimeoutMs(SimClock::time_point now) const;
    // Follows changes the search side made: a device that moved listens on its new address (its
    // old connections close), a rebooted device logs its sessions out.
    void Sync(SimClock::time_point now);
    // Sends an event to every logged-in session of one device, or of all devices; returns how
    // many sessions it went to.
    int PushEvent(std::optional<std::size_t> deviceIndex, const sdk::EventMessage& event);
    // Runs a task on the server's thread during the next Service; any thread.
    void Post(std::function<void()> task);

    std::size_t ListenerCount() const { return m_listeners.size(); }
    std::size_t ConnectionCount() const { return m_connections.size(); }

private:
    using EndpointKey = std::pair<std::uint32_t, std::uint16_t>;
    struct Listener {
        platform::UniqueFd fd;
        std::uint64_t id = 0;
    };
    struct Connection {
        std::uint64_t id = 0;
        platform::UniqueFd fd;
        std::size_t deviceIndex = 0;
        Endpoint peer;
        Endpoint local;
        std::unique_ptr<DeviceSession> session;
        std::string out;
        std::size_t outOffset = 0;
        std::uint32_t interest = 0;
        SimClock::time_point lastHeldDue{}; // when the last answer held back for it goes out
    };
    // An answer held back for the answer delay, with what must follow it.
    struct HeldOutput {
        std::uint64_t connectionId = 0;
        std::size_t deviceIndex = 0;
        std::string bytes;
        bool close = false;
        DeviceAction action = DeviceAction::None;
    };
    struct DeviceTrack {
        std::uint32_t address = 0;
        std::uint16_t port = 0;
        std::uint64_t bootCount = 0;
    };

    void Accept(const EndpointKey& endpoint, SimClock::time_point now);
    void Read(std::uint64_t id, SimClock::time_point now);
    // Records, then sends and closes as the output says, or holds an answer back for the answer
    // delay; false when the connection is gone.
    bool Apply(std::uint64_t id, DeviceOutput& out, SimClock::time_point now);
    // Sends, closes and carries out the device action; the action happens even when the
    // connection is gone. False when the connection is gone.
    bool Deliver(std::uint64_t id, std::size_t deviceIndex, const std::string& bytes, bool close, DeviceAction action,
                 SimClock::time_point now);
    // The delay of the next held-back answer: the answer delay plus its random part.
    std::chrono::milliseconds AnswerDelay();
    void SendHeld(SimClock::time_point now);
    void Flush(Connection& connection);
    void CloseConnection(std::uint64_t id);
    void EndDeviceSessions(std::size_t deviceIndex, sdk::LogoutReason reason, SimClock::time_point now);
    void ResetDeviceConnections(std::size_t deviceIndex);
    void UpdateListeners();
    void RunPosted();

    RequestHandler& m_fleet;
    SessionSettings m_settings;
    RecordWriter* m_record;
    std::mt19937_64 m_random;
    platform::UniqueFd m_epoll;
    platform::UniqueFd m_wakeFd;
    std::uint64_t m_nextId = 1;
    std::map<EndpointKey, Listener> m_listeners;
    std::unordered_map<std::uint64_t, EndpointKey> m_listenerIds;
    std::map<EndpointKey, std::size_t> m_endpointDevice; // the first device at each endpoint
    std::set<EndpointKey> m_reportedFailures;
    bool m_listenersDirty = true;
    std::unordered_map<std::uint64_t, Connection> m_connections;
    std::vector<DeviceTrack> m_tracks;
    // Held-back answers by the time they go out. A connection's times never decrease and equal times
    // keep their order, so its answers never overtake each other; other devices' interleave.
    std::multimap<SimClock::time_point, HeldOutput> m_held;
    SimClock::time_point m_nextTick{};
    SimClock::time_point m_nextSync{};
    std::mutex m_postMutex;
    std::vector<std::function<void()>> m_posted;
};

} // namespace zk::devsim

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "discovery/DeviceTable.h"
#include "platform/NetworkAdapters.h"
#include "platform/UniqueFd.h"

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace zk::discovery {

inline constexpr std::uint16_t kSearchPort = 3001;
inline constexpr int kSearchReceiveBufferBytes = 131072;
// Room for a whole batch of requests: a set-network or restore batch of a large fleet queues one to
// three requests per device at once.
inline constexpr std::size_t kRequestQueueLimit = 16384;
inline constexpr int kSendWaitMs = 2000;
inline constexpr int kReceiveWaitMs = 1000;
inline constexpr int kShortLivedSendWaitMs = 1000;
inline constexpr int kSocketRetryDelayMs = 1000;

// Results of SearchEngine::Start.
inline constexpr int kEngineStarted = 0;
inline constexpr int kEngineAlreadyRunning = -1;
inline constexpr int kEngineThreadFailed = -2;

// Results of SearchEngine::QueueRequest.
inline constexpr int kRequestTaken = 0;      // queued to the thread, or sent by the short-lived sender
inline constexpr int kRequestQueueFull = -1; // the thread's queue is full: not sent
inline constexpr int kRequestNotSent = -2;   // the short-lived sender sent it on no socket

// Where requests go: the limited broadcast address and port 3001. Tests on loopback name a loopback
// address and port instead.
struct SearchDestination {
    std::uint32_t address = 0xFFFFFFFFu; // 255.255.255.255
    std::uint16_t port = kSearchPort;
};

// The search thread: one UDP socket per local address (and the wildcard address), the requests
// queued to it broadcast to 255.255.255.255 port 3001 on every socket, and the replies read into
// the device table. Start, Stop and QueueRequest are called from the window thread; everything else
// of the engine runs on its own thread.
class SearchEngine final {
public:
    using AdapterSource = std::function<platform::AdapterMap()>;

    struct Stats {
        std::uint64_t datagramsReceived = 0;
        std::uint64_t repliesStored = 0;
        std::uint64_t requestsSent = 0;
        std::uint64_t requestsDropped = 0;
        std::uint64_t threadCpuNs = 0;
    };

    explicit SearchEngine(DeviceTable& table, AdapterSource adapters = &platform::EnumerateAdapters,
                          SearchDestination destination = {}, std::size_t queueLimit = kRequestQueueLimit);
    ~SearchEngine();
    SearchEngine(const SearchEngine&) = delete;
    SearchEngine& operator=(const SearchEngine&) = delete;

    // Starts the search thread for one adapter address (network byte order) or all of them (0),
    // accepting replies with the given root names. Returns kEngineStarted, kEngineAlreadyRunning,
    // or kEngineThreadFailed (errnoOut holds the reason).
    int Start(std::uint32_t adapterChoice, std::vector<std::string> rootNames, int* errnoOut = nullptr);

    // Ends the search thread, which first sends the requests still queued, and waits for it; false
    // when it was not running.
    bool Stop();

    bool Running() const { return m_running.load(); }

    // Hands a complete request to the running thread; beyond kRequestQueueLimit waiting requests it
    // is dropped with a log line. When the thread does not run, the request goes out once through
    // short-lived sockets instead. Returns kRequestTaken, or kRequestQueueFull / kRequestNotSent when
    // the request will not go out.
    int QueueRequest(std::string request);

    // Clear-serial mode: replies go to the device table's UUID side.
    void SetClearSerialMode(bool on) { m_clearSerialMode = on; }

    // Dotted local addresses of the thread's sockets in map order ("0.0.0.0" first); empty when
    // it does not run.
    std::vector<std::string> SocketAddresses() const;
    // The local ports of those sockets, in the same order.
    std::vector<std::uint16_t> SocketPorts() const;

    Stats GetStats() const;

    // Sends a request once on a fresh socket for every local address and the wildcard address;
    // the first short send ends the sending. Returns the number of sockets it was sent on.
    static int SendOnce(const std::string& request, const AdapterSource& adapters, SearchDestination destination = {});

private:
    struct SearchSocket {
        std::uint32_t address;
        std::string dotted;
        platform::UniqueFd socket;
    };

    void Run(std::uint32_t adapterChoice);
    void SendRequest(const std::string& request);
    // Waits at most waitMs for replies and reads one datagram from each readable socket.
    void ReceiveReplies(int waitMs);
    void Wake();

    DeviceTable& m_table;
    AdapterSource m_adapters;
    SearchDestination m_destination;
    std::size_t m_queueLimit;
    std::vector<std::string> m_rootNames;
    std::atomic<bool> m_running{false};
    std::atomic<bool> m_clearSerialMode{false};
    std::thread m_thread;
    platform::UniqueFd m_wakeEvent;

    mutable std::mutex m_queueMutex;
    std::deque<std::string> m_queue;

    mutable std::mutex m_socketsMutex;
    std::vector<SearchSocket> m_sockets;

    std::atomic<std::uint64_t> m_datagramsReceived{0};
    std::atomic<std::uint64_t> m_repliesStored{0};
    std::atomic<std::uint64_t> m_requestsSent{0};
    std::atomic<std::uint64_t> m_requestsDropped{0};
    std::atomic<std::uint64_t> m_threadCpuNs{0};
};

} // namespace zk::discovery

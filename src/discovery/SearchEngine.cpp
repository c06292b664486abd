// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/SearchEngine.h"

#include "base/DebugLog.h"
#include "discovery/SearchMessage.h"
#include "platform/UdpSocket.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace zk::discovery {
namespace {

// Opens one search socket: broadcast, a 131072-byte receive buffer and address reuse, bound to the
// address and port. A socket that cannot even be created is given up after a pause, as the system
// is then short of resources.
platform::UniqueFd OpenSearchSocket(std::uint32_t address, std::uint16_t port) {
    platform::UdpSocketOptions options;
    options.bindAddress = address;
    options.bindPort = port;
    options.broadcast = true;
    options.reuseAddress = true;
    options.receiveBufferBytes = kSearchReceiveBufferBytes;
    platform::UdpOpenError error = platform::UdpOpenError::None;
    platform::UniqueFd socket = platform::OpenUdpSocket(options, &error);
    if (error == platform::UdpOpenError::Create) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kSocketRetryDelayMs));
    }
    return socket;
}

std::uint64_t ThreadCpuNs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<std::uint64_t>(now.tv_sec) * 1000000000u + static_cast<std::uint64_t>(now.tv_nsec);
}

// Waits until the socket can be written; false on time-out or error (logged).
bool WaitWritable(int socket, int timeoutMs) {
    pollfd wait{socket, POLLOUT, 0};
    const int ready = ::poll(&wait, 1, timeoutMs);
    if (ready < 0) {
        base::Log("SearchIPCThread(): select failed, error=%d\n", errno);
        return false;
    }
    if (ready == 0) {
        return false;
    }
    if ((wait.revents & (POLLERR | POLLNVAL)) != 0) {
        base::Log("SearchIPCThread(): select sock find socket error\n");
        return false;
    }
    return (wait.revents & POLLOUT) != 0;
}

} // namespace

SearchEngine::SearchEngine(DeviceTable& table, AdapterSource adapters, SearchDestination destination,
                           std::size_t queueLimit)
    : m_table(table), m_adapters(std::move(adapters)), m_destination(destination), m_queueLimit(queueLimit),
      m_wakeEvent(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

SearchEngine::~SearchEngine() {
    Stop();
}

int SearchEngine::Start(std::uint32_t adapterChoice, std::vector<std::string> rootNames, int* errnoOut) {
    if (m_running.load()) {
        return kEngineAlreadyRunning;
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
    m_rootNames = std::move(rootNames);
    m_running = true;
    try {
        m_thread = std::thread([this, adapterChoice] { Run(adapterChoice); });
    } catch (const std::system_error& error) {
        m_running = false;
        if (errnoOut != nullptr) {
            *errnoOut = error.code().value();
        }
        return kEngineThreadFailed;
    }
    return kEngineStarted;
}

bool SearchEngine::Stop() {
    if (!m_thread.joinable()) {
        return false;
    }
    const bool wasRunning = m_running.exchange(false);
    Wake();
    m_thread.join();
    return wasRunning;
}

void SearchEngine::Wake() {
    if (m_wakeEvent) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wakeEvent.Get(), &one, sizeof(one));
    }
}

int SearchEngine::QueueRequest(std::string request) {
    if (!m_running.load()) {
        return SendOnce(request, m_adapters, m_destination) > 0 ? kRequestTaken : kRequestNotSent;
    }
    {
        std::lock_guard lock(m_queueMutex);
        if (m_queue.size() >= m_queueLimit) {
            ++m_requestsDropped;
            base::Log("SearchIPCThread(): request queue full (%zu waiting), request dropped\n", m_queue.size());
            return kRequestQueueFull;
        }
        m_queue.push_back(std::move(request));
    }
    Wake();
    return kRequestTaken;
}

std::vector<std::string> SearchEngine::SocketAddresses() const {
    std::lock_guard lock(m_socketsMutex);
    std::vector<std::string> addresses;
    for (const auto& socket : m_sockets) {
        addresses.push_back(socket.dotted);
    }
    return addresses;
}

std::vector<std::uint16_t> SearchEngine::SocketPorts() const {
    std::lock_guard lock(m_socketsMutex);
    std::vector<std::uint16_t> ports;
    for (const auto& socket : m_sockets) {
        ports.push_back(platform::LocalPort(socket.socket.Get()));
    }
    return ports;
}

SearchEngine::Stats SearchEngine::GetStats() const {
    Stats stats;
    stats.datagramsReceived = m_datagramsReceived;
    stats.repliesStored = m_repliesStored;
    stats.requestsSent = m_requestsSent;
    stats.requestsDropped = m_requestsDropped;
    stats.threadCpuNs = m_threadCpuNs;
    return stats;
}

void SearchEngine::Run(std::uint32_t adapterChoice) {
    const std::uint64_t cpuAtStart = ThreadCpuNs();
    base::Log("SearchIPCThread(): enter main loop...\n");
    {
        std::lock_guard lock(m_queueMutex);
        m_queue.push_front(BuildSearchRequest(kCodeSearch, std::nullopt));
    }
    platform::AdapterMap adapters = m_adapters();
    adapters.emplace(0, std::string());
    {
        std::vector<SearchSocket> sockets;
        for (const auto& [address, description] : adapters) {
            if (adapterChoice != 0 && adapterChoice != address) {
                continue;
            }
            platform::UniqueFd socket = OpenSearchSocket(address, 0);
            if (socket) {
                sockets.push_back({address, platform::DottedAddress(address), std::move(socket)});
            }
        }
        std::lock_guard lock(m_socketsMutex);
        m_sockets = std::move(sockets);
    }

    base::Log("SearchIPCThread(): enter send and recv loop...\n");
    while (m_running.load()) {
        std::optional<std::string> request;
        bool moreWaiting = false;
        {
            std::lock_guard lock(m_queueMutex);
            if (!m_queue.empty()) {
                request = std::move(m_queue.front());
                m_queue.pop_front();
            }
            moreWaiting = !m_queue.empty();
        }
        if (request) {
            SendRequest(*request);
        }
        // While requests wait, a pass only reads what has already arrived: a batch of a thousand
        // requests must not take a thousand receive waits.
        ReceiveReplies(moreWaiting ? 0 : kReceiveWaitMs);
        m_threadCpuNs = ThreadCpuNs() - cpuAtStart;
    }
    base::Log("SearchIPCThread(): exit send and recv loop\n");
    // A request the queue took was reported as sent: what is still waiting goes out before the
    // sockets close.
    std::deque<std::string> left;
    {
        std::lock_guard lock(m_queueMutex);
        left.swap(m_queue);
    }
    for (const std::string& request : left) {
        SendRequest(request);
    }
    {
        std::lock_guard lock(m_socketsMutex);
        m_sockets.clear();
    }
    base::Log("SearchIPCThread(): exit main loop\n");
}

void SearchEngine::SendRequest(const std::string& request) {
    base::Log("send broardcast");
    for (const auto& socket : m_sockets) {
        if (!WaitWritable(socket.socket.Get(), kSendWaitMs)) {
            continue;
        }
        const long sent =
            platform::SendDatagram(socket.socket.Get(), request, m_destination.address, m_destination.port);
        if (sent < static_cast<long>(request.size())) {
            base::Log("SearchIPCThread(): sendto failed, error=%d\n", errno);
            break;
        }
        ++m_requestsSent;
        base::Log("send INADDR_BROADCAST to seach ipc......\r\n");
    }
}

void SearchEngine::ReceiveReplies(int waitMs) {
    std::vector<pollfd> waits;
    waits.reserve(m_sockets.size() + 1);
    for (const auto& socket : m_sockets) {
        waits.push_back({socket.socket.Get(), POLLIN, 0});
    }
    // A queued request or a stop ends the wait early.
    waits.push_back({m_wakeEvent.Get(), POLLIN, 0});
    const int ready = ::poll(waits.data(), waits.size(), waitMs);
    if (ready < 0) {
        if (errno != EINTR) {
            base::Log("SearchIPCThread(): select failed, error=%d\n", errno);
        }
        return;
    }
    if (ready == 0) {
        return;
    }
    if ((waits.back().revents & POLLIN) != 0) {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t read = ::read(m_wakeEvent.Get(), &count, sizeof(count));
    }
    char buffer[kDatagramMaxBytes + 1];
    for (std::size_t i = 0; i < m_sockets.size(); ++i) {
        const short events = waits[i].revents;
        if ((events & (POLLERR | POLLNVAL)) != 0) {
            base::Log("SearchIPCThread(): select sock find socket error\n");
            // Reading the pending error clears it, so the next wait does not wake for it again.
            int error = 0;
            socklen_t length = sizeof(error);
            ::getsockopt(m_sockets[i].socket.Get(), SOL_SOCKET, SO_ERROR, &error, &length);
        }
        if ((events & POLLIN) == 0) {
            continue;
        }
        std::memset(buffer, 0, sizeof(buffer));
        // MSG_TRUNC reports the datagram's whole length, so an oversized one is recognised.
        const ssize_t length = ::recv(m_sockets[i].socket.Get(), buffer, sizeof(buffer), MSG_TRUNC);
        if (length <= 0) {
            base::Log("SearchIPCThread(): recvfrom failed, error=%d\n", errno);
            continue;
        }
        ++m_datagramsReceived;
        DeviceRecord record;
        const auto received = static_cast<std::size_t>(length);
        const DatagramResult result = ReadSearchDatagram(std::string_view(buffer, std::min(received, sizeof(buffer))),
                                                         m_rootNames, record, received);
        if (result != DatagramResult::Reply) {
            continue;
        }
        ++m_repliesStored;
        if (m_clearSerialMode.load()) {
            m_table.AddOrUpdateByUuid(record, m_sockets[i].dotted);
        } else {
            m_table.AddOrUpdate(record, m_sockets[i].dotted);
        }
    }
}

int SearchEngine::SendOnce(const std::string& request, const AdapterSource& adapters, SearchDestination destination) {
    platform::AdapterMap addresses = adapters ? adapters() : platform::AdapterMap();
    addresses.emplace(0, std::string());
    std::vector<platform::UniqueFd> sockets;
    for (const auto& [address, description] : addresses) {
        platform::UniqueFd socket = OpenSearchSocket(address, 0);
        if (socket) {
            sockets.push_back(std::move(socket));
        }
    }
    int sentOn = 0;
    for (const auto& socket : sockets) {
        if (!WaitWritable(socket.Get(), kShortLivedSendWaitMs)) {
            continue;
        }
        if (platform::SendDatagram(socket.Get(), request, destination.address, destination.port) <
            static_cast<long>(request.size())) {
            break;
        }
        ++sentOn;
    }
    return sentOn;
}

} // namespace zk::discovery

// SPDX-License-Identifier: GPL-3.0-or-later
#include "devsim/SessionServer.h"

#include "platform/TcpSocket.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace zk::devsim {
namespace {

// epoll keys: the kind in the top bits, an id below.
constexpr std::uint64_t kKindShift = 56;
constexpr std::uint64_t kWakeKind = 1;
constexpr std::uint64_t kListenerKind = 2;
constexpr std::uint64_t kConnectionKind = 3;
constexpr std::uint64_t kIdMask = (std::uint64_t{1} << kKindShift) - 1;

constexpr int kListenBacklog = 128;
constexpr int kMaxEventsPerWait = 256;
constexpr int kMaxAcceptsPerEvent = 64;
constexpr std::size_t kReadChunkBytes = 65536;
// A client that stops reading is disconnected rather than buffered for without end.
constexpr std::size_t kMaxQueuedBytes = 4 * 1024 * 1024;
constexpr std::size_t kMaxConnections = 16384;
// Time limits are checked this often; the sessions' own limits are seconds long.
constexpr auto kTickInterval = std::chrono::milliseconds(100);
// Listeners that could not open are tried again this often.
constexpr auto kSyncInterval = std::chrono::seconds(1);

std::uint64_t Key(std::uint64_t kind, std::uint64_t id) {
    return (kind << kKindShift) | (id & kIdMask);
}

double EpochSeconds() {
    const auto sinceEpoch = std::chrono::system_clock::now().time_since_epoch();
    return static_cast<double>(std::chrono::duration_cast<std::chrono::milliseconds>(sinceEpoch).count()) / 1000.0;
}

} // namespace

SessionServer::SessionServer(RequestHandler& fleet, SessionSettings settings, RecordWriter* record, std::uint64_t seed)
    : m_fleet(fleet), m_settings(settings), m_record(record), m_random(seed) {
    m_epoll.Reset(::epoll_create1(EPOLL_CLOEXEC));
    m_wakeFd.Reset(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    if (m_epoll && m_wakeFd) {
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.u64 = Key(kWakeKind, 0);
        ::epoll_ctl(m_epoll.Get(), EPOLL_CTL_ADD, m_wakeFd.Get(), &event);
    }
}

// Connections go before the fleet's devices do, so that sessions stop counting themselves.
SessionServer::~SessionServer() = default;

int SessionServer::Start(std::string& error) {
    if (!m_epoll || !m_wakeFd) {
        error = std::string("cannot create an epoll set: ") + std::strerror(errno);
        return -1;
    }
    // Devices keep their login keys, as real ones keep a derived key rather than derive it at every
    // login; deriving them now keeps the deliberately slow step out of the first logins.
    for (std::size_t i = 0; i < m_fleet.DeviceCount(); ++i) {
        m_fleet.MutableDevice(i).LoginKey();
    }
    const SimClock::time_point now = SimClock::now();
    Sync(now);
    for (std::size_t i = 0; i < m_fleet.DeviceCount(); ++i) {
        const SimDevice& device = m_fleet.Device(i);
        if (m_listeners.count({device.IpAddress(), device.CommandPort()}) == 0) {
            error = "cannot listen on TCP " + FormatEndpoint({device.IpAddress(), device.CommandPort()}) +
                    " for device " + std::string(device.OriginalSerial());
            return -1;
        }
    }
    return 0;
}

void SessionServer::Post(std::function<void()> task) {
    {
        std::lock_guard lock(m_postMutex);
        m_posted.push_back(std::move(task));
    }
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = ::write(m_wakeFd.Get(), &one, sizeof(one));
}

void SessionServer::RunPosted() {
    std::uint64_t value = 0;
    [[maybe_unused]] const ssize_t read = ::read(m_wakeFd.Get(), &value, sizeof(value));
    std::vector<std::function<void()>> tasks;
    {
        std::lock_guard lock(m_postMutex);
        tasks.swap(m_posted);
    }
    for (auto& task : tasks) {
        task();
    }
}

void SessionServer::Service(SimClock::time_point now) {
    epoll_event events[kMaxEventsPerWait];
    const int count = ::epoll_wait(m_epoll.Get(), events, kMaxEventsPerWait, 0);
    for (int i = 0; i < count; ++i) {
        const std::uint64_t key = events[i].data.u64;
        const std::uint64_t kind = key >> kKindShift;
        const std::uint64_t id = key & kIdMask;
        if (kind == kWakeKind) {
            RunPosted();
        } else if (kind == kListenerKind) {
            const auto found = m_listenerIds.find(id);
            if (found != m_listenerIds.end()) {
                Accept(found->second, now);
            }
        } else if (kind == kConnectionKind) {
            if ((events[i].events & (EPOLLIN | EPOLLHUP | EPOLLERR)) != 0) {
                Read(id, now);
            }
            const auto found = m_connections.find(id);
            if (found != m_connections.end() && (events[i].events & EPOLLOUT) != 0) {
                Flush(found->second);
            }
        }
    }
    SendHeld(now);
    if (now >= m_nextTick) {
        m_nextTick = now + kTickInterval;
        std::vector<std::uint64_t> ids;
        for (const auto& [id, connection] : m_connections) {
            if (connection.session->Deadline() <= now) {
                ids.push_back(id);
            }
        }
        for (const std::uint64_t id : ids) {
            const auto found = m_connections.find(id);
            if (found != m_connections.end()) {
                DeviceOutput out;
                found->second.session->Tick(now, out);
                Apply(id, out, now);
            }
        }
    }
    if (now >= m_nextSync) {
        Sync(now);
    }
}

int SessionServer::NextTimeoutMs(SimClock::time_point now) const {
    auto next = std::min(m_nextTick, m_nextSync);
    if (!m_held.empty()) {
        next = std::min(next, m_held.begin()->first);
    }
    if (next <= now) {
        return 0;
    }
    return static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(next - now).count()) + 1;
}

void SessionServer::Sync(SimClock::time_point now) {
    m_nextSync = now + kSyncInterval;
    if (m_tracks.size() != m_fleet.DeviceCount()) {
        m_tracks.resize(m_fleet.DeviceCount());
        for (std::size_t i = 0; i < m_tracks.size(); ++i) {
            const SimDevice& device = m_fleet.Device(i);
            m_tracks[i] = DeviceTrack{device.IpAddress(), device.CommandPort(), device.BootCount()};
        }
        m_listenersDirty = true;
    }
    for (std::size_t i = 0; i < m_tracks.size(); ++i) {
        const SimDevice& device = m_fleet.Device(i);
        DeviceTrack& track = m_tracks[i];
        if (track.address != device.IpAddress() || track.port != device.CommandPort()) {
            // Connections to the old address cannot go on once the address has left.
            ResetDeviceConnections(i);
            track.address = device.IpAddress();
            track.port = device.CommandPort();
            m_listenersDirty = true;
        }
        if (track.bootCount != device.BootCount()) {
            track.bootCount = device.BootCount();
            EndDeviceSessions(i, sdk::LogoutReason::Reboot, now);
        }
    }
    if (m_listenersDirty) {
        UpdateListeners();
    }
}

void SessionServer::UpdateListeners() {
    m_endpointDevice.clear();
    for (std::size_t i = 0; i < m_tracks.size(); ++i) {
        if (m_tracks[i].address != 0) {
            m_endpointDevice.emplace(EndpointKey{m_tracks[i].address, m_tracks[i].port}, i);
        }
    }
    for (auto it = m_listeners.begin(); it != m_listeners.end();) {
        if (m_endpointDevice.count(it->first) == 0) {
            m_listenerIds.erase(it->second.id);
            it = m_listeners.erase(it);
        } else {
            ++it;
        }
    }
    bool failed = false;
    for (const auto& [endpoint, deviceIndex] : m_endpointDevice) {
        if (m_listeners.count(endpoint) != 0) {
            continue;
        }
        platform::UniqueFd fd = platform::ListenTcp(endpoint.first, endpoint.second, kListenBacklog);
        if (!fd) {
            failed = true;
            if (m_reportedFailures.insert(endpoint).second) {
                std::fprintf(stderr, "zkdevsim: cannot listen on TCP %s: %s\n",
                             FormatEndpoint({endpoint.first, endpoint.second}).c_str(), std::strerror(errno));
            }
            continue;
        }
        const std::uint64_t id = m_nextId++;
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.u64 = Key(kListenerKind, id);
        if (::epoll_ctl(m_epoll.Get(), EPOLL_CTL_ADD, fd.Get(), &event) != 0) {
            failed = true;
            continue;
        }
        m_listeners.emplace(endpoint, Listener{std::move(fd), id});
        m_listenerIds.emplace(id, endpoint);
    }
    // Failed listeners are tried again at the next sync.
    m_listenersDirty = failed;
}

void SessionServer::Accept(const EndpointKey& endpoint, SimClock::time_point now) {
    const auto listener = m_listeners.find(endpoint);
    if (listener == m_listeners.end()) {
        return;
    }
    for (int i = 0; i < kMaxAcceptsPerEvent; ++i) {
        Endpoint peer;
        platform::UniqueFd fd = platform::AcceptTcp(listener->second.fd.Get(), &peer.address, &peer.port);
        if (!fd) {
            return;
        }
        const auto device = m_endpointDevice.find(endpoint);
        if (device == m_endpointDevice.end() || m_connections.size() >= kMaxConnections) {
            platform::CloseWithReset(fd);
            continue;
        }
        SimDevice& simDevice = m_fleet.MutableDevice(device->second);
        // A rebooting device, or one told to refuse, resets the connection as a closed port does.
        if (simDevice.IsSilent(now) || simDevice.Profile().bad.Has(BadKind::SessionRefuse)) {
            platform::CloseWithReset(fd);
            continue;
        }
        platform::SetNoDelay(fd.Get());
        const std::uint64_t id = m_nextId++;
        epoll_event event{};
        event.events = EPOLLIN;
        event.data.u64 = Key(kConnectionKind, id);
        if (::epoll_ctl(m_epoll.Get(), EPOLL_CTL_ADD, fd.Get(), &event) != 0) {
            continue;
        }
        Connection connection;
        connection.id = id;
        connection.fd = std::move(fd);
        connection.deviceIndex = device->second;
        connection.peer = peer;
        connection.local = Endpoint{endpoint.first, endpoint.second};
        connection.session = std::make_unique<DeviceSession>(simDevice, m_settings, m_random);
        connection.interest = EPOLLIN;
        m_connections.emplace(id, std::move(connection));
        DeviceOutput out;
        m_connections.at(id).session->Start(now, out);
        Apply(id, out, now);
    }
}

void SessionServer::Read(std::uint64_t id, SimClock::time_point now) {
    static thread_local std::string buffer(kReadChunkBytes, '\0');
    for (;;) {
        const auto found = m_connections.find(id);
        if (found == m_connections.end()) {
            return;
        }
        Connection& connection = found->second;
        const ssize_t received = ::recv(connection.fd.Get(), buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            return;
        }
        if (received <= 0) {
            CloseConnection(id);
            return;
        }
        DeviceOutput out;
        connection.session->Receive(std::string_view(buffer.data(), static_cast<std::size_t>(received)), now, out);
        if (!Apply(id, out, now)) {
            return;
        }
    }
}

bool SessionServer::Apply(std::uint64_t id, DeviceOutput& out, SimClock::time_point now) {
    auto found = m_connections.find(id);
    if (found == m_connections.end()) {
        return false;
    }
    Connection& connection = found->second;
    const std::size_t deviceIndex = connection.deviceIndex;
    if (m_record != nullptr && m_record->IsOpen()) {
        const std::string_view serial = m_fleet.Device(deviceIndex).OriginalSerial();
        for (const SessionSummary& summary : out.records) {
            if (m_record->WriteSession(EpochSeconds(), connection.peer, connection.local, serial, summary) != 0) {
                std::fprintf(stderr, "zkdevsim: cannot write the record file\n");
            }
        }
    }
    if (out.answersRequest) {
        if (const std::chrono::milliseconds delay = AnswerDelay(); delay.count() > 0) {
            // What follows the answer (a close, a reboot) waits with it, so it never overtakes it.
            const SimClock::time_point due = std::max(now + delay, connection.lastHeldDue);
            connection.lastHeldDue = due;
            m_held.emplace(due, HeldOutput{id, deviceIndex, std::move(out.bytes), out.close, out.action});
            return true;
        }
    }
    return Deliver(id, deviceIndex, out.bytes, out.close, out.action, now);
}

bool SessionServer::Deliver(std::uint64_t id, std::size_t deviceIndex, const std::string& bytes, bool close,
                            DeviceAction action, SimClock::time_point now) {
    if (const auto found = m_connections.find(id); found != m_connections.end()) {
        Connection& connection = found->second;
        connection.out += bytes;
        Flush(connection);
        const bool tooMuchQueued = connection.out.size() - connection.outOffset > kMaxQueuedBytes;
        if (close || tooMuchQueued) {
            CloseConnection(id);
        }
    }
    if (action != DeviceAction::None) {
        SimDevice& device = m_fleet.MutableDevice(deviceIndex);
        const std::chrono::seconds silence(m_settings.rebootSeconds);
        if (action == DeviceAction::Reboot) {
            device.Reboot(now, silence);
        } else {
            // Restoring over a session keeps the network, so the device stays where the tool is.
            device.Restore(true, now, silence);
        }
        if (deviceIndex < m_tracks.size()) {
            m_tracks[deviceIndex].bootCount = device.BootCount();
        }
        EndDeviceSessions(deviceIndex,
                          action == DeviceAction::Reboot ? sdk::LogoutReason::Reboot : sdk::LogoutReason::Restore, now);
    }
    return m_connections.count(id) != 0;
}

std::chrono::milliseconds SessionServer::AnswerDelay() {
    int delayMs = m_settings.answerDelayMs;
    if (m_settings.answerJitterMs > 0) {
        delayMs += std::uniform_int_distribution<int>(0, m_settings.answerJitterMs)(m_random);
    }
    return std::chrono::milliseconds(delayMs);
}

void SessionServer::SendHeld(SimClock::time_point now) {
    while (!m_held.empty() && m_held.begin()->first <= now) {
        auto node = m_held.extract(m_held.begin());
        const HeldOutput& held = node.mapped();
        // A connection closed meanwhile loses its answer; a reboot it asked for still happens.
        Deliver(held.connectionId, held.deviceIndex, held.bytes, held.close, held.action, now);
    }
}

void SessionServer::Flush(Connection& connection) {
    while (connection.outOffset < connection.out.size()) {
        const ssize_t sent = ::send(connection.fd.Get(), connection.out.data() + connection.outOffset,
                                    connection.out.size() - connection.outOffset, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent <= 0) {
            break; // full, or broken: the next read sees the end
        }
        connection.outOffset += static_cast<std::size_t>(sent);
    }
    if (connection.outOffset == connection.out.size()) {
        connection.out.clear();
        connection.outOffset = 0;
    }
    const std::uint32_t wanted = EPOLLIN | (connection.out.empty() ? 0u : EPOLLOUT);
    if (wanted != connection.interest) {
        epoll_event event{};
        event.events = wanted;
        event.data.u64 = Key(kConnectionKind, connection.id);
        if (::epoll_ctl(m_epoll.Get(), EPOLL_CTL_MOD, connection.fd.Get(), &event) == 0) {
            connection.interest = wanted;
        }
    }
}

void SessionServer::CloseConnection(std::uint64_t id) {
    m_connections.erase(id); // closing the descriptor takes it out of the epoll set
}

void SessionServer::EndDeviceSessions(std::size_t deviceIndex, sdk::LogoutReason reason, SimClock::time_point now) {
    std::vector<std::uint64_t> ids;
    for (const auto& [id, connection] : m_connections) {
        if (connection.deviceIndex == deviceIndex) {
            ids.push_back(id);
        }
    }
    for (const std::uint64_t id : ids) {
        const auto found = m_connections.find(id);
        if (found == m_connections.end()) {
            continue;
        }
        DeviceOutput out;
        found->second.session->End(reason, out);
        Apply(id, out, now);
    }
}

void SessionServer::ResetDeviceConnections(std::size_t deviceIndex) {
    for (auto it = m_connections.begin(); it != m_connections.end();) {
        if (it->second.deviceIndex == deviceIndex) {
            platform::CloseWithReset(it->second.fd);
            it = m_connections.erase(it);
        } else {
            ++it;
        }
    }
}

int SessionServer::PushEvent(std::optional<std::size_t> deviceIndex, const sdk::EventMessage& event) {
    std::vector<std::uint64_t> ids;
    for (const auto& [id, connection] : m_connections) {
        if (!deviceIndex || connection.deviceIndex == *deviceIndex) {
            ids.push_back(id);
        }
    }
    int reached = 0;
    const SimClock::time_point now = SimClock::now();
    for (const std::uint64_t id : ids) {
        const auto found = m_connections.find(id);
        if (found == m_connections.end()) {
            continue;
        }
        DeviceOutput out;
        if (found->second.session->Push(event, out)) {
            ++reached;
            Apply(id, out, now);
        }
    }
    return reached;
}

} // namespace zk::devsim

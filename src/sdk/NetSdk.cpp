// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/NetSdk.h"

#include "base/DebugLog.h"
#include "platform/OpenFileLimit.h"
#include "platform/TcpSocket.h"

#include <arpa/inet.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <system_error>

namespace zk::sdk {
namespace {

// Bytes read from one socket before the loop turns to the others.
constexpr std::size_t kReadChunkBytes = 65536;
constexpr std::size_t kMaxReadPerEventBytes = 1024 * 1024;
// A device that stops reading cannot make the library hold unbounded requests for it.
constexpr std::size_t kMaxQueuedBytes = 4 * 1024 * 1024;
constexpr int kMaxEventsPerWait = 256;
// The loop looks at its timers at least this often.
constexpr int kMaxWaitMs = 1000;
// Connections one pass of the loop starts at most.
constexpr int kMaxConnectsPerPass = 64;
// How long the loop lets waiting callers go first after each of its steps, at most.
constexpr int kCallerTurnMaxMs = 5;
constexpr std::uint64_t kWakeKey = 0;

std::string Label(int handle, std::uint32_t address, std::uint16_t port) {
    in_addr inAddress{htonl(address)};
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &inAddress, text, sizeof(text));
    return "handle " + std::to_string(handle) + " " + text + ":" + std::to_string(port);
}

bool ValidText(const char* text, std::size_t maxBytes, bool mayBeEmpty) {
    if (text == nullptr) {
        return false;
    }
    const std::size_t length = ::strnlen(text, maxBytes + 1);
    return length <= maxBytes && (mayBeEmpty || length > 0);
}

bool ValidCode(int code) {
    return code >= 0 && static_cast<std::uint32_t>(code) <= kMaxCommandCode;
}

// A text given with its length: null only when empty.
bool ValidBlock(const char* text, int length) {
    return length >= 0 && static_cast<std::size_t>(length) <= kMaxRequestTextBytes && (text != nullptr || length == 0);
}

} // namespace

struct NetSdk::Session {
    Session(int handleValue, std::uint32_t addressValue, std::uint16_t portValue, std::string user,
            std::string password, const SessionTimings& timings, bool reconnect)
        : handle(handleValue), address(addressValue), port(portValue),
          protocol(std::move(user), std::move(password), timings), retryDelayMs(timings.reconnectFirstDelayMs),
          autoReconnect(reconnect) {
        protocol.SetLabel(Label(handle, address, port));
    }

    enum class Link { Waiting, Connecting, Open, Down };

    int handle;
    std::uint32_t address;
    std::uint16_t port;
    ClientSession protocol;
    platform::UniqueFd socket;
    Link link = Link::Waiting;
    SdkClock::time_point due{}; // Waiting: when to connect; Connecting: when to give up
    int retryDelayMs;
    bool autoReconnect;
    bool refused = false;      // the device refused the account: only a new login tries again
    bool retryPlanned = false; // Waiting for a retry rather than for the first attempt
    std::string out;
    std::size_t outOffset = 0;
    std::uint32_t interest = 0; // the events the socket is registered for; 0 when not registered
};

NetSdk::NetSdk(SessionTimings timings) : m_timings(timings), m_random(std::random_device()()) {}

NetSdk::~NetSdk() {
    m_stopping = true;
    if (m_wakeFd) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wakeFd.Get(), &one, sizeof(one));
    }
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

int NetSdk::Init() {
    const auto lock = LockForCaller();
    if (m_initialised) {
        return 0;
    }
    platform::RaiseOpenFileLimit();
    m_epoll.Reset(::epoll_create1(EPOLL_CLOEXEC));
    m_wakeFd.Reset(::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC));
    if (!m_epoll || !m_wakeFd) {
        base::Log("NetSdk: cannot create the event loop: %s\n", std::strerror(errno));
        return kErrorFailed;
    }
    epoll_event event{};
    event.events = EPOLLIN;
    event.data.u64 = kWakeKey;
    if (::epoll_ctl(m_epoll.Get(), EPOLL_CTL_ADD, m_wakeFd.Get(), &event) != 0) {
        return kErrorFailed;
    }
    try {
        m_thread = std::thread(&NetSdk::Run, this);
    } catch (const std::system_error& error) {
        base::Log("NetSdk: cannot start the event loop thread: %s\n", error.what());
        return kErrorFailed;
    }
    m_initialised = true;
    base::Log("NetSdk: started, version %d.%d.%d\n", kSdkVersion >> 16, (kSdkVersion >> 8) & 0xFF, kSdkVersion & 0xFF);
    return 0;
}

int NetSdk::SetStatusEventCallBack(StatusEventCallBack callBack, void* user) {
    const auto lock = LockForCaller();
    m_statusCallBack = callBack;
    m_statusUser = user;
    return 0;
}

int NetSdk::SetAUXResponseCallBack(AUXResponseCallBack callBack, void* user) {
    const auto lock = LockForCaller();
    m_auxCallBack = callBack;
    m_auxUser = user;
    return 0;
}

int NetSdk::SetAutoReconnect(int handle, int enable) {
    {
        const auto lock = LockForCaller();
        if (handle == 0) {
            m_defaultReconnect = enable != 0;
            return 0;
        }
        const auto found = m_sessions.find(handle);
        if (found == m_sessions.end()) {
            return kErrorFailed;
        }
        Session& session = *found->second;
        session.autoReconnect = enable != 0;
        if (!session.autoReconnect) {
            // A retry already planned is called off; a first attempt still goes ahead.
            if (session.link == Session::Link::Waiting && session.retryPlanned) {
                session.link = Session::Link::Down;
            }
            return 0;
        }
        if (session.link != Session::Link::Down || session.refused) {
            return 0;
        }
        // A session that failed while reconnecting was off starts trying again.
        ScheduleRetry(session, SdkClock::now());
    }
    Wake();
    return 0;
}

int NetSdk::Login(const char* ip, std::uint16_t port, const char* user, const char* password, int) {
    in_addr address{};
    if (ip == nullptr || ::inet_pton(AF_INET, ip, &address) != 1 || port == 0 ||
        !ValidText(user, kMaxUserBytes, false) || !ValidText(password, kMaxPasswordBytes, true)) {
        return kErrorBadArgument;
    }
    int handle = 0;
    {
        const auto lock = LockForCaller();
        if (!m_initialised) {
            return kErrorFailed;
        }
        if (m_sessions.size() >= kMaxSessions || m_nextHandle == INT_MAX) {
            return kErrorTooManySessions;
        }
        handle = m_nextHandle++;
        auto session = std::make_unique<Session>(handle, ntohl(address.s_addr), port, user, password, m_timings,
                                                 m_defaultReconnect);
        session->due = SdkClock::now();
        m_sessions.emplace(handle, std::move(session));
    }
    base::Log("NetSdk: login %s:%u as %s, handle %d\n", ip, port, user, handle);
    Wake();
    return handle;
}

int NetSdk::Logout(int handle) {
    const auto lock = LockForCaller();
    const auto found = m_sessions.find(handle);
    if (found == m_sessions.end()) {
        return kErrorFailed;
    }
    Session& session = *found->second;
    if (session.link == Session::Link::Open) {
        ClientOutput out;
        session.protocol.Logout(out);
        // Best effort: the logout follows whatever was still queued; the socket closes either way.
        const std::string pending = session.out.substr(session.outOffset) + out.bytes;
        [[maybe_unused]] const ssize_t sent =
            ::send(session.socket.Get(), pending.data(), pending.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    }
    m_dirty.erase(handle);
    m_sessions.erase(found);
    base::Log("NetSdk: logout, handle %d\n", handle);
    return 0;
}

int NetSdk::LogoutAll() {
    std::vector<int> handles;
    {
        const auto lock = LockForCaller();
        for (const auto& entry : m_sessions) {
            handles.push_back(entry.first);
        }
    }
    for (const int handle : handles) {
        Logout(handle);
    }
    return 0;
}

int NetSdk::GetDVRConfig(int handle, int code, int channel, const char* request, int requestLength, int) {
    if (!ValidCode(code) || !ValidBlock(request, requestLength)) {
        return kErrorBadArgument;
    }
    return Send(handle,
                RequestMessage{Operation::GetDVRConfig, static_cast<std::uint32_t>(code), channel,
                               std::string(request != nullptr ? request : "", static_cast<std::size_t>(requestLength))},
                true);
}

int NetSdk::SetDVRConfig(int handle, int code, int channel, const char* xml, int length) {
    if (!ValidCode(code) || !ValidBlock(xml, length)) {
        return kErrorBadArgument;
    }
    return Send(handle,
                RequestMessage{Operation::SetDVRConfig, static_cast<std::uint32_t>(code), channel,
                               std::string(xml != nullptr ? xml : "", static_cast<std::size_t>(length))},
                true);
}

int NetSdk::SetDevcieConfig(int handle, int code, const char* xml, int length) {
    if (!ValidCode(code) || !ValidBlock(xml, length)) {
        return kErrorBadArgument;
    }
    return Send(handle,
                RequestMessage{Operation::SetDevcieConfig, static_cast<std::uint32_t>(code), 0,
                               std::string(xml != nullptr ? xml : "", static_cast<std::size_t>(length))},
                true);
}

int NetSdk::SystemControl(int handle, int code, int channel, const char* request) {
    if (!ValidCode(code) || (request != nullptr && !ValidText(request, kMaxRequestTextBytes, true))) {
        return kErrorBadArgument;
    }
    return Send(handle,
                RequestMessage{Operation::SystemControl, static_cast<std::uint32_t>(code), channel,
                               request != nullptr ? request : ""},
                true);
}

int NetSdk::SET_TimeManualConfig(int handle, const TimeManualConfig& time) {
    return Send(handle, RequestMessage{Operation::SetTimeManual, 0, 0, EncodeTimeRecord(time)}, false);
}

int NetSdk::RebootDVR(int handle) {
    return Send(handle, RequestMessage{Operation::Reboot, 0, 0, {}}, false);
}

int NetSdk::RestoreConfig(int handle) {
    return Send(handle, RequestMessage{Operation::Restore, 0, 0, {}}, false);
}

int NetSdk::PTZPreset(int handle, int command, int preset) {
    if (!IsValidPtzPreset(command, preset)) {
        return kErrorBadArgument;
    }
    return Send(handle, RequestMessage{Operation::PtzPreset, 0, 0, EncodePtzPreset({command, preset})}, false);
}

std::size_t NetSdk::SessionCount() const {
    const auto lock = LockForCaller();
    return m_sessions.size();
}

std::size_t NetSdk::LoggedInCount() const {
    const auto lock = LockForCaller();
    return static_cast<std::size_t>(std::count_if(m_sessions.begin(), m_sessions.end(), [](const auto& entry) {
        return entry.second->link == Session::Link::Open && entry.second->protocol.LoggedIn();
    }));
}

int NetSdk::Send(int handle, const RequestMessage& request, bool reportAnswer) {
    {
        const auto lock = LockForCaller();
        const auto found = m_sessions.find(handle);
        if (found == m_sessions.end()) {
            return kErrorFailed;
        }
        Session& session = *found->second;
        if (session.link != Session::Link::Open || session.out.size() - session.outOffset > kMaxQueuedBytes) {
            return kErrorFailed;
        }
        ClientOutput out;
        if (session.protocol.Request(request, reportAnswer, SdkClock::now(), out) != 0) {
            return kErrorFailed;
        }
        session.out += out.bytes;
        m_dirty.insert(handle);
    }
    Wake();
    return 0;
}

std::unique_lock<std::mutex> NetSdk::LockForCaller() const {
    ++m_callersWaiting;
    std::unique_lock lock(m_mutex);
    --m_callersWaiting;
    return lock;
}

void NetSdk::LetCallersIn() {
    // A mutex is not fair: the loop would take it again at once, step after step, while a caller
    // that was woken still waits to be scheduled. The loop waits until the callers waiting now had
    // their turn, a bounded time, so a caller waits for one step of the loop at most.
    const auto giveUp = SdkClock::now() + std::chrono::milliseconds(kCallerTurnMaxMs);
    for (int spins = 0; m_callersWaiting.load() > 0; ++spins) {
        if (spins < 64) {
            std::this_thread::yield();
        } else if (SdkClock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::microseconds(20));
        } else {
            break;
        }
    }
}

void NetSdk::Wake() {
    if (!m_wakePending.exchange(true) && m_wakeFd) {
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(m_wakeFd.Get(), &one, sizeof(one));
    }
}

void NetSdk::Run() {
    std::vector<epoll_event> events(kMaxEventsPerWait);
    int waitMs = 0;
    while (!m_stopping) {
        const int count = ::epoll_wait(m_epoll.Get(), events.data(), kMaxEventsPerWait, waitMs);
        if (count < 0 && errno != EINTR) {
            base::Log("NetSdk: epoll_wait failed: %s\n", std::strerror(errno));
            break;
        }
        // The lock is taken per event: a login's key derivation takes half a millisecond, and
        // callers must not wait for a whole batch of them.
        for (int i = 0; i < count; ++i) {
            {
                std::lock_guard lock(m_mutex);
                OnEvent(events[static_cast<std::size_t>(i)], SdkClock::now());
            }
            LetCallersIn();
        }
        std::vector<Delivery> deliveries;
        {
            std::lock_guard lock(m_mutex);
            const SdkClock::time_point now = SdkClock::now();
            for (const int handle : m_dirty) {
                const auto found = m_sessions.find(handle);
                if (found != m_sessions.end() && found->second->link == Session::Link::Open) {
                    Flush(*found->second, now);
                }
            }
            m_dirty.clear();
            const SdkClock::time_point next = ServiceTimers(now);
            const auto untilNext = std::chrono::duration_cast<std::chrono::milliseconds>(next - now).count();
            waitMs = next == SdkClock::time_point::max()
                         ? kMaxWaitMs
                         : static_cast<int>(std::clamp<long long>(untilNext + 1, 0, kMaxWaitMs));
            deliveries.swap(m_deliveries);
        }
        LetCallersIn();
        Deliver(deliveries);
    }
}

void NetSdk::OnEvent(const epoll_event& event, SdkClock::time_point now) {
    if (event.data.u64 == kWakeKey) {
        std::uint64_t value = 0;
        [[maybe_unused]] const ssize_t read = ::read(m_wakeFd.Get(), &value, sizeof(value));
        m_wakePending = false;
        return;
    }
    // Sessions are looked up by handle: one logged out meanwhile is simply gone.
    const auto found = m_sessions.find(static_cast<int>(event.data.u64));
    if (found == m_sessions.end()) {
        return;
    }
    Session& session = *found->second;
    if (session.link == Session::Link::Connecting) {
        OnWritable(session, now);
        return;
    }
    if ((event.events & (EPOLLIN | EPOLLHUP | EPOLLERR)) != 0) {
        OnReadable(session, now);
    }
    if (session.link == Session::Link::Open && (event.events & EPOLLOUT) != 0) {
        Flush(session, now);
    }
}

void NetSdk::OnWritable(Session& session, SdkClock::time_point now) {
    if (const int error = platform::ConnectResult(session.socket.Get()); error != 0) {
        ConnectFailed(session, error, now);
        return;
    }
    session.link = Session::Link::Open;
    platform::SetNoDelay(session.socket.Get());
    session.protocol.Start(now);
    UpdateInterest(session);
}

void NetSdk::OnReadable(Session& session, SdkClock::time_point now) {
    static thread_local std::string buffer(kReadChunkBytes, '\0');
    std::size_t total = 0;
    while (session.link == Session::Link::Open && total < kMaxReadPerEventBytes) {
        const ssize_t received = ::recv(session.socket.Get(), buffer.data(), buffer.size(), MSG_DONTWAIT);
        if (received < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            return;
        }
        ClientOutput out;
        if (received <= 0) {
            session.protocol.Closed(now, out);
            Apply(session, out, now);
            return;
        }
        total += static_cast<std::size_t>(received);
        session.protocol.Receive(std::string_view(buffer.data(), static_cast<std::size_t>(received)), now, out);
        Apply(session, out, now);
    }
}

void NetSdk::StartConnect(Session& session, SdkClock::time_point now) {
    session.retryPlanned = false;
    session.socket = platform::StartTcpConnect(session.address, session.port);
    if (!session.socket) {
        ConnectFailed(session, errno, now);
        return;
    }
    session.link = Session::Link::Connecting;
    session.due = now + std::chrono::milliseconds(m_timings.connectTimeoutMs);
    session.out.clear();
    session.outOffset = 0;
    session.interest = 0;
    UpdateInterest(session);
}

void NetSdk::ConnectFailed(Session& session, int error, SdkClock::time_point now) {
    CloseLink(session);
    base::Log("NetSdk: %s: cannot connect: %s\n", Label(session.handle, session.address, session.port).c_str(),
              std::strerror(error));
    m_deliveries.push_back({session.handle, {ClientNotice::Kind::Status, kEventCannotConnect, 0, {}}});
    if (session.autoReconnect) {
        ScheduleRetry(session, now);
    }
}

void NetSdk::Apply(Session& session, ClientOutput& out, SdkClock::time_point now) {
    for (ClientNotice& notice : out.notices) {
        if (notice.kind == ClientNotice::Kind::Status && notice.eventType == kEventLoggedIn) {
            session.retryDelayMs = m_timings.reconnectFirstDelayMs;
            base::Log("NetSdk: %s: logged in\n", Label(session.handle, session.address, session.port).c_str());
        }
        m_deliveries.push_back({session.handle, std::move(notice)});
    }
    if (!out.bytes.empty() && session.link == Session::Link::Open) {
        session.out += out.bytes;
        Flush(session, now);
    }
    if (!out.ended) {
        return;
    }
    CloseLink(session);
    base::Log("NetSdk: %s: %s\n", Label(session.handle, session.address, session.port).c_str(), out.endReason.c_str());
    if (!out.retry) {
        session.refused = true;
    } else if (session.autoReconnect) {
        ScheduleRetry(session, now);
    }
}

void NetSdk::Flush(Session& session, SdkClock::time_point now) {
    while (session.outOffset < session.out.size()) {
        const ssize_t sent = ::send(session.socket.Get(), session.out.data() + session.outOffset,
                                    session.out.size() - session.outOffset, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) {
            break;
        }
        if (sent <= 0) {
            ClientOutput out;
            session.protocol.Closed(now, out);
            Apply(session, out, now);
            return;
        }
        session.outOffset += static_cast<std::size_t>(sent);
    }
    if (session.outOffset == session.out.size()) {
        session.out.clear();
        session.outOffset = 0;
    }
    UpdateInterest(session);
}

void NetSdk::CloseLink(Session& session) {
    session.socket.Reset(); // closing also takes it out of the epoll set
    session.interest = 0;
    session.out.clear();
    session.outOffset = 0;
    session.link = Session::Link::Down;
}

void NetSdk::ScheduleRetry(Session& session, SdkClock::time_point now) {
    // A little randomness keeps hundreds of sessions that failed together from retrying together.
    std::uniform_real_distribution<double> spread(0.9, 1.1);
    const auto delayMs = static_cast<long long>(session.retryDelayMs * spread(m_random));
    session.link = Session::Link::Waiting;
    session.retryPlanned = true;
    session.due = now + std::chrono::milliseconds(delayMs);
    session.retryDelayMs = std::min(session.retryDelayMs * 2, m_timings.reconnectMaxDelayMs);
}

void NetSdk::UpdateInterest(Session& session) {
    if (!session.socket) {
        return;
    }
    std::uint32_t wanted = 0;
    if (session.link == Session::Link::Connecting) {
        wanted = EPOLLOUT;
    } else if (session.link == Session::Link::Open) {
        wanted = EPOLLIN | (session.outOffset < session.out.size() ? EPOLLOUT : 0u);
    }
    if (wanted == session.interest) {
        return;
    }
    epoll_event event{};
    event.events = wanted;
    event.data.u64 = static_cast<std::uint64_t>(session.handle);
    const int operation = session.interest == 0 ? EPOLL_CTL_ADD : EPOLL_CTL_MOD;
    if (::epoll_ctl(m_epoll.Get(), operation, session.socket.Get(), &event) == 0) {
        session.interest = wanted;
    } else {
        base::Log("NetSdk: epoll_ctl failed: %s\n", std::strerror(errno));
    }
}

SdkClock::time_point NetSdk::ServiceTimers(SdkClock::time_point now) {
    SdkClock::time_point next = SdkClock::time_point::max();
    int started = 0;
    for (auto& entry : m_sessions) {
        Session& session = *entry.second;
        switch (session.link) {
        case Session::Link::Waiting:
            // The rest of a large batch of logins starts in the next passes: the lock is held
            // meanwhile, and callers should wait for a few connects, not for hundreds.
            if (session.due <= now && started < kMaxConnectsPerPass) {
                StartConnect(session, now);
                ++started;
            }
            break;
        case Session::Link::Connecting:
            if (session.due <= now) {
                ConnectFailed(session, ETIMEDOUT, now);
            }
            break;
        case Session::Link::Open: {
            ClientOutput out;
            session.protocol.Tick(now, out);
            Apply(session, out, now);
            break;
        }
        case Session::Link::Down:
            break;
        }
        if (session.link == Session::Link::Waiting || session.link == Session::Link::Connecting) {
            next = std::min(next, session.due);
        } else if (session.link == Session::Link::Open) {
            next = std::min(next, session.protocol.NextDeadline());
        }
    }
    return next;
}

void NetSdk::Deliver(std::vector<Delivery>& deliveries) {
    if (deliveries.empty()) {
        return;
    }
    StatusEventCallBack statusCallBack = nullptr;
    AUXResponseCallBack auxCallBack = nullptr;
    void* statusUser = nullptr;
    void* auxUser = nullptr;
    {
        std::lock_guard lock(m_mutex);
        statusCallBack = m_statusCallBack;
        statusUser = m_statusUser;
        auxCallBack = m_auxCallBack;
        auxUser = m_auxUser;
    }
    for (const Delivery& delivery : deliveries) {
        const ClientNotice& notice = delivery.notice;
        const int bytes = static_cast<int>(notice.payload.size());
        if (notice.kind == ClientNotice::Kind::Status) {
            if (statusCallBack != nullptr) {
                statusCallBack(delivery.handle, notice.eventType, notice.payload.c_str(), bytes, statusUser);
            }
        } else if (auxCallBack != nullptr) {
            auxCallBack(delivery.handle, notice.word, notice.payload.c_str(), bytes, auxUser);
        }
    }
}

} // namespace zk::sdk

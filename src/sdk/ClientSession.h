// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sdk/LoginCrypto.h"
#include "sdk/SessionFrame.h"
#include "sdk/SessionMessages.h"

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zk::sdk {

using SdkClock = std::chrono::steady_clock;

// Every time limit of a client session, in milliseconds.
struct SessionTimings {
    int connectTimeoutMs = 5000;      // TCP connection
    int loginTimeoutMs = 10000;       // from the connection to the login's result
    int keepAliveIntervalMs = 5000;   // a keep-alive after this much time without sending one
    int keepAliveTimeoutMs = 20000;   // nothing heard from the device for this long: event 5
    int requestTimeoutMs = 15000;     // a request unanswered this long is answered kResultNoAnswer
    int reconnectFirstDelayMs = 1000; // the first retry after a failure; doubled after each further one
    int reconnectMaxDelayMs = 30000;
};

// Something for the callbacks: a status event, or an answer under a command code.
struct ClientNotice {
    enum class Kind { Status, Answer };
    Kind kind = Kind::Status;
    int eventType = 0;      // Status
    std::uint32_t word = 0; // Answer: PackAuxWord(code, result)
    std::string payload;
};

// What one step of a session produced.
struct ClientOutput {
    std::string bytes; // to send, in order
    std::vector<ClientNotice> notices;
    // Set when the connection must close now; retry is false only when the device refused the
    // account, which must never be retried on its own.
    bool ended = false;
    bool retry = false;
    std::string endReason; // for the log
};

// The client's side of the session protocol for one device, connection after connection: the
// login, keep-alives, requests and their answers, and pushed events. It does no input or output:
// the caller feeds it bytes and the time and sends what it returns, so it is tested and fuzzed
// without sockets. Not thread-safe; NetSdk uses it under its lock.
class ClientSession final {
public:
    ClientSession(std::string user, std::string password, SessionTimings timings);
    ~ClientSession();
    ClientSession(const ClientSession&) = delete;
    ClientSession& operator=(const ClientSession&) = delete;

    // A new connection is open: wait for the device's challenge.
    void Start(SdkClock::time_point now);
    void Receive(std::string_view bytes, SdkClock::time_point now, ClientOutput& out);
    // Time limits and keep-alives.
    void Tick(SdkClock::time_point now, ClientOutput& out);
    // The device closed the connection or the socket failed.
    void Closed(SdkClock::time_point now, ClientOutput& out);
    // Queues a request; an answer with reportAnswer arrives as a notice, else it is only logged.
    // Returns 0, or -1 when not logged in.
    int Request(const RequestMessage& request, bool reportAnswer, SdkClock::time_point now, ClientOutput& out);
    // The client ends the session: a logout message; pending answers are dropped.
    void Logout(ClientOutput& out);

    bool LoggedIn() const { return m_state == State::LoggedIn; }
    // The next time Tick has something to do; time_point::max() when nothing waits.
    SdkClock::time_point NextDeadline() const;
    // A name for log lines ("handle 3 192.168.1.10:34567").
    void SetLabel(std::string label) { m_label = std::move(label); }

private:
    enum class State { Idle, AwaitChallenge, AwaitLoginResult, LoggedIn, Ended };
    struct Pending {
        Operation operation;
        std::uint32_t code;
        bool report;
        SdkClock::time_point deadline;
    };

    void HandleFrame(const Frame& frame, SdkClock::time_point now, ClientOutput& out);
    void HandleChallenge(const Frame& frame, ClientOutput& out);
    void HandleLoginResult(const Frame& frame, SdkClock::time_point now, ClientOutput& out);
    void HandleAnswer(const Frame& frame, ClientOutput& out);
    void HandleEvent(const Frame& frame, ClientOutput& out);
    void End(int eventType, bool retry, std::string reason, ClientOutput& out);
    void FailPending(ClientOutput& out);
    std::uint32_t NextSequence();

    std::string m_user;
    std::string m_password;
    SessionTimings m_timings;
    std::string m_label;
    State m_state = State::Idle;
    FrameDecoder m_decoder;
    Nonce m_deviceNonce{};
    Nonce m_clientNonce{};
    // The key of the last challenge, kept so that reconnecting to the same device skips the
    // deliberately slow derivation.
    std::optional<std::pair<Salt, std::uint32_t>> m_keyFor;
    LoginKey m_key{};
    SdkClock::time_point m_loginDeadline{};
    SdkClock::time_point m_lastHeard{};
    SdkClock::time_point m_nextKeepAlive{};
    std::uint32_t m_sequence = 0;
    std::map<std::uint32_t, Pending> m_pending;
};

} // namespace zk::sdk

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "devsim/SimDevice.h"
#include "sdk/SessionFrame.h"
#include "sdk/SessionMessages.h"

#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

namespace zk::devsim {

// How the devices' session side behaves.
struct SessionSettings {
    int loginTimeoutMs = 10000;    // a connection must log in this soon after the challenge
    int idleTimeoutMs = 60000;     // a session that sends nothing this long is logged out
    int lockAfter = 5;             // wrong logins in a row that lock the account; 0 never locks
    int lockSeconds = 60;          // how long a locked account stays locked
    int maxSessionsPerDevice = 16; // further logins are answered "busy"
    int rebootSeconds = 5;         // silence after a reboot or restore
    // Answers to requests wait this long plus a random 0..answerJitterMs, as a busy device's do;
    // 0 answers at once. Logins and keep-alives are never held back.
    int answerDelayMs = 0;
    int answerJitterMs = 0;
};

// What the record file says about one message a session received.
struct SessionSummary {
    std::string message; // "login", "request", "logout" or "invalid"
    std::string user;    // login: the user name given
    std::optional<sdk::Operation> operation;
    std::uint32_t code = 0;
    std::int32_t channel = 0;
    std::optional<int> result; // the result byte answered; none when nothing was answered
    bool accepted = false;
    std::string reason;  // why not
    std::string payload; // the request's text; readable for the time and PTZPreset records
    std::string bytes;   // the request's text exactly as it arrived
};

// A change to the whole device that the server carries out for all its sessions.
enum class DeviceAction { None, Reboot, Restore };

struct DeviceOutput {
    std::string bytes;  // to send, in order
    bool close = false; // close the connection once the bytes are sent
    // The bytes answer a request (an answer frame, or what a garbage device sends instead): the
    // server may hold them back for its answer delay.
    bool answersRequest = false;
    DeviceAction action = DeviceAction::None;
    std::vector<SessionSummary> records;
};

// The device's side of the session protocol on one connection: the challenge, the account check
// with lock-out, keep-alive acknowledgements, and answers to requests from the device's
// configuration document and state, shaped by the device's bad kinds. No input or output of its
// own, so tests and the fuzzer drive it directly. Not thread-safe: the session server's thread
// owns it and its device.
class DeviceSession final {
public:
    DeviceSession(SimDevice& device, const SessionSettings& settings, std::mt19937_64& random);
    ~DeviceSession();
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    // A client connected: the challenge.
    void Start(SimClock::time_point now, DeviceOutput& out);
    void Receive(std::string_view bytes, SimClock::time_point now, DeviceOutput& out);
    // Login and idle time limits.
    void Tick(SimClock::time_point now, DeviceOutput& out);
    // The device ends a logged-in session (reboot, restore): a logout message, then close.
    void End(sdk::LogoutReason reason, DeviceOutput& out);
    // Pushes an event to a logged-in session; false when not logged in.
    bool Push(const sdk::EventMessage& event, DeviceOutput& out);

    bool LoggedIn() const { return m_state == State::LoggedIn; }
    SimDevice& Device() { return m_device; }
    SimClock::time_point Deadline() const;

private:
    enum class State { Idle, AwaitLogin, LoggedIn, Closed };

    void HandleFrame(const sdk::Frame& frame, SimClock::time_point now, DeviceOutput& out);
    void HandleLogin(const sdk::Frame& frame, SimClock::time_point now, DeviceOutput& out);
    void HandleRequest(const sdk::Frame& frame, SimClock::time_point now, DeviceOutput& out);
    sdk::AnswerMessage Answer(const sdk::RequestMessage& request, DeviceOutput& out);
    std::uint8_t Control(std::uint32_t code, std::string_view text, std::string& payload);
    std::uint8_t Preset(std::string_view text);
    void Invalid(std::string reason, DeviceOutput& out);
    void Close(DeviceOutput& out);

    SimDevice& m_device;
    SessionSettings m_settings; // a copy: callers may pass a temporary
    std::mt19937_64& m_random;
    State m_state = State::Idle;
    sdk::FrameDecoder m_decoder;
    sdk::Nonce m_nonce{};
    SimClock::time_point m_deadline{};
};

} // namespace zk::devsim

// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/ClientSession.h"

#include "base/DebugLog.h"
#include "sdk/AlarmRecord.h"

#include <algorithm>
#include <cstring>

namespace zk::sdk {
namespace {

std::chrono::milliseconds Ms(int value) {
    return std::chrono::milliseconds(value);
}

// The library alone reports the state of a session; a device sending these numbers is ignored.
bool IsSessionEvent(std::uint32_t eventType) {
    switch (eventType) {
    case kEventConnectionLost:
    case kEventCannotConnect:
    case kEventLoggedIn:
    case kEventKeepAliveTimeout:
    case kEventWrongPassword:
    case kEventLoggedOutByDevice:
        return true;
    default:
        return false;
    }
}

// Events 25 and 30 carry binary records whose layouts this version does not define yet.
bool IsUndefinedBinaryEvent(std::uint32_t eventType) {
    return eventType == 25 || eventType == 30;
}

} // namespace

ClientSession::ClientSession(std::string user, std::string password, SessionTimings timings)
    : m_user(std::move(user)), m_password(std::move(password)), m_timings(timings) {}

ClientSession::~ClientSession() {
    Wipe(m_password.data(), m_password.size());
    Wipe(m_key.data(), m_key.size());
}

void ClientSession::Start(SdkClock::time_point now) {
    m_state = State::AwaitChallenge;
    m_decoder = FrameDecoder();
    m_pending.clear();
    m_loginDeadline = now + Ms(m_timings.loginTimeoutMs);
}

std::uint32_t ClientSession::NextSequence() {
    if (++m_sequence == 0) {
        m_sequence = 1;
    }
    return m_sequence;
}

void ClientSession::Receive(std::string_view bytes, SdkClock::time_point now, ClientOutput& out) {
    if (m_state == State::Idle || m_state == State::Ended) {
        return;
    }
    m_decoder.Append(bytes);
    Frame frame;
    while (m_state != State::Ended) {
        const FrameDecoder::Status status = m_decoder.Next(frame);
        if (status == FrameDecoder::Status::NeedMore) {
            break;
        }
        if (status == FrameDecoder::Status::Invalid) {
            End(m_state == State::LoggedIn ? kEventConnectionLost : kEventCannotConnect, true,
                "invalid frame from the device", out);
            break;
        }
        HandleFrame(frame, now, out);
    }
}

void ClientSession::HandleFrame(const Frame& frame, SdkClock::time_point now, ClientOutput& out) {
    if (IsReservedMessageType(frame.type)) {
        return; // file transfer and audio: later versions
    }
    switch (m_state) {
    case State::AwaitChallenge:
        if (frame.type != MessageType::Challenge) {
            End(kEventCannotConnect, true, "no challenge from the device", out);
            return;
        }
        HandleChallenge(frame, out);
        return;
    case State::AwaitLoginResult:
        if (frame.type != MessageType::LoginResult) {
            End(kEventCannotConnect, true, "no login result from the device", out);
            return;
        }
        HandleLoginResult(frame, now, out);
        return;
    case State::LoggedIn:
        break;
    case State::Idle:
    case State::Ended:
        return;
    }
    m_lastHeard = now;
    switch (frame.type) {
    case MessageType::KeepAliveAck:
        return;
    case MessageType::Answer:
        HandleAnswer(frame, out);
        return;
    case MessageType::Event:
        HandleEvent(frame, out);
        return;
    case MessageType::Logout:
        End(kEventLoggedOutByDevice, true, "logged out by the device", out);
        return;
    default:
        End(kEventConnectionLost, true, "unexpected " + std::string(MessageTypeName(frame.type)) + " from the device",
            out);
        return;
    }
}

void ClientSession::HandleChallenge(const Frame& frame, ClientOutput& out) {
    ChallengeMessage challenge;
    if (ParseChallenge(frame.payload, challenge) != 0 || challenge.iterations < kMinKeyIterations ||
        challenge.iterations > kMaxKeyIterations) {
        End(kEventCannotConnect, true, "unusable challenge from the device", out);
        return;
    }
    const std::pair<Salt, std::uint32_t> keyFor{challenge.salt, challenge.iterations};
    if (m_keyFor != keyFor) {
        m_keyFor.reset();
        if (DeriveLoginKey(m_password, challenge.salt, challenge.iterations, m_key) != 0) {
            End(kEventCannotConnect, true, "key derivation failed", out);
            return;
        }
        m_keyFor = keyFor;
    }
    if (RandomBytes(m_clientNonce.data(), m_clientNonce.size()) != 0) {
        End(kEventCannotConnect, true, "no random bytes", out);
        return;
    }
    m_deviceNonce = challenge.nonce;
    LoginRequestMessage request;
    request.user = m_user;
    request.clientNonce = m_clientNonce;
    request.proof = ClientProof(m_key, m_deviceNonce, m_clientNonce, m_user);
    AppendFrame(out.bytes, MessageType::LoginRequest, 0, EncodeLoginRequest(request));
    m_state = State::AwaitLoginResult;
}

void ClientSession::HandleLoginResult(const Frame& frame, SdkClock::time_point now, ClientOutput& out) {
    LoginResultMessage result;
    if (ParseLoginResult(frame.payload, result) != 0) {
        End(kEventCannotConnect, true, "malformed login result", out);
        return;
    }
    switch (result.status) {
    case LoginStatus::Ok:
        break;
    case LoginStatus::WrongCredentials:
        End(kEventWrongPassword, false, "wrong user or password", out);
        return;
    case LoginStatus::Locked:
        End(kEventWrongPassword, false, "account locked by the device", out);
        return;
    case LoginStatus::Busy:
        End(kEventCannotConnect, true, "the device takes no more sessions", out);
        return;
    }
    // A device that cannot prove it knows the key is not the device the account belongs to.
    if (!ProofsEqual(result.proof, DeviceProof(m_key, m_deviceNonce, m_clientNonce, m_user))) {
        End(kEventCannotConnect, true, "the device's proof is wrong", out);
        return;
    }
    m_state = State::LoggedIn;
    m_lastHeard = now;
    m_nextKeepAlive = now + Ms(m_timings.keepAliveIntervalMs);
    out.notices.push_back({ClientNotice::Kind::Status, kEventLoggedIn, 0, {}});
}

void ClientSession::HandleAnswer(const Frame& frame, ClientOutput& out) {
    AnswerMessage answer;
    const auto found = m_pending.find(frame.sequence);
    if (ParseAnswer(frame.payload, answer) != 0 || found == m_pending.end() ||
        found->second.operation != answer.operation || found->second.code != answer.code) {
        // A late answer (already reported as missing) or a stray one: nobody waits for it.
        return;
    }
    if (found->second.report) {
        out.notices.push_back(
            {ClientNotice::Kind::Answer, 0, PackAuxWord(static_cast<int>(answer.code), answer.result), answer.payload});
    } else if (answer.result != kResultOk) {
        base::Log("NetSdk: %s: %s failed with result %d\n", m_label.c_str(),
                  std::string(OperationName(answer.operation)).c_str(), answer.result);
    }
    m_pending.erase(found);
}

void ClientSession::HandleEvent(const Frame& frame, ClientOutput& out) {
    EventMessage event;
    if (ParseEvent(frame.payload, event) != 0 || IsSessionEvent(event.eventType) ||
        IsUndefinedBinaryEvent(event.eventType) || event.eventType > 0x7FFFFFFF) {
        return;
    }
    if (event.eventType == static_cast<std::uint32_t>(kEventAlarm)) {
        AlarmRecord record{};
        if (DecodeAlarmRecord(event.payload, record) != 0) {
            return;
        }
        // The callback gets the record in the machine's own layout.
        std::string bytes(sizeof(record), '\0');
        std::memcpy(bytes.data(), &record, sizeof(record));
        out.notices.push_back({ClientNotice::Kind::Status, kEventAlarm, 0, std::move(bytes)});
        return;
    }
    out.notices.push_back({ClientNotice::Kind::Status, static_cast<int>(event.eventType), 0, std::move(event.payload)});
}

void ClientSession::Tick(SdkClock::time_point now, ClientOutput& out) {
    switch (m_state) {
    case State::AwaitChallenge:
    case State::AwaitLoginResult:
        if (now >= m_loginDeadline) {
            End(kEventCannotConnect, true, "no login answer in time", out);
        }
        return;
    case State::LoggedIn:
        break;
    case State::Idle:
    case State::Ended:
        return;
    }
    if (now - m_lastHeard >= Ms(m_timings.keepAliveTimeoutMs)) {
        End(kEventKeepAliveTimeout, true, "keep-alive timed out", out);
        return;
    }
    if (now >= m_nextKeepAlive) {
        AppendFrame(out.bytes, MessageType::KeepAlive, NextSequence(), {});
        m_nextKeepAlive = now + Ms(m_timings.keepAliveIntervalMs);
    }
    for (auto it = m_pending.begin(); it != m_pending.end();) {
        if (now < it->second.deadline) {
            ++it;
            continue;
        }
        if (it->second.report) {
            out.notices.push_back(
                {ClientNotice::Kind::Answer, 0, PackAuxWord(static_cast<int>(it->second.code), kResultNoAnswer), {}});
        } else {
            base::Log("NetSdk: %s: %s not answered in time\n", m_label.c_str(),
                      std::string(OperationName(it->second.operation)).c_str());
        }
        it = m_pending.erase(it);
    }
}

void ClientSession::Closed(SdkClock::time_point, ClientOutput& out) {
    switch (m_state) {
    case State::AwaitChallenge:
    case State::AwaitLoginResult:
        End(kEventCannotConnect, true, "connection closed during the login", out);
        return;
    case State::LoggedIn:
        End(kEventConnectionLost, true, "connection lost", out);
        return;
    case State::Idle:
    case State::Ended:
        return;
    }
}

int ClientSession::Request(const RequestMessage& request, bool reportAnswer, SdkClock::time_point now,
                           ClientOutput& out) {
    if (m_state != State::LoggedIn) {
        return -1;
    }
    const std::uint32_t sequence = NextSequence();
    AppendFrame(out.bytes, MessageType::Request, sequence, EncodeRequest(request));
    m_pending[sequence] =
        Pending{request.operation, request.code & kMaxCommandCode, reportAnswer, now + Ms(m_timings.requestTimeoutMs)};
    return 0;
}

void ClientSession::Logout(ClientOutput& out) {
    if (m_state == State::LoggedIn) {
        AppendFrame(out.bytes, MessageType::Logout, 0, EncodeLogout(LogoutReason::Requested));
    }
    m_pending.clear();
    m_state = State::Ended;
}

void ClientSession::End(int eventType, bool retry, std::string reason, ClientOutput& out) {
    m_state = State::Ended;
    out.notices.push_back({ClientNotice::Kind::Status, eventType, 0, {}});
    FailPending(out);
    out.ended = true;
    out.retry = retry;
    out.endReason = std::move(reason);
}

void ClientSession::FailPending(ClientOutput& out) {
    for (const auto& [sequence, pending] : m_pending) {
        if (pending.report) {
            out.notices.push_back(
                {ClientNotice::Kind::Answer, 0, PackAuxWord(static_cast<int>(pending.code), kResultNoAnswer), {}});
        }
    }
    m_pending.clear();
}

SdkClock::time_point ClientSession::NextDeadline() const {
    switch (m_state) {
    case State::AwaitChallenge:
    case State::AwaitLoginResult:
        return m_loginDeadline;
    case State::LoggedIn: {
        SdkClock::time_point next = std::min(m_nextKeepAlive, m_lastHeard + Ms(m_timings.keepAliveTimeoutMs));
        for (const auto& entry : m_pending) {
            next = std::min(next, entry.second.deadline);
        }
        return next;
    }
    case State::Idle:
    case State::Ended:
        break;
    }
    return SdkClock::time_point::max();
}

} // namespace zk::sdk

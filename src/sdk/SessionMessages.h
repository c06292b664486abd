// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sdk/DeviceSdk.h"
#include "sdk/LoginCrypto.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The payloads of the session protocol's messages (docs/session-protocol.md), shared by the client
// and the device side. Encoders write a payload for EncodeFrame; parsers accept exactly the sizes
// the document gives and return 0, or -1 for anything else. Pure code, safe from any thread.
namespace zk::sdk {

inline constexpr std::size_t kMaxUserBytes = 63;
inline constexpr std::size_t kMaxPasswordBytes = 63;
// Request texts and answer payloads: the tool's copy area is 102400 bytes.
inline constexpr std::size_t kMaxRequestTextBytes = 102400;
inline constexpr std::uint32_t kMaxCommandCode = 0xFFFFFF;
inline constexpr std::size_t kTimeTextBytes = sizeof(TimeManualConfig::LocalTime);

struct ChallengeMessage {
    Nonce nonce{};
    Salt salt{};
    std::uint32_t iterations = 0;
};

struct LoginRequestMessage {
    std::string user;
    Nonce clientNonce{};
    Proof proof{};
};

enum class LoginStatus : std::uint8_t {
    Ok = 0,
    WrongCredentials = 1,
    Locked = 2, // too many wrong attempts; the account is locked for a while
    Busy = 3,   // the device takes no more sessions now
};

struct LoginResultMessage {
    LoginStatus status = LoginStatus::Ok;
    Proof proof{}; // the device's proof; zero unless the login succeeded
};

enum class LogoutReason : std::uint8_t {
    Requested = 0, // the client logs out
    Reboot = 1,
    Restore = 2,
    Idle = 3, // nothing heard from the client for too long
};

// What a request asks for; the answer repeats it.
enum class Operation : std::uint8_t {
    GetDVRConfig = 1,
    SetDVRConfig = 2,
    SetDevcieConfig = 3,
    SystemControl = 4,
    SetTimeManual = 5,
    Reboot = 6,
    Restore = 7,
    PtzPreset = 8,
};
bool IsKnownOperation(std::uint8_t operation);
std::string_view OperationName(Operation operation);

struct RequestMessage {
    Operation operation = Operation::GetDVRConfig;
    std::uint32_t code = 0;
    std::int32_t channel = 0;
    std::string text; // the request text; for SetTimeManual and PtzPreset the encoded record
};

struct AnswerMessage {
    Operation operation = Operation::GetDVRConfig;
    std::uint8_t result = 0;
    std::uint32_t code = 0;
    std::string payload;
};

struct EventMessage {
    std::uint32_t eventType = 0;
    std::string payload;
};

std::string EncodeChallenge(const ChallengeMessage& message);
int ParseChallenge(std::string_view payload, ChallengeMessage& message);

std::string EncodeLoginRequest(const LoginRequestMessage& message);
int ParseLoginRequest(std::string_view payload, LoginRequestMessage& message);

std::string EncodeLoginResult(const LoginResultMessage& message);
int ParseLoginResult(std::string_view payload, LoginResultMessage& message);

std::string EncodeLogout(LogoutReason reason);
// Unknown reasons parse as themselves; only the size is checked.
int ParseLogout(std::string_view payload, std::uint8_t& reason);

std::string EncodeRequest(const RequestMessage& message);
int ParseRequest(std::string_view payload, RequestMessage& message);

std::string EncodeAnswer(const AnswerMessage& message);
int ParseAnswer(std::string_view payload, AnswerMessage& message);

std::string EncodeEvent(const EventMessage& message);
int ParseEvent(std::string_view payload, EventMessage& message);

// The time record as a request text: the 128-byte field as it is, then the zone.
std::string EncodeTimeRecord(const TimeManualConfig& time);
int ParseTimeRecord(std::string_view text, TimeManualConfig& time);

// The PTZPreset request text: the command (1 byte), then the preset (2 bytes). Parsing checks only
// the size: the device judges the values.
struct PtzPresetRecord {
    int command = 0;
    int preset = 0;
};
std::string EncodePtzPreset(const PtzPresetRecord& record);
int ParsePtzPreset(std::string_view text, PtzPresetRecord& record);

} // namespace zk::sdk

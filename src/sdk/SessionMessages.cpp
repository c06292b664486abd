// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/SessionMessages.h"

#include "sdk/SessionFrame.h"

#include <cstring>

namespace zk::sdk {
namespace {

template <std::size_t N>
void PutBytes(std::string& out, const std::array<std::uint8_t, N>& bytes) {
    out.append(reinterpret_cast<const char*>(bytes.data()), N);
}

template <std::size_t N>
void GetBytes(const char* from, std::array<std::uint8_t, N>& bytes) {
    std::memcpy(bytes.data(), from, N);
}

constexpr std::size_t kChallengeBytes = kNonceBytes + kSaltBytes + 4;
constexpr std::size_t kLoginResultBytes = 4 + kProofBytes;
constexpr std::size_t kRequestHeaderBytes = 12;
constexpr std::size_t kAnswerHeaderBytes = 8;
constexpr std::size_t kTimeRecordBytes = kTimeTextBytes + 4;
constexpr std::size_t kPtzPresetRecordBytes = 3;

} // namespace

bool IsKnownOperation(std::uint8_t operation) {
    return operation >= static_cast<std::uint8_t>(Operation::GetDVRConfig) &&
           operation <= static_cast<std::uint8_t>(Operation::PtzPreset);
}

std::string_view OperationName(Operation operation) {
    switch (operation) {
    case Operation::GetDVRConfig:
        return "GetDVRConfig";
    case Operation::SetDVRConfig:
        return "SetDVRConfig";
    case Operation::SetDevcieConfig:
        return "SetDevcieConfig";
    case Operation::SystemControl:
        return "SystemControl";
    case Operation::SetTimeManual:
        return "SET_TimeManualConfig";
    case Operation::Reboot:
        return "RebootDVR";
    case Operation::Restore:
        return "RestoreConfig";
    case Operation::PtzPreset:
        return "PTZPreset";
    }
    return "Unknown";
}

std::string EncodeChallenge(const ChallengeMessage& message) {
    std::string out;
    PutBytes(out, message.nonce);
    PutBytes(out, message.salt);
    PutU32(out, message.iterations);
    return out;
}

int ParseChallenge(std::string_view payload, ChallengeMessage& message) {
    if (payload.size() != kChallengeBytes) {
        return -1;
    }
    GetBytes(payload.data(), message.nonce);
    GetBytes(payload.data() + kNonceBytes, message.salt);
    message.iterations = GetU32(payload.data() + kNonceBytes + kSaltBytes);
    return 0;
}

std::string EncodeLoginRequest(const LoginRequestMessage& message) {
    const std::string_view user = std::string_view(message.user).substr(0, kMaxUserBytes);
    std::string out(1, static_cast<char>(user.size()));
    out.append(user);
    PutBytes(out, message.clientNonce);
    PutBytes(out, message.proof);
    return out;
}

int ParseLoginRequest(std::string_view payload, LoginRequestMessage& message) {
    if (payload.empty()) {
        return -1;
    }
    const std::size_t userBytes = static_cast<unsigned char>(payload[0]);
    if (userBytes == 0 || userBytes > kMaxUserBytes || payload.size() != 1 + userBytes + kNonceBytes + kProofBytes) {
        return -1;
    }
    const std::string_view user = payload.substr(1, userBytes);
    // A zero byte would make the name compare differently as a C string than as bytes.
    if (user.find('\0') != std::string_view::npos) {
        return -1;
    }
    message.user = std::string(user);
    GetBytes(payload.data() + 1 + userBytes, message.clientNonce);
    GetBytes(payload.data() + 1 + userBytes + kNonceBytes, message.proof);
    return 0;
}

std::string EncodeLoginResult(const LoginResultMessage& message) {
    std::string out(4, '\0');
    out[0] = static_cast<char>(message.status);
    PutBytes(out, message.proof);
    return out;
}

int ParseLoginResult(std::string_view payload, LoginResultMessage& message) {
    if (payload.size() != kLoginResultBytes) {
        return -1;
    }
    const auto status = static_cast<std::uint8_t>(payload[0]);
    if (status > static_cast<std::uint8_t>(LoginStatus::Busy)) {
        return -1;
    }
    message.status = static_cast<LoginStatus>(status);
    GetBytes(payload.data() + 4, message.proof);
    return 0;
}

std::string EncodeLogout(LogoutReason reason) {
    return std::string(1, static_cast<char>(reason));
}

int ParseLogout(std::string_view payload, std::uint8_t& reason) {
    if (payload.size() != 1) {
        return -1;
    }
    reason = static_cast<std::uint8_t>(payload[0]);
    return 0;
}

std::string EncodeRequest(const RequestMessage& message) {
    std::string out(1, static_cast<char>(message.operation));
    out.append(3, '\0');
    PutU32(out, message.code & kMaxCommandCode);
    PutU32(out, static_cast<std::uint32_t>(message.channel));
    out.append(message.text);
    return out;
}

namespace {

// The part requests and answers share: the operation in byte 0 and the command code in bytes 4 to 7,
// ahead of a header of headerBytes and at most kMaxRequestTextBytes after it.
bool ReadOperationAndCode(std::string_view payload, std::size_t headerBytes, Operation& operation,
                          std::uint32_t& code) {
    if (payload.size() < headerBytes || payload.size() - headerBytes > kMaxRequestTextBytes ||
        !IsKnownOperation(static_cast<std::uint8_t>(payload[0]))) {
        return false;
    }
    code = GetU32(payload.data() + 4);
    operation = static_cast<Operation>(static_cast<std::uint8_t>(payload[0]));
    return code <= kMaxCommandCode;
}

} // namespace

int ParseRequest(std::string_view payload, RequestMessage& message) {
    Operation operation{};
    std::uint32_t code = 0;
    if (!ReadOperationAndCode(payload, kRequestHeaderBytes, operation, code)) {
        return -1;
    }
    message.operation = operation;
    message.code = code;
    message.channel = static_cast<std::int32_t>(GetU32(payload.data() + 8));
    message.text = std::string(payload.substr(kRequestHeaderBytes));
    return 0;
}

std::string EncodeAnswer(const AnswerMessage& message) {
    std::string out(1, static_cast<char>(message.operation));
    out.push_back(static_cast<char>(message.result));
    PutU16(out, 0);
    PutU32(out, message.code & kMaxCommandCode);
    out.append(message.payload);
    return out;
}

int ParseAnswer(std::string_view payload, AnswerMessage& message) {
    Operation operation{};
    std::uint32_t code = 0;
    if (!ReadOperationAndCode(payload, kAnswerHeaderBytes, operation, code)) {
        return -1;
    }
    message.operation = operation;
    message.result = static_cast<std::uint8_t>(payload[1]);
    message.code = code;
    message.payload = std::string(payload.substr(kAnswerHeaderBytes));
    return 0;
}

std::string EncodeEvent(const EventMessage& message) {
    std::string out;
    PutU32(out, message.eventType);
    out.append(message.payload);
    return out;
}

int ParseEvent(std::string_view payload, EventMessage& message) {
    if (payload.size() < 4 || payload.size() - 4 > kMaxRequestTextBytes) {
        return -1;
    }
    message.eventType = GetU32(payload.data());
    message.payload = std::string(payload.substr(4));
    return 0;
}

std::string EncodeTimeRecord(const TimeManualConfig& time) {
    std::string out(time.LocalTime, kTimeTextBytes);
    PutU32(out, static_cast<std::uint32_t>(time.Zone));
    return out;
}

int ParseTimeRecord(std::string_view text, TimeManualConfig& time) {
    if (text.size() != kTimeRecordBytes) {
        return -1;
    }
    std::memcpy(time.LocalTime, text.data(), kTimeTextBytes);
    // The field is text: whatever arrived, it ends inside the field.
    time.LocalTime[kTimeTextBytes - 1] = '\0';
    time.Zone = static_cast<std::int32_t>(GetU32(text.data() + kTimeTextBytes));
    return 0;
}

std::string EncodePtzPreset(const PtzPresetRecord& record) {
    std::string out(1, static_cast<char>(record.command & 0xFF));
    PutU16(out, static_cast<std::uint16_t>(record.preset & 0xFFFF));
    return out;
}

int ParsePtzPreset(std::string_view text, PtzPresetRecord& record) {
    if (text.size() != kPtzPresetRecordBytes) {
        return -1;
    }
    record.command = static_cast<unsigned char>(text[0]);
    record.preset = GetU16(text.data() + 1);
    return 0;
}

} // namespace zk::sdk

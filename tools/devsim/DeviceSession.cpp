// SPDX-License-Identifier: GPL-3.0-or-later
#include "devsim/DeviceSession.h"

#include "base/FixedText.h"
#include "devsim/RequestParams.h"
#include "sdk/DeviceSdk.h"
#include "sdk/LoginCrypto.h"

#include <tinyxml2.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdio>
#include <map>
#include <optional>
#include <vector>

namespace zk::devsim {
namespace {

using sdk::AnswerMessage;
using sdk::Frame;
using sdk::MessageType;
using sdk::Operation;
using sdk::RequestMessage;

// SystemControl codes the device accepts without simulating their effect: tests of IO, audio,
// MCU and speed, snapshots, time-lapse and record export, talk set-up.
bool IsAcknowledgedControl(std::uint32_t code) {
    switch (code) {
    case 122:
    case 1021:
    case 1024:
    case 1043:
    case 1058:
    case 1061:
    case 1102:
    case 1130:
    case 1157:
        return true;
    default:
        return false;
    }
}

std::string ResponseParam(const char* attribute, std::string_view value) {
    tinyxml2::XMLDocument document;
    tinyxml2::XMLElement* element = document.NewElement("RESPONSE_PARAM");
    element->SetAttribute(attribute, std::string(value).c_str());
    document.InsertEndChild(element);
    tinyxml2::XMLPrinter printer(nullptr, true);
    document.Print(&printer);
    return printer.CStr();
}

// What a session-wrong-element device answers to reads: well-formed, result 0, but no element any
// read asks for, so a client that writes back only what it could read writes nothing.
constexpr const char* kWrongElement = "<Unexpected />";

// The queries the tool's connect sequence sends; a device that refuses controls still answers them.
bool IsConnectQuery(std::uint32_t code) {
    return code == 1012 || code == 1019 || code == 1020 || code == 1095;
}

// Whether a bad kind makes the device refuse this request.
bool Refuses(const BadKindSet& bad, const RequestMessage& request) {
    if (bad.Has(BadKind::SessionRefuseRequests)) {
        return true;
    }
    switch (request.operation) {
    case Operation::GetDVRConfig:
        return false;
    case Operation::SetDVRConfig:
    case Operation::SetDevcieConfig:
        return bad.Has(BadKind::SessionRefuseSets);
    case Operation::SystemControl:
        return bad.Has(BadKind::SessionRefuseControls) && !IsConnectQuery(request.code);
    case Operation::SetTimeManual:
    case Operation::Reboot:
    case Operation::Restore:
    case Operation::PtzPreset:
        return bad.Has(BadKind::SessionRefuseControls);
    }
    return false;
}

// The capability text of 1020: what the device offers, by its kind.
std::string Capabilities(std::string_view deviceType) {
    if (deviceType.find("NVR") != std::string_view::npos) {
        return "record,playback,export_record,channels=16";
    }
    if (deviceType.find("IPCAM") != std::string_view::npos) {
        return "ptz,ircut,audio,talk,snapshot,motion_detect,pd_detect,sound_detect,create_timelapse,export_record";
    }
    return "snapshot";
}

// "%Y%m%d %H:%M:%S" with plausible values.
bool ValidLocalTime(std::string_view text) {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char end = 0;
    return text.size() == 17 &&
           std::sscanf(std::string(text).c_str(), "%4d%2d%2d %2d:%2d:%2d%c", &year, &month, &day, &hour, &minute,
                       &second, &end) == 6 &&
           year >= 1970 && year <= 2099 && month >= 1 && month <= 12 && day >= 1 && day <= 31 && hour <= 23 &&
           minute <= 59 && second <= 60 && hour >= 0 && minute >= 0 && second >= 0;
}

// A whole decimal number, "-1" included; nothing for any other text.
std::optional<int> Integer(std::string_view text) {
    int value = 0;
    const auto [last, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || last != text.data() + text.size()) {
        return std::nullopt;
    }
    return value;
}

constexpr const char* kImageParamPath = "MediaConfig/ImageParam";
constexpr std::uint32_t kImageTuningCode = 1081;

// Image tuning (1081): noise reduction strength, the gain limit in dB and the longest shutter;
// -1 keeps a value. Each must be there and valid, else nothing changes.
std::uint8_t TuneImage(const std::map<std::string, std::string>& params, DeviceConfig& config) {
    static constexpr std::array<int, 16> kGains = {0, 3, 6, 9, 12, 15, 18, 24, 30, 36, 42, 48, 54, 60, 66, 72};
    using Check = bool (*)(int);
    static constexpr std::array<std::pair<const char*, Check>, 3> kValues = {{
        {"mctf", [](int value) { return value >= 0 && value <= 11; }},
        {"gain", [](int value) { return std::ranges::find(kGains, value) != kGains.end(); }},
        {"shuttermax", [](int value) { return value >= 1 && value <= 8000; }},
    }};
    std::vector<std::pair<const char*, int>> changes;
    for (const auto& [name, valid] : kValues) {
        const auto found = params.find(name);
        const std::optional<int> value = found != params.end() ? Integer(found->second) : std::nullopt;
        if (!value || (*value != -1 && !valid(*value))) {
            return sdk::kResultBadRequest;
        }
        if (*value != -1) {
            changes.emplace_back(name, *value);
        }
    }
    for (const auto& [name, value] : changes) {
        config.SetValue(kImageParamPath, name, std::to_string(value));
    }
    return sdk::kResultOk;
}

} // namespace

DeviceSession::DeviceSession(SimDevice& device, const SessionSettings& settings, std::mt19937_64& random)
    : m_device(device), m_settings(settings), m_random(random) {}

DeviceSession::~DeviceSession() {
    if (m_state == State::LoggedIn) {
        m_device.RemoveSession();
    }
}

void DeviceSession::Start(SimClock::time_point now, DeviceOutput& out) {
    if (sdk::RandomBytes(m_nonce.data(), m_nonce.size()) != 0) {
        Close(out);
        return;
    }
    sdk::ChallengeMessage challenge;
    challenge.nonce = m_nonce;
    challenge.salt = m_device.LoginSalt();
    challenge.iterations = kDeviceKeyIterations;
    sdk::AppendFrame(out.bytes, MessageType::Challenge, 0, sdk::EncodeChallenge(challenge));
    m_state = State::AwaitLogin;
    m_deadline = now + std::chrono::milliseconds(m_settings.loginTimeoutMs);
}

void DeviceSession::Receive(std::string_view bytes, SimClock::time_point now, DeviceOutput& out) {
    if (m_state != State::AwaitLogin && m_state != State::LoggedIn) {
        return;
    }
    m_decoder.Append(bytes);
    Frame frame;
    while (m_state == State::AwaitLogin || m_state == State::LoggedIn) {
        const auto status = m_decoder.Next(frame);
        if (status == sdk::FrameDecoder::Status::NeedMore) {
            break;
        }
        if (status == sdk::FrameDecoder::Status::Invalid) {
            Invalid("invalid frame", out);
            break;
        }
        HandleFrame(frame, now, out);
    }
}

void DeviceSession::HandleFrame(const Frame& frame, SimClock::time_point now, DeviceOutput& out) {
    if (sdk::IsReservedMessageType(frame.type)) {
        return; // file transfer and audio: later versions
    }
    if (m_state == State::AwaitLogin) {
        if (frame.type != MessageType::LoginRequest) {
            Invalid(std::string(sdk::MessageTypeName(frame.type)) + " before the login", out);
            return;
        }
        HandleLogin(frame, now, out);
        return;
    }
    m_deadline = now + std::chrono::milliseconds(m_settings.idleTimeoutMs);
    switch (frame.type) {
    case MessageType::KeepAlive:
        if (!m_device.Profile().bad.Has(BadKind::SessionStall)) {
            sdk::AppendFrame(out.bytes, MessageType::KeepAliveAck, frame.sequence, {});
        }
        return;
    case MessageType::Request:
        HandleRequest(frame, now, out);
        return;
    case MessageType::Logout: {
        SessionSummary summary;
        summary.message = "logout";
        summary.accepted = true;
        out.records.push_back(std::move(summary));
        Close(out);
        return;
    }
    default:
        Invalid("unexpected " + std::string(sdk::MessageTypeName(frame.type)), out);
        return;
    }
}

void DeviceSession::HandleLogin(const Frame& frame, SimClock::time_point now, DeviceOutput& out) {
    sdk::LoginRequestMessage request;
    if (sdk::ParseLoginRequest(frame.payload, request) != 0) {
        Invalid("malformed login request", out);
        return;
    }
    SessionSummary summary;
    summary.message = "login";
    summary.user = request.user;
    sdk::LoginResultMessage result;
    if (m_device.IsLocked(now)) {
        result.status = sdk::LoginStatus::Locked;
        summary.reason = "account locked";
    } else if (request.user != m_device.Username() ||
               !sdk::ProofsEqual(request.proof,
                                 sdk::ClientProof(m_device.LoginKey(), m_nonce, request.clientNonce, request.user))) {
        m_device.NoteLoginFailure(now, m_settings.lockAfter, std::chrono::seconds(m_settings.lockSeconds));
        result.status = sdk::LoginStatus::WrongCredentials;
        summary.reason = "wrong user or password";
    } else if (m_device.SessionCount() >= m_settings.maxSessionsPerDevice) {
        result.status = sdk::LoginStatus::Busy;
        summary.reason = "too many sessions";
    } else {
        m_device.NoteLoginSuccess();
        result.status = sdk::LoginStatus::Ok;
        result.proof = sdk::DeviceProof(m_device.LoginKey(), m_nonce, request.clientNonce, request.user);
        summary.accepted = true;
    }
    sdk::AppendFrame(out.bytes, MessageType::LoginResult, frame.sequence, sdk::EncodeLoginResult(result));
    out.records.push_back(std::move(summary));
    if (result.status != sdk::LoginStatus::Ok) {
        // One attempt per connection and per nonce: a new try needs a new connection.
        Close(out);
        return;
    }
    m_device.AddSession();
    m_state = State::LoggedIn;
    m_deadline = now + std::chrono::milliseconds(m_settings.idleTimeoutMs);
}

void DeviceSession::HandleRequest(const Frame& frame, SimClock::time_point, DeviceOutput& out) {
    RequestMessage request;
    if (sdk::ParseRequest(frame.payload, request) != 0) {
        Invalid("malformed request", out);
        return;
    }
    SessionSummary summary;
    summary.message = "request";
    summary.operation = request.operation;
    summary.code = request.code;
    summary.channel = request.channel;
    summary.payload = request.text;
    summary.bytes = request.text;
    if (request.operation == Operation::SetTimeManual) {
        sdk::TimeManualConfig time{};
        summary.payload = sdk::ParseTimeRecord(request.text, time) == 0
                              ? std::string(base::FieldText(time.LocalTime)) + " zone " + std::to_string(time.Zone)
                              : std::string();
    } else if (request.operation == Operation::PtzPreset) {
        sdk::PtzPresetRecord ptz;
        summary.payload = sdk::ParsePtzPreset(request.text, ptz) == 0
                              ? "command " + std::to_string(ptz.command) + " preset " + std::to_string(ptz.preset)
                              : std::string();
    }
    const BadKindSet bad = m_device.Profile().bad;
    if (bad.Has(BadKind::SessionStall)) {
        summary.reason = "stalled";
        out.records.push_back(std::move(summary));
        return;
    }
    if (bad.Has(BadKind::SessionDrop)) {
        summary.reason = "dropped the connection";
        out.records.push_back(std::move(summary));
        Close(out);
        return;
    }
    if (bad.Has(BadKind::SessionGarbage)) {
        std::uniform_int_distribution<int> length(64, 512);
        std::uniform_int_distribution<int> byte(0, 255);
        for (int i = length(m_random); i > 0; --i) {
            out.bytes.push_back(static_cast<char>(byte(m_random)));
        }
        summary.reason = "answered garbage";
        out.records.push_back(std::move(summary));
        out.answersRequest = true;
        return;
    }
    AnswerMessage answer;
    if (Refuses(bad, request)) {
        // A well-formed answer that refuses: reboot and restore included, nothing happens.
        answer.operation = request.operation;
        answer.code = request.code;
        answer.result = sdk::kResultFailed;
        summary.reason = "refused";
    } else {
        answer = Answer(request, out);
        if (bad.Has(BadKind::SessionWrongElement) && request.operation == Operation::GetDVRConfig &&
            answer.result == sdk::kResultOk) {
            answer.payload = kWrongElement;
            summary.reason = "answered another element";
        }
    }
    summary.accepted = answer.result == sdk::kResultOk;
    summary.result = answer.result;
    out.records.push_back(std::move(summary));
    sdk::AppendFrame(out.bytes, MessageType::Answer, frame.sequence, sdk::EncodeAnswer(answer));
    out.answersRequest = true;
}

AnswerMessage DeviceSession::Answer(const RequestMessage& request, DeviceOutput& out) {
    AnswerMessage answer;
    answer.operation = request.operation;
    answer.code = request.code;
    const int code = static_cast<int>(request.code);
    switch (request.operation) {
    case Operation::GetDVRConfig: {
        ConfigAnswer config = m_device.GetConfig(code);
        answer.result = config.result;
        answer.payload = std::move(config.payload);
        break;
    }
    case Operation::SetDVRConfig:
    case Operation::SetDevcieConfig:
        answer.result = m_device.SetConfig(code, request.text).result;
        break;
    case Operation::SystemControl:
        answer.result = Control(request.code, request.text, answer.payload);
        break;
    case Operation::SetTimeManual: {
        sdk::TimeManualConfig time{};
        if (sdk::ParseTimeRecord(request.text, time) != 0 || !ValidLocalTime(base::FieldText(time.LocalTime)) ||
            time.Zone < 0 || time.Zone > 26 * 60) {
            answer.result = sdk::kResultBadRequest;
            break;
        }
        m_device.Config().SetValue("SystemConfig/TimeConfig", "LocalTime", base::FieldText(time.LocalTime));
        m_device.Config().SetValue("SystemConfig/TimeConfig", "TimeZone", std::to_string(time.Zone));
        answer.result = sdk::kResultOk;
        break;
    }
    case Operation::Reboot:
        out.action = DeviceAction::Reboot;
        answer.result = sdk::kResultOk;
        break;
    case Operation::Restore:
        out.action = DeviceAction::Restore;
        answer.result = sdk::kResultOk;
        break;
    case Operation::PtzPreset:
        answer.result = Preset(request.text);
        break;
    }
    return answer;
}

std::uint8_t DeviceSession::Preset(std::string_view text) {
    sdk::PtzPresetRecord ptz;
    if (sdk::ParsePtzPreset(text, ptz) != 0 || ptz.preset < sdk::kMinPtzPreset || ptz.preset > sdk::kMaxPtzPreset) {
        return sdk::kResultBadRequest;
    }
    DeviceConfig& config = m_device.Config();
    switch (ptz.command) {
    case sdk::kPtzSetPreset:
        config.StorePreset(ptz.preset);
        return sdk::kResultOk;
    case sdk::kPtzGotoPreset:
        // A camera cannot move to a position it was never given.
        if (!config.IsPresetStored(ptz.preset)) {
            return sdk::kResultFailed;
        }
        config.RecallPreset(ptz.preset);
        return sdk::kResultOk;
    default:
        return sdk::kResultUnsupported;
    }
}

std::uint8_t DeviceSession::Control(std::uint32_t code, std::string_view text, std::string& payload) {
    const discovery::DeviceRecord record = m_device.Record(SimClock::now());
    switch (code) {
    case 1012:
        payload = ResponseParam("FileSystemVersion", base::FieldText(record.Version));
        return sdk::kResultOk;
    case 1095:
        payload = ResponseParam("FileSystemVersion", base::FieldText(record.AfVersion));
        return sdk::kResultOk;
    case 1019:
        // The serial number the device was made with, also after its search serial was cleared.
        payload = ResponseParam("SerialNumber", m_device.OriginalSerial());
        return sdk::kResultOk;
    case 1020:
        payload = ResponseParam("Capability", Capabilities(base::FieldText(record.DeviceType)));
        return sdk::kResultOk;
    case 1002:
        m_device.ResetSettings();
        return sdk::kResultOk;
    default:
        break;
    }
    if (IsAcknowledgedControl(code)) {
        return sdk::kResultOk;
    }
    if (code != 1094 && code != 1046 && code != 1119 && code != 1042 && code != kImageTuningCode) {
        return sdk::kResultUnsupported;
    }
    const auto params = ScanRequestParams(text);
    if (!params) {
        return sdk::kResultBadRequest;
    }
    if (code == kImageTuningCode) {
        return TuneImage(*params, m_device.Config());
    }
    auto param = [&params](const char* name) -> std::optional<std::string> {
        const auto found = params->find(name);
        return found != params->end() ? std::optional<std::string>(found->second) : std::nullopt;
    };
    DeviceConfig& config = m_device.Config();
    if (code == 1094) {
        const auto mode = param("Mode");
        if (mode != "0" && mode != "1") {
            return sdk::kResultBadRequest;
        }
        m_device.SetFactoryMode(*mode == "1");
        return sdk::kResultOk;
    }
    if (code == 1042) {
        const auto output = param("Output");
        if (output != "0" && output != "1") {
            return sdk::kResultBadRequest;
        }
        config.SetValue("SystemConfig/IOConfig", "ChannelNo", param("ChannelNo").value_or("0"));
        config.SetValue("SystemConfig/IOConfig", "Output", *output);
        return sdk::kResultOk;
    }
    if (code == 1046) {
        const auto mode = param("Mode");
        if (mode != "NightMode" && mode != "DayMode") {
            return sdk::kResultBadRequest;
        }
        config.SetValue("MediaConfig/Video/Capture", "DayNight", *mode);
        return sdk::kResultOk;
    }
    const auto language = param("web_defalut_language");
    const auto kc = param("is_KC_web");
    if (!language || !kc) {
        return sdk::kResultBadRequest;
    }
    config.SetValue("SystemConfig/MiscConfig", "WebLanguage", *language);
    config.SetValue("SystemConfig/MiscConfig", "KCWeb", *kc);
    if (const auto name = param("Language")) {
        config.SetValue("SystemConfig/MiscConfig", "WebLanguageName", *name);
    }
    return sdk::kResultOk;
}

void DeviceSession::Tick(SimClock::time_point now, DeviceOutput& out) {
    if (now < m_deadline) {
        return;
    }
    if (m_state == State::AwaitLogin) {
        Close(out);
    } else if (m_state == State::LoggedIn) {
        End(sdk::LogoutReason::Idle, out);
    }
}

void DeviceSession::End(sdk::LogoutReason reason, DeviceOutput& out) {
    if (m_state == State::LoggedIn) {
        sdk::AppendFrame(out.bytes, MessageType::Logout, 0, sdk::EncodeLogout(reason));
    }
    Close(out);
}

bool DeviceSession::Push(const sdk::EventMessage& event, DeviceOutput& out) {
    if (m_state != State::LoggedIn) {
        return false;
    }
    sdk::AppendFrame(out.bytes, MessageType::Event, 0, sdk::EncodeEvent(event));
    return true;
}

void DeviceSession::Invalid(std::string reason, DeviceOutput& out) {
    SessionSummary summary;
    summary.message = "invalid";
    summary.reason = std::move(reason);
    out.records.push_back(std::move(summary));
    Close(out);
}

void DeviceSession::Close(DeviceOutput& out) {
    if (m_state == State::LoggedIn) {
        m_device.RemoveSession();
    }
    m_state = State::Closed;
    out.close = true;
}

SimClock::time_point DeviceSession::Deadline() const {
    return m_state == State::AwaitLogin || m_state == State::LoggedIn ? m_deadline : SimClock::time_point::max();
}

} // namespace zk::devsim

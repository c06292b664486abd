// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/FakeSdk.h"

#include <algorithm>
#include <memory>
#include <thread>

namespace zk::test {
namespace {

std::string TextOf(const char* text, int length = -1) {
    if (text == nullptr) {
        return {};
    }
    return length < 0 ? std::string(text) : std::string(text, static_cast<std::size_t>(length));
}

// A heap copy of the payload with the terminating zero the library adds, freed right after the
// call: a callback that keeps the pointer reads freed memory, which the sanitizer reports.
std::unique_ptr<char[]> PayloadCopy(const std::string& payload) {
    auto copy = std::make_unique<char[]>(payload.size() + 1);
    std::copy(payload.begin(), payload.end(), copy.get());
    copy[payload.size()] = '\0';
    return copy;
}

} // namespace

void FakeSdk::QueueLoginResult(int result) {
    std::lock_guard lock(m_mutex);
    m_loginResults.push_back(result);
}

void FakeSdk::SetRequestResult(int result) {
    std::lock_guard lock(m_mutex);
    m_requestResult = result;
}

void FakeSdk::SetResultOf(const std::string& name, int result) {
    std::lock_guard lock(m_mutex);
    m_resultOf[name] = result;
}

void FakeSdk::SetInitResult(int result) {
    std::lock_guard lock(m_mutex);
    m_initResult = result;
}

std::vector<FakeSdk::Call> FakeSdk::Calls() const {
    std::lock_guard lock(m_mutex);
    return m_calls;
}

std::vector<FakeSdk::Call> FakeSdk::Calls(const std::string& name) const {
    std::lock_guard lock(m_mutex);
    std::vector<Call> calls;
    std::copy_if(m_calls.begin(), m_calls.end(), std::back_inserter(calls),
                 [&name](const Call& call) { return call.name == name; });
    return calls;
}

std::vector<std::string> FakeSdk::CallNames() const {
    std::lock_guard lock(m_mutex);
    std::vector<std::string> names;
    for (const Call& call : m_calls) {
        names.push_back(call.name);
    }
    return names;
}

void FakeSdk::ClearCalls() {
    std::lock_guard lock(m_mutex);
    m_calls.clear();
}

std::vector<int> FakeSdk::OpenHandles() const {
    std::lock_guard lock(m_mutex);
    std::vector<int> handles;
    for (const auto& [handle, open] : m_open) {
        if (open) {
            handles.push_back(handle);
        }
    }
    return handles;
}

void FakeSdk::PushStatus(int handle, int eventType, const std::string& payload) {
    sdk::StatusEventCallBack callBack = nullptr;
    void* user = nullptr;
    {
        std::lock_guard lock(m_mutex);
        callBack = m_statusCallBack;
        user = m_statusUser;
    }
    if (callBack == nullptr) {
        return;
    }
    std::thread([&] {
        const auto copy = PayloadCopy(payload);
        callBack(handle, eventType, copy.get(), static_cast<int>(payload.size()), user);
    }).join();
}

void FakeSdk::PushAnswer(int handle, int code, int result, const std::string& payload) {
    sdk::AUXResponseCallBack callBack = nullptr;
    void* user = nullptr;
    {
        std::lock_guard lock(m_mutex);
        callBack = m_auxCallBack;
        user = m_auxUser;
    }
    if (callBack == nullptr) {
        return;
    }
    std::thread([&] {
        const auto copy = PayloadCopy(payload);
        callBack(handle, sdk::PackAuxWord(code, result), copy.get(), static_cast<int>(payload.size()), user);
    }).join();
}

int FakeSdk::Record(Call call) {
    const int result = call.result;
    m_calls.push_back(std::move(call));
    return result;
}

int FakeSdk::Request(Call call) {
    std::lock_guard lock(m_mutex);
    const auto scripted = m_resultOf.find(call.name);
    const int result = scripted != m_resultOf.end() ? scripted->second : m_requestResult;
    call.result = m_open.count(call.handle) != 0 && m_open[call.handle] ? result : sdk::kErrorFailed;
    return Record(std::move(call));
}

int FakeSdk::Init() {
    std::lock_guard lock(m_mutex);
    return Record({.name = "Init", .result = m_initResult});
}

int FakeSdk::GetSDKVersion() {
    std::lock_guard lock(m_mutex);
    return Record({.name = "GetSDKVersion", .result = 0x010000});
}

int FakeSdk::GetSDKBuildData() {
    std::lock_guard lock(m_mutex);
    return Record({.name = "GetSDKBuildData", .result = 20250106});
}

int FakeSdk::SetStatusEventCallBack(sdk::StatusEventCallBack callBack, void* user) {
    std::lock_guard lock(m_mutex);
    m_statusCallBack = callBack;
    m_statusUser = user;
    return Record({.name = "SetStatusEventCallBack"});
}

int FakeSdk::SetAUXResponseCallBack(sdk::AUXResponseCallBack callBack, void* user) {
    std::lock_guard lock(m_mutex);
    m_auxCallBack = callBack;
    m_auxUser = user;
    return Record({.name = "SetAUXResponseCallBack"});
}

int FakeSdk::SetAutoReconnect(int handle, int enable) {
    std::lock_guard lock(m_mutex);
    const bool known = handle == 0 || m_open.count(handle) != 0;
    return Record(
        {.name = "SetAutoReconnect", .handle = handle, .enable = enable, .result = known ? 0 : sdk::kErrorFailed});
}

int FakeSdk::Login(const char* ip, std::uint16_t port, const char* user, const char* password, int) {
    std::lock_guard lock(m_mutex);
    int result = 0;
    if (!m_loginResults.empty()) {
        result = m_loginResults.front();
        m_loginResults.pop_front();
    } else {
        result = m_nextHandle;
    }
    if (result > 0) {
        m_nextHandle = std::max(m_nextHandle, result + 1);
        m_open[result] = true;
    }
    return Record({.name = "Login",
                   .handle = result,
                   .ip = TextOf(ip),
                   .port = port,
                   .user = TextOf(user),
                   .password = TextOf(password),
                   .result = result});
}

int FakeSdk::Logout(int handle) {
    std::lock_guard lock(m_mutex);
    const bool known = m_open.erase(handle) != 0;
    return Record({.name = "Logout", .handle = handle, .result = known ? 0 : sdk::kErrorFailed});
}

int FakeSdk::LogoutAll() {
    std::lock_guard lock(m_mutex);
    m_open.clear();
    return Record({.name = "LogoutAll"});
}

int FakeSdk::GetDVRConfig(int handle, int code, int channel, const char* request, int requestLength, int) {
    return Request({.name = "GetDVRConfig",
                    .handle = handle,
                    .code = code,
                    .channel = channel,
                    .text = TextOf(request, requestLength)});
}

int FakeSdk::SetDVRConfig(int handle, int code, int channel, const char* xml, int length) {
    return Request(
        {.name = "SetDVRConfig", .handle = handle, .code = code, .channel = channel, .text = TextOf(xml, length)});
}

int FakeSdk::SetDevcieConfig(int handle, int code, const char* xml, int length) {
    return Request({.name = "SetDevcieConfig", .handle = handle, .code = code, .text = TextOf(xml, length)});
}

int FakeSdk::SystemControl(int handle, int code, int channel, const char* request) {
    return Request(
        {.name = "SystemControl", .handle = handle, .code = code, .channel = channel, .text = TextOf(request)});
}

int FakeSdk::SET_TimeManualConfig(int handle, const sdk::TimeManualConfig& time) {
    return Request({.name = "SET_TimeManualConfig", .handle = handle, .time = time});
}

int FakeSdk::RebootDVR(int handle) {
    return Request({.name = "RebootDVR", .handle = handle});
}

int FakeSdk::RestoreConfig(int handle) {
    return Request({.name = "RestoreConfig", .handle = handle});
}

int FakeSdk::PTZPreset(int handle, int command, int preset) {
    Call call{.name = "PTZPreset", .handle = handle, .command = command, .preset = preset};
    if (!sdk::IsValidPtzPreset(command, preset)) {
        std::lock_guard lock(m_mutex);
        call.result = sdk::kErrorBadArgument;
        return Record(std::move(call));
    }
    return Request(std::move(call));
}

} // namespace zk::test

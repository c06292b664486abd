// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sdk/DeviceSdk.h"

#include <cstdint>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace zk::test {

// A scriptable device SDK in the process, for tests of code that uses sessions. It records every call
// with its arguments, answers with scripted results, and lets a test raise status events and
// answers the way the library does: on a thread of its own, with a payload that lives only during
// the call. Logins get handles from 1 up (never reused) unless a result is queued. Any thread may
// call it.
class FakeSdk final : public sdk::DeviceSdk {
public:
    struct Call {
        std::string name{}; // the method's name: "Login", "SystemControl", ...
        int handle = 0;     // the handle, or the handle Login returned
        int code = 0;       // command code of a request
        int channel = 0;
        std::string ip{};   // Login
        int port = 0;       // Login
        std::string user{}; // Login
        std::string password{};
        std::string text{}; // request text or XML
        int enable = 0;     // SetAutoReconnect
        sdk::TimeManualConfig time{};
        int command = 0; // PTZPreset
        int preset = 0;  // PTZPreset
        int result = 0;  // what the call returned
    };

    // Scripted results: the next Login calls return these in turn (then handles again); requests
    // (GetDVRConfig, SetDVRConfig, SetDevcieConfig, SystemControl, the direct ones) return this.
    // PTZPreset refuses a command or preset the library refuses (kErrorBadArgument), whatever is set.
    void QueueLoginResult(int result);
    void SetRequestResult(int result);
    // The result of every call of one name (e.g. "SetDVRConfig"), ahead of SetRequestResult.
    void SetResultOf(const std::string& name, int result);
    void SetInitResult(int result);

    // Calls so far, in order; all of them or those of one name.
    std::vector<Call> Calls() const;
    std::vector<Call> Calls(const std::string& name) const;
    std::vector<std::string> CallNames() const;
    void ClearCalls();
    // Handles that are logged in (Login returned them and no Logout or LogoutAll ended them).
    std::vector<int> OpenHandles() const;

    // Calls the registered callback from another thread and returns when it has returned.
    void PushStatus(int handle, int eventType, const std::string& payload = {});
    void PushAnswer(int handle, int code, int result, const std::string& payload = {});

    int Init() override;
    int GetSDKVersion() override;
    int GetSDKBuildData() override;
    int SetStatusEventCallBack(sdk::StatusEventCallBack callBack, void* user) override;
    int SetAUXResponseCallBack(sdk::AUXResponseCallBack callBack, void* user) override;
    int SetAutoReconnect(int handle, int enable) override;
    int Login(const char* ip, std::uint16_t port, const char* user, const char* password, int reserved) override;
    int Logout(int handle) override;
    int LogoutAll() override;
    int GetDVRConfig(int handle, int code, int channel, const char* request, int requestLength, int reserved) override;
    int SetDVRConfig(int handle, int code, int channel, const char* xml, int length) override;
    int SetDevcieConfig(int handle, int code, const char* xml, int length) override;
    int SystemControl(int handle, int code, int channel, const char* request) override;
    int SET_TimeManualConfig(int handle, const sdk::TimeManualConfig& time) override;
    int RebootDVR(int handle) override;
    int RestoreConfig(int handle) override;
    int PTZPreset(int handle, int command, int preset) override;

private:
    int Record(Call call);
    int Request(Call call);

    mutable std::mutex m_mutex;
    std::vector<Call> m_calls;
    std::deque<int> m_loginResults;
    std::map<int, bool> m_open;
    int m_nextHandle = 1;
    int m_requestResult = 0;
    std::map<std::string, int> m_resultOf;
    int m_initResult = 0;
    sdk::StatusEventCallBack m_statusCallBack = nullptr;
    void* m_statusUser = nullptr;
    sdk::AUXResponseCallBack m_auxCallBack = nullptr;
    void* m_auxUser = nullptr;
};

} // namespace zk::test

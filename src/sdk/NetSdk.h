// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/UniqueFd.h"
#include "sdk/ClientSession.h"
#include "sdk/DeviceSdk.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

struct epoll_event;

namespace zk::sdk {

inline constexpr int kSdkVersion = (1 << 16) | (0 << 8) | 0; // 1.0.0
inline constexpr int kSdkBuildDate = 20250106;
// Sessions one library keeps at most: each holds a socket.
inline constexpr std::size_t kMaxSessions = 16384;

// The device SDK over the session protocol. One event-loop thread (epoll) carries every session:
// connecting, logging in, keep-alives, requests and answers, and reconnecting with a growing delay.
// Calls may come from any thread and never wait for the network; callbacks run on the loop thread,
// never while the library's lock is held. Destroying the object ends every session without
// logging out, as a process exit would.
class NetSdk final : public DeviceSdk {
public:
    explicit NetSdk(SessionTimings timings = {});
    ~NetSdk() override;
    NetSdk(const NetSdk&) = delete;
    NetSdk& operator=(const NetSdk&) = delete;

    int Init() override;
    int GetSDKVersion() override { return kSdkVersion; }
    int GetSDKBuildData() override { return kSdkBuildDate; }
    int SetStatusEventCallBack(StatusEventCallBack callBack, void* user) override;
    int SetAUXResponseCallBack(AUXResponseCallBack callBack, void* user) override;
    int SetAutoReconnect(int handle, int enable) override;
    int Login(const char* ip, std::uint16_t port, const char* user, const char* password, int reserved) override;
    int Logout(int handle) override;
    int LogoutAll() override;
    int GetDVRConfig(int handle, int code, int channel, const char* request, int requestLength, int reserved) override;
    int SetDVRConfig(int handle, int code, int channel, const char* xml, int length) override;
    int SetDevcieConfig(int handle, int code, const char* xml, int length) override;
    int SystemControl(int handle, int code, int channel, const char* request) override;
    int SET_TimeManualConfig(int handle, const TimeManualConfig& time) override;
    int RebootDVR(int handle) override;
    int RestoreConfig(int handle) override;
    int PTZPreset(int handle, int command, int preset) override;

    // Sessions that exist and sessions logged in now; any thread.
    std::size_t SessionCount() const;
    std::size_t LoggedInCount() const;

private:
    struct Session;
    struct Delivery {
        int handle;
        ClientNotice notice;
    };

    int Send(int handle, const RequestMessage& request, bool reportAnswer);
    // Callers take the lock through this, so that the loop can let them go first.
    std::unique_lock<std::mutex> LockForCaller() const;
    void LetCallersIn();
    void Wake();
    void Run();
    // Loop-thread steps, under the lock.
    void OnEvent(const epoll_event& event, SdkClock::time_point now);
    void OnReadable(Session& session, SdkClock::time_point now);
    void OnWritable(Session& session, SdkClock::time_point now);
    void StartConnect(Session& session, SdkClock::time_point now);
    void ConnectFailed(Session& session, int error, SdkClock::time_point now);
    void Apply(Session& session, ClientOutput& out, SdkClock::time_point now);
    void Flush(Session& session, SdkClock::time_point now);
    void CloseLink(Session& session);
    void ScheduleRetry(Session& session, SdkClock::time_point now);
    void UpdateInterest(Session& session);
    SdkClock::time_point ServiceTimers(SdkClock::time_point now);
    void Deliver(std::vector<Delivery>& deliveries);

    SessionTimings m_timings;
    mutable std::mutex m_mutex;
    mutable std::atomic<int> m_callersWaiting{0};
    bool m_initialised = false;
    std::atomic<bool> m_stopping{false};
    std::atomic<bool> m_wakePending{false};
    platform::UniqueFd m_epoll;
    platform::UniqueFd m_wakeFd;
    std::thread m_thread;

    StatusEventCallBack m_statusCallBack = nullptr;
    void* m_statusUser = nullptr;
    AUXResponseCallBack m_auxCallBack = nullptr;
    void* m_auxUser = nullptr;

    bool m_defaultReconnect = false;
    int m_nextHandle = 1;
    std::unordered_map<int, std::unique_ptr<Session>> m_sessions;
    std::unordered_set<int> m_dirty; // sessions with bytes queued by callers
    std::vector<Delivery> m_deliveries;
    std::mt19937 m_random;
};

} // namespace zk::sdk

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstdint>

// The device SDK as the tool uses it: login sessions to devices, requests by command code answered
// later, and status events. NetSdk implements it over the project's session protocol
// (docs/session-protocol.md); tests of the tool's session logic implement it with fakes.
namespace zk::sdk {

// Status events. The library raises the session events itself; the others come from the device.
inline constexpr int kEventConnectionLost = 2;     // an established session broke; retried
inline constexpr int kEventCannotConnect = 3;      // no connection or no login answer; retried
inline constexpr int kEventLoggedIn = 4;           // logged in, also after each reconnection
inline constexpr int kEventKeepAliveTimeout = 5;   // the device stopped answering; retried
inline constexpr int kEventAlarm = 23;             // payload: one AlarmRecord (168 bytes)
inline constexpr int kEventWrongPassword = 31;     // user or password refused; never retried on its own
inline constexpr int kEventLoggedOutByDevice = 34; // the device ended the session (reboot, restore); retried

// Result bytes of answers: 0 success, other values failures.
inline constexpr int kResultOk = 0;
inline constexpr int kResultFailed = 1;      // the device refused or could not apply the request
inline constexpr int kResultUnsupported = 2; // the device does not know the command code
inline constexpr int kResultBadRequest = 3;  // the request text is malformed
// Made by the library, not the device: no answer arrived in time or the connection ended first.
inline constexpr int kResultNoAnswer = 0xFE;

// Command codes occupy the low 24 bits of an answer word, the result byte the high 8 bits.
inline constexpr std::uint32_t kAuxCodeMask = 0x00FFFFFFu;

constexpr std::uint32_t PackAuxWord(int code, int result) {
    return (static_cast<std::uint32_t>(code) & kAuxCodeMask) | (static_cast<std::uint32_t>(result & 0xFF) << 24);
}
constexpr int AuxCode(std::uint32_t word) {
    return static_cast<int>(word & kAuxCodeMask);
}
constexpr int AuxResult(std::uint32_t word) {
    return static_cast<int>(word >> 24);
}

// Status callback: payload holds payloadBytes bytes, followed by a zero byte, and lives only
// during the call. Text payloads are narrow (code page 936); binary ones have fixed sizes (an
// AlarmRecord for event 23).
using StatusEventCallBack = void (*)(int handle, int eventType, const char* payload, int payloadBytes, void* user);
// Answer callback: word packs the command code and the result byte (PackAuxWord); payload as above.
using AUXResponseCallBack = void (*)(int handle, std::uint32_t word, const char* payload, int payloadBytes, void* user);

// The time record of SET_TimeManualConfig: the local time as "%Y%m%d %H:%M:%S" and the time zone
// as minutes, (hours east of UTC + 12) * 60.
struct TimeManualConfig {
    char LocalTime[128];
    std::int32_t Zone;
};
static_assert(sizeof(TimeManualConfig) == 132);

// PTZPreset: the commands and the presets a device keeps.
inline constexpr int kPtzSetPreset = 8;   // store the current position under a preset number
inline constexpr int kPtzGotoPreset = 39; // move to a stored preset
inline constexpr int kMinPtzPreset = 1;
inline constexpr int kMaxPtzPreset = 255;

constexpr bool IsValidPtzPreset(int command, int preset) {
    return (command == kPtzSetPreset || command == kPtzGotoPreset) && preset >= kMinPtzPreset &&
           preset <= kMaxPtzPreset;
}

// Failures of the calls. Handles are above 0; Login returns one of these (never 0) on failure.
inline constexpr int kErrorFailed = -1;      // not initialised, unknown handle, not logged in now
inline constexpr int kErrorBadArgument = -2; // an argument is missing, malformed or too long
inline constexpr int kErrorTooManySessions = -3;

// Every call may come from any thread; callbacks run on the library's own thread and must only
// copy and forward what they get (they may call the library again). No call blocks on the network.
class DeviceSdk {
public:
    virtual ~DeviceSdk() = default;

    // Starts the library; 0, or kErrorFailed when its thread cannot start. Again: 0, no effect.
    virtual int Init() = 0;
    // (major << 16) | (minor << 8) | patch.
    virtual int GetSDKVersion() = 0;
    // The library's build date as the decimal number yyyymmdd.
    virtual int GetSDKBuildData() = 0;
    // Replace the callbacks (null: none); user is handed back on every call. Always 0.
    virtual int SetStatusEventCallBack(StatusEventCallBack callBack, void* user) = 0;
    virtual int SetAUXResponseCallBack(AUXResponseCallBack callBack, void* user) = 0;
    // Whether a failed or lost session reconnects on its own; handle 0 sets the default of later
    // logins. A refused password is never retried. 0, or kErrorFailed for an unknown handle.
    virtual int SetAutoReconnect(int handle, int enable) = 0;

    // Checks the arguments and returns a new handle at once; connecting and logging in go on in the
    // library, and the outcome arrives as a status event (4, 3 or 31). ip is a dotted IPv4 address,
    // user and password narrow texts of at most 63 bytes; reserved is ignored.
    virtual int Login(const char* ip, std::uint16_t port, const char* user, const char* password, int reserved) = 0;
    // Ends a session and forgets its handle (handles are never reused). 0 or kErrorFailed.
    virtual int Logout(int handle) = 0;
    virtual int LogoutAll() = 0;

    // Requests by command code: 0 when sent on a logged-in session (the answer follows through the
    // answer callback under the same code), else kErrorFailed or kErrorBadArgument.
    virtual int GetDVRConfig(int handle, int code, int channel, const char* request, int requestLength,
                             int reserved) = 0;
    virtual int SetDVRConfig(int handle, int code, int channel, const char* xml, int length) = 0;
    virtual int SetDevcieConfig(int handle, int code, const char* xml, int length) = 0;
    // request is a zero-terminated text: empty, a REQUEST_PARAM element or "RESPONSE_PARAM".
    virtual int SystemControl(int handle, int code, int channel, const char* request) = 0;

    // Direct requests: 0 when sent on a logged-in session, else kErrorFailed or kErrorBadArgument. The
    // device's outcome is logged; a reboot or restore then ends the session with event 34.
    virtual int SET_TimeManualConfig(int handle, const TimeManualConfig& time) = 0;
    virtual int RebootDVR(int handle) = 0;
    virtual int RestoreConfig(int handle) = 0;
    // command kPtzSetPreset stores the camera's position as preset (1 to 255), kPtzGotoPreset
    // recalls it; any other command or preset is kErrorBadArgument, checked before the handle. A
    // device refuses to recall a preset it never stored; as above, that outcome is only logged.
    virtual int PTZPreset(int handle, int command, int preset) = 0;
};

} // namespace zk::sdk

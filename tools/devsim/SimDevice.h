// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "devsim/DeviceConfig.h"
#include "devsim/DeviceProfile.h"
#include "discovery/SearchMessage.h"
#include "sdk/LoginCrypto.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace zk::devsim {

using SimClock = std::chrono::steady_clock;

// PBKDF2 iterations of the devices' login keys.
inline constexpr std::uint32_t kDeviceKeyIterations = 2048;

// New network values of a set-network request, already checked.
struct LanSettings {
    bool dhcp = false;
    std::uint32_t ipAddress = 0; // host byte order; unused with DHCP
    std::uint32_t netmask = 0;
    std::string gateway;
    std::string dns1;
    std::string dns2;
};

// The changing state of one simulated device. Times come from the caller, so tests drive the clock.
// Not thread-safe: the request handler owns every device.
class SimDevice final {
public:
    SimDevice(DeviceProfile profile, SimClock::time_point startedAt);

    const DeviceProfile& Profile() const { return m_profile; }

    // The serial number replies carry now ("BATCH_DEBUG<n>" once cleared).
    std::string_view SearchSerial() const;
    // The serial number the device was made with, kept when the search serial is cleared.
    std::string_view OriginalSerial() const;
    std::string_view Uuid() const;
    std::string_view MacAddress() const;

    // A request names this device by its search serial or its original serial number.
    bool IsNamed(std::string_view serialNumber) const;
    // Clear-serial requests name the device by its UUID, in any letter case.
    bool IsNamedByUuid(std::string_view uuid) const;
    // Requests without credentials pass; given credentials must match the device's account.
    bool AcceptsCredentials(const std::optional<discovery::Credentials>& credentials) const;

    std::uint32_t IpAddress() const;
    std::uint32_t Netmask() const;
    // The port sessions log in to (PtzPort).
    std::uint16_t CommandPort() const { return static_cast<std::uint16_t>(m_current.PtzPort); }

    // True while the device reboots and answers nothing.
    bool IsSilent(SimClock::time_point now) const;
    // The record a reply describes now, run time included.
    discovery::DeviceRecord Record(SimClock::time_point now) const;

    void ApplyNetwork(const LanSettings& settings);
    // Silent for the given time, then the run time starts again from 0.
    void Reboot(SimClock::time_point now, std::chrono::seconds silence);
    // Back to the profile's title, account and configuration document (and network unless
    // retained), then a reboot.
    void Restore(bool retainNetwork, SimClock::time_point now, std::chrono::seconds silence);
    // Title, account and configuration document back to the profile's, without a reboot.
    void ResetSettings();
    // Counts reboots, so that the session side notices one and ends the device's sessions.
    std::uint64_t BootCount() const { return m_bootCount; }
    // Factory mode, from a session (1094) or the search protocol (code 9); the document's
    // FactoryConfig Mode shows it ("1" on), also after a reset of the settings.
    void SetFactoryMode(bool on);
    bool FactoryMode() const { return m_factoryMode; }
    void ClearSerial();
    void SetIntercom(const discovery::IntercomRecord& intercom) { m_intercom = intercom; }
    const std::optional<discovery::IntercomRecord>& Intercom() const { return m_intercom; }

    // The configuration document sessions read and change. GetConfig answers with the live values
    // current; SetConfig also carries account, title and all-network changes into search replies.
    ConfigAnswer GetConfig(int code);
    ConfigAnswer SetConfig(int code, std::string_view xml);
    DeviceConfig& Config() { return m_config; }
    const DeviceConfig& Config() const { return m_config; }

    // The account sessions log in with, and its login key (derived when first needed and again
    // after a password change).
    std::string_view Username() const;
    const sdk::Salt& LoginSalt() const { return m_salt; }
    const sdk::LoginKey& LoginKey();

    // Wrong logins in a row lock the account for a while, as devices do; 0 never locks.
    bool IsLocked(SimClock::time_point now) const { return now < m_lockedUntil; }
    void NoteLoginFailure(SimClock::time_point now, int lockAfter, std::chrono::seconds lockTime);
    void NoteLoginSuccess() { m_failedLogins = 0; }

    // Logged-in sessions, counted by the session side.
    int SessionCount() const { return m_sessionCount; }
    void AddSession() { ++m_sessionCount; }
    void RemoveSession() { --m_sessionCount; }

private:
    DeviceProfile m_profile;
    discovery::DeviceRecord m_current;
    std::uint32_t m_ipAddress = 0;
    std::uint32_t m_netmask = 0;
    SimClock::time_point m_bootedAt;
    std::int32_t m_runTimeAtBootSeconds = 0; // the profile's run time until the first reboot
    bool m_factoryMode = false;
    std::optional<discovery::IntercomRecord> m_intercom;
    std::uint64_t m_bootCount = 0;
    DeviceConfig m_config;
    sdk::Salt m_salt{};
    std::optional<sdk::LoginKey> m_key;
    int m_failedLogins = 0;
    SimClock::time_point m_lockedUntil{};
    int m_sessionCount = 0;
};

} // namespace zk::devsim

// SPDX-License-Identifier: GPL-3.0-or-later
#include "devsim/SimDevice.h"

#include "base/FixedText.h"
#include "devsim/Ipv4.h"
#include "sdk/DeviceSdk.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace zk::devsim {
namespace {

using base::CopyBounded;
using base::FieldText;

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

} // namespace

SimDevice::SimDevice(DeviceProfile profile, SimClock::time_point startedAt)
    : m_profile(std::move(profile)), m_current(m_profile.record), m_bootedAt(startedAt),
      m_runTimeAtBootSeconds(m_profile.record.RunTime), m_config(m_current) {
    m_ipAddress = ParseIpv4(FieldText(m_current.IpAddress)).value_or(0);
    m_netmask = ParseIpv4(FieldText(m_current.Netmask)).value_or(0);
    // Each device has its own salt, so one password gives every device a different key.
    if (sdk::RandomBytes(m_salt.data(), m_salt.size()) != 0) {
        for (std::size_t i = 0; i < m_salt.size(); ++i) {
            m_salt[i] = static_cast<std::uint8_t>(m_profile.number >> (8 * (i % 4)));
        }
    }
}

std::string_view SimDevice::SearchSerial() const {
    return FieldText(m_current.SerialNumber);
}

std::string_view SimDevice::OriginalSerial() const {
    return FieldText(m_profile.record.SerialNumber);
}

std::string_view SimDevice::Uuid() const {
    return FieldText(m_current.Uuid);
}

std::string_view SimDevice::MacAddress() const {
    return FieldText(m_current.MacAddress);
}

bool SimDevice::IsNamed(std::string_view serialNumber) const {
    return !serialNumber.empty() && (serialNumber == SearchSerial() || serialNumber == OriginalSerial());
}

bool SimDevice::IsNamedByUuid(std::string_view uuid) const {
    return !uuid.empty() && EqualIgnoringCase(uuid, Uuid());
}

bool SimDevice::AcceptsCredentials(const std::optional<discovery::Credentials>& credentials) const {
    return !credentials || (credentials->username == FieldText(m_current.Username) &&
                            credentials->password == FieldText(m_current.Password));
}

std::uint32_t SimDevice::IpAddress() const {
    return m_ipAddress;
}

std::uint32_t SimDevice::Netmask() const {
    return m_netmask;
}

bool SimDevice::IsSilent(SimClock::time_point now) const {
    return now < m_bootedAt;
}

discovery::DeviceRecord SimDevice::Record(SimClock::time_point now) const {
    discovery::DeviceRecord record = m_current;
    const auto upSeconds = std::chrono::duration_cast<std::chrono::seconds>(now - m_bootedAt).count();
    record.RunTime = m_runTimeAtBootSeconds + static_cast<std::int32_t>(std::max<long long>(upSeconds, 0));
    return record;
}

void SimDevice::ApplyNetwork(const LanSettings& settings) {
    m_current.Dhcp = settings.dhcp ? 1 : 0;
    if (!settings.dhcp) {
        // With DHCP the device keeps the address it has: there is no server to lease another.
        m_ipAddress = settings.ipAddress;
        m_netmask = settings.netmask;
        CopyBounded(m_current.IpAddress, FormatIpv4(m_ipAddress));
        CopyBounded(m_current.Netmask, FormatIpv4(m_netmask));
        CopyBounded(m_current.Gateway, settings.gateway);
        CopyBounded(m_current.Dns1, settings.dns1);
        CopyBounded(m_current.Dns2, settings.dns2);
    }
}

void SimDevice::Reboot(SimClock::time_point now, std::chrono::seconds silence) {
    m_bootedAt = now + silence;
    m_runTimeAtBootSeconds = 0;
    ++m_bootCount;
}

void SimDevice::Restore(bool retainNetwork, SimClock::time_point now, std::chrono::seconds silence) {
    const discovery::DeviceRecord& initial = m_profile.record;
    if (!retainNetwork) {
        m_current.Dhcp = initial.Dhcp;
        CopyBounded(m_current.IpAddress, FieldText(initial.IpAddress));
        CopyBounded(m_current.Netmask, FieldText(initial.Netmask));
        CopyBounded(m_current.Gateway, FieldText(initial.Gateway));
        CopyBounded(m_current.Dns1, FieldText(initial.Dns1));
        CopyBounded(m_current.Dns2, FieldText(initial.Dns2));
        m_ipAddress = ParseIpv4(FieldText(initial.IpAddress)).value_or(0);
        m_netmask = ParseIpv4(FieldText(initial.Netmask)).value_or(0);
    }
    ResetSettings();
    Reboot(now, silence);
}

void SimDevice::ResetSettings() {
    const discovery::DeviceRecord& initial = m_profile.record;
    CopyBounded(m_current.Osd, FieldText(initial.Osd));
    CopyBounded(m_current.Username, FieldText(initial.Username));
    CopyBounded(m_current.Password, FieldText(initial.Password));
    m_current.AllNet = initial.AllNet;
    m_key.reset();
    m_config.Reset(m_current);
    // Factory mode is the device's production state, not a setting: a reset keeps it.
    SetFactoryMode(m_factoryMode);
}

void SimDevice::SetFactoryMode(bool on) {
    m_factoryMode = on;
    m_config.SetValue("SystemConfig/FactoryConfig", "Mode", on ? "1" : "0");
}

ConfigAnswer SimDevice::GetConfig(int code) {
    m_config.SyncLive(m_current);
    return m_config.Get(code);
}

ConfigAnswer SimDevice::SetConfig(int code, std::string_view xml) {
    const std::string account = "SystemConfig/UserConfig/Account";
    const std::string title = "MediaConfig/Overlay/TitleOverlay";
    const std::string oldUser = m_config.Value(account, "Username");
    const std::string oldPassword = m_config.Value(account, "Password");
    const std::string oldTitle = m_config.Value(title, "TitleUtf8");
    ConfigAnswer answer = m_config.Set(code, xml);
    m_config.SyncLive(m_current);
    if (answer.result != sdk::kResultOk) {
        return answer;
    }
    const std::string user = m_config.Value(account, "Username");
    const std::string password = m_config.Value(account, "Password");
    const std::string newTitle = m_config.Value(title, "TitleUtf8");
    // Values the device record cannot hold are refused, and the document keeps the old ones.
    if (user.empty() || user.size() >= sizeof(m_current.Username) || password.size() >= sizeof(m_current.Password) ||
        newTitle.size() >= sizeof(m_current.Osd)) {
        m_config.SetValue(account, "Username", oldUser);
        m_config.SetValue(account, "Password", oldPassword);
        m_config.SetValue(title, "TitleUtf8", oldTitle);
        return {sdk::kResultFailed, {}};
    }
    if (password != FieldText(m_current.Password) || user != FieldText(m_current.Username)) {
        m_key.reset();
    }
    CopyBounded(m_current.Username, user);
    CopyBounded(m_current.Password, password);
    CopyBounded(m_current.Osd, newTitle);
    m_current.AllNet =
        static_cast<std::int16_t>(std::atoi(m_config.Value("NetworkConfig/LANConfig", "ALLNET").c_str()));
    return answer;
}

std::string_view SimDevice::Username() const {
    return FieldText(m_current.Username);
}

const sdk::LoginKey& SimDevice::LoginKey() {
    if (!m_key) {
        sdk::LoginKey key{};
        sdk::DeriveLoginKey(FieldText(m_current.Password), m_salt, kDeviceKeyIterations, key);
        m_key = key;
    }
    return *m_key;
}

void SimDevice::NoteLoginFailure(SimClock::time_point now, int lockAfter, std::chrono::seconds lockTime) {
    if (lockAfter > 0 && ++m_failedLogins >= lockAfter) {
        m_failedLogins = 0;
        m_lockedUntil = now + lockTime;
    }
}

void SimDevice::ClearSerial() {
    CopyBounded(m_current.SerialNumber, "BATCH_DEBUG" + std::to_string(m_profile.number));
}

} // namespace zk::devsim

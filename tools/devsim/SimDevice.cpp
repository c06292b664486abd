// SPDX-License-Identifier: GPL-3.0-or-later
#include "devsim/SimDevice.h"

#include "base/FixedText.h"
#include "devsim/Ipv4.h"

#include <algorithm>
#include <cctype>

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
      m_runTimeAtBootSeconds(m_profile.record.RunTime) {
    m_ipAddress = ParseIpv4(FieldText(m_current.IpAddress)).value_or(0);
    m_netmask = ParseIpv4(FieldText(m_current.Netmask)).value_or(0);
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
}

void SimDevice::Restore(bool retainNetwork, SimClock::time_point now, std::chrono::seconds silence) {
    const discovery::DeviceRecord& initial = m_profile.record;
    CopyBounded(m_current.Osd, FieldText(initial.Osd));
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
    Reboot(now, silence);
}

void SimDevice::ClearSerial() {
    CopyBounded(m_current.SerialNumber, "BATCH_DEBUG" + std::to_string(m_profile.number));
}

} // namespace zk::devsim

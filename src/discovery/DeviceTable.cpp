// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/DeviceTable.h"

#include "base/DebugLog.h"
#include "base/FixedText.h"

#include <chrono>
#include <cstring>

namespace zk::discovery {
namespace {

using base::CopyBounded;
using base::FieldText;

// Two camera models whose factory account differs from the default login user.
constexpr std::string_view kFixedAccountModels[] = {"QPLX-T35M", "QPLX-T35Y"};
constexpr const char* kFixedAccountUser = "admin";
constexpr const char* kFixedAccountPassword = "qvt*4071";

std::string UpperCase(std::string_view text) {
    std::string upper(text);
    for (auto& c : upper) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return upper;
}

} // namespace

std::uint32_t SteadyTickMs() {
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
}

DeviceTable::DeviceTable(TickSource tick) : m_tick(tick ? std::move(tick) : TickSource(&SteadyTickMs)) {}

void DeviceTable::SetClearSerialRequest(ClearSerialRequest request) {
    std::lock_guard lock(m_mutex);
    m_clearSerialRequest = std::move(request);
}

void DeviceTable::SetSetNetworkRequest(SetNetworkRequest request) {
    std::lock_guard lock(m_mutex);
    m_setNetworkRequest = std::move(request);
}

void DeviceTable::SetDefaultAccount(std::string username, std::string password) {
    std::lock_guard lock(m_mutex);
    m_defaultUsername = std::move(username);
    m_defaultPassword = std::move(password);
}

void DeviceTable::FillAccount(DeviceRecord& record) const {
    const std::string_view type = FieldText(record.DeviceType);
    for (const auto model : kFixedAccountModels) {
        if (type.find(model) != std::string_view::npos) {
            CopyBounded(record.Username, kFixedAccountUser);
            CopyBounded(record.Password, kFixedAccountPassword);
            return;
        }
    }
    CopyBounded(record.Username, m_defaultUsername);
    CopyBounded(record.Password, m_defaultPassword);
}

int DeviceTable::AddOrUpdate(DeviceRecord record, std::string_view localAddress) {
    record.LastSeenTick = m_tick();
    std::lock_guard lock(m_mutex);
    // A record without an account of its own carries the one it is logged in with.
    if (record.UserConfigPresent == 0) {
        FillAccount(record);
    }
    const std::string_view serial = FieldText(record.SerialNumber);
    const auto found = m_bySerial.find(serial);
    if (found != m_bySerial.end()) {
        const std::string_view storedLocal = FieldText(found->second.record.LocalIp);
        if (storedLocal.empty() || storedLocal == "0.0.0.0") {
            CopyBounded(record.LocalIp, localAddress);
        } else {
            std::memcpy(record.LocalIp, found->second.record.LocalIp, sizeof(record.LocalIp));
        }
        found->second.record = record;
        found->second.changeCount = ++m_changeCount;
        return 0;
    }
    base::Log("found new entry, mac=[%s]\n", record.MacAddress);
    CopyBounded(record.LocalIp, localAddress);
    m_bySerial.emplace(std::string(serial), Entry{record, ++m_changeCount});
    return 0;
}

void DeviceTable::AddOrUpdateByUuid(DeviceRecord record, std::string_view localAddress) {
    const std::string uuid(FieldText(record.Uuid));
    if (uuid.empty()) {
        return;
    }
    record.LastSeenTick = m_tick();
    ClearSerialRequest request;
    {
        std::lock_guard lock(m_mutex);
        const std::string key = UpperCase(uuid);
        const auto found = m_byUuid.find(key);
        if (found != m_byUuid.end()) {
            found->second = record;
            return;
        }
        base::Log("found new entry, mac=[%s]\n", record.MacAddress);
        CopyBounded(record.LocalIp, localAddress);
        m_byUuid.emplace(key, record);
        request = m_clearSerialRequest;
    }
    if (request) {
        request(uuid);
    }
}

int DeviceTable::CopyOut(std::string_view serialNumber, DeviceRecord* buffer, std::size_t bufferSize) const {
    std::lock_guard lock(m_mutex);
    const auto found = m_bySerial.find(serialNumber);
    if (found == m_bySerial.end()) {
        return kTableUnknownSerial;
    }
    if (buffer == nullptr || bufferSize < sizeof(DeviceRecord)) {
        return kTableBufferTooSmall;
    }
    *buffer = found->second.record;
    return kTableOk;
}

int DeviceTable::CopyInAndSendNetwork(std::string_view serialNumber, const DeviceRecord* record, std::size_t recordSize,
                                      const std::optional<Credentials>& credentials) {
    SetNetworkRequest request;
    DeviceRecord copy;
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_bySerial.find(serialNumber);
        if (found == m_bySerial.end()) {
            return kTableUnknownSerial;
        }
        if (record == nullptr || recordSize < sizeof(DeviceRecord)) {
            return kTableBufferTooSmall;
        }
        found->second.record = *record;
        found->second.changeCount = ++m_changeCount;
        copy = *record;
        request = m_setNetworkRequest;
    }
    if (request) {
        request(copy, credentials);
    }
    return kTableOk;
}

void DeviceTable::Clear() {
    std::lock_guard lock(m_mutex);
    m_bySerial.clear();
}

std::size_t DeviceTable::Size() const {
    std::lock_guard lock(m_mutex);
    return m_bySerial.size();
}

void DeviceTable::ForEach(const std::function<void(const Entry& entry)>& visit) const {
    std::lock_guard lock(m_mutex);
    for (const auto& [serial, entry] : m_bySerial) {
        visit(entry);
    }
}

std::vector<DeviceTable::Entry> DeviceTable::ChangedSince(std::uint64_t changeCount) const {
    std::vector<Entry> changed;
    std::lock_guard lock(m_mutex);
    for (const auto& [serial, entry] : m_bySerial) {
        if (entry.changeCount > changeCount) {
            changed.push_back(entry);
        }
    }
    return changed;
}

} // namespace zk::discovery

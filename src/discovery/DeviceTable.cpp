// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/DeviceTable.h"

#include "base/DebugLog.h"
#include "base/FixedText.h"

#include <algorithm>
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
        MarkChanged(*found);
        return 0;
    }
    base::Log("found new entry, mac=[%s]\n", record.MacAddress);
    CopyBounded(record.LocalIp, localAddress);
    const auto inserted = m_bySerial.emplace(std::string(serial), Entry{0, record});
    MarkChanged(*inserted.first);
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
    {
        std::lock_guard lock(m_mutex);
        if (m_bySerial.find(serialNumber) == m_bySerial.end()) {
            return kTableUnknownSerial;
        }
        if (record == nullptr || recordSize < sizeof(DeviceRecord)) {
            return kTableBufferTooSmall;
        }
        request = m_setNetworkRequest;
    }
    // The request goes out first: a device whose request was never sent keeps its stored record,
    // so the list does not show values the device never received.
    if (!request || request(*record, credentials) != 0) {
        return kTableNotSent;
    }
    std::lock_guard lock(m_mutex);
    const auto found = m_bySerial.find(serialNumber);
    if (found != m_bySerial.end()) {
        found->second.record = *record;
        MarkChanged(*found);
    }
    return kTableOk;
}

void DeviceTable::Clear() {
    std::lock_guard lock(m_mutex);
    m_bySerial.clear();
    m_byChange.clear();
    m_arena.Reset();
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

void DeviceTable::MarkChanged(SerialMap::value_type& item) {
    if (item.second.changeCount != 0) {
        m_byChange.erase(item.second.changeCount);
    }
    item.second.changeCount = ++m_changeCount;
    m_byChange.emplace(item.second.changeCount, &item);
}

std::vector<const DeviceTable::SerialMap::value_type*> DeviceTable::ChangedItems(std::uint64_t changeCount) const {
    std::vector<const SerialMap::value_type*> items;
    for (auto it = m_byChange.upper_bound(changeCount); it != m_byChange.end(); ++it) {
        items.push_back(it->second);
    }
    std::sort(items.begin(), items.end(),
              [](const auto* left, const auto* right) { return left->first < right->first; });
    return items;
}

std::vector<DeviceTable::Entry> DeviceTable::ChangedSince(std::uint64_t changeCount) const {
    std::lock_guard lock(m_mutex);
    std::vector<Entry> changed;
    for (const auto* item : ChangedItems(changeCount)) {
        changed.push_back(item->second);
    }
    return changed;
}

void DeviceTable::VisitChangedSince(std::uint64_t changeCount,
                                    const std::function<void(const Entry& entry)>& visit) const {
    std::lock_guard lock(m_mutex);
    for (const auto* item : ChangedItems(changeCount)) {
        visit(item->second);
    }
}

} // namespace zk::discovery

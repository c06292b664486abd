// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "discovery/DeviceRecord.h"
#include "discovery/SearchMessage.h"
#include "platform/HugePageArena.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace zk::discovery {

// The millisecond tick of the steady clock, as stored in LastSeenTick (wraps around).
std::uint32_t SteadyTickMs();

// Results of CopyOut and CopyInAndSendNetwork.
inline constexpr int kTableOk = 0;
inline constexpr int kTableUnknownSerial = -1;
inline constexpr int kTableBufferTooSmall = -2;
inline constexpr int kTableNotSent = -3; // the set-network request did not go out; nothing was stored

// The devices found by the search, keyed by serial number (exact, case-sensitive), and in
// clear-serial mode a second table keyed by UUID. Every call takes the table lock, so the search
// thread writes while the window thread reads. Requests the table causes (clear serial number,
// set network) leave through callbacks, called without the lock held, on the calling thread.
class DeviceTable final {
public:
    struct Entry {
        // Raised by every AddOrUpdate of the entry, so that readers skip what did not change. Kept
        // ahead of the record, on the same memory page as its first fields.
        std::uint64_t changeCount = 0;
        DeviceRecord record;
    };

    // The millisecond tick stored as LastSeenTick; tests pass their own.
    using TickSource = std::function<std::uint32_t()>;
    // Asks for the clear-serial-number request for a UUID (three copies, default login user).
    using ClearSerialRequest = std::function<void(const std::string& uuid)>;
    // Asks for the set-network request for a record that holds the new values; returns 0 when the
    // request was queued or sent, negative when it will not go out.
    using SetNetworkRequest =
        std::function<int(const DeviceRecord& record, const std::optional<Credentials>& credentials)>;

    explicit DeviceTable(TickSource tick = {});
    DeviceTable(const DeviceTable&) = delete;
    DeviceTable& operator=(const DeviceTable&) = delete;

    void SetClearSerialRequest(ClearSerialRequest request);
    void SetSetNetworkRequest(SetNetworkRequest request);

    // The default login user in code page 936: the account of records whose reply carried none.
    void SetDefaultAccount(std::string username, std::string password);

    // Merges a record from a reply received on the adapter with the given local address. A known
    // device keeps the local address it was first seen on unless that was empty or "0.0.0.0".
    // Returns 0.
    int AddOrUpdate(DeviceRecord record, std::string_view localAddress);

    // Clear-serial mode: keyed by UUID (case-insensitive); a new UUID is inserted and its
    // clear-serial-number request asked for once. Records without a UUID are skipped.
    void AddOrUpdateByUuid(DeviceRecord record, std::string_view localAddress);

    // Copies the record of a serial number into the buffer: 0, -1 unknown, -2 buffer too small.
    int CopyOut(std::string_view serialNumber, DeviceRecord* buffer, std::size_t bufferSize) const;

    // Asks for the set-network request of a record that holds a device's new values and, once the
    // request went out, stores the record as the device's: 0, -1 unknown, -2 record too small,
    // -3 the request did not go out (the stored record is unchanged).
    int CopyInAndSendNetwork(std::string_view serialNumber, const DeviceRecord* record, std::size_t recordSize,
                             const std::optional<Credentials>& credentials);

    // Empties the serial-number table (the UUID table lives as long as the program).
    void Clear();

    std::size_t Size() const;

    // Calls visit for every entry in serial-number order, under the lock: keep it short.
    void ForEach(const std::function<void(const Entry& entry)>& visit) const;

    // The entries whose change count is above the given one, in key order, copied out.
    std::vector<Entry> ChangedSince(std::uint64_t changeCount) const;
    // Calls visit for each of those entries in key order, under the lock, without copying them:
    // keep it short and never call the table from it.
    void VisitChangedSince(std::uint64_t changeCount, const std::function<void(const Entry& entry)>& visit) const;

private:
    void FillAccount(DeviceRecord& record) const;

    TickSource m_tick;
    ClearSerialRequest m_clearSerialRequest;
    SetNetworkRequest m_setNetworkRequest;

    mutable std::mutex m_mutex;
    using SerialMap =
        std::map<std::string, Entry, std::less<>, platform::ArenaAllocator<std::pair<const std::string, Entry>>>;
    // Stamps an entry with the next change count.
    void MarkChanged(SerialMap::value_type& item);
    // The entries with a change count above the given one, in key order.
    std::vector<const SerialMap::value_type*> ChangedItems(std::uint64_t changeCount) const;

    // The entries, which leave only all together (Clear), in huge-page chunks: merging a large fleet
    // walks thousands of them.
    platform::HugePageArena m_arena;
    SerialMap m_bySerial{SerialMap::allocator_type(&m_arena)};
    // Each entry under its change count, so that readers of what changed never scan the whole table.
    std::map<std::uint64_t, SerialMap::value_type*> m_byChange;
    std::map<std::string, DeviceRecord, std::less<>> m_byUuid; // keys in upper case
    std::uint64_t m_changeCount = 0;
    std::string m_defaultUsername = "admin";
    std::string m_defaultPassword = "507913";
};

} // namespace zk::discovery

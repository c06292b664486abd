// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "discovery/DeviceRecord.h"
#include "discovery/SearchMessage.h"
#include "netcfg/IpSettingData.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace zk::base {
class CSaveParam;
class LanguageTable;
} // namespace zk::base
namespace zk::discovery {
class DeviceListModel;
class DeviceTable;
class SearchController;
} // namespace zk::discovery
namespace zk::sdk::batch {
class BatchRunner;
}

namespace zk::netcfg {

class FreeAddressSearch;
class LocalNetwork;
class Prober;
class RecentlyAssigned;

// Why a row's set-network request did not go out (IpAssignmentRecord::reason).
inline constexpr const char* kReasonNotSent = "not sent";              // the queue or the sender refused it
inline constexpr const char* kReasonUnknownDevice = "unknown device";  // the device left the device table
inline constexpr const char* kReasonExhausted = "network exhausted";   // no consecutive address left
inline constexpr const char* kReasonNoFreeAddress = "no free address"; // every free candidate answered
inline constexpr const char* kReasonTooLong = "request too long";      // the body would have been cut

// What one row's set-network request carried and whether it went out.
struct IpAssignmentRecord {
    std::string serialNumber;
    std::string macAddress;
    std::string oldIpAddress;
    std::string ipAddress;
    std::string netmask;
    std::string gateway;
    std::string dns1;
    std::string dns2;
    bool dhcp = false;
    bool sent = false;
    std::string reason; // why it was not sent; empty when it was
};

// What the commands need from the front end.
struct IpAssignmentHooks {
    // The operation credentials; nothing abandons the command (the front end has said why).
    std::function<std::optional<discovery::Credentials>()> credentials;
    // The IP settings dialog over these values; false when it was cancelled. The dialog accepts
    // only values that pass AcceptIpSettings.
    std::function<bool(IpSettingData& data)> editSettings;
    // Renews a row's session once its device was given new settings.
    std::function<void(int row)> renewSession;
};

// The commands that give devices new IPv4 settings over the search protocol, without a login: one
// device from the IP settings dialog, consecutive addresses for the ticked devices, DHCP, and free
// addresses of the computer's network found with the ICMP probe. Each request is built from a copy
// of the device's record and only once it went out does the copy become the device's: the device
// table's record, the row's record, its address cell and its session. A row whose request did not go
// out shows "SET_FAILED" and uses up no address.
//
// The commands walk their rows with the batch runner; the free-address probing runs on a worker
// thread, so the window never waits for it. Lives on the window thread; everything it is given must
// outlive it. It answers the device table's set-network requests through the search controller.
class IpAssignment final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(IpAssignment)

public:
    IpAssignment(discovery::DeviceListModel& list, discovery::DeviceTable& table, discovery::SearchController& search,
                 sdk::batch::BatchRunner& runner, LocalNetwork& local, RecentlyAssigned& recent, Prober& prober,
                 base::CSaveParam& settings, IpAssignmentHooks hooks, QObject* parent = nullptr);
    ~IpAssignment() override;

    // Modify one device (context menu 32772): the dialog preset from the row's record.
    void ModifyOne(int row);
    // Consecutive addresses (pop-up entry 32902) for the rows of these keys, in this order (the
    // window passes the ticked rows): the dialog preset for the range, the start stored as
    // DefaultFromIP.
    void Consecutive(const std::vector<std::string>& keys);
    // DHCP on (pop-up entry 32945) for the rows of these keys.
    void Dhcp(const std::vector<std::string>& keys);
    // Free addresses for the rows of these keys: the ticked rows (32901) after the question
    // "MSGTIP12" when ask is set, or one row (context menu 32775) without a question.
    void FreeAddresses(const std::vector<std::string>& keys, bool ask);

    // Sends the set-network request of a record that holds a row's new values and, once it went
    // out, makes the record the row's. 0; kTableUnknownSerial, kTableBufferTooSmall or
    // kTableNotSent when it did not go out (logged "set IPC %s failed. error = %ld").
    int SetNetwork(int row, const discovery::DeviceRecord& changed, const std::optional<discovery::Credentials>& user);

    // True while a command still works: probing for free addresses or walking its rows.
    bool Busy() const;
    // What the requests of the commands so far carried, by row key (the last one per row).
    const std::map<std::string, IpAssignmentRecord>& Records() const { return m_records; }

signals:
    // A command ended (also when it was cancelled or refused before sending anything).
    void commandFinished();

private:
    // Runs one row's request and records it; true when it went out.
    bool Assign(int row, discovery::DeviceRecord changed, const std::optional<discovery::Credentials>& user,
                const char* reason = nullptr);
    void RunFree(const std::vector<std::string>& keys, const QStringList& addresses,
                 const std::optional<discovery::Credentials>& user);
    bool IpColumnShown() const;

    discovery::DeviceListModel& m_list;
    discovery::DeviceTable& m_table;
    discovery::SearchController& m_search;
    sdk::batch::BatchRunner& m_runner;
    LocalNetwork& m_local;
    RecentlyAssigned& m_recent;
    base::CSaveParam& m_settings;
    IpAssignmentHooks m_hooks;
    FreeAddressSearch* m_freeSearch;
    int m_batchesRunning = 0;
    std::map<std::string, IpAssignmentRecord> m_records;
};

} // namespace zk::netcfg

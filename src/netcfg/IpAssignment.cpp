// SPDX-License-Identifier: GPL-3.0-or-later
#include "netcfg/IpAssignment.h"

#include "base/CSaveParam.h"
#include "base/DebugLog.h"
#include "base/FixedText.h"
#include "base/LanguageTable.h"
#include "discovery/DeviceListModel.h"
#include "discovery/DeviceTable.h"
#include "discovery/SearchController.h"
#include "netcfg/AddressProbing.h"
#include "netcfg/ConsecutiveAddresses.h"
#include "netcfg/FreeAddressSearch.h"
#include "netcfg/IpPresets.h"
#include "netcfg/LocalNetwork.h"
#include "netcfg/RecentlyAssigned.h"
#include "platform/TextCodec.h"
#include "sdk/batch/BatchRunner.h"

#include <memory>

namespace zk::netcfg {
namespace {

using base::CopyBounded;
using base::FieldText;
using discovery::DeviceRecord;
using discovery::ListColumn;
using sdk::batch::RowResult;

constexpr const char* kSetFailed = ZK_TEXT_KEY("SET_FAILED");
// What DHCP gives a device that shows no address yet, so that it is reachable until its DHCP
// server answers.
constexpr const char* kDhcpFallbackAddress = "192.168.0.123";
constexpr const char* kDhcpFallbackNetmask = "255.255.255.0";
constexpr const char* kDhcpFallbackGateway = "192.168.0.1";

void ApplySettings(DeviceRecord& record, const IpSettingData& data) {
    record.Dhcp = data.dhcp ? 1 : 0;
    CopyBounded(record.IpAddress, data.start);
    CopyBounded(record.Netmask, data.netmask);
    CopyBounded(record.Gateway, data.gateway);
    CopyBounded(record.Dns1, data.dns1);
    CopyBounded(record.Dns2, data.dns2);
}

} // namespace

IpAssignment::IpAssignment(discovery::DeviceListModel& list, discovery::DeviceTable& table,
                           discovery::SearchController& search, sdk::batch::BatchRunner& runner, LocalNetwork& local,
                           RecentlyAssigned& recent, Prober& prober, base::CSaveParam& settings,
                           IpAssignmentHooks hooks, QObject* parent)
    : QObject(parent), m_list(list), m_table(table), m_search(search), m_runner(runner), m_local(local),
      m_recent(recent), m_settings(settings), m_hooks(std::move(hooks)),
      m_freeSearch(new FreeAddressSearch(prober, kDefaultMaxParallelProbes, this)) {
    // The table asks for a device's set-network request; it goes through the search's queue when a
    // search runs, else once through short-lived sockets.
    m_table.SetSetNetworkRequest(
        [this](const DeviceRecord& record, const std::optional<discovery::Credentials>& credentials) {
            const std::optional<std::string> body = discovery::BuildWholeSetNetworkBody(record, credentials);
            if (!body) {
                return discovery::kRequestNotSent;
            }
            return m_search.QueueRequest(discovery::kCodeSetNetwork, *body, 0, discovery::kCopiesSetNetwork);
        });
}

IpAssignment::~IpAssignment() {
    m_table.SetSetNetworkRequest({});
}

bool IpAssignment::Busy() const {
    return m_batchesRunning > 0 || m_freeSearch->Running();
}

bool IpAssignment::IpColumnShown() const {
    return m_list.Columns().Shows(ListColumn::Ip);
}

int IpAssignment::SetNetwork(int row, const DeviceRecord& changed, const std::optional<discovery::Credentials>& user) {
    const std::string serial(FieldText(changed.SerialNumber));
    const int result = m_table.CopyInAndSendNetwork(serial, &changed, sizeof(changed), user);
    if (result != discovery::kTableOk) {
        base::Log("set IPC %s failed. error = %ld\n", serial.c_str(), static_cast<long>(result));
        return result;
    }
    m_recent.Note(std::string(FieldText(changed.IpAddress)));
    if (discovery::DeviceRow* device = m_list.RowAt(row)) {
        device->Record = changed;
        m_list.SetCellText(row, ListColumn::Ip, platform::AnsiToWide(FieldText(changed.IpAddress)));
        if (m_hooks.renewSession) {
            m_hooks.renewSession(row);
        }
    }
    return result;
}

bool IpAssignment::Assign(int row, DeviceRecord changed, const std::optional<discovery::Credentials>& user,
                          const char* reason) {
    const discovery::DeviceRow* device = m_list.RowAt(row);
    if (device == nullptr) {
        return false;
    }
    IpAssignmentRecord record;
    record.serialNumber = FieldText(changed.SerialNumber);
    record.macAddress = FieldText(changed.MacAddress);
    record.oldIpAddress = FieldText(device->Record.IpAddress);
    record.ipAddress = FieldText(changed.IpAddress);
    record.netmask = FieldText(changed.Netmask);
    record.gateway = FieldText(changed.Gateway);
    record.dns1 = FieldText(changed.Dns1);
    record.dns2 = FieldText(changed.Dns2);
    record.dhcp = changed.Dhcp != 0;
    const std::string key(FieldText(device->Key));
    if (reason == nullptr && !discovery::BuildWholeSetNetworkBody(changed, user)) {
        reason = kReasonTooLong;
    }
    if (reason == nullptr) {
        const int result = SetNetwork(row, changed, user);
        record.sent = result == discovery::kTableOk;
        if (!record.sent) {
            reason = result == discovery::kTableUnknownSerial ? kReasonUnknownDevice : kReasonNotSent;
        }
    }
    if (!record.sent) {
        record.reason = reason;
        m_runner.SetRowStatusKey(row, kSetFailed);
    }
    m_runner.SetRowResult(row, record.sent ? RowResult::Sent : RowResult::Failed);
    m_records[key] = std::move(record);
    return m_records[key].sent;
}

void IpAssignment::ModifyOne(int row) {
    const discovery::DeviceRow* device = m_list.RowAt(row);
    if (device == nullptr || !IpColumnShown()) {
        emit commandFinished();
        return;
    }
    const std::optional<discovery::Credentials> user = m_hooks.credentials ? m_hooks.credentials() : std::nullopt;
    IpSettingData data = PresetForDevice(device->Record);
    if (!user || !m_hooks.editSettings || !m_hooks.editSettings(data)) {
        emit commandFinished();
        return;
    }
    ++m_batchesRunning;
    m_runner.Run(
        {std::string(FieldText(device->Key))},
        [this, data, user](int current) {
            const discovery::DeviceRow* target = m_list.RowAt(current);
            if (target == nullptr) {
                return -1;
            }
            DeviceRecord changed = target->Record;
            ApplySettings(changed, data);
            Assign(current, changed, user);
            return 0;
        },
        [this] {
            --m_batchesRunning;
            emit commandFinished();
        });
}

void IpAssignment::Consecutive(const std::vector<std::string>& keys) {
    if (keys.empty()) {
        m_runner.ShowError(ZK_TEXT_KEY("MSGTIP13"));
        emit commandFinished();
        return;
    }
    const std::optional<discovery::Credentials> user = m_hooks.credentials ? m_hooks.credentials() : std::nullopt;
    if (!user || !IpColumnShown()) {
        emit commandFinished();
        return;
    }
    IpSettingData data = PresetForConsecutive(m_local.FirstAdapterBase(), m_settings.DefaultFromIP().toStdString(),
                                              m_local.Parameters(), static_cast<int>(keys.size()));
    if (!m_hooks.editSettings || !m_hooks.editSettings(data)) {
        emit commandFinished();
        return;
    }
    m_settings.SetDefaultFromIP(QString::fromStdString(data.start));
    m_settings.Save();

    auto addresses =
        std::make_shared<ConsecutiveAddresses>(data.start, data.netmask, data.gateway, m_local.AdapterAddresses());
    ++m_batchesRunning;
    m_runner.Run(
        keys,
        [this, data, user, addresses](int row) {
            const discovery::DeviceRow* device = m_list.RowAt(row);
            if (device == nullptr) {
                return -1;
            }
            DeviceRecord changed = device->Record;
            IpSettingData values = data;
            const std::optional<std::string> address = addresses->Current();
            values.start = address.value_or(std::string());
            ApplySettings(changed, values);
            // A row whose request did not go out leaves its address to the next row.
            if (Assign(row, changed, user, address ? nullptr : kReasonExhausted)) {
                addresses->Advance();
            }
            return 0;
        },
        [this] {
            --m_batchesRunning;
            emit commandFinished();
        });
}

void IpAssignment::Dhcp(const std::vector<std::string>& keys) {
    if (keys.empty()) {
        m_runner.ShowError(ZK_TEXT_KEY("MSGTIP15"));
        emit commandFinished();
        return;
    }
    const std::optional<discovery::Credentials> user = m_hooks.credentials ? m_hooks.credentials() : std::nullopt;
    if (!user || !IpColumnShown()) {
        emit commandFinished();
        return;
    }
    ++m_batchesRunning;
    m_runner.Run(
        keys,
        [this, user](int row) {
            const discovery::DeviceRow* device = m_list.RowAt(row);
            if (device == nullptr) {
                return -1;
            }
            DeviceRecord changed = device->Record;
            changed.Dhcp = 1;
            if (FieldText(changed.IpAddress) == "0.0.0.0") {
                CopyBounded(changed.IpAddress, kDhcpFallbackAddress);
                CopyBounded(changed.Netmask, kDhcpFallbackNetmask);
                CopyBounded(changed.Gateway, kDhcpFallbackGateway);
            }
            Assign(row, changed, user);
            return 0;
        },
        [this] {
            --m_batchesRunning;
            emit commandFinished();
        });
}

void IpAssignment::FreeAddresses(const std::vector<std::string>& keys, bool ask) {
    if (ask && !m_runner.Confirm(ZK_TEXT_KEY("MSGTIP12"))) {
        emit commandFinished();
        return;
    }
    if (keys.empty()) {
        m_runner.ShowError(ZK_TEXT_KEY("MSGTIP15"));
        emit commandFinished();
        return;
    }
    const std::optional<discovery::Credentials> user = m_hooks.credentials ? m_hooks.credentials() : std::nullopt;
    if (!user || !IpColumnShown() || m_freeSearch->Running()) {
        emit commandFinished();
        return;
    }
    const LocalParameters local = m_local.Parameters();
    CandidateSources sources;
    sources.localAddress = local.address;
    sources.localNetmask = local.netmask;
    sources.gateway = local.gateway;
    sources.adapterAddresses = m_local.AdapterAddresses();
    sources.recentlyAssigned = &m_recent;
    m_table.ForEach([&sources](const discovery::DeviceTable::Entry& entry) {
        sources.tableAddresses.emplace_back(FieldText(entry.record.IpAddress));
    });
    // Probing a network's addresses takes up to a fifth of a second each: it runs on a worker
    // thread, and the rows are given their addresses when it has them.
    auto connection = std::make_shared<QMetaObject::Connection>();
    *connection = connect(m_freeSearch, &FreeAddressSearch::finished, this,
                          [this, keys, user, connection](const QStringList& addresses) {
                              disconnect(*connection);
                              RunFree(keys, addresses, user);
                          });
    if (m_freeSearch->Start(FreeAddressCandidates(sources), static_cast<int>(keys.size())) != kProbeStarted) {
        disconnect(*connection);
        RunFree(keys, {}, user);
    }
}

void IpAssignment::RunFree(const std::vector<std::string>& keys, const QStringList& addresses,
                           const std::optional<discovery::Credentials>& user) {
    const LocalParameters local = m_local.Parameters();
    auto next = std::make_shared<int>(0);
    ++m_batchesRunning;
    m_runner.Run(
        keys,
        [this, addresses, user, local, next](int row) {
            const discovery::DeviceRow* device = m_list.RowAt(row);
            if (device == nullptr) {
                return -1;
            }
            DeviceRecord changed = device->Record;
            changed.Dhcp = 0;
            const bool haveAddress = *next < addresses.size();
            // No free address left: nothing is sent rather than the computer's own address.
            CopyBounded(changed.IpAddress, haveAddress ? addresses[*next].toStdString() : std::string());
            CopyBounded(changed.Netmask, local.netmask);
            CopyBounded(changed.Gateway, local.gateway);
            CopyBounded(changed.Dns1, local.dns1);
            CopyBounded(changed.Dns2, local.dns2);
            if (Assign(row, changed, user, haveAddress ? nullptr : kReasonNoFreeAddress)) {
                ++*next;
            }
            return 0;
        },
        [this] {
            --m_batchesRunning;
            emit commandFinished();
        });
}

} // namespace zk::netcfg

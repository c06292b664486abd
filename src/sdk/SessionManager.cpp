// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/SessionManager.h"

#include "base/DebugLog.h"
#include "base/FixedText.h"
#include "base/LanguageTable.h"
#include "discovery/DeviceListModel.h"
#include "discovery/SearchController.h"
#include "platform/NetworkAdapters.h"
#include "sdk/AlarmRecord.h"
#include "sdk/AlarmText.h"

#include <QDateTime>
#include <QTimeZone>

#include <chrono>
#include <cstring>
#include <mutex>
#include <new>

namespace zk::sdk {

using base::CopyBounded;
using base::FieldText;
using discovery::DeviceRow;
using discovery::ListColumn;

namespace {

// The library's callbacks name their manager by an id, looked up under this lock. A manager leaves
// the map before it is destroyed, so a callback running at that moment either posts to a live
// object (whose destruction then drops the posted call) or finds nothing.
struct Relays {
    std::mutex mutex;
    std::unordered_map<std::uintptr_t, SessionManager*> managers;
    std::uintptr_t next = 1;
};

Relays& GetRelays() {
    // Never destroyed: a library thread may still call back while the process ends.
    static Relays* const relays = new Relays;
    return *relays;
}

// What an event does to its row besides the status text.
struct EventRule {
    int eventType;
    const char* key;
    bool takesOffline;
    bool endsUpgrade;
};

// Events 4 (online), 14 (upload or upgrade finished) and 23 (alarm) are handled on their own.
constexpr EventRule kEventRules[] = {
    {kEventConnectionLost, ZK_TEXT_KEY("MSGTIP10"), true, true},
    {kEventCannotConnect, ZK_TEXT_KEY("MSGTIP4"), true, true},
    {kEventKeepAliveTimeout, ZK_TEXT_KEY("MSGTIP3"), true, true},
    {6, ZK_TEXT_KEY("STRING_STARTTALK_OK"), false, false},
    {8, ZK_TEXT_KEY("STRING_STOPTALK_OK"), false, false},
    {15, ZK_TEXT_KEY("MSGTIP7"), false, true},
    {16, ZK_TEXT_KEY("MSGTIP9"), false, false},
    {17, ZK_TEXT_KEY("MSGTIP8"), false, false},
    {kEventWrongPassword, ZK_TEXT_KEY("IDS_STR_ZH_CN_USERERROR"), false, true},
    {32, ZK_TEXT_KEY("MSGTIP5"), false, false},
    {kEventLoggedOutByDevice, ZK_TEXT_KEY("MSGTIP2"), true, true},
    {35, ZK_TEXT_KEY("STRING_STARTTALK_DEVBUSY"), false, false},
    {36, ZK_TEXT_KEY("STRING_STARTTALK_PARAMERROR"), false, false},
    {37, ZK_TEXT_KEY("STRING_STARTTALK_NOTSUPPORT"), false, false},
};

constexpr int kEventTransferDone = 14;
constexpr const char* kInfoRequest = "RESPONSE_PARAM";

const EventRule* RuleFor(int eventType) {
    for (const EventRule& rule : kEventRules) {
        if (rule.eventType == eventType) {
            return &rule;
        }
    }
    return nullptr;
}

std::string_view View(const QByteArray& bytes) {
    return {bytes.constData(), static_cast<std::size_t>(bytes.size())};
}

} // namespace

PcClock SystemClock() {
    const QDateTime now = QDateTime::currentDateTime();
    PcClock clock;
    clock.localTime = now.toString(QStringLiteral("yyyyMMdd HH:mm:ss")).toStdString();
    // The standard offset: devices apply summer time themselves.
    clock.biasMinutes = -QTimeZone::systemTimeZone().standardTimeOffset(now) / 60;
    return clock;
}

std::int32_t TimeZoneValue(int biasMinutes) {
    return (biasMinutes / -60 + 12) * 60;
}

SessionManager::SessionManager(DeviceSdk& sdk, discovery::DeviceListModel& list, const base::LanguageTable& texts,
                               QObject* parent)
    : QObject(parent), m_sdk(sdk), m_list(list), m_texts(texts), m_clock(&SystemClock) {
    {
        Relays& relays = GetRelays();
        std::lock_guard lock(relays.mutex);
        m_relayId = relays.next++;
        relays.managers.emplace(m_relayId, this);
    }
    connect(&m_list, &discovery::DeviceListModel::rowAdded, this, &SessionManager::OnRowAdded);
    connect(&m_list, &discovery::DeviceListModel::rowAddressChanged, this, &SessionManager::Relogin);
    // Handles of deleted rows match nothing any more.
    connect(&m_list, &discovery::DeviceListModel::rowsCleared, this, [this] { m_keyByHandle.clear(); });
}

SessionManager::~SessionManager() {
    Relays& relays = GetRelays();
    std::lock_guard lock(relays.mutex);
    relays.managers.erase(m_relayId);
}

int SessionManager::Start() {
    const int init = m_sdk.Init();
    if (init != 0) {
        base::Log("SessionManager: the device SDK did not start (%d)\n", init);
        return init;
    }
    const int version = m_sdk.GetSDKVersion();
    const int build = m_sdk.GetSDKBuildData();
    base::Log("SessionManager: device SDK %d.%d.%d, built %d\n", version >> 16, (version >> 8) & 0xFF, version & 0xFF,
              build);
    void* const user = reinterpret_cast<void*>(m_relayId);
    m_sdk.SetStatusEventCallBack(&SessionManager::OnStatusEvent, user);
    m_sdk.SetAUXResponseCallBack(&SessionManager::OnAuxResponse, user);
    m_sdk.SetAutoReconnect(0, 1);
    return 0;
}

void SessionManager::FollowSearch(discovery::SearchController& search) {
    connect(&search, &discovery::SearchController::logoutAllRequested, this, &SessionManager::LogoutAll);
}

void SessionManager::SetDefaultAccount(std::string user, std::string password) {
    m_defaultUser = std::move(user);
    m_defaultPassword = std::move(password);
}

void SessionManager::SetClock(ClockSource clock) {
    m_clock = clock ? std::move(clock) : ClockSource(&SystemClock);
}

void SessionManager::OnStatusEvent(int handle, int eventType, const char* payload, int payloadBytes, void* user) {
    try {
        Post(user, MakeStatusRecord(handle, eventType, payload, payloadBytes));
    } catch (const std::bad_alloc&) {
        base::Log("SessionManager: no memory for event %d of handle %d, dropped\n", eventType, handle);
    }
}

void SessionManager::OnAuxResponse(int handle, std::uint32_t word, const char* payload, int payloadBytes, void* user) {
    try {
        Post(user, MakeAuxRecord(handle, word, payload, payloadBytes));
    } catch (const std::bad_alloc&) {
        base::Log("SessionManager: no memory for answer %d of handle %d, dropped\n", AuxCode(word), handle);
    }
}

void SessionManager::Post(void* user, PostedRecord record) {
    Relays& relays = GetRelays();
    std::lock_guard lock(relays.mutex);
    const auto found = relays.managers.find(reinterpret_cast<std::uintptr_t>(user));
    if (found == relays.managers.end()) {
        return;
    }
    SessionManager* const manager = found->second;
    QMetaObject::invokeMethod(
        manager, [manager, record = std::move(record)]() mutable { manager->Receive(std::move(record)); },
        Qt::QueuedConnection);
}

void SessionManager::Receive(PostedRecord record) {
    m_pending.push_back(std::move(record));
    ScheduleDrain();
}

void SessionManager::ScheduleDrain() {
    if (!m_drainScheduled) {
        m_drainScheduled = true;
        QMetaObject::invokeMethod(this, &SessionManager::Drain, Qt::QueuedConnection);
    }
}

void SessionManager::Drain() {
    m_drainScheduled = false;
    // Each SDK call of a connect sequence may wait for the library's thread; hundreds of devices
    // coming online together would otherwise keep the window from drawing for a long time.
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kRecordSliceMs);
    while (!m_pending.empty()) {
        const PostedRecord record = std::move(m_pending.front());
        m_pending.pop_front();
        if (const auto* status = std::get_if<StatusRecord>(&record)) {
            HandleStatus(*status);
        } else {
            HandleAnswer(std::get<AuxRecord>(record));
        }
        if (!m_pending.empty() && std::chrono::steady_clock::now() >= end) {
            ScheduleDrain();
            return;
        }
    }
}

int SessionManager::FindRowByHandle(int handle) const {
    if (handle <= 0) {
        return -1;
    }
    const auto found = m_keyByHandle.find(handle);
    if (found == m_keyByHandle.end()) {
        return -1;
    }
    const int row = m_list.FindRow(found->second);
    const DeviceRow* device = m_list.RowAt(row);
    return device != nullptr && device->LoginHandle == handle ? row : -1;
}

void SessionManager::SetStatusText(int row, const QString& text) {
    m_list.SetCellText(row, ListColumn::State, text);
}

void SessionManager::HandleStatus(const StatusRecord& record) {
    const int row = FindRowByHandle(record.handle);
    DeviceRow* device = m_list.RowAt(row);
    if (device == nullptr) {
        return;
    }
    switch (record.eventType) {
    case kEventLoggedIn:
        device->Online = 1;
        SetStatusText(row, m_texts.GetText("MSGTIP1"));
        RunConnectSequence(row, record.handle);
        break;
    case kEventTransferDone:
        if (device->Upgrading != 0) {
            device->Upgrading = 0;
            SetStatusText(row, m_texts.GetText("MSG_UPGRADE"));
        } else {
            SetStatusText(row, m_texts.GetText("MSGTIP6"));
        }
        break;
    case kEventAlarm:
        if (record.payload.size() == static_cast<qsizetype>(sizeof(AlarmRecord))) {
            AlarmRecord alarm{};
            std::memcpy(&alarm, record.payload.constData(), sizeof(alarm));
            SetStatusText(row, AlarmStatusText(alarm, m_texts));
        }
        break;
    default:
        if (const EventRule* rule = RuleFor(record.eventType)) {
            if (rule->takesOffline) {
                device->Online = 0;
            }
            if (rule->endsUpgrade) {
                device->Upgrading = 0;
            }
            SetStatusText(row, m_texts.GetText(rule->key));
        }
        break;
    }
    emit sessionEvent(row, record.handle, record.eventType, record.payload);
}

TimeManualConfig SessionManager::TimeRecord() const {
    const PcClock clock = m_clock();
    TimeManualConfig time{};
    CopyBounded(time.LocalTime, clock.localTime);
    time.Zone = TimeZoneValue(clock.biasMinutes);
    return time;
}

void SessionManager::RunConnectSequence(int row, int handle) {
    // The device's clock answer is only logged by the library.
    m_sdk.SET_TimeManualConfig(handle, TimeRecord());
    if (m_sdk.SystemControl(handle, kQueryFileSystemVersion, 0, kInfoRequest) != 0) {
        m_list.SetCellText(row, ListColumn::Version, m_texts.GetText("MSGTIP34"));
    }
    for (const int code : {kQueryCapabilities, kQueryOwnSerialNumber, kQuerySecondVersion}) {
        m_sdk.SystemControl(handle, code, 0, kInfoRequest);
    }
}

void SessionManager::HandleAnswer(const AuxRecord& record) {
    const int row = FindRowByHandle(record.handle);
    DeviceRow* device = m_list.RowAt(row);
    if (device == nullptr) {
        return;
    }
    // A refused or unanswered query leaves what the row knew; only the version column says so.
    const bool answered = record.result == kResultOk;
    const std::string_view text = View(record.payload);
    switch (record.code) {
    case kQueryFileSystemVersion:
        if (answered) {
            m_list.SetVersionInfo(row, text);
        } else {
            m_list.SetCellText(row, ListColumn::Version, m_texts.GetText("MSGTIP34"));
        }
        break;
    case kQuerySecondVersion:
        if (answered) {
            CopyBounded(device->InfoText1095, text);
        }
        break;
    case kQueryCapabilities:
        if (answered) {
            CopyBounded(device->InfoText1020, text);
        }
        break;
    case kQueryOwnSerialNumber:
        if (answered) {
            CopyBounded(device->InfoText1019, text);
            // A cleared serial number gives way to the device's own; an empty answer names nothing.
            if (!text.empty() && FieldText(device->Record.SerialNumber).starts_with(kBatchDebugPrefix)) {
                CopyBounded(device->Record.SerialNumber, FieldText(device->InfoText1019));
                if (const auto cell = m_list.CellTexts().Text(*device, ListColumn::Sn)) {
                    m_list.SetCellText(row, ListColumn::Sn, *cell);
                }
            }
        }
        break;
    default:
        break;
    }
    emit answerReceived(row, record.handle, record.code, record.result, record.payload);
}

int SessionManager::Login(int row) {
    const DeviceRow* device = m_list.RowAt(row);
    if (device == nullptr) {
        return kErrorFailed;
    }
    const discovery::DeviceRecord& record = device->Record;
    char user[kLoginTextBytes];
    char password[kLoginTextBytes];
    CopyBounded(user, FieldText(record.Username));
    CopyBounded(password, FieldText(record.Password));
    // A device that reported no account logs in with the default login user, whatever its record holds.
    if (record.UserConfigPresent == 0) {
        CopyBounded(user, m_defaultUser);
        CopyBounded(password, m_defaultPassword);
    }
    const std::string address(FieldText(record.IpAddress));
    const auto port = static_cast<std::uint16_t>(record.PtzPort & 0xFFFF);
    const int handle = m_sdk.Login(address.c_str(), port, user, password, 0);
    std::memset(password, 0, sizeof(password));
    if (handle > 0) {
        m_sdk.SetAutoReconnect(handle, 1);
        m_keyByHandle.insert_or_assign(handle, std::string(FieldText(device->Key)));
        return handle;
    }
    base::Log("SessionManager: login to %s:%u refused by the SDK (%d)\n", address.c_str(), port, handle);
    SetStatusText(row, QLatin1StringView(kLoginFailedText));
    return handle;
}

void SessionManager::OnRowAdded(int row) {
    DeviceRow* device = m_list.RowAt(row);
    if (device == nullptr || m_printMode) {
        return;
    }
    const int handle = Login(row);
    if ((device = m_list.RowAt(row)) != nullptr) {
        device->LoginHandle = handle;
    }
}

void SessionManager::Relogin(int row) {
    DeviceRow* device = m_list.RowAt(row);
    if (device == nullptr) {
        return;
    }
    if (device->LoginHandle > 0) {
        m_sdk.Logout(device->LoginHandle);
        m_keyByHandle.erase(device->LoginHandle);
    }
    device->LoginHandle = 0;
    device->Online = 0;
    const int handle = Login(row);
    if ((device = m_list.RowAt(row)) != nullptr) {
        device->LoginHandle = handle;
    }
}

void SessionManager::OpenWebPage(int row) {
    const DeviceRow* device = m_list.RowAt(row);
    if (device == nullptr) {
        return;
    }
    // The address comes from the network: only a plain IPv4 address goes into what the desktop opens.
    const std::string_view address = FieldText(device->Record.IpAddress);
    if (!platform::ParseDottedAddress(address)) {
        base::Log("SessionManager: no web page for the address [%.*s]\n", static_cast<int>(address.size()),
                  address.data());
        return;
    }
    const QString url = QStringLiteral("http://%1:%2")
                            .arg(QLatin1StringView(address.data(), static_cast<qsizetype>(address.size())))
                            .arg(device->Record.WebPort);
    if (!m_urlOpener || !m_urlOpener(url)) {
        base::Log("SessionManager: cannot open %s\n", url.toUtf8().constData());
    }
}

void SessionManager::LogoutAll() {
    m_sdk.LogoutAll();
    m_keyByHandle.clear();
    for (int row = 0; row < m_list.RowCount(); ++row) {
        DeviceRow* device = m_list.RowAt(row);
        device->LoginHandle = 0;
        device->Online = 0;
    }
}

} // namespace zk::sdk

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sdk/DeviceSdk.h"
#include "sdk/SessionRecords.h"

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <unordered_map>
#include <variant>

namespace zk::base {
class LanguageTable;
}
namespace zk::discovery {
class DeviceListModel;
class SearchController;
} // namespace zk::discovery

namespace zk::sdk {

// The status text of a login the library refused at once.
inline constexpr const char* kLoginFailedText = "ZK_NETSDK_IPC_Login FAILED";
// Size of the narrow user and password buffers handed to Login, terminating zero included.
inline constexpr std::size_t kLoginTextBytes = 256;
// Longest stretch the window thread spends on received records before it lets other work run.
inline constexpr int kRecordSliceMs = 5;
// Rows whose serial number starts so were cleared on the factory line; their own answer to 1019
// names them.
inline constexpr const char* kBatchDebugPrefix = "BATCH_DEBUG";

// The PC's clock as device clocks are set from it.
struct PcClock {
    std::string localTime; // local time, "%Y%m%d %H:%M:%S"
    int biasMinutes = 0;   // UTC minus local standard time in minutes: -480 for UTC+8
};
using ClockSource = std::function<PcClock()>;
// The system clock and time zone.
PcClock SystemClock();
// The zone value of the time record: (h + 12) * 60, h the bias divided by -60 with truncation, so
// UTC+8 gives 1200, UTC+5:30 1020 and UTC-3:30 540.
std::int32_t TimeZoneValue(int biasMinutes);

// Opens a web address in the default browser; true when it was handed over. The window passes the
// desktop's opener; the core never draws or launches anything itself.
using UrlOpener = std::function<bool(const QString& url)>;

// The login sessions of the device list's rows. A row gets a session when it is listed (not in print
// mode) and a new one when its device answers from another address; a search start logs every
// session out. The library's callbacks only copy each status event and answer into a record and
// post it to this object's thread, which turns them into row state and texts: the status column,
// the online and upgrading flags, the connect sequence when a device comes online (clock, then the
// queries 1012, 1020, 1019, 1095) and the informational answers. Records are handled in arrival
// order in slices of at most kRecordSliceMs, so a fleet coming online at once never holds up the
// window for long.
//
// Lives on the window thread; every call comes from there. The SDK and the list must outlive it.
// Rows are addressed by display position, as the list addresses them.
class SessionManager final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(SessionManager)

public:
    SessionManager(DeviceSdk& sdk, discovery::DeviceListModel& list, const base::LanguageTable& texts,
                   QObject* parent = nullptr);
    ~SessionManager() override;

    // Starts the library and registers the callbacks, once: Init, GetSDKVersion, GetSDKBuildData,
    // both callbacks, SetAutoReconnect(0, 1). 0, or Init's failure (nothing else is called then).
    int Start();
    // A search start logs every session out.
    void FollowSearch(discovery::SearchController& search);

    // The default login user in code page 936: rows whose device reported no account of its own log
    // in with it. Changing it logs nobody in again.
    void SetDefaultAccount(std::string user, std::string password);
    // In print mode newly listed devices are not logged in.
    void SetPrintMode(bool on) { m_printMode = on; }
    void SetClock(ClockSource clock);
    // The time record that sets a device's clock from the PC's, as the connect sequence sends it.
    TimeManualConfig TimeRecord() const;
    void SetUrlOpener(UrlOpener opener) { m_urlOpener = std::move(opener); }

    // Logs the row's session out (if it has one) and in again with its current record; the new
    // handle, or a failed login's non-positive result, is stored in the row. Used after the tool
    // changed the device's network settings.
    void Relogin(int row);
    // The context menu's "log in again" (33300) for the first selected row; -1 does nothing.
    void LoginCommand(int row) { Relogin(row); }
    // The context menu's web page (32777): "http://<address>:<web port>" of the row through the
    // opener. Nothing for -1, and nothing (logged) when the row's address is no IPv4 address.
    void OpenWebPage(int row);
    // Ends every session (a search starts, a device list is imported); rows keep no handle.
    void LogoutAll();

    // The display position of the row holding this handle, or -1.
    int FindRowByHandle(int handle) const;
    // Records received and not handled yet.
    std::size_t PendingRecords() const { return m_pending.size(); }

signals:
    // A status event of a row's session, after the row's texts and flags took it (after the
    // connect sequence for event 4). Talk, upgrade, configuration and alarm handling follow it.
    void sessionEvent(int row, int handle, int eventType, const QByteArray& payload);
    // An answer on a row's session; for 1012, 1019 and 1095 the payload is the reduced attribute.
    // result 0 is success; kResultNoAnswer means the library gave up waiting.
    void answerReceived(int row, int handle, int code, int result, const QByteArray& payload);

private:
    static void OnStatusEvent(int handle, int eventType, const char* payload, int payloadBytes, void* user);
    static void OnAuxResponse(int handle, std::uint32_t word, const char* payload, int payloadBytes, void* user);

    using PostedRecord = std::variant<StatusRecord, AuxRecord>;
    // Library thread: queues a record to the manager the callback's user id names, if it still exists.
    static void Post(void* user, PostedRecord record);
    // Window thread: a posted record joins the queue; slices of the queue are handled in turn.
    void Receive(PostedRecord record);
    void ScheduleDrain();
    void Drain();
    void HandleStatus(const StatusRecord& record);
    void HandleAnswer(const AuxRecord& record);

    // Opens a session for the row's record; returns the handle or the failure, without storing it.
    int Login(int row);
    void OnRowAdded(int row);
    void RunConnectSequence(int row, int handle);
    void SetStatusText(int row, const QString& text);

    DeviceSdk& m_sdk;
    discovery::DeviceListModel& m_list;
    const base::LanguageTable& m_texts;
    std::uintptr_t m_relayId = 0; // how the library's callbacks find this object
    std::string m_defaultUser = "admin";
    std::string m_defaultPassword = "507913";
    bool m_printMode = false;
    ClockSource m_clock;
    UrlOpener m_urlOpener;
    // The row key each open handle was made for; checked against the row's handle on every use.
    std::unordered_map<int, std::string> m_keyByHandle;
    std::deque<PostedRecord> m_pending;
    bool m_drainScheduled = false;
};

} // namespace zk::sdk

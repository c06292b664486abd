// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/CLoadDisplayCfg.h"
#include "base/LanguageTable.h"
#include "discovery/DeviceListModel.h"
#include "discovery/DeviceTable.h"
#include "discovery/SearchController.h"
#include "discovery/SearchEngine.h"
#include "sdk/NetSdk.h"
#include "sdk/SessionManager.h"
#include "sdk/batch/BatchRunner.h"

#include <QMetaObject>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "YesPrompt.h"

namespace zk::bench {

// The main window's core objects, wired as the window wires them but without a window, for the
// fleet benchmarks: the device list merged from the search every refresh tick and emptied when a
// search starts, the session manager logging in every listed row (unless sessions are off, as for
// the commands that need no login), and the batch runner over them with a person who confirms
// everything. The search never stops by itself. Lives on the window thread.
class FleetWindow final {
    Q_DISABLE_COPY_MOVE(FleetWindow)

public:
    explicit FleetWindow(bool sessions);
    ~FleetWindow();

    // Starts the device SDK (with sessions) and the search, and waits until `count` rows are listed
    // and, with sessions, online with their own serial number answered. False, with a line on
    // stderr naming the program, when the SDK did not start or the fleet was not there within limitMs.
    bool ListFleet(const char* program, int count, double limitMs);
    // The rows stay as they are from here while the search goes on, as a command's rows do.
    void HoldList();
    // The list follows the search again (the next search's replies).
    void FollowSearch();
    // The longest refresh tick's merge since the last call: its wall time, the window thread's
    // processor time in it (less when other processes held the processor), the part of that spent
    // in the kernel (page faults of new rows' memory), in milliseconds, and its page faults.
    struct MergeTime {
        double wallMs = 0;
        double cpuMs = 0;
        double kernelMs = 0;
        long pageFaults = 0;
    };
    MergeTime TakeLongestMerge();

    // Every row of these keys has its outcome: no answer is awaited for it any more.
    bool AllAnswered(const std::vector<std::string>& keys) const;
    // Rows of these keys whose outcome is `result`.
    long CountResult(const std::vector<std::string>& keys, sdk::batch::RowResult result) const;
    // Rows whose status column shows the text of this language key.
    int RowsShowing(const char* textKey) const;

    // The yardstick of the sliced batches: one SetDVRConfig of `code` per row with a session, all
    // sent in one loop on this thread, each answer awaited through the runner as a batch awaits it.
    void SendUnsliced(int code, const std::string& text);
    // The baseline of a read-modify-write command: GetDVRConfig of the code to every logged-in row
    // in one loop, each row marked as its command would mark it and its answer awaited.
    void ReadUnsliced(int code, const std::function<void(discovery::DeviceRow& row)>& mark);
    // ListFleet, then the list held and every row ticked, as a person would before a batch: the
    // ticked keys, or nothing when the fleet was not listed in time.
    std::optional<std::vector<std::string>> TickFleet(const char* program, int count, double limitMs);

    const base::CLoadDisplayCfg& Display() const { return m_display; }
    const base::LanguageTable& Texts() const { return m_texts; }
    discovery::DeviceTable& Table() { return m_table; }
    discovery::DeviceListModel& List() { return m_list; }
    sdk::NetSdk& Library() { return m_library; }
    sdk::SessionManager& Sessions() { return m_sessions; }
    discovery::SearchEngine& Engine() { return m_engine; }
    discovery::SearchController& Search() { return m_search; }
    sdk::batch::BatchRunner& Runner() { return m_runner; }
    base::Prompt& Prompt() { return m_prompt; }

private:
    bool m_withSessions;
    const base::CLoadDisplayCfg m_display;
    const base::LanguageTable m_texts;
    discovery::DeviceTable m_table;
    discovery::DeviceListModel m_list;
    sdk::NetSdk m_library;
    sdk::SessionManager m_sessions;
    discovery::SearchEngine m_engine;
    discovery::SearchController m_search;
    YesPrompt m_prompt;
    sdk::batch::BatchRunner m_runner;
    QMetaObject::Connection m_merging;
    MergeTime m_longestMerge;
};

} // namespace zk::bench

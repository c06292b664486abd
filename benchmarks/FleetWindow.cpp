// SPDX-License-Identifier: GPL-3.0-or-later
#include "FleetWindow.h"

#include "base/FixedText.h"

#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "FleetBench.h"

namespace zk::bench {
namespace {

// Status texts in English, whatever language the machine's settings name.
base::LanguageSources EnglishSources() {
    base::LanguageSources sources = base::DefaultLanguageSources();
    sources.languageCode = QStringLiteral("en-us");
    return sources;
}

struct ThreadTimes {
    double cpuMs = 0;
    double kernelMs = 0;
    long pageFaults = 0;
};

// This thread's processor time, the part of it spent in the kernel, and its page faults so far.
ThreadTimes ThreadTimesNow() {
    ThreadTimes times;
    timespec cpu{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &cpu);
    times.cpuMs = static_cast<double>(cpu.tv_sec) * 1000.0 + static_cast<double>(cpu.tv_nsec) / 1e6;
    rusage usage{};
    getrusage(RUSAGE_THREAD, &usage);
    times.kernelMs =
        static_cast<double>(usage.ru_stime.tv_sec) * 1000.0 + static_cast<double>(usage.ru_stime.tv_usec) / 1000.0;
    times.pageFaults = usage.ru_minflt + usage.ru_majflt;
    return times;
}

discovery::SearchSettings EndlessSearch() {
    discovery::SearchSettings settings;
    settings.autoStop = false;
    return settings;
}

} // namespace

FleetWindow::FleetWindow(bool sessions)
    : m_withSessions(sessions), m_texts(EnglishSources()),
      m_list(m_table, m_texts, discovery::DeviceListSettings::From(m_display, m_texts)),
      m_sessions(m_library, m_list, m_texts), m_engine(m_table), m_search(m_table, m_engine, EndlessSearch()),
      m_runner(m_list, m_sessions, m_library, m_texts, m_prompt) {
    m_sessions.SetPrintMode(!sessions);
    QObject::connect(&m_search, &discovery::SearchController::tableCleared, &m_list,
                     &discovery::DeviceListModel::ClearRows);
    m_sessions.FollowSearch(m_search);
    FollowSearch();
}

FleetWindow::~FleetWindow() {
    m_search.StopSearch();
    m_sessions.LogoutAll();
}

bool FleetWindow::ListFleet(const char* program, int count, double limitMs) {
    if (m_withSessions && m_sessions.Start() != 0) {
        std::fprintf(stderr, "%s: the device SDK did not start\n", program);
        return false;
    }
    m_search.StartSearch();
    const bool listed = WaitFor(
        [&] {
            if (m_list.RowCount() < count) {
                return false;
            }
            for (int row = 0; m_withSessions && row < m_list.RowCount(); ++row) {
                if (m_list.RowAt(row)->Online == 0 || m_list.RowAt(row)->InfoText1019[0] == '\0') {
                    return false;
                }
            }
            return true;
        },
        limitMs);
    if (!listed) {
        std::fprintf(stderr, "%s: %d rows, not all %s within %.0f s\n", program, m_list.RowCount(),
                     m_withSessions ? "online" : "listed", limitMs / 1000.0);
    }
    return listed;
}

void FleetWindow::HoldList() {
    QObject::disconnect(m_merging);
}

void FleetWindow::FollowSearch() {
    HoldList();
    m_merging = QObject::connect(&m_search, &discovery::SearchController::listRefreshTick, &m_list, [this] {
        const auto start = std::chrono::steady_clock::now();
        const ThreadTimes before = ThreadTimesNow();
        m_list.Merge();
        const ThreadTimes after = ThreadTimesNow();
        const double wallMs =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        if (wallMs > m_longestMerge.wallMs) {
            m_longestMerge = {wallMs, after.cpuMs - before.cpuMs, after.kernelMs - before.kernelMs,
                              after.pageFaults - before.pageFaults};
        }
    });
}

FleetWindow::MergeTime FleetWindow::TakeLongestMerge() {
    const MergeTime longest = m_longestMerge;
    m_longestMerge = {};
    return longest;
}

bool FleetWindow::AllAnswered(const std::vector<std::string>& keys) const {
    return std::all_of(keys.begin(), keys.end(), [this](const std::string& key) {
        const sdk::batch::RowState* state = m_runner.State(key);
        return state != nullptr && state->result != sdk::batch::RowResult::Waiting &&
               state->result != sdk::batch::RowResult::None;
    });
}

long FleetWindow::CountResult(const std::vector<std::string>& keys, sdk::batch::RowResult result) const {
    return static_cast<long>(std::count_if(keys.begin(), keys.end(), [this, result](const std::string& key) {
        const sdk::batch::RowState* state = m_runner.State(key);
        return state != nullptr && state->result == result;
    }));
}

int FleetWindow::RowsShowing(const char* textKey) const {
    const QString text = m_texts.GetText(textKey);
    int showing = 0;
    for (int row = 0; row < m_list.RowCount(); ++row) {
        showing += m_list.CellText(row, discovery::ListColumn::State) == text ? 1 : 0;
    }
    return showing;
}

void FleetWindow::SendUnsliced(int code, const std::string& text) {
    for (int row = 0; row < m_list.RowCount(); ++row) {
        const int handle = m_list.RowAt(row)->LoginHandle;
        if (handle > 0) {
            m_library.SetDVRConfig(handle, code, 0, text.c_str(), static_cast<int>(text.size()));
            m_runner.Await(row, code);
        }
    }
}

void FleetWindow::ReadUnsliced(int code, const std::function<void(discovery::DeviceRow& row)>& mark) {
    for (int row = 0; row < m_list.RowCount(); ++row) {
        discovery::DeviceRow* device = m_list.RowAt(row);
        if (device->LoginHandle > 0 && m_library.GetDVRConfig(device->LoginHandle, code, 0, "", 0, 0) == 0) {
            mark(*device);
            m_runner.Await(row, code);
        }
    }
}

std::optional<std::vector<std::string>> FleetWindow::TickFleet(const char* program, int count, double limitMs) {
    if (!ListFleet(program, count, limitMs)) {
        return std::nullopt;
    }
    HoldList();
    m_list.SetAllTicked(true);
    return m_runner.TickedKeys();
}

} // namespace zk::bench

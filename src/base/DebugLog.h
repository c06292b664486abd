// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/UniqueFd.h"

#include <atomic>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

// The tool's one diagnostic channel. Every line is formatted; whether it goes anywhere depends on
// the switch file "uc_dbg.cfg" read at start-up: daily log files and/or a UDP datagram per line to a
// monitor (port 3000). Without a switch file the tool is silent.
namespace zk::base {

#define ZK_PRINTF_FORMAT(formatIndex, firstArgument) __attribute__((format(printf, formatIndex, firstArgument)))

inline constexpr const char* kLogProgramTag = "ZkIpcTools";
inline constexpr const char* kLogSwitchFileName = "uc_dbg.cfg";
inline constexpr const char* kLogSystemSwitchFile = "/etc/uc_dbg.cfg";
inline constexpr std::uint16_t kLogMonitorPort = 3000;
inline constexpr const char* kLogDefaultMonitorIp = "127.0.0.1";
inline constexpr int kLogLinesPerFile = 20000;
inline constexpr std::size_t kLogMessageBufferSize = 10240;
inline constexpr int kLogDefaultLevel = 10;
inline constexpr std::size_t kLogSwitchValueMaxChars = 255;

// A local wall-clock reading, month 1-12 and day 1-31.
struct LocalTime {
    int year = 0;
    int month = 0;
    int day = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The items of a switch file. Missing items are 0 and an empty monitor address.
struct DebugSwitches {
    int file = 0;
    int network = 0;
    int level = 0;
    std::string monitorIp;
};

// Reads "file=N;", "network=N;", "level=N;" and "monitor_ip=A.B.C.D;" in any order. An item counts
// only when a ";" closes it; a value is cut to 255 characters; numbers read like atoi.
DebugSwitches ParseDebugSwitches(std::string_view text);

// What the log needs from its surroundings; tests replace the clock and the folders.
struct DebugLogEnvironment {
    std::function<LocalTime()> clock;
    // Read in order at start-up; the first file that exists is the switch file.
    std::vector<std::string> switchFiles;
    // Where the daily files go; asked when a file is to be opened.
    std::function<std::string()> logFolder;
    std::uint16_t monitorPort = kLogMonitorPort;
};

// The clock of the machine, the per-user then system switch files, and the program folder when it
// is writable (else the per-user state folder) for the log files.
DebugLogEnvironment DefaultDebugLogEnvironment();

// One log state. Log may be called from any thread at any time; StartUp and ShutDown from the
// thread that owns the program's lifetime.
class DebugLog final {
public:
    explicit DebugLog(DebugLogEnvironment environment);
    ~DebugLog();
    DebugLog(const DebugLog&) = delete;
    DebugLog& operator=(const DebugLog&) = delete;

    // Clears every state, takes the start stamp, reads the switch file, then logs the build line.
    void StartUp();
    // Turns both sinks off and closes the file and the monitor socket.
    void ShutDown();

    // Formats and sends one line; returns 0, or -1 when the monitor socket cannot be created.
    int Log(const char* format, ...) ZK_PRINTF_FORMAT(2, 3);
    int LogV(const char* format, va_list arguments) ZK_PRINTF_FORMAT(2, 0);

    DebugSwitches Switches() const;
    // The "HHMMSS" stamp of the last start-up, part of every file name of that run.
    std::string StartStamp() const;

private:
    void WriteToFile(const std::string& line, const LocalTime& now);
    int SendToMonitor(const std::string& line);
    std::string FilePath(const LocalTime& now) const;

    DebugLogEnvironment m_environment;
    std::atomic<int> m_fileOn{0};
    std::atomic<int> m_networkOn{0};
    std::atomic<int> m_level{0};

    mutable std::mutex m_fileMutex;
    std::string m_startStamp;
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> m_file{nullptr, &std::fclose};
    int m_lineCount = 0;
    int m_fileIndex = 0;
    int m_lastDay = 0;

    // The monitor socket is shared by every thread that logs; its creation and closing are
    // serialised so that two threads never race on it.
    mutable std::mutex m_monitorMutex;
    std::string m_monitorIp;
    platform::UniqueFd m_monitorSocket;
};

// The process-wide log used by the free functions below (default environment).
DebugLog& ProcessLog();
void LogStartUp();
void LogShutDown();
int Log(const char* format, ...) ZK_PRINTF_FORMAT(1, 2);

} // namespace zk::base

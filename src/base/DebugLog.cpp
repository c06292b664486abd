// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/DebugLog.h"

#include "base/BuildInfo.h"
#include "platform/FileIo.h"
#include "platform/SpecialFolders.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <optional>

namespace zk::base {
namespace {

// A switch file is a line of text; anything far larger is not one.
constexpr std::size_t kSwitchFileMaxBytes = 1024 * 1024;

// The text between an item name and the next ";"; nothing when the item or its ";" is missing.
std::optional<std::string_view> SwitchValue(std::string_view text, std::string_view item) {
    const auto start = text.find(item);
    if (start == std::string_view::npos) {
        return std::nullopt;
    }
    const auto valueStart = start + item.size();
    const auto end = text.find(';', valueStart);
    if (end == std::string_view::npos) {
        return std::nullopt;
    }
    return text.substr(valueStart, std::min(end - valueStart, kLogSwitchValueMaxChars));
}

int SwitchNumber(std::string_view text, std::string_view item) {
    const auto value = SwitchValue(text, item);
    if (!value) {
        return 0;
    }
    const std::string digits(*value);
    return std::atoi(digits.c_str());
}

LocalTime SystemLocalTime() {
    const std::time_t now = std::time(nullptr);
    std::tm parts{};
    localtime_r(&now, &parts);
    return {parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday, parts.tm_hour, parts.tm_min, parts.tm_sec};
}

std::string DefaultLogFolder() {
    std::string folder = platform::ExecutableFolder();
    if (platform::IsWritableFolder(folder)) {
        return folder;
    }
    folder = platform::StateFolder();
    platform::EnsureFolder(folder, 0700);
    return folder;
}

unsigned CurrentThreadId() {
    return static_cast<unsigned>(gettid());
}

} // namespace

DebugSwitches ParseDebugSwitches(std::string_view text) {
    DebugSwitches switches;
    switches.file = SwitchNumber(text, "file=");
    switches.network = SwitchNumber(text, "network=");
    switches.level = SwitchNumber(text, "level=");
    if (const auto ip = SwitchValue(text, "monitor_ip=")) {
        switches.monitorIp = std::string(*ip);
    }
    return switches;
}

DebugLogEnvironment DefaultDebugLogEnvironment() {
    DebugLogEnvironment environment;
    environment.clock = &SystemLocalTime;
    environment.switchFiles = {platform::ConfigFolder() + '/' + kLogSwitchFileName, kLogSystemSwitchFile};
    environment.logFolder = &DefaultLogFolder;
    return environment;
}

DebugLog::DebugLog(DebugLogEnvironment environment) : m_environment(std::move(environment)) {
    if (!m_environment.clock) {
        m_environment.clock = &SystemLocalTime;
    }
    if (!m_environment.logFolder) {
        m_environment.logFolder = &DefaultLogFolder;
    }
}

DebugLog::~DebugLog() = default;

void DebugLog::StartUp() {
    const LocalTime now = m_environment.clock();
    // Without a switch file the level keeps its default; with one, every item comes from the file.
    DebugSwitches switches;
    switches.level = kLogDefaultLevel;
    for (const auto& path : m_environment.switchFiles) {
        if (const auto text = platform::ReadWholeFile(path, kSwitchFileMaxBytes)) {
            switches = ParseDebugSwitches(*text);
            break;
        }
    }
    {
        std::lock_guard lock(m_fileMutex);
        m_file.reset();
        m_lineCount = 0;
        m_fileIndex = 0;
        m_lastDay = 0;
        char stamp[16];
        std::snprintf(stamp, sizeof(stamp), "%02d%02d%02d", now.hour, now.minute, now.second);
        m_startStamp = stamp;
    }
    {
        std::lock_guard lock(m_monitorMutex);
        m_monitorSocket.Reset();
        m_monitorIp = switches.monitorIp;
    }
    m_level = switches.level;
    m_fileOn = switches.file;
    m_networkOn = switches.network;
    Log("Build %.*s %.*s\n", static_cast<int>(kBuildDate.size()), kBuildDate.data(),
        static_cast<int>(kLogBuildTime.size()), kLogBuildTime.data());
}

void DebugLog::ShutDown() {
    m_fileOn = 0;
    m_networkOn = 0;
    {
        std::lock_guard lock(m_fileMutex);
        m_file.reset();
    }
    std::lock_guard lock(m_monitorMutex);
    m_monitorSocket.Reset();
}

int DebugLog::Log(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const int result = LogV(format, arguments);
    va_end(arguments);
    return result;
}

int DebugLog::LogV(const char* format, va_list arguments) {
    char message[kLogMessageBufferSize];
    std::vsnprintf(message, sizeof(message), format, arguments);

    const LocalTime now = m_environment.clock();
    char prefix[96];
    std::snprintf(prefix, sizeof(prefix), "%04d-%02d-%02d %02d:%02d:%02d: %08x: ", now.year, now.month, now.day,
                  now.hour, now.minute, now.second, CurrentThreadId());
    std::string line = kLogProgramTag;
    line += ": ";
    line += prefix;
    line += message;

    if (m_fileOn != 0) {
        WriteToFile(line, now);
    }
    if (m_networkOn != 0) {
        return SendToMonitor(line);
    }
    return 0;
}

void DebugLog::WriteToFile(const std::string& line, const LocalTime& now) {
    std::lock_guard lock(m_fileMutex);
    if (m_file && now.day != m_lastDay) {
        m_file.reset();
        m_lineCount = 0;
        m_fileIndex = 0;
    } else if (m_lineCount >= kLogLinesPerFile) {
        m_file.reset();
        m_lineCount = 0;
        ++m_fileIndex;
    } else {
        ++m_lineCount;
    }
    m_lastDay = now.day;
    if (!m_file) {
        // A file that cannot be opened is simply tried again with the next line.
        m_file.reset(std::fopen(FilePath(now).c_str(), "ab"));
        if (!m_file) {
            return;
        }
    }
    std::fwrite(line.data(), 1, line.size(), m_file.get());
    std::fflush(m_file.get());
}

std::string DebugLog::FilePath(const LocalTime& now) const {
    char name[128];
    std::snprintf(name, sizeof(name), "%s_%04d%02d%02d_%s_%d.log", kLogProgramTag, now.year, now.month, now.day,
                  m_startStamp.c_str(), m_fileIndex);
    return m_environment.logFolder() + '/' + name;
}

int DebugLog::SendToMonitor(const std::string& line) {
    std::lock_guard lock(m_monitorMutex);
    if (!m_monitorSocket) {
        m_monitorSocket.Reset(::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0));
        if (!m_monitorSocket) {
            return -1;
        }
    }
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_port = htons(m_environment.monitorPort);
    const std::string& ip = m_monitorIp.empty() ? std::string(kLogDefaultMonitorIp) : m_monitorIp;
    // An address that does not parse counts as a failed send; it is never guessed at.
    ssize_t sent = -1;
    if (inet_pton(AF_INET, ip.c_str(), &target.sin_addr) == 1) {
        sent = ::sendto(m_monitorSocket.Get(), line.data(), line.size(), 0, reinterpret_cast<sockaddr*>(&target),
                        sizeof(target));
    }
    if (sent < static_cast<ssize_t>(line.size())) {
        m_monitorSocket.Reset();
    }
    return 0;
}

DebugSwitches DebugLog::Switches() const {
    DebugSwitches switches;
    switches.file = m_fileOn;
    switches.network = m_networkOn;
    switches.level = m_level;
    std::lock_guard lock(m_monitorMutex);
    switches.monitorIp = m_monitorIp;
    return switches;
}

std::string DebugLog::StartStamp() const {
    std::lock_guard lock(m_fileMutex);
    return m_startStamp;
}

DebugLog& ProcessLog() {
    // Never destroyed: threads may still log while static objects are torn down at exit.
    static DebugLog* const log = new DebugLog(DefaultDebugLogEnvironment());
    return *log;
}

void LogStartUp() {
    ProcessLog().StartUp();
}

void LogShutDown() {
    ProcessLog().ShutDown();
}

int Log(const char* format, ...) {
    va_list arguments;
    va_start(arguments, format);
    const int result = ProcessLog().LogV(format, arguments);
    va_end(arguments);
    return result;
}

} // namespace zk::base

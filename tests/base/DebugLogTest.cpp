// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/DebugLog.h"

#include "support/FuzzDriver.h"
#include "support/TempFolder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <mutex>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

namespace zk::base {
namespace {

using test::ReadFile;
using test::TempFolder;
using test::WriteFile;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

// A clock the test moves by hand, shared safely with logging threads.
class FakeClock {
public:
    void Set(LocalTime time) {
        std::lock_guard lock(m_mutex);
        m_time = time;
    }
    LocalTime Now() const {
        std::lock_guard lock(m_mutex);
        return m_time;
    }

private:
    mutable std::mutex m_mutex;
    LocalTime m_time{2026, 12, 8, 23, 59, 30};
};

std::vector<std::string> SplitLines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    return lines;
}

std::set<std::string> FileNames(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.insert(entry.path().filename().string());
    }
    return names;
}

// A UDP socket bound to 127.0.0.1 on the given port, for receiving the monitor's datagrams.
class LoopbackReceiver {
public:
    explicit LoopbackReceiver(std::uint16_t port) : m_fd(::socket(AF_INET, SOCK_DGRAM, 0)) {
        int size = 8 * 1024 * 1024;
        setsockopt(m_fd, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof(size));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        m_bound = ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0;
        timeval timeout{0, 300000};
        setsockopt(m_fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof(timeout));
    }
    ~LoopbackReceiver() { ::close(m_fd); }
    bool Bound() const { return m_bound; }

    // The next datagram, or nothing after the receive timeout.
    std::optional<std::string> Receive() {
        char buffer[65536];
        const ssize_t length = ::recv(m_fd, buffer, sizeof(buffer), 0);
        if (length < 0) {
            return std::nullopt;
        }
        return std::string(buffer, static_cast<std::size_t>(length));
    }

private:
    int m_fd;
    bool m_bound = false;
};

class DebugLogTest : public ::testing::Test {
protected:
    DebugLogEnvironment Environment() {
        DebugLogEnvironment environment;
        environment.clock = [this] { return m_clock.Now(); };
        environment.switchFiles = {m_config / "uc_dbg.cfg", m_config / "second.cfg"};
        environment.logFolder = [this] { return m_logs.Path(); };
        return environment;
    }
    void WriteSwitches(const std::string& text) { ASSERT_TRUE(WriteFile(m_config / "uc_dbg.cfg", text)); }
    std::string LogFile(int day, int index) const {
        char name[96];
        std::snprintf(name, sizeof(name), "ZkIpcTools_202612%02d_235930_%d.log", day, index);
        return m_logs / name;
    }

    FakeClock m_clock;
    TempFolder m_config;
    TempFolder m_logs;
};

TEST(DebugSwitchesTest, ItemsAreReadInAnyOrder) {
    const auto switches = ParseDebugSwitches("monitor_ip=10.1.2.3;level=7;network=1;file=2;");
    EXPECT_EQ(switches.file, 2);
    EXPECT_EQ(switches.network, 1);
    EXPECT_EQ(switches.level, 7);
    EXPECT_EQ(switches.monitorIp, "10.1.2.3");
}

TEST(DebugSwitchesTest, MissingItemsAndUnclosedItemsGiveZeroAndEmpty) {
    auto switches = ParseDebugSwitches("file=1;\nnetwork=1;\nmonitor_ip=192.168.1.20");
    EXPECT_EQ(switches.file, 1);
    EXPECT_EQ(switches.network, 1);
    EXPECT_EQ(switches.level, 0);
    EXPECT_EQ(switches.monitorIp, "") << "a monitor address without its \";\" must be ignored";

    switches = ParseDebugSwitches("file=1");
    EXPECT_EQ(switches.file, 0);
    switches = ParseDebugSwitches("");
    EXPECT_EQ(switches.file, 0);
    EXPECT_EQ(switches.network, 0);
}

TEST(DebugSwitchesTest, NumbersReadLikeAtoiAndValuesAreCutTo255) {
    auto switches = ParseDebugSwitches("file= 3x;network=abc;level=-4;");
    EXPECT_EQ(switches.file, 3);
    EXPECT_EQ(switches.network, 0);
    EXPECT_EQ(switches.level, -4);

    switches = ParseDebugSwitches("monitor_ip=" + std::string(400, '9') + ";");
    EXPECT_EQ(switches.monitorIp, std::string(255, '9'));

    // Bytes of any value never upset the parser.
    std::string noise;
    for (int i = 0; i < 4096; ++i) {
        noise.push_back(static_cast<char>((i * 131 + 7) % 256));
    }
    switches = ParseDebugSwitches(noise + "file=1;" + noise);
    EXPECT_EQ(switches.file, 1);
}

TEST(DebugSwitchesTest, AnyBytesParseWithinBounds) {
    test::RunMutations({"file=1;network=1;monitor_ip=127.0.0.1;level=10;", "monitor_ip=10.0.0.1;file=0;"}, 100000, 1,
                       [](std::string_view input) {
                           const auto switches = ParseDebugSwitches(input);
                           ASSERT_LE(switches.monitorIp.size(), kLogSwitchValueMaxChars);
                       });
}

TEST_F(DebugLogTest, LinesBeforeStartUpAndAfterShutDownAreDropped) {
    DebugLog log(Environment());
    WriteSwitches("file=1;");
    EXPECT_EQ(log.Log("before %d\n", 1), 0);
    EXPECT_TRUE(FileNames(m_logs.Path()).empty());
    log.StartUp();
    log.Log("during\n");
    log.ShutDown();
    log.Log("after\n");
    const auto lines = SplitLines(ReadFile(LogFile(8, 0)));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_THAT(lines[1], HasSubstr("during"));
    EXPECT_EQ(log.Switches().file, 0);
    EXPECT_EQ(log.Switches().network, 0);
}

TEST_F(DebugLogTest, StartUpWritesTheBuildLineInTheExactFormat) {
    WriteSwitches("file=1;level=3;");
    DebugLog log(Environment());
    log.StartUp();
    log.Log("value %s=%d\n", "x", 42);
    const auto lines = SplitLines(ReadFile(LogFile(8, 0)));
    ASSERT_EQ(lines.size(), 2u);
    const std::regex prefix(R"(ZkIpcTools: 2026-12-08 23:59:30: [0-9a-f]{8}: )");
    EXPECT_TRUE(std::regex_search(lines[0], prefix)) << lines[0];
    EXPECT_THAT(lines[0], ::testing::EndsWith(": Build Jan  6 2025 11:55:42"));
    EXPECT_THAT(lines[1], ::testing::EndsWith(": value x=42"));
    char tid[16];
    std::snprintf(tid, sizeof(tid), ": %08x: ", static_cast<unsigned>(gettid()));
    EXPECT_THAT(lines[1], HasSubstr(tid)) << "the thread id must be the logging thread's";
    EXPECT_EQ(log.StartStamp(), "235930");
    EXPECT_EQ(log.Switches().level, 3);
}

TEST_F(DebugLogTest, WithoutSwitchFileTheToolIsSilentAndTheLevelIsTen) {
    DebugLog log(Environment());
    log.StartUp();
    log.Log("nothing\n");
    EXPECT_TRUE(FileNames(m_logs.Path()).empty());
    EXPECT_EQ(log.Switches().level, kLogDefaultLevel);
}

TEST_F(DebugLogTest, BothSwitchesZeroKeepTheToolSilent) {
    WriteSwitches("file=0;network=0;level=10;");
    LoopbackReceiver receiver(kLogMonitorPort);
    DebugLog log(Environment());
    log.StartUp();
    log.Log("quiet\n");
    EXPECT_TRUE(FileNames(m_logs.Path()).empty());
    if (receiver.Bound()) {
        EXPECT_EQ(receiver.Receive(), std::nullopt);
    }
}

TEST_F(DebugLogTest, TheFirstSwitchFileThatExistsWins) {
    ASSERT_TRUE(WriteFile(m_config / "second.cfg", "file=1;"));
    DebugLog log(Environment());
    log.StartUp();
    EXPECT_EQ(log.Switches().file, 1);
    WriteSwitches("file=0;");
    log.StartUp();
    EXPECT_EQ(log.Switches().file, 0);
}

TEST_F(DebugLogTest, Line20001GoesToTheFileWithIndexOne) {
    WriteSwitches("file=1;");
    DebugLog log(Environment());
    log.StartUp(); // line 1 is the build line
    for (int line = 2; line <= kLogLinesPerFile + 2; ++line) {
        log.Log("line %d\n", line);
    }
    EXPECT_EQ(FileNames(m_logs.Path()),
              (std::set<std::string>{"ZkIpcTools_20261208_235930_0.log", "ZkIpcTools_20261208_235930_1.log"}));
    const auto first = SplitLines(ReadFile(LogFile(8, 0)));
    ASSERT_EQ(first.size(), static_cast<std::size_t>(kLogLinesPerFile));
    EXPECT_THAT(first.back(), ::testing::EndsWith(": line 20000"));
    const auto second = SplitLines(ReadFile(LogFile(8, 1)));
    ASSERT_EQ(second.size(), 2u);
    EXPECT_THAT(second[0], ::testing::EndsWith(": line 20001"));
    EXPECT_THAT(second[1], ::testing::EndsWith(": line 20002"));
}

TEST_F(DebugLogTest, TheFirstLineAfterMidnightOpensIndexZeroOfTheNewDay) {
    WriteSwitches("file=1;");
    DebugLog log(Environment());
    log.StartUp();
    for (int line = 2; line <= kLogLinesPerFile + 1; ++line) {
        log.Log("line %d\n", line);
    }
    ASSERT_TRUE(std::filesystem::exists(LogFile(8, 1)));
    m_clock.Set({2026, 12, 9, 0, 0, 1});
    log.Log("tomorrow\n");
    log.Log("still tomorrow\n");
    const auto lines = SplitLines(ReadFile(LogFile(9, 0)));
    ASSERT_EQ(lines.size(), 2u) << "the new day's file keeps the start stamp and restarts at index 0";
    EXPECT_THAT(lines[0], ::testing::StartsWith("ZkIpcTools: 2026-12-09 00:00:01: "));
    EXPECT_THAT(lines[0], ::testing::EndsWith(": tomorrow"));
    EXPECT_EQ(SplitLines(ReadFile(LogFile(8, 1))).size(), 1u);
}

TEST_F(DebugLogTest, AFileThatCannotBeOpenedIsTriedAgainWithTheNextLine) {
    WriteSwitches("file=1;");
    const std::string folder = m_logs / "sub";
    ASSERT_TRUE(WriteFile(folder, "a regular file where the folder should be"));
    auto environment = Environment();
    environment.logFolder = [folder] { return folder; };
    DebugLog log(std::move(environment));
    log.StartUp();
    log.Log("lost\n");
    std::filesystem::remove(folder);
    std::filesystem::create_directory(folder);
    log.Log("kept\n");
    const auto lines = SplitLines(ReadFile(folder + "/ZkIpcTools_20261208_235930_0.log"));
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_THAT(lines[0], ::testing::EndsWith(": kept"));
}

TEST_F(DebugLogTest, LongMessagesAreCutTo10239Characters) {
    WriteSwitches("file=1;");
    DebugLog log(Environment());
    log.StartUp();
    const std::string longText(20000, 'z');
    log.Log("%s", longText.c_str());
    const auto lines = SplitLines(ReadFile(LogFile(8, 0)));
    ASSERT_EQ(lines.size(), 2u);
    const auto start = lines[1].find("zzz");
    ASSERT_NE(start, std::string::npos);
    EXPECT_EQ(lines[1].size() - start, kLogMessageBufferSize - 1);
}

TEST_F(DebugLogTest, LinesFromManyThreadsAtOnceAreWhole) {
    WriteSwitches("file=1;");
    DebugLog log(Environment());
    log.StartUp();
    constexpr int kThreads = 8;
    constexpr int kLinesPerThread = 1500;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&log, t] {
            for (int i = 0; i < kLinesPerThread; ++i) {
                log.Log("thread %d line %d %s\n", t, i, "payload-payload-payload-payload");
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    const std::regex whole(
        R"(ZkIpcTools: 2026-12-08 23:59:30: [0-9a-f]{8}: thread (\d) line (\d+) payload-payload-payload-payload)");
    std::map<int, int> nextLine;
    const auto lines = SplitLines(ReadFile(LogFile(8, 0)));
    ASSERT_EQ(lines.size(), 1u + kThreads * kLinesPerThread);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        std::smatch match;
        ASSERT_TRUE(std::regex_match(lines[i], match, whole)) << "torn line: " << lines[i];
        const int thread = std::stoi(match[1]);
        EXPECT_EQ(std::stoi(match[2]), nextLine[thread]++) << "lines of one thread keep their order";
    }
}

TEST_F(DebugLogTest, NetworkSinkSendsEveryLineTo127001Port3000) {
    LoopbackReceiver receiver(kLogMonitorPort);
    ASSERT_TRUE(receiver.Bound()) << "port 3000 on 127.0.0.1 is taken by another program";
    WriteSwitches("network=1;");
    DebugLog log(Environment());
    log.StartUp();
    EXPECT_EQ(log.Log("to the monitor %d\n", 5), 0);
    const auto build = receiver.Receive();
    const auto line = receiver.Receive();
    ASSERT_TRUE(build && line);
    EXPECT_THAT(*build, ::testing::EndsWith(": Build Jan  6 2025 11:55:42\n"));
    EXPECT_THAT(*line, ::testing::StartsWith("ZkIpcTools: 2026-12-08 23:59:30: "));
    EXPECT_THAT(*line, ::testing::EndsWith(": to the monitor 5\n"));
    EXPECT_TRUE(FileNames(m_logs.Path()).empty()) << "file logging stays off";
}

TEST_F(DebugLogTest, NetworkLinesFromManyThreadsArriveWhole) {
    LoopbackReceiver receiver(kLogMonitorPort);
    ASSERT_TRUE(receiver.Bound());
    WriteSwitches("network=1;monitor_ip=127.0.0.1;");
    DebugLog log(Environment());
    log.StartUp();
    ASSERT_TRUE(receiver.Receive());
    constexpr int kThreads = 4;
    constexpr int kLinesPerThread = 200;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&log, t] {
            for (int i = 0; i < kLinesPerThread; ++i) {
                EXPECT_EQ(log.Log("net %d %d\n", t, i), 0);
            }
        });
    }
    for (auto& thread : threads) {
        thread.join();
    }
    const std::regex whole(R"(ZkIpcTools: 2026-12-08 23:59:30: [0-9a-f]{8}: net \d \d+\n)");
    int received = 0;
    while (const auto datagram = receiver.Receive()) {
        EXPECT_TRUE(std::regex_match(*datagram, whole)) << *datagram;
        ++received;
    }
    EXPECT_EQ(received, kThreads * kLinesPerThread);
}

TEST_F(DebugLogTest, AnUnusableMonitorAddressSendsNothingAndKeepsLogging) {
    LoopbackReceiver receiver(kLogMonitorPort);
    WriteSwitches("file=1;network=1;monitor_ip=not-an-address;");
    DebugLog log(Environment());
    log.StartUp();
    EXPECT_EQ(log.Log("still in the file\n"), 0);
    EXPECT_EQ(SplitLines(ReadFile(LogFile(8, 0))).size(), 2u);
    if (receiver.Bound()) {
        EXPECT_EQ(receiver.Receive(), std::nullopt);
    }
}

TEST_F(DebugLogTest, TheProcessLogReadsTheSwitchFileFromTheUserConfigFolder) {
    const auto environment = DefaultDebugLogEnvironment();
    ASSERT_FALSE(environment.switchFiles.empty());
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') {
        EXPECT_EQ(environment.switchFiles.front(), std::string(config) + "/zkdevtool/uc_dbg.cfg");
    }
    EXPECT_EQ(environment.switchFiles.back(), "/etc/uc_dbg.cfg");
    EXPECT_EQ(environment.monitorPort, 3000);
}

} // namespace
} // namespace zk::base

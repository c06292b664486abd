// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "devsim/BadKind.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The simulator's command line. Parsing is pure and may run on any thread.
namespace zk::devsim {

inline constexpr int kMaxDeviceCount = 65536;

// Devices (0-based fleet indexes) that answer searches in one bad way.
struct BadAssignment {
    BadKind kind = BadKind::Late;
    std::vector<int> indexes;
};

struct SimOptions {
    int count = 1;
    bool countGiven = false;            // with a fleet file, generated devices come only when --count is given
    std::uint32_t firstIp = 0xC0A8010A; // 192.168.1.10
    std::uint32_t netmask = 0xFFFFFF00; // 255.255.255.0
    std::uint32_t gateway = 0xC0A80101; // 192.168.1.1
    std::string interfaceName;          // where device addresses are added and removed; empty: they exist
    // Addresses put on the interface (with the netmask above) that answer ping but are no device;
    // sorted, each once.
    std::vector<std::uint32_t> occupied;
    std::string fleetFile;
    int jitterMs = 100;
    int answerDelayMs = 0; // session answers wait this long plus the jitter; 0: at once, without jitter
    std::string recordFile;
    std::string configOutFile;       // written at exit: one JSON line per device (DeviceStateLine)
    std::vector<std::string> models; // devices cycle through them; empty: the default models
    std::string version = "V5.3.2.20240815";
    std::string afVersion = "AF_V1.2.0";
    int webPort = 80;
    int videoPort = 554;
    int commandPort = 34567;
    std::string user = "admin";
    std::string password = "507913";
    bool userConfig = true;
    std::string root = "XML_NIMBEX";
    std::string serialPrefix = "ZKSIM";
    std::string macPrefix = "02:5A:4B";
    int rebootSeconds = 5;
    std::vector<BadAssignment> bad;
    int lateMs = 3000;
    int lockAfter = 5; // wrong logins in a row that lock a device's account; 0 never
    int lockSeconds = 60;
    int alarmCode = 14;                // the alarm SIGUSR1 makes every logged-in session receive (14 motion)
    std::optional<std::uint64_t> seed; // none: a random seed
    std::string readyFile;
};

// The device types devices cycle through when no --model is given.
const std::vector<std::string>& DefaultModels();

enum class ParseOutcome { Run, Help, ProgramVersion, Error };

struct ParsedOptions {
    ParseOutcome outcome = ParseOutcome::Run;
    SimOptions options;
    std::string error; // for ParseOutcome::Error, one line without the program name
};

// Reads the arguments after the program name. Options are long ("--count 5" or "--count=5").
ParsedOptions ParseSimOptions(const std::vector<std::string>& arguments);

// The --help text.
std::string UsageText();

} // namespace zk::devsim

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>

// The platform server batch: the request that points devices at a platform server, the rule that
// numbers the devices' user names, and the checks of the platform dialog. Pure functions: any
// thread.
namespace zk::sdk::system {

inline constexpr int kSetPlatform = 670;
inline constexpr int kDefaultPlatformPort = 10001;

// What the platform dialog edits.
struct PlatformChoice {
    bool enable = true;
    QString server;
    int port = kDefaultPlatformPort;
    QString user;
    QString password;
    bool playTone = false;
    // Each device gets its own user name: see IncreasedUserName.
    bool increaseUser = false;
    bool operator==(const PlatformChoice&) const = default;
};

// Why a choice cannot be sent; null when it can. "MSGTIP47" enabled with a blank server, "MSGTIP48"
// a port outside 1..65535, and the device password check's key for a password the devices cannot
// keep (DevicePasswordProblem).
const char* PlatformProblem(const PlatformChoice& choice);

// The user name of the n-th device of a batch (n from 0) when names are increased: a name without
// "," becomes the decimal of its number plus n; in a name with ",", the part before the first comma
// does, and the comma and the rest stay. A number is read as the C library's atoi reads it
// (leading blanks, a sign, the digits up to the first other character; no digit reads as 0), in 64
// bits, so long numbers keep counting (saturating at the 64-bit limits).
std::string IncreasedUserName(std::string_view name, std::int64_t n);

// SetDVRConfig 670: the platform server with every value XML-escaped (narrow text, code page 936),
// ending with CR LF.
std::string PlatformRequest(const PlatformChoice& choice, std::string_view ansiUser);

} // namespace zk::sdk::system

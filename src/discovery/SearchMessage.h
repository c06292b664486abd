// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "discovery/DeviceRecord.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The XML text messages of the search protocol: one message per UDP datagram to port 3001, narrow
// text in code page 936. Every function here is pure (no shared state) and may be called from any
// thread; the parsers accept any bytes.
namespace zk::discovery {

// Operation codes (Msg_code).
inline constexpr int kCodeSearch = 1;
inline constexpr int kCodeSetNetwork = 2; // also the intercom data
inline constexpr int kCodeSearchReply = 3;
inline constexpr int kCodeRestore = 5;
inline constexpr int kCodeReboot = 7;
inline constexpr int kCodeFactoryMode = 9;
inline constexpr int kCodeClearSerial = 5898;

// How many identical messages go out back to back for one device.
inline constexpr int kCopiesSearch = 1;
inline constexpr int kCopiesSetNetwork = 1;
inline constexpr int kCopiesRestore = 3;
inline constexpr int kCopiesReboot = 1;
inline constexpr int kCopiesFactoryMode = 3;
inline constexpr int kCopiesClearSerial = 3;

// Factory mode flags (Msg_flag of code 9).
inline constexpr int kFlagFactoryModeOn = 0;
inline constexpr int kFlagFactoryModeOff = 1;

inline constexpr const char* kOutgoingRoot = "XML_ORBITLUME";
inline constexpr std::size_t kMessageMaxChars = 102399;
inline constexpr std::size_t kBodyMaxChars = 1023;
// The most bytes of a received datagram that are read; a longer one is dropped whole.
inline constexpr std::size_t kDatagramMaxBytes = 5119;
inline constexpr std::size_t kMaxRootNames = 10;

// Results of ParseSearchHeader.
inline constexpr int kHeaderAccepted = 0;
inline constexpr int kHeaderNoRoot = -1;
inline constexpr int kHeaderNoType = -3;
inline constexpr int kHeaderNoCode = -4;
inline constexpr int kHeaderNoFlag = -5;

// Credentials of a request: both or none.
struct Credentials {
    std::string username;
    std::string password;
};

// The complete message for a code, with or without a body, flag usually 0. Cut at 102399 characters.
std::string BuildSearchRequest(int code, const std::optional<std::string>& body, int flag = 0);

// The set-network body for a record that already holds the new values, cut at 1023 characters.
std::string BuildSetNetworkBody(const DeviceRecord& record, const std::optional<Credentials>& credentials);
// The same body, or nothing when it would have to be cut: a cut body would give the device a broken
// request, so such a request is not sent at all.
std::optional<std::string> BuildWholeSetNetworkBody(const DeviceRecord& record,
                                                    const std::optional<Credentials>& credentials);

// The body of restore, reboot, factory mode and clear serial: the device named by its serial number
// (or UUID), the retain element when the network settings are to be kept, and credentials.
std::string BuildCommandBody(std::string_view serialNumber, bool retainNetwork,
                             const std::optional<Credentials>& credentials);

// The body that sets a device's intercom data.
std::string BuildIntercomBody(std::string_view serialNumber, const IntercomRecord& intercom);

// The intercom data in a message's body; nothing when it holds none.
std::optional<IntercomRecord> ParseIntercomBody(std::string_view message);

// The root names a reply may have: the comma-separated list of the installation's data string
// (at most the first 10 names), or XML_NIMBEX and XML_ORBITLUME when it is empty.
std::vector<std::string> AcceptedRootNames(std::string_view custXmlRoot);

struct SearchHeader {
    std::string msgType;
    std::string msgCode;
    std::string msgFlag;
};

// Accepts a message by its root and reads its header. Returns kHeaderAccepted or one of the
// negative kHeader codes; logs a message without an accepted root.
int ParseSearchHeader(const std::vector<std::string>& rootNames, std::string_view message, SearchHeader& header);

// Results of ParseSearchReply.
enum class ReplyResult { Accepted, NoBody, NotNvsOrDvs, NoLanConfig, NoStreamConfig };

// Turns a search reply into a record (LocalIp and LastSeenTick are left to the device table).
// Dropped replies are logged with their reason.
ReplyResult ParseSearchReply(std::string_view message, DeviceRecord& record);

// The P2P type a device's P2P id implies when the reply gives none: 5, 9, 8, 10, 1 or 0.
int InferP2pType(std::string_view p2pId);

// Results of ReadSearchDatagram.
enum class DatagramResult { Reply, TooLarge, Rejected, OtherCode, NotAReply };

// The search path's handling of one received datagram: drops it when it is too large, accepts it by
// its root and header, takes only replies (code 3) and parses them into the record. Every datagram
// that is not a usable reply is logged. datagramLength is the length the datagram had on the wire
// when the receive buffer held only its start (0: the view's size).
DatagramResult ReadSearchDatagram(std::string_view datagram, const std::vector<std::string>& rootNames,
                                  DeviceRecord& record, std::size_t datagramLength = 0);

// The device side: a search reply (code 3) describing a device, with every element a reply
// carries; the account only when the record has one (UserConfigPresent). Used by the simulator and
// tests.
std::string BuildSearchReply(const DeviceRecord& record, std::string_view rootName = "XML_NIMBEX");

// Escapes the five XML special characters; text without them is returned unchanged.
std::string EscapeXmlAttribute(std::string_view value);

} // namespace zk::discovery

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>

#include <cstddef>
#include <cstdint>
#include <string_view>

// What the device SDK's callbacks hand to the window thread: copies of status events and answers,
// made on the library thread while its payload still lives. Every function here is safe on any
// thread and accepts any bytes.
namespace zk::sdk {

// The two posted records keep the numbers of the window messages they stand for.
inline constexpr int kMessageStatusEvent = 0x465;
inline constexpr int kMessageAuxResponse = 0x466;

// A record keeps at most this many payload bytes; a text one less, as if zero-terminated there.
inline constexpr std::size_t kPayloadAreaBytes = 102400;
// Events whose payloads are binary records of a fixed size.
inline constexpr int kEventBinary25 = 25;
inline constexpr int kEventBinary30 = 30;
inline constexpr std::size_t kEvent25PayloadBytes = 276;
inline constexpr std::size_t kEvent30PayloadBytes = 1360;

// The informational queries of the connect sequence.
inline constexpr int kQueryFileSystemVersion = 1012;
inline constexpr int kQueryOwnSerialNumber = 1019;
inline constexpr int kQueryCapabilities = 1020;
inline constexpr int kQuerySecondVersion = 1095;
// The longest text kept from the answer of 1012, 1019 or 1095, in bytes.
inline constexpr std::size_t kInfoAnswerMaxBytes = 127;

// Status event, posted as message 0x465.
struct StatusRecord {
    int handle = 0;
    int eventType = 0;
    QByteArray payload; // a binary record (events 23, 25, 30) or a text without its terminating zero
};

// Answer to a request, posted as message 0x466.
struct AuxRecord {
    int handle = 0;
    int result = 0; // the high 8 bits of the answer word; 0 success
    int code = 0;   // the low 24 bits: the request's command code
    QByteArray payload;
};

// Copies an event: a binary payload by its fixed size (never more than arrived), any other as text
// up to its first zero byte and at most kPayloadAreaBytes - 1 bytes.
StatusRecord MakeStatusRecord(int handle, int eventType, const char* payload, int payloadBytes);

// Copies an answer. The answers to 1012, 1019 and 1095 are reduced to one attribute
// (ReduceInfoAnswer); any other is copied as text like an event's.
AuxRecord MakeAuxRecord(int handle, std::uint32_t word, const char* payload, int payloadBytes);

// The one attribute that an answer to 1012 or 1095 (FileSystemVersion) or 1019 (SerialNumber)
// carries on its root element RESPONSE_PARAM, at most kInfoAnswerMaxBytes bytes. Empty when the
// text does not parse, its root has another name or the attribute is missing; also for other codes.
QByteArray ReduceInfoAnswer(int code, std::string_view payload);

} // namespace zk::sdk

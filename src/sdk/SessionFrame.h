// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Frames of the session protocol (docs/session-protocol.md), shared by the client and the device
// side: a 16-byte header (magic, version, type, flags, sequence, payload length, all big-endian)
// followed by the payload. Pure code, safe from any thread; a decoder belongs to one connection.
namespace zk::sdk {

inline constexpr std::uint32_t kFrameMagic = 0x5A4B5350; // "ZKSP"
inline constexpr std::uint8_t kProtocolVersion = 1;
inline constexpr std::size_t kFrameHeaderBytes = 16;
// Larger than any configuration document (100 KiB) and any later file chunk; a header announcing
// more ends the connection before the payload is read.
inline constexpr std::size_t kMaxFramePayloadBytes = 256 * 1024;

enum class MessageType : std::uint8_t {
    Challenge = 0x01,    // device: nonce, salt and iterations for the login
    LoginRequest = 0x02, // client: user, client nonce, proof
    LoginResult = 0x03,  // device: result and the device's proof
    KeepAlive = 0x04,    // client
    KeepAliveAck = 0x05, // device
    Logout = 0x06,       // either side, with a reason
    Request = 0x10,      // client: operation, command code, channel, text
    Answer = 0x11,       // device: operation, result byte, command code, payload
    Event = 0x20,        // device: event number and payload
    // Reserved for chunked file transfer and audio; described in the protocol document, handled by
    // later versions. Receivers now ignore them.
    FileBegin = 0x30,
    FileChunk = 0x31,
    FileEnd = 0x32,
    FileAbort = 0x33,
    AudioStart = 0x40,
    AudioFrame = 0x41,
    AudioStop = 0x42,
};

// True for the values above.
bool IsKnownMessageType(std::uint8_t type);
// True for the reserved file and audio types.
bool IsReservedMessageType(MessageType type);
// "Challenge", "Request", ... for logs and records.
std::string_view MessageTypeName(MessageType type);

struct Frame {
    MessageType type = MessageType::KeepAlive;
    std::uint32_t sequence = 0;
    std::string payload;
};

// The header and payload of one frame. The payload must not exceed kMaxFramePayloadBytes.
std::string EncodeFrame(MessageType type, std::uint32_t sequence, std::string_view payload);
void AppendFrame(std::string& out, MessageType type, std::uint32_t sequence, std::string_view payload);

// Splits a byte stream into frames; the stream may arrive in any pieces. Once a header is invalid
// (wrong magic or version, flags set, unknown type, payload too large) the decoder stays failed:
// the connection must close.
class FrameDecoder final {
public:
    enum class Status { Frame, NeedMore, Invalid };

    void Append(std::string_view bytes);
    // Takes the next complete frame out of the buffer.
    Status Next(Frame& frame);
    bool Failed() const { return m_failed; }
    // Bytes waiting for the rest of their frame.
    std::size_t Buffered() const { return m_buffer.size() - m_offset; }

private:
    std::string m_buffer;
    std::size_t m_offset = 0;
    bool m_failed = false;
};

// Big-endian integers inside payloads.
void PutU16(std::string& out, std::uint16_t value);
void PutU32(std::string& out, std::uint32_t value);
std::uint16_t GetU16(const char* bytes);
std::uint32_t GetU32(const char* bytes);

} // namespace zk::sdk

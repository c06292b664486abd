// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/SessionFrame.h"

namespace zk::sdk {

bool IsKnownMessageType(std::uint8_t type) {
    switch (static_cast<MessageType>(type)) {
    case MessageType::Challenge:
    case MessageType::LoginRequest:
    case MessageType::LoginResult:
    case MessageType::KeepAlive:
    case MessageType::KeepAliveAck:
    case MessageType::Logout:
    case MessageType::Request:
    case MessageType::Answer:
    case MessageType::Event:
    case MessageType::FileBegin:
    case MessageType::FileChunk:
    case MessageType::FileEnd:
    case MessageType::FileAbort:
    case MessageType::AudioStart:
    case MessageType::AudioFrame:
    case MessageType::AudioStop:
        return true;
    }
    return false;
}

bool IsReservedMessageType(MessageType type) {
    const auto value = static_cast<std::uint8_t>(type);
    return value >= 0x30 && value <= 0x42;
}

std::string_view MessageTypeName(MessageType type) {
    switch (type) {
    case MessageType::Challenge:
        return "Challenge";
    case MessageType::LoginRequest:
        return "LoginRequest";
    case MessageType::LoginResult:
        return "LoginResult";
    case MessageType::KeepAlive:
        return "KeepAlive";
    case MessageType::KeepAliveAck:
        return "KeepAliveAck";
    case MessageType::Logout:
        return "Logout";
    case MessageType::Request:
        return "Request";
    case MessageType::Answer:
        return "Answer";
    case MessageType::Event:
        return "Event";
    case MessageType::FileBegin:
        return "FileBegin";
    case MessageType::FileChunk:
        return "FileChunk";
    case MessageType::FileEnd:
        return "FileEnd";
    case MessageType::FileAbort:
        return "FileAbort";
    case MessageType::AudioStart:
        return "AudioStart";
    case MessageType::AudioFrame:
        return "AudioFrame";
    case MessageType::AudioStop:
        return "AudioStop";
    }
    return "Unknown";
}

void PutU16(std::string& out, std::uint16_t value) {
    out.push_back(static_cast<char>(value >> 8));
    out.push_back(static_cast<char>(value & 0xFF));
}

void PutU32(std::string& out, std::uint32_t value) {
    PutU16(out, static_cast<std::uint16_t>(value >> 16));
    PutU16(out, static_cast<std::uint16_t>(value & 0xFFFF));
}

std::uint16_t GetU16(const char* bytes) {
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    return static_cast<std::uint16_t>((b[0] << 8) | b[1]);
}

std::uint32_t GetU32(const char* bytes) {
    return (static_cast<std::uint32_t>(GetU16(bytes)) << 16) | GetU16(bytes + 2);
}

void AppendFrame(std::string& out, MessageType type, std::uint32_t sequence, std::string_view payload) {
    out.reserve(out.size() + kFrameHeaderBytes + payload.size());
    PutU32(out, kFrameMagic);
    out.push_back(static_cast<char>(kProtocolVersion));
    out.push_back(static_cast<char>(type));
    PutU16(out, 0);
    PutU32(out, sequence);
    PutU32(out, static_cast<std::uint32_t>(payload.size()));
    out.append(payload);
}

std::string EncodeFrame(MessageType type, std::uint32_t sequence, std::string_view payload) {
    std::string out;
    AppendFrame(out, type, sequence, payload);
    return out;
}

void FrameDecoder::Append(std::string_view bytes) {
    if (m_failed) {
        return;
    }
    // Consumed bytes are dropped before the buffer grows, so it never holds more than one frame
    // plus what arrived with it.
    if (m_offset > 0 && m_offset >= m_buffer.size() / 2) {
        m_buffer.erase(0, m_offset);
        m_offset = 0;
    }
    m_buffer.append(bytes);
}

FrameDecoder::Status FrameDecoder::Next(Frame& frame) {
    if (m_failed) {
        return Status::Invalid;
    }
    if (Buffered() < kFrameHeaderBytes) {
        return Status::NeedMore;
    }
    const char* header = m_buffer.data() + m_offset;
    const std::uint32_t length = GetU32(header + 12);
    if (GetU32(header) != kFrameMagic || static_cast<std::uint8_t>(header[4]) != kProtocolVersion ||
        !IsKnownMessageType(static_cast<std::uint8_t>(header[5])) || GetU16(header + 6) != 0 ||
        length > kMaxFramePayloadBytes) {
        m_failed = true;
        m_buffer.clear();
        m_offset = 0;
        return Status::Invalid;
    }
    if (Buffered() < kFrameHeaderBytes + length) {
        return Status::NeedMore;
    }
    frame.type = static_cast<MessageType>(static_cast<std::uint8_t>(header[5]));
    frame.sequence = GetU32(header + 8);
    frame.payload.assign(header + kFrameHeaderBytes, length);
    m_offset += kFrameHeaderBytes + length;
    if (m_offset == m_buffer.size()) {
        m_buffer.clear();
        m_offset = 0;
    }
    return Status::Frame;
}

} // namespace zk::sdk

// SPDX-License-Identifier: GPL-3.0-or-later
#include "devsim/RecordWriter.h"

#include "platform/TextCodec.h"

#include <cerrno>
#include <cstdio>

namespace zk::devsim {

std::string DeviceStateLine(const SimDevice& device) {
    std::string line = "{\"SerialNumber\":" + JsonString(device.OriginalSerial()) +
                       ",\"IpAddress\":" + JsonString(FormatIpv4(device.IpAddress())) +
                       ",\"FactoryMode\":" + (device.FactoryMode() ? "true" : "false") + ",\"Values\":{";
    bool first = true;
    for (const auto& [path, value] : device.Config().Values()) {
        // Appended piece by piece: GCC 12's optimiser reports a false overlap (-Wrestrict) for a
        // literal joined to a temporary string, which fails the optimised build.
        if (!first) {
            line += ',';
        }
        line += JsonString(path);
        line += ':';
        line += JsonString(value);
        first = false;
    }
    return line + "}}";
}

std::string JsonString(std::string_view utf8) {
    std::string out = "\"";
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (byte < 0x20 || byte == 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof(escaped), "\\u%04x", byte);
                out += escaped;
            } else {
                out.push_back(c);
            }
            break;
        }
    }
    out.push_back('"');
    return out;
}

std::string RecordLine(double epochSeconds, const Endpoint& from, std::string_view payload,
                       const RequestSummary& summary) {
    char time[32];
    std::snprintf(time, sizeof(time), "%.3f", epochSeconds);
    auto optionalNumber = [](const std::optional<int>& value) {
        return value ? std::to_string(*value) : std::string("null");
    };
    // Messages are code page 936 text; the record is UTF-8, and bytes that are not text become U+FFFD.
    std::string line = std::string("{\"time\":") + time + ",\"protocol\":\"search\"" +
                       ",\"code\":" + optionalNumber(summary.code) + ",\"flag\":" + optionalNumber(summary.flag) +
                       ",\"serial\":" + JsonString(platform::AnsiToUtf8(summary.serial)) +
                       ",\"device\":" + JsonString(platform::AnsiToUtf8(summary.device)) +
                       ",\"from\":" + JsonString(FormatEndpoint(from)) +
                       ",\"accepted\":" + (summary.accepted ? "true" : "false");
    if (!summary.reason.empty()) {
        line += ",\"reason\":" + JsonString(summary.reason);
    }
    if (summary.code == 1) {
        line += ",\"answered\":" + std::to_string(summary.answered);
    }
    if (summary.applied) {
        const AppliedNetwork& applied = *summary.applied;
        line += ",\"applied\":{\"Dhcp\":" + std::to_string(applied.dhcp);
        line += ",\"IpAddress\":" + JsonString(platform::AnsiToUtf8(applied.ipAddress));
        line += ",\"Netmask\":" + JsonString(platform::AnsiToUtf8(applied.netmask));
        line += ",\"Gateway\":" + JsonString(platform::AnsiToUtf8(applied.gateway));
        line += ",\"Dns1\":" + JsonString(platform::AnsiToUtf8(applied.dns1));
        line += ",\"Dns2\":" + JsonString(platform::AnsiToUtf8(applied.dns2)) + '}';
    }
    line += ",\"payload\":" + JsonString(platform::AnsiToUtf8(payload)) + '}';
    return line;
}

int RecordWriter::Open(const std::string& path) {
    m_file.reset(std::fopen(path.c_str(), "w"));
    return m_file ? 0 : errno;
}

std::string SessionRecordLine(double epochSeconds, const Endpoint& from, const Endpoint& to, std::string_view device,
                              const SessionSummary& summary) {
    char time[32];
    std::snprintf(time, sizeof(time), "%.3f", epochSeconds);
    // Built by appending: GCC 12 at -O3 warns falsely about "literal" + std::string.
    std::string line = "{\"time\":";
    line += time;
    line += ",\"protocol\":\"session\",\"message\":";
    line += JsonString(summary.message);
    line += ",\"device\":";
    line += JsonString(platform::AnsiToUtf8(device));
    line += ",\"from\":";
    line += JsonString(FormatEndpoint(from));
    line += ",\"to\":";
    line += JsonString(FormatEndpoint(to));
    line += ",\"accepted\":";
    line += summary.accepted ? "true" : "false";
    if (!summary.reason.empty()) {
        line += ",\"reason\":";
        line += JsonString(summary.reason);
    }
    if (summary.message == "login") {
        line += ",\"user\":";
        line += JsonString(platform::AnsiToUtf8(summary.user));
    }
    if (summary.operation) {
        line += ",\"operation\":";
        line += JsonString(sdk::OperationName(*summary.operation));
        line += ",\"code\":";
        line += std::to_string(summary.code);
        line += ",\"channel\":";
        line += std::to_string(summary.channel);
        line += ",\"result\":";
        line += summary.result ? std::to_string(*summary.result) : std::string("null");
        line += ",\"payload\":";
        line += JsonString(platform::AnsiToUtf8(summary.payload));
        // The bytes themselves: code page 936 text that is not text, and the binary records, are
        // compared exactly only this way.
        line += ",\"payloadHex\":\"";
        static constexpr char kHexDigits[] = "0123456789abcdef";
        for (const char c : summary.bytes) {
            line.push_back(kHexDigits[static_cast<unsigned char>(c) >> 4]);
            line.push_back(kHexDigits[static_cast<unsigned char>(c) & 0x0F]);
        }
        line += '"';
    }
    line += '}';
    return line;
}

int RecordWriter::Write(double epochSeconds, const Endpoint& from, std::string_view payload,
                        const RequestSummary& summary) {
    return WriteLine(RecordLine(epochSeconds, from, payload, summary) + '\n');
}

int RecordWriter::WriteSession(double epochSeconds, const Endpoint& from, const Endpoint& to, std::string_view device,
                               const SessionSummary& summary) {
    return WriteLine(SessionRecordLine(epochSeconds, from, to, device, summary) + '\n');
}

int RecordWriter::WriteLine(const std::string& line) {
    if (!m_file) {
        return -1;
    }
    if (std::fwrite(line.data(), 1, line.size(), m_file.get()) != line.size() || std::fflush(m_file.get()) != 0) {
        return -1;
    }
    return 0;
}

} // namespace zk::devsim

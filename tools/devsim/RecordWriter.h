// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "devsim/DeviceSession.h"
#include "devsim/Ipv4.h"
#include "devsim/RequestHandler.h"

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace zk::devsim {

// The record file: one JSON object per line for every message the fleet received, flushed at once
// so that tests read it while the simulator runs. Used by one thread.
class RecordWriter final {
public:
    RecordWriter() = default;

    // Creates (or empties) the file; returns 0 or the errno of the failure.
    int Open(const std::string& path);
    bool IsOpen() const { return m_file != nullptr; }

    // Writes one line; epochSeconds is the wall-clock time of arrival. Returns 0, or -1 when the
    // line could not be written.
    int Write(double epochSeconds, const Endpoint& from, std::string_view payload, const RequestSummary& summary);
    // One session message a device received on the connection from -> to.
    int WriteSession(double epochSeconds, const Endpoint& from, const Endpoint& to, std::string_view device,
                     const SessionSummary& summary);

private:
    int WriteLine(const std::string& line);

    std::unique_ptr<std::FILE, int (*)(std::FILE*)> m_file{nullptr, &std::fclose};
};

// The JSON line for one received message, without its line end.
std::string RecordLine(double epochSeconds, const Endpoint& from, std::string_view payload,
                       const RequestSummary& summary);

// The JSON line for one session message, without its line end; device is the serial number the
// device was made with.
std::string SessionRecordLine(double epochSeconds, const Endpoint& from, const Endpoint& to, std::string_view device,
                              const SessionSummary& summary);

// The JSON line of a device's state when the simulator ends, without its line end: its serial
// number as made, address, factory mode and every value of its configuration document.
std::string DeviceStateLine(const SimDevice& device);

// A JSON string literal (quotes included) of UTF-8 text.
std::string JsonString(std::string_view utf8);

} // namespace zk::devsim

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>
#include <vector>

namespace zk::test {

// Captures the process log's lines: writes a switch file that sends every line to a monitor on a
// loopback address of this test program's own (127.0.0.x, port 3000), starts the process log and
// receives the datagrams. Give each test program its own address so programs running at the same
// time never share one. The log is shut down again when the capture ends.
class LogCapture final {
public:
    explicit LogCapture(const std::string& loopbackAddress);
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    // The messages logged since the last call (each line without the tag, time and thread prefix).
    std::vector<std::string> TakeMessages();

private:
    int m_socket = -1;
};

} // namespace zk::test

// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/LogCapture.h"

#include "base/DebugLog.h"
#include "platform/SpecialFolders.h"
#include "support/TempFolder.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <stdexcept>

namespace zk::test {

LogCapture::LogCapture(const std::string& loopbackAddress) : m_socket(::socket(AF_INET, SOCK_DGRAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(base::kLogMonitorPort);
    inet_pton(AF_INET, loopbackAddress.c_str(), &address.sin_addr);
    int size = 8 * 1024 * 1024;
    setsockopt(m_socket, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof(size));
    if (::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0) {
        throw std::runtime_error("cannot bind the log monitor address " + loopbackAddress);
    }
    const std::string folder = platform::ConfigFolder();
    platform::EnsureFolder(folder);
    WriteFile(folder + "/uc_dbg.cfg", "network=1;monitor_ip=" + loopbackAddress + ";");
    base::LogStartUp();
    TakeMessages();
}

LogCapture::~LogCapture() {
    base::LogShutDown();
    ::unlink((platform::ConfigFolder() + "/uc_dbg.cfg").c_str());
    ::close(m_socket);
}

std::vector<std::string> LogCapture::TakeMessages() {
    std::vector<std::string> messages;
    char buffer[65536];
    // Lines are sent before the call that logs them returns; a short wait covers scheduling.
    pollfd ready{m_socket, POLLIN, 0};
    while (::poll(&ready, 1, 20) > 0) {
        const ssize_t length = ::recv(m_socket, buffer, sizeof(buffer), 0);
        if (length <= 0) {
            break;
        }
        std::string line(buffer, static_cast<std::size_t>(length));
        // "ZkIpcTools: yyyy-mm-dd hh:mm:ss: tttttttt: message"
        const auto start = line.find(": ", line.find(": ", line.find(": ") + 2) + 2);
        messages.push_back(start == std::string::npos ? line : line.substr(start + 2));
    }
    return messages;
}

} // namespace zk::test

// SPDX-License-Identifier: GPL-3.0-or-later
#include "LoopbackDevice.h"

#include "base/FixedText.h"
#include "discovery/SearchMessage.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace zk::test {

LoopbackDevice::LoopbackDevice(Answer answer)
    : m_answer(std::move(answer)), m_socket(::socket(AF_INET, SOCK_DGRAM, 0)) {
    // Room for a whole batch of requests sent back to back (tests run as root; otherwise the
    // system's limit applies).
    const int receiveBytes = 8 << 20;
    if (::setsockopt(m_socket, SOL_SOCKET, SO_RCVBUFFORCE, &receiveBytes, sizeof(receiveBytes)) != 0) {
        ::setsockopt(m_socket, SOL_SOCKET, SO_RCVBUF, &receiveBytes, sizeof(receiveBytes));
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    socklen_t length = sizeof(address);
    ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length);
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { Run(); });
}

LoopbackDevice::~LoopbackDevice() {
    m_running = false;
    m_thread.join();
    ::close(m_socket);
}

std::vector<std::pair<std::string, std::uint16_t>> LoopbackDevice::Requests() const {
    std::lock_guard lock(m_mutex);
    return m_requests;
}

void LoopbackDevice::SendTo(std::uint16_t port, const std::string& payload) const {
    sockaddr_in target{};
    target.sin_family = AF_INET;
    target.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    target.sin_port = htons(port);
    ::sendto(m_socket, payload.data(), payload.size(), 0, reinterpret_cast<sockaddr*>(&target), sizeof(target));
}

void LoopbackDevice::Run() {
    char buffer[65536];
    while (m_running) {
        pollfd ready{m_socket, POLLIN, 0};
        if (::poll(&ready, 1, 20) <= 0) {
            continue;
        }
        sockaddr_in sender{};
        socklen_t length = sizeof(sender);
        const ssize_t received =
            ::recvfrom(m_socket, buffer, sizeof(buffer), 0, reinterpret_cast<sockaddr*>(&sender), &length);
        if (received <= 0) {
            continue;
        }
        const std::string request(buffer, static_cast<std::size_t>(received));
        {
            std::lock_guard lock(m_mutex);
            m_requests.emplace_back(request, ntohs(sender.sin_port));
        }
        const std::string answer = m_answer(request);
        if (!answer.empty()) {
            ::sendto(m_socket, answer.data(), answer.size(), 0, reinterpret_cast<sockaddr*>(&sender), length);
        }
    }
}

std::string DeviceReply(const std::string& serial, const std::string& uuid) {
    discovery::DeviceRecord record = discovery::EmptyDeviceRecord();
    base::CopyBounded(record.SerialNumber, serial);
    base::CopyBounded(record.DeviceType, "NVS-IPCAM-T20_V2");
    base::CopyBounded(record.IpAddress, "192.168.1.64");
    base::CopyBounded(record.MacAddress, "00:12:34:56:78:9A");
    base::CopyBounded(record.Uuid, uuid);
    return discovery::BuildSearchReply(record);
}

} // namespace zk::test

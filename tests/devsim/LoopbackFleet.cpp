// SPDX-License-Identifier: GPL-3.0-or-later
#include "devsim/LoopbackFleet.h"

#include "base/FixedText.h"
#include "devsim/FleetBuilder.h"

#include <gtest/gtest.h>
#include <poll.h>

#include <sstream>

namespace zk::test {

LoopbackFleet::LoopbackFleet(int count, devsim::SessionSettings settings,
                             const std::function<void(std::vector<devsim::DeviceProfile>&)>& adjust)
    : m_settings(settings) {
    std::vector<devsim::DeviceProfile> fleet;
    for (int i = 0; i < count; ++i) {
        devsim::DeviceProfile profile = devsim::GeneratedProfile(devsim::SimOptions{}, i + 1);
        base::CopyBounded(profile.record.IpAddress, Address(i));
        base::CopyBounded(profile.record.Netmask, "255.0.0.0");
        profile.record.PtzPort = kPort;
        fleet.push_back(std::move(profile));
    }
    if (adjust) {
        adjust(fleet);
    }
    m_record.Open(m_folder / "record.jsonl");
    m_handler = std::make_unique<devsim::RequestHandler>(std::move(fleet), devsim::HandlerSettings{0, 5, 1},
                                                         devsim::SimClock::now());
    Start();
}

LoopbackFleet::~LoopbackFleet() {
    Stop();
}

std::string LoopbackFleet::Address(int index) {
    return "127.0.1." + std::to_string(index + 1);
}

bool LoopbackFleet::Start() {
    m_server = std::make_unique<devsim::SessionServer>(*m_handler, m_settings, &m_record, 1);
    std::string error;
    if (m_server->Start(error) != 0) {
        ADD_FAILURE() << error;
        return false;
    }
    m_stopping = false;
    m_thread = std::thread(&LoopbackFleet::Serve, this);
    return true;
}

void LoopbackFleet::Stop() {
    if (m_thread.joinable()) {
        m_stopping = true;
        m_server->Post([] {});
        m_thread.join();
    }
    m_server.reset();
}

void LoopbackFleet::Serve() {
    while (!m_stopping) {
        pollfd watched{m_server->Fd(), POLLIN, 0};
        ::poll(&watched, 1, m_server->NextTimeoutMs(devsim::SimClock::now()));
        m_server->Service(devsim::SimClock::now());
    }
}

std::vector<std::string> LoopbackFleet::RecordLines(const std::string& message) const {
    std::istringstream text(ReadFile(m_folder / "record.jsonl"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);) {
        if (message.empty() || line.find("\"message\":\"" + message + "\"") != std::string::npos) {
            lines.push_back(line);
        }
    }
    return lines;
}

} // namespace zk::test

// SPDX-License-Identifier: GPL-3.0-or-later
#include "devsim/SessionLink.h"

#include "base/FixedText.h"
#include "devsim/FleetBuilder.h"
#include "devsim/Ipv4.h"

namespace zk::test {

devsim::DeviceProfile TestProfile(int number) {
    devsim::DeviceProfile profile = devsim::GeneratedProfile(devsim::SimOptions{}, number);
    base::CopyBounded(profile.record.IpAddress, devsim::FormatIpv4(0xC0A80109u + static_cast<std::uint32_t>(number)));
    return profile;
}

SessionLink::SessionLink(std::string password, devsim::SessionSettings settings, sdk::SessionTimings timings,
                         devsim::DeviceProfile profile)
    : m_settings(settings), m_device(std::move(profile), sdk::SdkClock::now()),
      m_client("admin", std::move(password), timings) {}

void SessionLink::Connect() {
    deviceClosed = false;
    ended = false;
    m_deviceSide = std::make_unique<devsim::DeviceSession>(m_device, m_settings, m_random);
    m_client.Start(m_now);
    devsim::DeviceOutput out;
    m_deviceSide->Start(m_now, out);
    TakeDevice(out);
}

void SessionLink::Advance(std::chrono::milliseconds time) {
    m_now += time;
}

void SessionLink::Tick() {
    sdk::ClientOutput out;
    m_client.Tick(m_now, out);
    TakeClient(out);
}

int SessionLink::Request(const sdk::RequestMessage& request, bool report) {
    sdk::ClientOutput out;
    const int result = m_client.Request(request, report, m_now, out);
    TakeClient(out);
    return result;
}

void SessionLink::FromDevice(std::string_view bytes) {
    ToClient(bytes);
}

std::vector<int> SessionLink::StatusEvents() const {
    std::vector<int> events;
    for (const sdk::ClientNotice& notice : notices) {
        if (notice.kind == sdk::ClientNotice::Kind::Status) {
            events.push_back(notice.eventType);
        }
    }
    return events;
}

std::vector<std::uint32_t> SessionLink::AnswerWords() const {
    std::vector<std::uint32_t> words;
    for (const sdk::ClientNotice& notice : notices) {
        if (notice.kind == sdk::ClientNotice::Kind::Answer) {
            words.push_back(notice.word);
        }
    }
    return words;
}

void SessionLink::ToClient(std::string_view bytes) {
    sdk::ClientOutput out;
    m_client.Receive(bytes, m_now, out);
    TakeClient(out);
}

void SessionLink::ToDevice(std::string_view bytes) {
    clientBytes.append(bytes);
    if (m_deviceSide == nullptr || deviceClosed) {
        return;
    }
    devsim::DeviceOutput out;
    m_deviceSide->Receive(bytes, m_now, out);
    TakeDevice(out);
}

void SessionLink::TakeClient(sdk::ClientOutput& out) {
    for (sdk::ClientNotice& notice : out.notices) {
        notices.push_back(std::move(notice));
    }
    if (out.ended) {
        ended = true;
        retry = out.retry;
        endReason = out.endReason;
    }
    if (!out.bytes.empty()) {
        ToDevice(out.bytes);
    }
}

void SessionLink::TakeDevice(devsim::DeviceOutput& out) {
    for (devsim::SessionSummary& summary : out.records) {
        records.push_back(std::move(summary));
    }
    if (out.action != devsim::DeviceAction::None) {
        action = out.action;
    }
    const bool closing = out.close;
    if (!out.bytes.empty()) {
        ToClient(out.bytes);
    }
    if (closing && !deviceClosed) {
        deviceClosed = true;
        sdk::ClientOutput closed;
        m_client.Closed(m_now, closed);
        TakeClient(closed);
    }
}

} // namespace zk::test

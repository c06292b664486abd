// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/LoginWatch.h"

#include "base/FixedText.h"
#include "discovery/DeviceListModel.h"
#include "sdk/SessionManager.h"

namespace zk::cli {

LoginWatch::LoginWatch(const discovery::DeviceListModel& list, sdk::SessionManager& sessions) : m_list(list) {
    auto keyOf = [this](int row) { return std::string(base::FieldText(m_list.RowAt(row)->Key)); };
    connect(&sessions, &sdk::SessionManager::sessionEvent, this,
            [this, keyOf](int row, int, int eventType, const QByteArray&) {
                m_outcomes[keyOf(row)].lastEvent = eventType;
            });
    connect(&sessions, &sdk::SessionManager::answerReceived, this,
            [this, keyOf](int row, int, int code, int, const QByteArray&) {
                if (code == sdk::kQueryFileSystemVersion) {
                    m_outcomes[keyOf(row)].versionAnswered = true;
                }
            });
}

bool LoginWatch::Settled(int row) const {
    const discovery::DeviceRow* device = m_list.RowAt(row);
    if (device == nullptr || device->LoginHandle <= 0) {
        return true;
    }
    const auto found = m_outcomes.find(base::FieldText(device->Key));
    const Outcome outcome = found != m_outcomes.end() ? found->second : Outcome{};
    if (device->Online != 0) {
        return outcome.versionAnswered;
    }
    switch (outcome.lastEvent) {
    case sdk::kEventWrongPassword:
    case sdk::kEventCannotConnect:
    case sdk::kEventConnectionLost:
    case sdk::kEventKeepAliveTimeout:
    case sdk::kEventLoggedOutByDevice:
        return true;
    default:
        return false;
    }
}

} // namespace zk::cli

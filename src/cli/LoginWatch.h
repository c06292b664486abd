// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

#include <map>
#include <string>

namespace zk::discovery {
class DeviceListModel;
}
namespace zk::sdk {
class SessionManager;
}

namespace zk::cli {

// Follows the sessions of the list's rows to tell when a device's login settled: it is online and
// answered the version query, or its login failed (refused at once, a wrong password, a
// connection that could not be made or was lost; the library keeps retrying those, but a command
// reports what it saw). Lives on the thread of the list and the sessions.
class LoginWatch final : public QObject {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(LoginWatch)

public:
    LoginWatch(const discovery::DeviceListModel& list, sdk::SessionManager& sessions);

    // Whether the row's login settled; a row that does not exist has nothing to wait for.
    bool Settled(int row) const;

private:
    struct Outcome {
        int lastEvent = 0;
        bool versionAnswered = false;
    };

    const discovery::DeviceListModel& m_list;
    std::map<std::string, Outcome, std::less<>> m_outcomes; // by row key
};

} // namespace zk::cli

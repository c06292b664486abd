// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sdk/system/PlatformRequests.h"

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace zk::base {
class Prompt;
}

namespace zk::sdk {

// The platform batch's dialog (resource 169): whether devices report to a platform server, which
// one (server, port, user name, password), whether they play a tone, and whether each device's
// user name is numbered upward. OK refuses an enabled platform without a server ("MSGTIP47"), a
// port outside 1..65535 ("MSGTIP48") and a password the devices cannot keep, with a message, and
// stays open. Window thread only; the prompt must outlive the dialog.
class CDlgIpvsSetting final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CDlgIpvsSetting)

public:
    static constexpr int kResourceId = 169;

    CDlgIpvsSetting(const system::PlatformChoice& initial, base::Prompt& prompt, QWidget* parent = nullptr);

    // The choice as OK stored it; the initial one until then.
    const system::PlatformChoice& Choice() const { return m_choice; }

    QCheckBox* EnableBox() const { return m_enable; }
    QCheckBox* PlayToneBox() const { return m_playTone; }
    QCheckBox* IncreaseUserBox() const { return m_increaseUser; }
    QLineEdit* ServerEdit() const { return m_server; }
    QLineEdit* PortEdit() const { return m_port; }
    QLineEdit* UserEdit() const { return m_user; }
    QLineEdit* PasswordEdit() const { return m_password; }

public slots:
    void accept() override;

private:
    base::Prompt& m_prompt;
    system::PlatformChoice m_choice;
    QCheckBox* m_enable;
    QCheckBox* m_playTone;
    QCheckBox* m_increaseUser;
    QLineEdit* m_server;
    QLineEdit* m_port;
    QLineEdit* m_user;
    QLineEdit* m_password;
};

} // namespace zk::sdk

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLineEdit;

namespace zk::sdk {

// The default login user dialog: the user name and password every device without an account of its
// own is logged in with. Window thread only.
class CDialogDefaultUser final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CDialogDefaultUser)

public:
    // Control ids of the dialog.
    static constexpr int kIdUser = 1085;
    static constexpr int kIdPassword = 1017;

    CDialogDefaultUser(const QString& user, const QString& password, QWidget* parent = nullptr);

    QString User() const;
    QString Password() const;

    QLineEdit* UserEdit() const { return m_user; }
    QLineEdit* PasswordEdit() const { return m_password; }

private:
    QLineEdit* m_user;
    QLineEdit* m_password;
};

} // namespace zk::sdk

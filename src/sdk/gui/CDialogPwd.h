// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLineEdit;

namespace zk::base {
class Prompt;
}

namespace zk::sdk {

// The password batch's dialog (resource 132): the new admin password and its repetition. OK refuses
// a password the devices cannot take (a character outside code page 936, more bytes than a login
// carries) with a message and stays open; whether the two entries agree is the caller's check, so
// that its message follows the command. Window thread only; the prompt must outlive the dialog.
class CDialogPwd final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CDialogPwd)

public:
    static constexpr int kResourceId = 132;
    // Control ids of the two entries, each edit's "zkControlId" property.
    static constexpr int kIdPassword = 1017;
    static constexpr int kIdConfirm = 1010;

    explicit CDialogPwd(base::Prompt& prompt, QWidget* parent = nullptr);

    // The entries as OK stored them; empty until then.
    QString Password() const { return m_storedPassword; }
    QString Confirmation() const { return m_storedConfirmation; }

    QLineEdit* PasswordEdit() const { return m_password; }
    QLineEdit* ConfirmEdit() const { return m_confirm; }

public slots:
    void accept() override;

private:
    base::Prompt& m_prompt;
    QLineEdit* m_password;
    QLineEdit* m_confirm;
    QString m_storedPassword;
    QString m_storedConfirmation;
};

} // namespace zk::sdk

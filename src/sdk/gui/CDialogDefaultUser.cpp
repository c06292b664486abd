// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/gui/CDialogDefaultUser.h"

#include "base/LanguageTable.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

namespace zk::sdk {

CDialogDefaultUser::CDialogDefaultUser(const QString& user, const QString& password, QWidget* parent)
    : QDialog(parent), m_user(new QLineEdit(user, this)), m_password(new QLineEdit(password, this)) {
    setWindowTitle(base::GetText("TEXT14"));
    m_password->setEchoMode(QLineEdit::Password);
    auto* form = new QFormLayout(this);
    form->addRow(base::GetText("IDS_STR_ZH_CN_USERNAME"), m_user);
    form->addRow(base::GetText("PASSWORD"), m_password);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(base::GetText("CANCEL"));
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString CDialogDefaultUser::User() const {
    return m_user->text();
}

QString CDialogDefaultUser::Password() const {
    return m_password->text();
}

} // namespace zk::sdk

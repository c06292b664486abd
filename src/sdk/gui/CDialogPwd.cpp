// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/gui/CDialogPwd.h"

#include "base/LanguageTable.h"
#include "base/Prompt.h"
#include "sdk/system/SystemRequests.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>

namespace zk::sdk {
namespace {

// Both entries open with the password installers give devices most often, so a batch to it is two
// clicks.
const QString kPresetPassword = QStringLiteral("507913");

QLineEdit* PasswordBox(int id, QWidget* parent) {
    auto* box = new QLineEdit(kPresetPassword, parent);
    box->setEchoMode(QLineEdit::Password);
    box->setProperty("zkControlId", id);
    return box;
}

} // namespace

CDialogPwd::CDialogPwd(base::Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_prompt(prompt), m_password(PasswordBox(kIdPassword, this)),
      m_confirm(PasswordBox(kIdConfirm, this)) {
    setWindowTitle(base::GetText("MAIN_BATCH_PASSWORD"));
    auto* form = new QFormLayout(this);
    form->addRow(base::GetText("PASSWORD"), m_password);
    form->addRow(base::GetText("CONFIRM_PASSWORD"), m_confirm);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(base::GetText("CANCEL"));
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDialogPwd::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void CDialogPwd::accept() {
    if (const char* problem = system::DevicePasswordProblem(m_password->text())) {
        m_prompt.ShowMessage(QStringLiteral("ERROR"), base::GetText(problem), base::PromptIcon::Error);
        return;
    }
    m_storedPassword = m_password->text();
    m_storedConfirmation = m_confirm->text();
    QDialog::accept();
}

} // namespace zk::sdk

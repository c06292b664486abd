// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/gui/CDlgIpvsSetting.h"

#include "base/LanguageTable.h"
#include "base/Prompt.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>

namespace zk::sdk {
namespace {

using base::GetText;

QCheckBox* CheckBox(const char* key, bool checked, QWidget* parent) {
    auto* box = new QCheckBox(GetText(key), parent);
    box->setChecked(checked);
    return box;
}

} // namespace

CDlgIpvsSetting::CDlgIpvsSetting(const system::PlatformChoice& initial, base::Prompt& prompt, QWidget* parent)
    : QDialog(parent), m_prompt(prompt), m_choice(initial),
      m_enable(CheckBox(ZK_TEXT_KEY("IPVS_ENABLE"), initial.enable, this)),
      m_playTone(CheckBox(ZK_TEXT_KEY("IPVS_PLAY_TONE"), initial.playTone, this)),
      m_increaseUser(CheckBox(ZK_TEXT_KEY("IPVS_INCREASE_USER"), initial.increaseUser, this)),
      m_server(new QLineEdit(initial.server, this)), m_port(new QLineEdit(QString::number(initial.port), this)),
      m_user(new QLineEdit(initial.user, this)), m_password(new QLineEdit(initial.password, this)) {
    setWindowTitle(GetText("MAIN_BATCH_PLATFORM"));
    // Digits only; an empty box reads as port 0, which OK refuses.
    m_port->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), m_port));
    m_password->setEchoMode(QLineEdit::Password);

    auto* form = new QFormLayout(this);
    form->addRow(m_enable);
    form->addRow(GetText("IPVS_SERVER"), m_server);
    form->addRow(GetText("IPVS_PORT"), m_port);
    form->addRow(GetText("IDS_STR_ZH_CN_USERNAME"), m_user);
    form->addRow(GetText("PASSWORD"), m_password);
    form->addRow(m_increaseUser);
    form->addRow(m_playTone);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(GetText("CANCEL"));
    form->addRow(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDlgIpvsSetting::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void CDlgIpvsSetting::accept() {
    system::PlatformChoice choice;
    choice.enable = m_enable->isChecked();
    choice.server = m_server->text().trimmed();
    choice.port = m_port->text().toInt();
    choice.user = m_user->text();
    choice.password = m_password->text();
    choice.playTone = m_playTone->isChecked();
    choice.increaseUser = m_increaseUser->isChecked();
    if (const char* problem = system::PlatformProblem(choice)) {
        m_prompt.ShowMessage(QStringLiteral("ERROR"), GetText(problem), base::PromptIcon::Error);
        return;
    }
    m_choice = choice;
    QDialog::accept();
}

} // namespace zk::sdk

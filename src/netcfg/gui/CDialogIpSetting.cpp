// SPDX-License-Identifier: GPL-3.0-or-later
#include "netcfg/gui/CDialogIpSetting.h"

#include "base/LanguageTable.h"
#include "base/Prompt.h"
#include "netcfg/AddressCheck.h"
#include "netcfg/IpRules.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace zk::netcfg {
namespace {

QString Box(const std::string& address) {
    return QString::fromStdString(BoxText(address));
}

std::string Text(const QLineEdit* box) {
    return box->text().trimmed().toStdString();
}

} // namespace

CDialogIpSetting::CDialogIpSetting(const IpSettingData& data, base::Prompt& prompt, Prober& prober, QWidget* parent)
    : QDialog(parent), m_prompt(prompt), m_data(data),
      m_check(new AddressCheck(prober, kDefaultMaxParallelProbes, this)), m_start(AddAddressBox(kIdStart)),
      m_end(AddAddressBox(kIdEnd)), m_netmask(AddAddressBox(kIdNetmask)), m_gateway(AddAddressBox(kIdGateway)),
      m_dns1(AddAddressBox(kIdDns1)), m_dns2(AddAddressBox(kIdDns2)),
      m_dhcp(new QCheckBox(base::GetText("DHCP"), this)), m_checkButton(AddButton(kIdCheck, base::GetText("CHECK"))),
      m_result(new QLabel(this)) {
    setWindowTitle(base::GetText("TEXT36"));
    Register(kIdDhcp, m_dhcp);
    Register(kIdResult, m_result);
    m_end->setReadOnly(true); // information only: the assignment neither stops at it nor checks it

    auto* grid = new QGridLayout;
    int row = 0;
    grid->addWidget(m_dhcp, row++, 1);
    auto addRow = [&](const char* label, QLineEdit* box, int clearId) {
        grid->addWidget(new QLabel(base::GetText(label), this), row, 0);
        grid->addWidget(box, row, 1);
        if (clearId != 0) {
            QPushButton* clear = AddButton(clearId, base::GetText("IDS_REMOVEALL"));
            connect(clear, &QPushButton::clicked, box, &QLineEdit::clear);
            grid->addWidget(clear, row, 2);
        }
        ++row;
    };
    addRow("IPADDR_FROM", m_start, 0);
    addRow("IPADDR_END", m_end, 0);
    addRow("NETMASK", m_netmask, 0);
    addRow("GETEWAY", m_gateway, kIdClearGateway);
    addRow("DNS1", m_dns1, kIdClearDns1);
    addRow("DNS2", m_dns2, kIdClearDns2);
    grid->addWidget(m_checkButton, row, 0);
    grid->addWidget(m_result, row, 1, 1, 2);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Cancel)->setText(base::GetText("CANCEL"));
    Register(kIdOk, buttons->button(QDialogButtonBox::Ok));
    Register(kIdCancel, buttons->button(QDialogButtonBox::Cancel));
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(buttons);

    m_start->setText(Box(m_data.start));
    m_end->setText(QString::fromStdString(EndAddressText(BoxText(m_data.start), m_data.count)));
    m_netmask->setText(Box(m_data.netmask));
    m_gateway->setText(Box(m_data.gateway));
    m_dns1->setText(Box(m_data.dns1));
    m_dns2->setText(Box(m_data.dns2));
    m_dhcp->setChecked(m_data.dhcp);

    // Connected after the boxes are filled, so that opening keeps the given gateway.
    connect(m_start, &QLineEdit::textChanged, this, &CDialogIpSetting::StartChanged);
    connect(m_checkButton, &QPushButton::clicked, this, &CDialogIpSetting::RunCheck);
    connect(m_check, &AddressCheck::finished, this, &CDialogIpSetting::CheckFinished);
    connect(buttons, &QDialogButtonBox::accepted, this, &CDialogIpSetting::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

CDialogIpSetting::~CDialogIpSetting() = default;

QWidget* CDialogIpSetting::Control(int id) const {
    const auto found = m_controls.find(id);
    return found == m_controls.end() ? nullptr : found->second;
}

bool CDialogIpSetting::Checking() const {
    return m_check->Running();
}

QLineEdit* CDialogIpSetting::AddAddressBox(int id) {
    auto* box = new QLineEdit(this);
    // Digits and dots only; whether they form an address is judged by OK.
    box->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9.]{0,15}")), box));
    Register(id, box);
    return box;
}

QPushButton* CDialogIpSetting::AddButton(int id, const QString& text) {
    auto* button = new QPushButton(text, this);
    button->setAutoDefault(false);
    Register(id, button);
    return button;
}

void CDialogIpSetting::Register(int id, QWidget* control) {
    control->setObjectName(QStringLiteral("ctl%1").arg(id));
    control->setProperty("controlId", id);
    m_controls[id] = control;
}

void CDialogIpSetting::StartChanged() {
    const std::string start = Text(m_start);
    m_end->setText(QString::fromStdString(EndAddressText(start, m_data.count)));
    // Only a complete address proposes a gateway, so typing does not wipe the box on the way.
    if (const auto gateway = GatewayForStart(start)) {
        m_gateway->setText(QString::fromStdString(*gateway));
    }
}

void CDialogIpSetting::RunCheck() {
    m_result->clear();
    // Without a start address there is nothing to probe, and "no conflict" would mislead.
    if (!ParseIpv4(Text(m_start))) {
        return;
    }
    if (m_check->Start(Text(m_start), m_data.count) == kProbeStarted) {
        m_checkButton->setEnabled(false);
    }
}

void CDialogIpSetting::CheckFinished(int firstAnsweringIndex) {
    m_checkButton->setEnabled(true);
    m_result->setText(base::GetText(firstAnsweringIndex >= 0 ? "IP_CONFLICT" : "IP_NOCONFLICT"));
}

IpSettingData CDialogIpSetting::BoxValues() const {
    IpSettingData values = m_data;
    values.start = Text(m_start);
    values.end = Text(m_end);
    values.netmask = Text(m_netmask);
    values.gateway = Text(m_gateway);
    values.dns1 = Text(m_dns1);
    values.dns2 = Text(m_dns2);
    values.dhcp = m_dhcp->isChecked();
    return values;
}

void CDialogIpSetting::accept() {
    const IpSettingData values = BoxValues();
    if (!AcceptIpSettings(values)) {
        m_prompt.ShowMessage(QStringLiteral("ERROR"), base::GetText("MSGTIP46"), base::PromptIcon::Error);
        return;
    }
    m_data = values;
    QDialog::accept();
}

} // namespace zk::netcfg

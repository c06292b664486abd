// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "netcfg/IpSettingData.h"

#include <QDialog>

#include <map>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zk::base {
class Prompt;
}

namespace zk::netcfg {

class AddressCheck;
class Prober;

// The IP settings dialog: start and end address, mask, gateway, two DNS servers and DHCP for one
// device or a range of devices. Check probes the range without blocking the window; OK refuses
// settings that do not fit together ("MSGTIP46") and stays open. Window thread only; the prompt
// and the prober must outlive the dialog.
class CDialogIpSetting final : public QDialog {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(CDialogIpSetting)

public:
    // Control ids; each control's objectName is "ctl<id>" and its "controlId" property the id.
    static constexpr int kIdOk = 1;
    static constexpr int kIdCancel = 2;
    static constexpr int kIdCheck = 3;
    static constexpr int kIdClearGateway = 4;
    static constexpr int kIdClearDns1 = 5;
    static constexpr int kIdClearDns2 = 6;
    static constexpr int kIdDhcp = 1002;
    static constexpr int kIdResult = 1089;
    static constexpr int kIdStart = 1141;
    static constexpr int kIdNetmask = 1142;
    static constexpr int kIdDns1 = 1143;
    static constexpr int kIdGateway = 1144;
    static constexpr int kIdDns2 = 1145;
    static constexpr int kIdEnd = 1146;

    CDialogIpSetting(const IpSettingData& data, base::Prompt& prompt, Prober& prober, QWidget* parent = nullptr);
    ~CDialogIpSetting() override;

    // The values as OK stored them (the opening values until then); empty boxes are "".
    const IpSettingData& Data() const { return m_data; }

    // The control of an id; nullptr for an unknown id.
    QWidget* Control(int id) const;

    // True while Check is probing.
    bool Checking() const;

public slots:
    void accept() override;

private:
    QLineEdit* AddAddressBox(int id);
    QPushButton* AddButton(int id, const QString& text);
    void Register(int id, QWidget* control);
    void StartChanged();
    void RunCheck();
    void CheckFinished(int firstAnsweringIndex);
    IpSettingData BoxValues() const;

    base::Prompt& m_prompt;
    IpSettingData m_data;
    AddressCheck* m_check;
    std::map<int, QWidget*> m_controls;
    QLineEdit* m_start;
    QLineEdit* m_end;
    QLineEdit* m_netmask;
    QLineEdit* m_gateway;
    QLineEdit* m_dns1;
    QLineEdit* m_dns2;
    QCheckBox* m_dhcp;
    QPushButton* m_checkButton;
    QLabel* m_result;
};

} // namespace zk::netcfg

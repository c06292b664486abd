// SPDX-License-Identifier: GPL-3.0-or-later
#include "netcfg/gui/CDialogIpSetting.h"

#include "FakeProber.h"
#include "base/LanguageTable.h"
#include "support/ScriptedPrompt.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace zk::netcfg {

class CDialogIpSettingTest final : public QObject {
    Q_OBJECT

private:
    static IpSettingData Range() {
        IpSettingData data;
        data.start = "192.168.1.10";
        data.netmask = "255.255.255.0";
        data.gateway = "192.168.1.254";
        data.dns1 = "0.0.0.0";
        data.dns2 = "8.8.8.8";
        data.count = 5;
        return data;
    }

    template <typename Control>
    static Control* Find(const CDialogIpSetting& dialog, int id) {
        auto* control = dialog.findChild<Control*>(QStringLiteral("ctl%1").arg(id));
        if (control == nullptr || control != dialog.Control(id)) {
            qFatal("control %d missing", id);
        }
        return control;
    }

    static QString BoxOf(const CDialogIpSetting& dialog, int id) { return Find<QLineEdit>(dialog, id)->text(); }

private slots:
    // Catches: the given gateway overwritten on opening, "0.0.0.0" shown, the end not recomputed or
    // the gateway not proposed when the start changes, and a clear button emptying the wrong box.
    void boxesFollowTheStartAndClearButtonsEmptyTheirBox() {
        test::FakeProber prober;
        test::ScriptedPrompt prompt;
        CDialogIpSetting dialog(Range(), prompt, prober);
        QCOMPARE(dialog.windowTitle(), base::GetText("TEXT36"));
        QCOMPARE(BoxOf(dialog, CDialogIpSetting::kIdEnd), QStringLiteral("192.168.1.14"));
        QCOMPARE(BoxOf(dialog, CDialogIpSetting::kIdGateway), QStringLiteral("192.168.1.254"));
        QCOMPARE(BoxOf(dialog, CDialogIpSetting::kIdDns1), QString());
        QVERIFY(Find<QLineEdit>(dialog, CDialogIpSetting::kIdEnd)->isReadOnly());

        auto* start = Find<QLineEdit>(dialog, CDialogIpSetting::kIdStart);
        start->clear();
        QTest::keyClicks(start, QStringLiteral("10.0.7.252"));
        QCOMPARE(BoxOf(dialog, CDialogIpSetting::kIdEnd), QStringLiteral("10.0.7.254"));
        QCOMPARE(BoxOf(dialog, CDialogIpSetting::kIdGateway), QStringLiteral("10.0.7.1"));

        QTest::mouseClick(Find<QPushButton>(dialog, CDialogIpSetting::kIdClearDns2), Qt::LeftButton);
        QCOMPARE(BoxOf(dialog, CDialogIpSetting::kIdDns2), QString());
        QCOMPARE(BoxOf(dialog, CDialogIpSetting::kIdGateway), QStringLiteral("10.0.7.1"));
        QTest::mouseClick(Find<QPushButton>(dialog, CDialogIpSetting::kIdClearGateway), Qt::LeftButton);
        QCOMPARE(BoxOf(dialog, CDialogIpSetting::kIdGateway), QString());
    }

    // Catches: OK closing on settings the check refuses, the refusal not shown as "MSGTIP46" with the
    // caption "ERROR", and accepted values not stored (empty boxes as "").
    void okRefusesMisfitSettingsAndStaysOpen() {
        test::FakeProber prober;
        test::ScriptedPrompt prompt;
        CDialogIpSetting dialog(Range(), prompt, prober);
        dialog.show();
        Find<QLineEdit>(dialog, CDialogIpSetting::kIdGateway)->setText(QStringLiteral("192.168.2.1"));
        QTest::mouseClick(Find<QPushButton>(dialog, CDialogIpSetting::kIdOk), Qt::LeftButton);
        QVERIFY(dialog.isVisible());
        QCOMPARE(dialog.result(), 0);
        QCOMPARE(prompt.Questions().size(), std::size_t{1});
        QCOMPARE(prompt.Questions()[0].caption, QStringLiteral("ERROR"));
        QCOMPARE(prompt.Questions()[0].text, base::GetText("MSGTIP46"));

        QTest::mouseClick(Find<QPushButton>(dialog, CDialogIpSetting::kIdClearGateway), Qt::LeftButton);
        Find<QCheckBox>(dialog, CDialogIpSetting::kIdDhcp)->setChecked(true);
        QTest::mouseClick(Find<QPushButton>(dialog, CDialogIpSetting::kIdOk), Qt::LeftButton);
        QCOMPARE(dialog.result(), static_cast<int>(QDialog::Accepted));
        QCOMPARE(prompt.Questions().size(), std::size_t{1});
        QCOMPARE(dialog.Data().start, std::string("192.168.1.10"));
        QCOMPARE(dialog.Data().gateway, std::string());
        QCOMPARE(dialog.Data().dns1, std::string());
        QCOMPARE(dialog.Data().dns2, std::string("8.8.8.8"));
        QVERIFY(dialog.Data().dhcp);
        QVERIFY(prompt.Problems().isEmpty());
    }

    // Catches: Check blocking the window, the button left enabled while it runs (a second check on
    // top of the first), and the wrong result text.
    void checkProbesTheRangeWithoutBlocking() {
        test::FakeProber prober;
        prober.fixedDelayMs = 150;
        prober.answering = {"192.168.1.13"};
        test::ScriptedPrompt prompt;
        CDialogIpSetting dialog(Range(), prompt, prober);
        auto* check = Find<QPushButton>(dialog, CDialogIpSetting::kIdCheck);
        auto* result = Find<QLabel>(dialog, CDialogIpSetting::kIdResult);
        QElapsedTimer clicked;
        clicked.start();
        QTest::mouseClick(check, Qt::LeftButton);
        QVERIFY(clicked.elapsed() < 100);
        QVERIFY(!check->isEnabled());
        QVERIFY(dialog.Checking());
        QTRY_COMPARE(result->text(), base::GetText("IP_CONFLICT"));
        QVERIFY(check->isEnabled());

        prober.answering.clear();
        QTest::mouseClick(check, Qt::LeftButton);
        QTRY_COMPARE(result->text(), base::GetText("IP_NOCONFLICT"));
        QVERIFY(!result->text().isEmpty());
    }
};

} // namespace zk::netcfg

QTEST_MAIN(zk::netcfg::CDialogIpSettingTest)
#include "CDialogIpSettingTest.moc"

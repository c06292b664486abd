// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogs of the system batch commands: the password dialog and the scheduled maintenance dialog.
#include "base/LanguageTable.h"
#include "sdk/gui/CDialogPwd.h"
#include "sdk/gui/CSYSRMDlg.h"
#include "support/ScriptedPrompt.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTimeEdit>

#include <utility>

namespace zk::sdk {

class SystemDialogsTest final : public QObject {
    Q_OBJECT

private slots:
    // Catches: a password the devices would store as "?" (an emoji, outside code page 936) or that
    // no login could carry (64 bytes, also when 32 Chinese characters make them) leaving the dialog,
    // the refusal not shown under "ERROR" with the problem's text, wrong control ids or preset, and
    // the entries not stored as typed (differing entries are the caller's check).
    void okRefusesPasswordsTheDevicesCannotTake() {
        test::ScriptedPrompt prompt;
        CDialogPwd dialog(prompt);
        dialog.show();
        QCOMPARE(dialog.PasswordEdit()->property("zkControlId").toInt(), CDialogPwd::kIdPassword);
        QCOMPARE(dialog.ConfirmEdit()->property("zkControlId").toInt(), CDialogPwd::kIdConfirm);
        QCOMPARE(dialog.PasswordEdit()->text(), QStringLiteral("507913"));
        QCOMPARE(dialog.ConfirmEdit()->text(), QStringLiteral("507913"));

        const std::pair<QString, const char*> refused[] = {
            {QStringLiteral(u"cam\U0001F600ra"), "MSG_PASSWORD_CODEPAGE"},
            {QString(64, u'a'), "MSG_PASSWORD_TOO_LONG"},
            {QString(32, QChar(u'密')), "MSG_PASSWORD_TOO_LONG"},
        };
        for (const auto& [password, key] : refused) {
            dialog.PasswordEdit()->setText(password);
            dialog.ConfirmEdit()->setText(password);
            dialog.accept();
            QVERIFY2(dialog.isVisible(), key);
            QVERIFY(!base::GetText(key).isEmpty());
            QCOMPARE(prompt.Questions().back().caption, QStringLiteral("ERROR"));
            QCOMPARE(prompt.Questions().back().text, base::GetText(key));
        }
        QCOMPARE(prompt.Questions().size(), std::size(refused));
        QVERIFY(dialog.Password().isEmpty());

        dialog.PasswordEdit()->setText(QString(63, u'a'));
        dialog.ConfirmEdit()->setText(QStringLiteral("other"));
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.Password(), QString(63, u'a'));
        QCOMPARE(dialog.Confirmation(), QStringLiteral("other"));
        QCOMPARE(prompt.Questions().size(), std::size(refused));
    }

    // Catches: the day list out of order (Sunday sent as Monday), the time shown in 12-hour form or
    // returned without seconds, and the enable choice inverted.
    void theMaintenanceDialogOpensOnTheChoiceAndReturnsTheEditedOne() {
        system::MaintenanceChoice initial;
        initial.enable = false;
        initial.day = 6;
        initial.time = "21:30:05";
        CSYSRMDlg dialog(initial);
        QCOMPARE(dialog.EnableBox()->currentIndex(), CSYSRMDlg::kOff);
        QCOMPARE(dialog.DayBox()->count(), 8);
        QCOMPARE(dialog.DayBox()->currentText(), base::GetText("IDS_STR_ZH_CN_SUN"));
        QCOMPARE(dialog.DayBox()->itemText(0), base::GetText("IDS_STR_ZH_CN_MON"));
        QCOMPARE(dialog.DayBox()->itemText(7), base::GetText("IDS_STR_ZH_CN_EDAY"));
        QCOMPARE(dialog.TimeEdit()->text(), QStringLiteral("21:30:05"));

        dialog.EnableBox()->setCurrentIndex(CSYSRMDlg::kOn);
        dialog.DayBox()->setCurrentIndex(0);
        dialog.TimeEdit()->setTime(QTime(4, 5, 6));
        dialog.accept();
        QVERIFY(dialog.Choice().enable);
        QCOMPARE(dialog.Choice().day, 0);
        QCOMPARE(QString::fromStdString(dialog.Choice().time), QStringLiteral("04:05:06"));
    }
};

} // namespace zk::sdk

QTEST_MAIN(zk::sdk::SystemDialogsTest)
#include "SystemDialogsTest.moc"

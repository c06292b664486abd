// SPDX-License-Identifier: GPL-3.0-or-later
// The dialogs of the system batch commands: password, scheduled maintenance, title, platform and
// time settings.
#include "base/FixedText.h"
#include "base/LanguageTable.h"
#include "sdk/gui/CDialogPwd.h"
#include "sdk/gui/CDialogTitleSetting.h"
#include "sdk/gui/CDlgIpvsSetting.h"
#include "sdk/gui/CSYSRMDlg.h"
#include "sdk/gui/CSYSTimeSet.h"
#include "support/ScriptedPrompt.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QSpinBox>
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

    // Catches: the dialog opening on other values than the stored block, a position choice mapped
    // to another place (or "unchanged" moving the title), a hand-edited time format lost on OK, the
    // title stored in another form than its UTF-8 hex, an over-long title accepted, and the extras
    // check boxes swapped.
    void theTitleDialogEditsTheStoredBlockAndRefusesAnOverlongTitle() {
        test::ScriptedPrompt prompt;
        base::OverlayParam stored;
        stored.Enable = 0;
        stored.Transparency = 7;
        stored.Fontsize = 24;
        stored.TitleOverlay.PosX = 1;
        stored.TitleOverlay.PosY = 2; // no choice stands for it
        base::CopyBounded(stored.TimeOverlay.Format, "hh:mm:ss yyyy");
        CDialogTitleSetting dialog(stored, {false, true, false}, prompt);
        dialog.show();
        QVERIFY(!dialog.EnableBox()->isChecked());
        QCOMPARE(dialog.TransparencyBox()->value(), 7);
        QCOMPARE(dialog.FontSizeBox()->value(), 24);
        QCOMPARE(dialog.StyleGroup()->checkedId(), 3);
        QCOMPARE(dialog.StyleGroup()->button(7)->text(), base::GetText("IDC_OSD_STYLE_7"));
        QVERIFY(dialog.WeekBox()->isChecked());
        QCOMPARE(dialog.TimePositionBox()->currentIndex(), 3); // (1, 1): bottom right
        QCOMPARE(dialog.TitlePositionBox()->currentIndex(), system::kPositionUnchanged);
        QCOMPARE(dialog.TimeFormatBox()->currentText(), QStringLiteral("hh:mm:ss yyyy"));
        QCOMPARE(dialog.TitleEdit()->text(), QStringLiteral("Camera"));
        QVERIFY(!dialog.ModelBox()->isChecked() && dialog.IpBox()->isChecked() && !dialog.SerialBox()->isChecked());

        dialog.TitleEdit()->setText(QString(34, QChar(0x95E8)));
        dialog.accept();
        QVERIFY(dialog.isVisible());
        QCOMPARE(prompt.Questions().back().text, base::GetText("MSG_TITLE_TOO_LONG"));

        dialog.EnableBox()->setChecked(true);
        dialog.StyleGroup()->button(7)->setChecked(true);
        dialog.TimePositionBox()->setCurrentIndex(5);
        dialog.SerialBox()->setChecked(true);
        dialog.ModelBox()->setChecked(true);
        dialog.TitleEdit()->setText(QString::fromUtf8("门口"));
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const base::OverlayParam& overlay = dialog.Overlay();
        QCOMPARE(overlay.Enable, 1);
        QCOMPARE(overlay.Style, std::int16_t{7});
        QCOMPARE(std::make_pair(overlay.TimeOverlay.PosX, overlay.TimeOverlay.PosY), std::make_pair(2, 2));
        QCOMPARE(std::make_pair(overlay.TitleOverlay.PosX, overlay.TitleOverlay.PosY), std::make_pair(1, 2));
        QCOMPARE(base::FieldText(overlay.TimeOverlay.Format), std::string_view("hh:mm:ss yyyy"));
        QCOMPARE(base::FieldText(overlay.TitleOverlay.TitleUtf8), std::string_view("e997a8e58fa3"));
        QVERIFY(dialog.Extras() == (system::TitleExtras{true, true, true}));
    }

    // Catches: an enabled platform without a server, a port of 0 (also an empty box) or a
    // password the devices cannot keep leaving the dialog, and the preset port missing.
    void thePlatformDialogRefusesWhatTheDevicesCannotUse() {
        test::ScriptedPrompt prompt;
        CDlgIpvsSetting dialog(system::PlatformChoice{}, prompt);
        dialog.show();
        QCOMPARE(dialog.PortEdit()->text(), QStringLiteral("10001"));
        QVERIFY(dialog.EnableBox()->isChecked());
        const std::pair<std::function<void()>, const char*> refused[] = {
            {[&] { dialog.ServerEdit()->setText(QStringLiteral("  ")); }, "MSGTIP47"},
            {[&] {
                 dialog.ServerEdit()->setText(QStringLiteral("192.168.1.5"));
                 dialog.PortEdit()->setText(QStringLiteral("0"));
             },
             "MSGTIP48"},
            {[&] { dialog.PortEdit()->clear(); }, "MSGTIP48"},
            {[&] {
                 dialog.PortEdit()->setText(QStringLiteral("7000"));
                 dialog.PasswordEdit()->setText(QString::fromUtf8("pw\xF0\x9F\x98\x80"));
             },
             "MSG_PASSWORD_CODEPAGE"},
        };
        for (const auto& [change, key] : refused) {
            change();
            dialog.accept();
            QVERIFY2(dialog.isVisible(), key);
            QCOMPARE(prompt.Questions().back().caption, QStringLiteral("ERROR"));
            QCOMPARE(prompt.Questions().back().text, base::GetText(key));
        }
        dialog.PasswordEdit()->setText(QStringLiteral("pw"));
        dialog.UserEdit()->setText(QStringLiteral("7,cam"));
        dialog.IncreaseUserBox()->setChecked(true);
        dialog.PlayToneBox()->setChecked(true);
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        system::PlatformChoice expected;
        expected.server = QStringLiteral("192.168.1.5");
        expected.port = 7000;
        expected.user = QStringLiteral("7,cam");
        expected.password = QStringLiteral("pw");
        expected.playTone = true;
        expected.increaseUser = true;
        QVERIFY(dialog.Choice() == expected);
    }

    // Catches: the zone list losing the stored zone, "automatic" not taking the zone's own rules
    // (or leaving them editable), the three netmasks accepted as the NTP server, and the mode list
    // out of order.
    void theTimeDialogFollowsTheZoneRulesAndRefusesNetmasks() {
        test::ScriptedPrompt prompt;
        const auto zones =
            system::ReadTimeZoneList("<t><item name=\"GMT+05:30(Kolkata)\" value=\"IST-5:30\"/>"
                                     "<item name=\"GMT+01:00(Berlin)\" value=\"CET-1CEST,M3.5.0,M10.5.0/3\"/></t>");
        system::TimeChoice initial;
        initial.zone = 1200; // not in the list
        initial.summer.enable = true;
        initial.summer.start = {4, 1, 0, 1};
        CSYSTimeSet dialog(initial, zones, prompt);
        dialog.show();
        QCOMPARE(dialog.ModeBox()->currentIndex(), system::kTimeModeManual);
        QCOMPARE(dialog.ZoneBox()->count(), 3);
        QCOMPARE(dialog.ZoneBox()->currentText(), QStringLiteral("GMT+08:00"));
        QCOMPARE(dialog.StartBoxes().month->currentData().toInt(), 4);
        QVERIFY(dialog.StartBoxes().month->isEnabled());

        dialog.AutomaticBox()->setChecked(true);
        dialog.ZoneBox()->setCurrentIndex(1);
        QCOMPARE(dialog.StartBoxes().month->currentData().toInt(), 3);
        QCOMPARE(dialog.EndBoxes().month->currentData().toInt(), 10);
        QCOMPARE(dialog.EndBoxes().hour->currentData().toInt(), 3);
        QVERIFY(!dialog.StartBoxes().month->isEnabled());
        dialog.ZoneBox()->setCurrentIndex(0); // no rules of its own: editable again
        QVERIFY(dialog.StartBoxes().month->isEnabled());
        dialog.ZoneBox()->setCurrentIndex(1);

        dialog.ModeBox()->setCurrentIndex(system::kTimeModeNtp);
        for (const char* mask : {"255.255.255.0", "255.0.0.0", "255.255.0.0"}) {
            dialog.ServerEdit()->setText(QString::fromLatin1(mask));
            dialog.accept();
            QVERIFY2(dialog.isVisible(), mask);
            QCOMPARE(prompt.Questions().back().text, base::GetText("IDS_STR_ZH_CN_MSG_TIPS127"));
        }
        dialog.ServerEdit()->setText(QStringLiteral("pool.ntp.org"));
        dialog.accept();
        QCOMPARE(prompt.Questions().back().text, base::GetText("IDS_STR_ZH_CN_MSG_TIPS126"));
        dialog.ServerEdit()->setText(QStringLiteral("192.168.1.1"));
        dialog.IntervalEdit()->setText(QStringLiteral("0"));
        dialog.accept();
        QCOMPARE(prompt.Questions().back().text, base::GetText("IDS_STR_ZH_CN_MSG_TIPS128"));
        dialog.IntervalEdit()->setText(QStringLiteral("30"));
        dialog.accept();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const system::TimeChoice& choice = dialog.Choice();
        QCOMPARE(QString::fromStdString(choice.mode), QStringLiteral("NTP"));
        QCOMPARE(choice.zone, 780);
        QCOMPARE(QString::fromStdString(choice.ntpServer), QStringLiteral("192.168.1.1"));
        QCOMPARE(choice.ntpIntervalMinutes, 30);
        QVERIFY(choice.summer.enable && choice.summer.automatic);
        QVERIFY(choice.summer.start == (system::SummerTimeRule{3, 5, 0, 2}));
        QVERIFY(choice.summer.end == (system::SummerTimeRule{10, 5, 0, 3}));
    }
};

} // namespace zk::sdk

QTEST_MAIN(zk::sdk::SystemDialogsTest)
#include "SystemDialogsTest.moc"

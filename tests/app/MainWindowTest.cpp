// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RArEvaVuraroZazoDor.h"

#include "app/ControlIds.h"
#include "app/DeviceListView.h"
#include "base/DebugLog.h"
#include "base/FixedText.h"
#include "platform/SpecialFolders.h"
#include "sdk/gui/CDialogDefaultUser.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>

namespace zk::app {

// The window runs in the test's own network namespace (loopback only), so the search it starts at
// once reaches nothing.
class MainWindowTest final : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;

    RArEvaVuraroZazoDor::Sources Sources(const std::string& displayXml = {}) const {
        RArEvaVuraroZazoDor::Sources sources;
        sources.settingsFolder = m_folder.path();
        if (!displayXml.empty()) {
            const std::string path = m_folder.path().toStdString() + "/display.xml";
            std::ofstream(path) << displayXml;
            sources.displayXml = path;
        }
        return sources;
    }

private slots:
    void initTestCase() {
        // A switch file that turns the monitor sink on towards a loopback address nobody listens on.
        const std::string folder = platform::ConfigFolder();
        QVERIFY(platform::EnsureFolder(folder));
        std::ofstream(folder + "/uc_dbg.cfg") << "network=1;monitor_ip=127.0.0.2;level=5;";
    }

    void cleanupTestCase() { std::filesystem::remove(platform::ConfigFolder() + "/uc_dbg.cfg"); }

    void theWindowStartsTheLogAndItsDestructionShutsItDown() {
        {
            RArEvaVuraroZazoDor window(Sources());
            const auto switches = base::ProcessLog().Switches();
            QCOMPARE(switches.network, 1);
            QCOMPARE(switches.level, 5);
        }
        QCOMPARE(base::ProcessLog().Switches().network, 0);
    }

    void theTitleIsTheLanguageTitleAndTheVersionUnlessStyleTwo() {
        RArEvaVuraroZazoDor window(Sources());
        QCOMPARE(window.windowTitle(),
                 QStringLiteral("ZK Device Search/IP Config/Upgrade Tool-V2.3.9 V5.9.2_20250106"));
        RArEvaVuraroZazoDor styled(Sources("<root><STYLE display=\"2\"/></root>"));
        QCOMPARE(styled.windowTitle(), QStringLiteral("ZK Device Search/IP Config/Upgrade Tool-V2.3.9"));
    }

    void theWindowSearchesAtOnceAndTheButtonStopsIt() {
        RArEvaVuraroZazoDor window(Sources());
        auto* button = qobject_cast<QPushButton*>(window.Control(kIdSearchButton));
        QVERIFY(button != nullptr);
        QVERIFY(window.Search().Searching());
        QCOMPARE(button->text(), QStringLiteral("Stop search"));
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!window.Search().Searching());
        QCOMPARE(button->text(), QStringLiteral("Start search"));
    }

    void returnInAnEditPressesNoButton() {
        RArEvaVuraroZazoDor window(Sources());
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy finished(&window, &QDialog::finished);
        for (const int id : {kIdDefaultUser, kIdDefaultPassword, kIdOperatePassword}) {
            auto* edit = qobject_cast<QLineEdit*>(window.Control(id));
            QVERIFY(edit != nullptr);
            edit->setFocus();
            QTest::keyClick(edit, Qt::Key_Return);
            QTest::keyClick(edit, Qt::Key_Enter);
            QVERIFY2(window.Search().Searching(), "Return must not stop the search");
        }
        QCOMPARE(finished.count(), 0);
    }

    void styleChoosesTheListMenuAndTheColours() {
        const auto commands = [](RArEvaVuraroZazoDor& window) {
            QMenu menu;
            window.BuildListMenu(menu);
            QList<int> ids;
            for (const QAction* action : menu.actions()) {
                ids.append(action->data().toInt());
            }
            return ids;
        };
        RArEvaVuraroZazoDor plain(Sources());
        QCOMPARE(commands(plain),
                 (QList<int>{kCmdOpenWebPage, kCmdModifyIp, kCmdFreeIpSelected, kCmdLoginAgain, kCmdDefaultUser}));
        QVERIFY(plain.palette().color(QPalette::Window) != QColor(233, 233, 220));
        RArEvaVuraroZazoDor shortMenu(Sources("<root><STYLE display=\"2\"/></root>"));
        QCOMPARE(commands(shortMenu), (QList<int>{kCmdOpenWebPage, kCmdLoginAgain, kCmdRebootSelected, kCmdModifyIp,
                                                  kCmdResetSelected}));
        RArEvaVuraroZazoDor coloured(Sources("<root><STYLE display=\"1\"/></root>"));
        QCOMPARE(coloured.palette().color(QPalette::Window), QColor(233, 233, 220));
        auto* label = qobject_cast<QWidget*>(coloured.Control(kIdStatusLine));
        QCOMPARE(label->palette().color(QPalette::Window), QColor(233, 233, 220));
    }

    void theSelectionStaysWithItsDeviceWhenTheListIsSorted() {
        RArEvaVuraroZazoDor window(Sources());
        window.Search().StopSearch();
        const char* addresses[] = {"192.168.1.10", "192.168.1.9", "10.0.0.1", "192.168.1.100"};
        for (int i = 0; i < 4; ++i) {
            discovery::DeviceRecord record = discovery::EmptyDeviceRecord();
            base::CopyBounded(record.SerialNumber, "SN" + std::to_string(i));
            base::CopyBounded(record.IpAddress, addresses[i]);
            base::CopyBounded(record.DeviceType, "NVS-IPCAM-T20_V1");
            record.UserConfigPresent = 1;
            window.Table().AddOrUpdate(record, "192.168.1.253");
        }
        window.List().Merge();
        QTableView& view = window.ListView();
        view.selectRow(window.List().FindRow("SN0"));
        view.setCurrentIndex(view.model()->index(window.List().FindRow("SN0"), 2));
        for (int click = 0; click < 2; ++click) {
            view.model()->sort(0, Qt::AscendingOrder);
            const QModelIndexList selected = view.selectionModel()->selectedRows();
            QCOMPARE(selected.size(), 1);
            QCOMPARE(selected.first().row(), window.List().FindRow("SN0"));
            QCOMPARE(view.currentIndex().row(), window.List().FindRow("SN0"));
            QCOMPARE(view.currentIndex().column(), 2);
        }
        QCOMPARE(window.List().FindRow("SN0"), 1); // descending after the second click
    }

    void theAdapterListStartsWithAllAdapters() {
        RArEvaVuraroZazoDor window(Sources());
        auto* adapters = qobject_cast<QComboBox*>(window.Control(kIdAdapterList));
        QVERIFY(adapters != nullptr);
        QVERIFY(adapters->count() >= 1);
        QCOMPARE(adapters->itemText(0), QStringLiteral("All network adapters"));
        QCOMPARE(adapters->itemData(0).value<quint32>(), 0u);
        QCOMPARE(adapters->currentIndex(), 0);
    }

    void displaySwitchesHideTheirControls() {
        RArEvaVuraroZazoDor window(Sources("<root><ID_EXPORT_EXCEL display=\"0\"/></root>"));
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(!window.Control(kIdExportExcel)->isVisible());
        QVERIFY(window.Control(kIdSearchButton)->isVisible());
        // Shown only when the installation turns it on.
        QVERIFY(!window.Control(kIdClearSerial)->isVisible());
        QVERIFY(!window.Control(kIdOperatePassword)->isVisible());
    }

    void editingTheDefaultUserSavesTheSettingsAtOnce() {
        RArEvaVuraroZazoDor window(Sources());
        auto* user = qobject_cast<QLineEdit*>(window.Control(kIdDefaultUser));
        QVERIFY(user != nullptr);
        QCOMPARE(user->text(), QStringLiteral("admin"));
        user->selectAll();
        QTest::keyClicks(user, QStringLiteral("installer"));
        QCOMPARE(window.Settings().DefaultUserName(), QStringLiteral("installer"));
        base::CSaveParam reloaded(m_folder.path());
        reloaded.Load();
        QCOMPARE(reloaded.DefaultUserName(), QStringLiteral("installer"));
    }

    void theLoginSettingDialogReplacesTheDefaultUserUnlessTheNameIsEmpty() {
        RArEvaVuraroZazoDor window(Sources("<root><ID_LOGIN_SETTING display=\"1\"/></root>"));
        auto* button = qobject_cast<QPushButton*>(window.Control(kIdLoginSetting));
        QVERIFY(button != nullptr);
        auto answer = [](const QString& user, const QString& password) {
            QTimer::singleShot(0, [user, password] {
                auto* dialog = qobject_cast<sdk::CDialogDefaultUser*>(QApplication::activeModalWidget());
                QVERIFY(dialog != nullptr);
                dialog->UserEdit()->setText(user);
                dialog->PasswordEdit()->setText(password);
                dialog->accept();
            });
        };
        answer(QStringLiteral("tech"), QStringLiteral("pw2"));
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(window.Settings().DefaultUserName(), QStringLiteral("tech"));
        QCOMPARE(qobject_cast<QLineEdit*>(window.Control(kIdDefaultUser))->text(), QStringLiteral("tech"));
        answer(QString(), QStringLiteral("ignored"));
        QTest::mouseClick(button, Qt::LeftButton);
        QCOMPARE(window.Settings().DefaultUserName(), QStringLiteral("tech"));
        QCOMPARE(window.Settings().DefaultPassword(), QStringLiteral("pw2"));
    }

    void theExitButtonClosesTheWindowAndStopsTheSearch() {
        RArEvaVuraroZazoDor window(Sources());
        auto* exitButton = qobject_cast<QPushButton*>(window.Control(kIdExit));
        QVERIFY(exitButton != nullptr);
        QCOMPARE(window.Control(999999), nullptr);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy finished(&window, &QDialog::finished);
        QTest::mouseClick(exitButton, Qt::LeftButton);
        QCOMPARE(finished.count(), 1);
        QVERIFY(!window.isVisible());
        QVERIFY(!window.Search().Searching());
    }
};

} // namespace zk::app

QTEST_MAIN(zk::app::MainWindowTest)
#include "MainWindowTest.moc"

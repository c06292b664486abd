// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/RArEvaVuraroZazoDor.h"

#include "base/DebugLog.h"
#include "platform/SpecialFolders.h"

#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <filesystem>
#include <fstream>

namespace zk::app {

class MainWindowTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        // The test's own config folder (set by ctest) holds a switch file that turns the monitor
        // sink on towards a loopback address nobody listens on.
        const std::string folder = platform::ConfigFolder();
        QVERIFY(platform::EnsureFolder(folder));
        std::ofstream(folder + "/uc_dbg.cfg") << "network=1;monitor_ip=127.0.0.2;level=5;";
    }

    void cleanupTestCase() { std::filesystem::remove(platform::ConfigFolder() + "/uc_dbg.cfg"); }

    void theWindowStartsTheLogAndItsDestructionShutsItDown() {
        {
            RArEvaVuraroZazoDor window;
            const auto switches = base::ProcessLog().Switches();
            QCOMPARE(switches.network, 1);
            QCOMPARE(switches.level, 5);
            QCOMPARE(QString::fromStdString(switches.monitorIp), QStringLiteral("127.0.0.2"));
        }
        QCOMPARE(base::ProcessLog().Switches().network, 0);
        QCOMPARE(base::ProcessLog().Switches().file, 0);
    }

    void theTitleIsTheLanguageTitleAndTheVersion() {
        RArEvaVuraroZazoDor window;
        QCOMPARE(window.windowTitle(),
                 QStringLiteral("ZK Device Search/IP Config/Upgrade Tool-V2.3.9 V5.9.2_20250106"));
    }

    void theExitButtonIsRegisteredUnderItsIdAndClosesTheWindow() {
        RArEvaVuraroZazoDor window;
        auto* exitButton = qobject_cast<QPushButton*>(window.Control(kIdExit));
        QVERIFY(exitButton != nullptr);
        QCOMPARE(window.Control(999999), nullptr);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QSignalSpy finished(&window, &QDialog::finished);
        QTest::mouseClick(exitButton, Qt::LeftButton);
        QCOMPARE(finished.count(), 1);
        QVERIFY(!window.isVisible());
    }
};

} // namespace zk::app

QTEST_MAIN(zk::app::MainWindowTest)
#include "MainWindowTest.moc"

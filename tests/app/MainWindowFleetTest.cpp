// SPDX-License-Identifier: GPL-3.0-or-later
// The main window against 20 simulated devices (18 generated ones and the two of
// scripts/demo-fleet.json: one with another password, one with a Chinese title). This program runs inside the private
// namespaces that scripts/netns-run makes, next to zkdevsim, and refuses to run anywhere else since the window searches
// as soon as it opens. ZK_TEST_LANGUAGE ("zh-cn" or unset for English) picks the language; ZK_SCREENSHOT names the PNG
// file the window is saved to once the devices are listed. Late in the run the IP commands move four of the devices
// through the window's menus and dialogs, and a new search must find them at their new addresses.
#include "app/ControlIds.h"
#include "app/DeviceListView.h"
#include "app/RArEvaVuraroZazoDor.h"
#include "base/FixedText.h"
#include "base/LanguageTable.h"
#include "netcfg/IpAssignment.h"
#include "netcfg/gui/CDialogIpSetting.h"
#include "platform/RegistryStore.h"
#include "platform/SpecialFolders.h"
#include "support/NetnsHarness.h"
#include "support/ScriptedPrompt.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <filesystem>

namespace zk::app {
namespace {

constexpr int kDevices = 20;

} // namespace

class MainWindowFleetTest final : public QObject {
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    test::ScriptedPrompt m_prompt;
    std::unique_ptr<RArEvaVuraroZazoDor> m_window;
    bool m_chinese = false;

    // Devices moved by the IP commands: serial number and new address.
    std::vector<std::pair<std::string, QString>> m_moved;
    QString m_proposedStart; // what the last IP settings dialog opened with

    RArEvaVuraroZazoDor& Window() { return *m_window; }
    discovery::DeviceListModel& List() { return m_window->List(); }
    QString Cell(int row, discovery::ListColumn column) { return List().CellText(row, column); }
    QString IpOf(const std::string& serial) { return Cell(List().FindRow(serial), discovery::ListColumn::Ip); }
    std::string KeyOf(int row) { return std::string(base::FieldText(List().RowAt(row)->Key)); }

    // Calls act with the widget find gives as soon as it is there, polling from the event loop: menus
    // and dialogs run modally inside the command that opened them.
    template <typename Find, typename Act>
    void WhenOpen(Find find, Act act, int attemptsLeft = 250) {
        QTimer::singleShot(20, this, [this, find, act, attemptsLeft] {
            if (auto* widget = find()) {
                act(widget);
            } else if (attemptsLeft > 0) {
                WhenOpen(find, act, attemptsLeft - 1);
            }
        });
    }

    // Answers the next IP settings dialog as a person would: notes the start it proposes, types
    // another and presses OK.
    void AnswerIpDialog(const QString& start) {
        WhenOpen([] { return qobject_cast<netcfg::CDialogIpSetting*>(QApplication::activeModalWidget()); },
                 [this, start](netcfg::CDialogIpSetting* dialog) {
                     auto* box = qobject_cast<QLineEdit*>(dialog->Control(netcfg::CDialogIpSetting::kIdStart));
                     m_proposedStart = box->text();
                     box->clear();
                     QTest::keyClicks(box, start);
                     QTest::mouseClick(dialog->Control(netcfg::CDialogIpSetting::kIdOk), Qt::LeftButton);
                     if (dialog->isVisible()) {
                         qWarning() << "the IP settings dialog refused" << start;
                         dialog->reject();
                     }
                 });
    }

private slots:
    void initTestCase() {
        QVERIFY2(test::InsideHarnessNamespace(), "run only through scripts/netns-run");
        const char* language = std::getenv("ZK_TEST_LANGUAGE");
        m_chinese = language != nullptr && std::string(language) == "zh-cn";
        // The language is remembered per user; this test's home folder is its own.
        platform::RegistryStore store(platform::UserConfigBase() + "/ZkDevTools");
        QCOMPARE(store.WriteValue("Language", m_chinese ? "Simplified Chinese" : "en-us"), 0);
        QCOMPARE(base::GetLanguageTable().IsChineseUi(), m_chinese);

        RArEvaVuraroZazoDor::Sources sources;
        sources.settingsFolder = m_folder.path();
        sources.prompt = &m_prompt;
        m_window = std::make_unique<RArEvaVuraroZazoDor>(sources);
        m_window->resize(1600, 700);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    }

    void everyDeviceIsListedWithItsColumnsAndItsLoginState() {
        QVERIFY(QTest::qWaitFor([this] { return List().RowCount() == kDevices; }, 10000));
        const QString connected = base::GetText("MSGTIP1");
        const QString wrongPassword = base::GetText("IDS_STR_ZH_CN_USERERROR");
        // Every device logs in with the default user, except the one with another password.
        auto loggedIn = [&] {
            int online = 0;
            int refused = 0;
            for (int row = 0; row < kDevices; ++row) {
                const QString state = Cell(row, discovery::ListColumn::State);
                online += state == connected && !Cell(row, discovery::ListColumn::Version).isEmpty() ? 1 : 0;
                refused += state == wrongPassword ? 1 : 0;
            }
            return online == kDevices - 1 && refused == 1;
        };
        if (!QTest::qWaitFor(loggedIn, 15000)) {
            for (int row = 0; row < kDevices; ++row) {
                qWarning() << Cell(row, discovery::ListColumn::Sn) << Cell(row, discovery::ListColumn::State)
                           << Cell(row, discovery::ListColumn::Version);
            }
            QFAIL("not every device reached its login state");
        }
        const int refusedRow = List().FindRow("ZKSIM000019");
        QVERIFY(refusedRow >= 0);
        QCOMPARE(Cell(refusedRow, discovery::ListColumn::State), wrongPassword);
        QCOMPARE(Cell(0, discovery::ListColumn::Version), QStringLiteral("V5.3.2.20240815"));
        QCOMPARE(Cell(List().FindRow("ZKSIM000020"), discovery::ListColumn::Title), QStringLiteral("门口摄像机"));
        for (int row = 0; row < kDevices; ++row) {
            QVERIFY(Cell(row, discovery::ListColumn::Ip).startsWith(QStringLiteral("192.168.1.")));
            QVERIFY(Cell(row, discovery::ListColumn::Sn).startsWith(QStringLiteral("ZKSIM0000")));
            QCOMPARE(Cell(row, discovery::ListColumn::HttpPort), QStringLiteral("80"));
            QCOMPARE(Cell(row, discovery::ListColumn::NetCard), QStringLiteral("192.168.1.253"));
            QVERIFY(!Cell(row, discovery::ListColumn::Title).isEmpty());
        }
        // Devices that started less than a second ago have no run time to show yet.
        QVERIFY(QTest::qWaitFor(
            [this] {
                for (int row = 0; row < kDevices; ++row) {
                    if (Cell(row, discovery::ListColumn::RunTime).isEmpty()) {
                        return false;
                    }
                }
                return true;
            },
            5000));
        auto* status = qobject_cast<QLabel*>(Window().Control(kIdStatusLine));
        QVERIFY(status->text().contains(QStringLiteral(":20 ")));
    }

    void sortingByIpOrdersAddressesNumericallyAndAgainReverses() {
        // Mix the order first, then sort by the IP column twice.
        List().SortByColumn(discovery::ListColumn::Sn);
        List().SortByColumn(discovery::ListColumn::Ip);
        QCOMPARE(Cell(0, discovery::ListColumn::Ip), QStringLiteral("192.168.1.10"));
        QCOMPARE(Cell(1, discovery::ListColumn::Ip), QStringLiteral("192.168.1.11"));
        QCOMPARE(Cell(kDevices - 1, discovery::ListColumn::Ip), QStringLiteral("192.168.1.41"));
        List().SortByColumn(discovery::ListColumn::Ip);
        QCOMPARE(Cell(0, discovery::ListColumn::Ip), QStringLiteral("192.168.1.41"));
        List().SortByColumn(discovery::ListColumn::Ip);
    }

    void tickingRowsAndExportingWritesTheTickedDevices() {
        auto& model = Window().ListView().TableModel();
        for (int row : {0, 2, 4}) {
            QVERIFY(model.setData(model.index(row, 0), Qt::Checked, Qt::CheckStateRole));
        }
        QCOMPARE(List().TickedCount(), 3);
        const QString file = m_folder.filePath(QStringLiteral("export.xlsx"));
        m_prompt.AnswerSaveFile(file);
        QTest::mouseClick(qobject_cast<QWidget*>(Window().Control(kIdExportExcel)), Qt::LeftButton);
        QVERIFY(m_prompt.Problems().isEmpty());
        QVERIFY(std::filesystem::file_size(file.toStdString()) > 0);
        auto* selectAll = qobject_cast<QCheckBox*>(Window().Control(kIdSelectAll));
        QTest::mouseClick(selectAll, Qt::LeftButton);
        QCOMPARE(List().TickedCount(), kDevices);
        QTest::mouseClick(selectAll, Qt::LeftButton);
        QCOMPARE(List().TickedCount(), 0);
    }

    void theWindowIsSavedAsAScreenshot() {
        const char* path = std::getenv("ZK_SCREENSHOT");
        if (path == nullptr) {
            QSKIP("no screenshot asked for");
        }
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        // The offscreen screen is small; the picture shows the window at a desktop size.
        Window().setWindowState(Qt::WindowNoState);
        Window().resize(1700, 760);
        QTest::qWait(50);
        QVERIFY(Window().grab().save(QString::fromLocal8Bit(path)));
    }

    // Catches: the batch button's consecutive entry not reaching the ticked rows, the dialog's start
    // not used or not remembered, rows' address cells not following their devices, and sessions not
    // renewed at the new addresses.
    void consecutiveAddressesFromTheBatchMenuReaddressTheTickedDevices() {
        qobject_cast<QLineEdit*>(Window().Control(kIdOperatePassword))->setText(QStringLiteral("507913"));
        auto& model = Window().ListView().TableModel();
        std::vector<int> handles;
        for (int row : {0, 1, 2}) {
            QVERIFY(model.setData(model.index(row, 0), Qt::Checked, Qt::CheckStateRole));
            m_moved.emplace_back(KeyOf(row), QStringLiteral("192.168.1.%1").arg(100 + row));
            handles.push_back(List().RowAt(row)->LoginHandle);
        }
        auto* button = qobject_cast<QPushButton*>(Window().Control(kIdBatchIp));
        QTest::mouseClick(button, Qt::LeftButton);
        auto* menu = button->findChild<QMenu*>();
        QTRY_VERIFY(menu->isVisible());
        QAction* consecutive = nullptr;
        for (QAction* action : menu->actions()) {
            consecutive = action->data().toInt() == kCmdIpConsecutive ? action : consecutive;
        }
        QVERIFY(consecutive != nullptr);
        QSignalSpy finished(&Window().IpCommands(), &netcfg::IpAssignment::commandFinished);
        AnswerIpDialog(QStringLiteral("192.168.1.100"));
        menu->setActiveAction(consecutive);
        QTest::keyClick(menu, Qt::Key_Return);
        QVERIFY(finished.count() == 1 || finished.wait(5000));
        QVERIFY(m_prompt.Problems().isEmpty());
        QCOMPARE(m_proposedStart, QStringLiteral("192.168.1.160"));
        QCOMPARE(Window().Settings().DefaultFromIP(), QStringLiteral("192.168.1.100"));
        for (const auto& [serial, address] : m_moved) {
            QTRY_COMPARE(IpOf(serial), address);
        }
        // Each row's session was renewed and logged in again, which only the device's new address
        // can answer.
        for (std::size_t i = 0; i < m_moved.size(); ++i) {
            const discovery::DeviceRow* device = List().RowAt(List().FindRow(m_moved[i].first));
            QTRY_VERIFY(device->LoginHandle != handles[i] && device->Online == 1);
        }
        List().SetAllTicked(false);
    }

    // Catches: the list's context menu entry 32772 not opening the dialog for the row under the
    // mouse, or its accepted values not written.
    void modifyIpFromTheContextMenuReaddressesTheRow() {
        Window().ListView().clearSelection();
        const int row = 5;
        m_moved.emplace_back(KeyOf(row), QStringLiteral("192.168.1.150"));
        QSignalSpy finished(&Window().IpCommands(), &netcfg::IpAssignment::commandFinished);
        WhenOpen([] { return qobject_cast<QMenu*>(QApplication::activePopupWidget()); },
                 [this](QMenu* menu) {
                     for (QAction* action : menu->actions()) {
                         if (action->data().toInt() == kCmdModifyIp) {
                             AnswerIpDialog(QStringLiteral("192.168.1.150"));
                             menu->setActiveAction(action);
                             QTest::keyClick(menu, Qt::Key_Return);
                             return;
                         }
                     }
                     menu->close();
                 });
        QWidget* viewport = Window().ListView().viewport();
        const QPoint position = Window().ListView().visualRect(Window().ListView().TableModel().index(row, 1)).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, position, viewport->mapToGlobal(position));
        QApplication::sendEvent(viewport, &event);
        QVERIFY(finished.count() == 1 || finished.wait(5000));
        QCOMPARE(m_proposedStart, QStringLiteral("192.168.1.15"));
        QTRY_COMPARE(IpOf(m_moved.back().first), QStringLiteral("192.168.1.150"));
    }

    // Catches: requests that never reached the devices: a new search finds them at their new
    // addresses, and the devices no command named where they were.
    void aNewSearchFindsTheMovedDevicesAtTheirNewAddresses() {
        auto* search = qobject_cast<QPushButton*>(Window().Control(kIdSearchButton));
        if (Window().Search().Searching()) {
            QTest::mouseClick(search, Qt::LeftButton);
        }
        QTest::mouseClick(search, Qt::LeftButton);
        QVERIFY(Window().Search().Searching());
        QTRY_COMPARE_WITH_TIMEOUT(List().RowCount(), kDevices, 10000);
        for (const auto& [serial, address] : m_moved) {
            QCOMPARE(IpOf(serial), address);
        }
        QCOMPARE(IpOf("ZKSIM000004"), QStringLiteral("192.168.1.13"));
    }

    void choosingTheAdapterRestartsTheSearchAndFindsTheDevicesAgain() {
        auto* adapters = qobject_cast<QComboBox*>(Window().Control(kIdAdapterList));
        QVERIFY(adapters->count() >= 2);
        QVERIFY(adapters->itemText(1).startsWith(QStringLiteral("[192.168.1.253]")));
        adapters->setCurrentIndex(1);
        emit adapters->activated(1);
        QCOMPARE(List().RowCount(), 0);
        QVERIFY(Window().Search().Searching());
        QVERIFY(Window().Search().AutoStop());
        QVERIFY(QTest::qWaitFor([this] { return List().RowCount() == kDevices; }, 10000));
    }

    void closingStopsTheSearch() {
        Window().done(QDialog::Accepted);
        QVERIFY(!Window().Search().Searching());
        m_window.reset();
    }
};

} // namespace zk::app

QTEST_MAIN(zk::app::MainWindowFleetTest)
#include "MainWindowFleetTest.moc"

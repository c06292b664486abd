// SPDX-License-Identifier: GPL-3.0-or-later
// The search against simulated devices. This program runs inside the private namespaces that
// scripts/netns-run makes, next to zkdevsim (see tests/CMakeLists.txt); it refuses to run
// anywhere else, since it broadcasts.
#include "base/FixedText.h"
#include "discovery/SearchController.h"
#include "discovery/SearchMessage.h"
#include "support/NetnsHarness.h"

#include <QEventLoop>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

namespace zk::discovery {
namespace {

using base::FieldText;

class SearchFleetTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(test::InsideHarnessNamespace()) << "run only through scripts/netns-run";
        SearchSettings settings;
        settings.autoStop = false;
        m_controller = std::make_unique<SearchController>(m_table, m_engine, settings);
        m_table.SetSetNetworkRequest([this](const DeviceRecord& record, const std::optional<Credentials>& credentials) {
            return m_controller->QueueRequest(kCodeSetNetwork, BuildSetNetworkBody(record, credentials), 0,
                                              kCopiesSetNetwork);
        });
    }
    void TearDown() override {
        if (m_controller) {
            m_controller->StopSearch();
        }
    }

    void SearchFor(int milliseconds) {
        m_controller->StartSearch();
        QTest::qWait(milliseconds);
    }

    DeviceTable m_table;
    SearchEngine m_engine{m_table};
    std::unique_ptr<SearchController> m_controller;
};

TEST_F(SearchFleetTest, EveryDeviceIsFoundWithTheAdapterItWasHeardOn) {
    SearchFor(2500);
    ASSERT_EQ(m_table.Size(), 10u);
    m_table.ForEach([](const DeviceTable::Entry& entry) {
        EXPECT_EQ(FieldText(entry.record.LocalIp), "192.168.1.253");
        EXPECT_EQ(entry.record.PtzPort, 34567);
    });
    EXPECT_EQ(m_engine.SocketAddresses(), (std::vector<std::string>{"0.0.0.0", "192.168.1.253"}));
}

TEST_F(SearchFleetTest, ASetNetworkRequestMovesADeviceAndTheNextSearchFindsItThere) {
    SearchFor(2000);
    DeviceRecord record;
    ASSERT_EQ(m_table.CopyOut("ZKSIM000005", &record, sizeof(record)), kTableOk);
    EXPECT_EQ(FieldText(record.IpAddress), "192.168.1.14");
    base::CopyBounded(record.IpAddress, "192.168.1.200");
    ASSERT_EQ(m_table.CopyInAndSendNetwork("ZKSIM000005", &record, sizeof(record), Credentials{"admin", "507913"}),
              kTableOk);
    QTest::qWait(300);

    // A wrong password changes nothing.
    DeviceRecord other;
    ASSERT_EQ(m_table.CopyOut("ZKSIM000006", &other, sizeof(other)), kTableOk);
    base::CopyBounded(other.IpAddress, "192.168.1.201");
    ASSERT_EQ(m_table.CopyInAndSendNetwork("ZKSIM000006", &other, sizeof(other), Credentials{"admin", "wrong"}),
              kTableOk);
    QTest::qWait(300);

    m_controller->StopSearch();
    SearchFor(2000);
    DeviceRecord moved;
    ASSERT_EQ(m_table.CopyOut("ZKSIM000005", &moved, sizeof(moved)), kTableOk);
    EXPECT_EQ(FieldText(moved.IpAddress), "192.168.1.200");
    ASSERT_EQ(m_table.CopyOut("ZKSIM000006", &other, sizeof(other)), kTableOk);
    EXPECT_EQ(FieldText(other.IpAddress), "192.168.1.15");
    EXPECT_EQ(m_table.Size(), 10u);

    const char* recordFile = std::getenv("ZK_SIM_RECORD");
    ASSERT_NE(recordFile, nullptr);
    std::ifstream lines(recordFile);
    int accepted = 0;
    int refused = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.find("\"code\":2") == std::string::npos && line.find("\"code\": 2") == std::string::npos) {
            continue;
        }
        accepted += line.find("\"accepted\":true") != std::string::npos ? 1 : 0;
        refused += line.find("\"accepted\":false") != std::string::npos ? 1 : 0;
    }
    // Each request goes out on both sockets (the adapter's and the wildcard one), so twice.
    EXPECT_EQ(accepted, 2);
    EXPECT_EQ(refused, 2);
}

} // namespace
} // namespace zk::discovery

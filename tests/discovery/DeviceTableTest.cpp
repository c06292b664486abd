// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/DeviceTable.h"

#include "base/FixedText.h"
#include "support/LogCapture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace zk::discovery {
namespace {

using base::CopyBounded;
using base::FieldText;

DeviceRecord Device(const char* serial, const char* ip, const char* type = "NVS-IPCAM-T20") {
    DeviceRecord record = EmptyDeviceRecord();
    CopyBounded(record.SerialNumber, serial);
    CopyBounded(record.IpAddress, ip);
    CopyBounded(record.MacAddress, "00:12:34:56:78:9A");
    CopyBounded(record.DeviceType, type);
    CopyBounded(record.Uuid, "UuId-0001");
    return record;
}

class DeviceTableTest : public ::testing::Test {
protected:
    std::uint32_t m_tick = 1000;
    DeviceTable m_table{[this] { return m_tick; }};
};

TEST_F(DeviceTableTest, TwoAdaptersHearingOneDeviceGiveOneEntryWithTheFirstAdapter) {
    test::LogCapture log("127.0.0.42");
    m_table.AddOrUpdate(Device("SN1", "192.168.1.64"), "192.168.1.253");
    EXPECT_THAT(log.TakeMessages(), ::testing::ElementsAre("found new entry, mac=[00:12:34:56:78:9A]\n"));
    m_tick = 2000;
    m_table.AddOrUpdate(Device("SN1", "192.168.1.64"), "10.0.0.5");
    EXPECT_TRUE(log.TakeMessages().empty());
    ASSERT_EQ(m_table.Size(), 1u);
    DeviceRecord stored;
    ASSERT_EQ(m_table.CopyOut("SN1", &stored, sizeof(stored)), kTableOk);
    EXPECT_EQ(FieldText(stored.LocalIp), "192.168.1.253");
    EXPECT_EQ(stored.LastSeenTick, 2000u);
}

TEST_F(DeviceTableTest, TheWildcardAddressIsReplacedByTheNextAdapter) {
    m_table.AddOrUpdate(Device("SN1", "192.168.1.64"), "0.0.0.0");
    m_table.AddOrUpdate(Device("SN1", "192.168.1.64"), "192.168.1.253");
    DeviceRecord stored;
    ASSERT_EQ(m_table.CopyOut("SN1", &stored, sizeof(stored)), kTableOk);
    EXPECT_EQ(FieldText(stored.LocalIp), "192.168.1.253");
}

TEST_F(DeviceTableTest, SerialNumbersAreExactKeys) {
    m_table.AddOrUpdate(Device("sn1", "192.168.1.64"), "192.168.1.253");
    m_table.AddOrUpdate(Device("SN1", "192.168.1.65"), "192.168.1.253");
    EXPECT_EQ(m_table.Size(), 2u);
}

TEST_F(DeviceTableTest, RecordsWithoutAnAccountCarryTheDefaultOrTheModelsFixedOne) {
    m_table.SetDefaultAccount("installer", "pa55");
    m_table.AddOrUpdate(Device("SN1", "192.168.1.64"), "192.168.1.253");
    m_table.AddOrUpdate(Device("SN2", "192.168.1.65", "NVS-IPCAM-QPLX-T35M_V1"), "192.168.1.253");
    DeviceRecord own = Device("SN3", "192.168.1.66");
    own.UserConfigPresent = 1;
    CopyBounded(own.Username, "root");
    CopyBounded(own.Password, "devpass");
    m_table.AddOrUpdate(own, "192.168.1.253");

    DeviceRecord stored;
    m_table.CopyOut("SN1", &stored, sizeof(stored));
    EXPECT_EQ(FieldText(stored.Username), "installer");
    EXPECT_EQ(FieldText(stored.Password), "pa55");
    m_table.CopyOut("SN2", &stored, sizeof(stored));
    EXPECT_EQ(FieldText(stored.Username), "admin");
    EXPECT_EQ(FieldText(stored.Password), "qvt*4071");
    m_table.CopyOut("SN3", &stored, sizeof(stored));
    EXPECT_EQ(FieldText(stored.Username), "root");
    EXPECT_EQ(FieldText(stored.Password), "devpass");
}

TEST_F(DeviceTableTest, CopyOutAndCopyInCheckTheSerialAndTheBufferSize) {
    DeviceRecord buffer;
    EXPECT_EQ(m_table.CopyOut("SN1", &buffer, sizeof(buffer)), kTableUnknownSerial);
    m_table.AddOrUpdate(Device("SN1", "192.168.1.64"), "192.168.1.253");
    EXPECT_EQ(m_table.CopyOut("SN1", &buffer, sizeof(buffer) - 1), kTableBufferTooSmall);

    std::vector<std::pair<std::string, std::optional<Credentials>>> sent;
    int sendResult = -1;
    m_table.SetSetNetworkRequest(
        [&sent, &sendResult](const DeviceRecord& record, const std::optional<Credentials>& credentials) {
            sent.emplace_back(std::string(FieldText(record.IpAddress)), credentials);
            return sendResult;
        });
    DeviceRecord changed = Device("SN1", "192.168.1.99");
    EXPECT_EQ(m_table.CopyInAndSendNetwork("SN9", &changed, sizeof(changed), std::nullopt), kTableUnknownSerial);
    EXPECT_EQ(m_table.CopyInAndSendNetwork("SN1", &changed, sizeof(changed) - 8, std::nullopt), kTableBufferTooSmall);
    EXPECT_TRUE(sent.empty());
    // A request that did not go out leaves the stored record as the device last described itself.
    EXPECT_EQ(m_table.CopyInAndSendNetwork("SN1", &changed, sizeof(changed), std::nullopt), kTableNotSent);
    m_table.CopyOut("SN1", &buffer, sizeof(buffer));
    EXPECT_EQ(FieldText(buffer.IpAddress), "192.168.1.64");
    sent.clear();
    sendResult = 0;
    EXPECT_EQ(m_table.CopyInAndSendNetwork("SN1", &changed, sizeof(changed), Credentials{"admin", "pw"}), kTableOk);
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].first, "192.168.1.99");
    EXPECT_EQ(sent[0].second->password, "pw");
    m_table.CopyOut("SN1", &buffer, sizeof(buffer));
    EXPECT_EQ(FieldText(buffer.IpAddress), "192.168.1.99");
}

TEST_F(DeviceTableTest, EachUuidIsAskedToClearItsSerialOncePerRun) {
    std::vector<std::string> requested;
    m_table.SetClearSerialRequest([&requested](const std::string& uuid) { requested.push_back(uuid); });
    DeviceRecord noUuid = Device("SN1", "192.168.1.64");
    CopyBounded(noUuid.Uuid, "");
    m_table.AddOrUpdateByUuid(noUuid, "192.168.1.253");
    m_table.AddOrUpdateByUuid(Device("SN1", "192.168.1.64"), "192.168.1.253");
    DeviceRecord sameUuid = Device("SN2", "192.168.1.64");
    CopyBounded(sameUuid.Uuid, "UUID-0001");
    m_table.AddOrUpdateByUuid(sameUuid, "192.168.1.253");
    m_table.Clear();
    m_table.AddOrUpdateByUuid(Device("SN1", "192.168.1.64"), "192.168.1.253");
    EXPECT_THAT(requested, ::testing::ElementsAre("UuId-0001"));
    EXPECT_EQ(m_table.Size(), 0u) << "clear-serial mode does not fill the serial-number table";
}

TEST_F(DeviceTableTest, ChangeCountsTellWhichEntriesMoved) {
    m_table.AddOrUpdate(Device("SN1", "192.168.1.64"), "192.168.1.253");
    m_table.AddOrUpdate(Device("SN2", "192.168.1.65"), "192.168.1.253");
    const auto all = m_table.ChangedSince(0);
    ASSERT_EQ(all.size(), 2u);
    const std::uint64_t seen = std::max(all[0].changeCount, all[1].changeCount);
    EXPECT_TRUE(m_table.ChangedSince(seen).empty());
    m_table.AddOrUpdate(Device("SN2", "192.168.1.65"), "192.168.1.253");
    const auto changed = m_table.ChangedSince(seen);
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(FieldText(changed[0].record.SerialNumber), "SN2");
    m_table.Clear();
    EXPECT_EQ(m_table.Size(), 0u);
}

// Readers of what changed see each changed entry once, in key order, whatever the order of the
// changes, and nothing of an emptied table.
TEST_F(DeviceTableTest, ChangedEntriesComeOnceInKeyOrder) {
    for (const char* serial : {"SN5", "SN1", "SN3", "SN2", "SN4"}) {
        m_table.AddOrUpdate(Device(serial, "192.168.1.64"), "192.168.1.253");
    }
    std::uint64_t seen = 0;
    m_table.VisitChangedSince(0,
                              [&seen](const DeviceTable::Entry& entry) { seen = std::max(seen, entry.changeCount); });
    for (const char* serial : {"SN4", "SN2", "SN4", "SN1"}) {
        m_table.AddOrUpdate(Device(serial, "192.168.1.64"), "192.168.1.253");
    }
    DeviceRecord moved = Device("SN5", "192.168.1.99");
    m_table.SetSetNetworkRequest([](const DeviceRecord&, const std::optional<Credentials>&) { return 0; });
    ASSERT_EQ(m_table.CopyInAndSendNetwork("SN5", &moved, sizeof(moved), std::nullopt), kTableOk);
    std::vector<std::string> visited;
    m_table.VisitChangedSince(seen, [&visited](const DeviceTable::Entry& entry) {
        visited.emplace_back(FieldText(entry.record.SerialNumber));
    });
    EXPECT_THAT(visited, ::testing::ElementsAre("SN1", "SN2", "SN4", "SN5"));
    EXPECT_EQ(m_table.ChangedSince(seen).size(), 4u);
    m_table.Clear();
    EXPECT_TRUE(m_table.ChangedSince(0).empty());
    m_table.AddOrUpdate(Device("SN9", "192.168.1.64"), "192.168.1.253");
    ASSERT_EQ(m_table.ChangedSince(seen).size(), 1u) << "change counts go on rising after a clear";
}

TEST_F(DeviceTableTest, TheSearchThreadWritesWhileTheWindowThreadReads) {
    std::atomic<bool> done{false};
    std::thread writer([this, &done] {
        for (int i = 0; i < 3000; ++i) {
            const std::string serial = "SN" + std::to_string(i % 300);
            m_table.AddOrUpdate(Device(serial.c_str(), "192.168.1.64"), "192.168.1.253");
        }
        done = true;
    });
    std::uint64_t seen = 0;
    while (!done) {
        for (const auto& entry : m_table.ChangedSince(seen)) {
            seen = std::max(seen, entry.changeCount);
        }
    }
    writer.join();
    EXPECT_EQ(m_table.Size(), 300u);
}

} // namespace
} // namespace zk::discovery

// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/DeviceListModel.h"

#include "ListLanguage.h"
#include "base/FixedText.h"
#include "base/TitleCodec.h"

#include <QSignalSpy>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <random>

namespace zk::discovery {
namespace {

using base::CopyBounded;
using base::FieldText;

DeviceRecord Device(const std::string& serial, const char* ip, std::int32_t runTime = 0) {
    DeviceRecord record = EmptyDeviceRecord();
    CopyBounded(record.SerialNumber, serial);
    CopyBounded(record.IpAddress, ip);
    CopyBounded(record.MacAddress, "00:12:34:56:78:9A");
    CopyBounded(record.DeviceType, "NVS-IPCAM-T20_V1");
    record.RunTime = runTime;
    record.UserConfigPresent = 1;
    return record;
}

std::vector<std::pair<int, int>> Ranges(const QSignalSpy& spy) {
    std::vector<std::pair<int, int>> ranges;
    for (const auto& arguments : spy) {
        ranges.emplace_back(arguments.at(0).toInt(), arguments.at(1).toInt());
    }
    return ranges;
}

std::vector<int> Rows(const QSignalSpy& spy) {
    std::vector<int> rows;
    for (const auto& arguments : spy) {
        rows.push_back(arguments.at(0).toInt());
    }
    return rows;
}

class DeviceListModelTest : public ::testing::Test {
protected:
    DeviceListModel& Model(const ListLayout& layout = {}) {
        DeviceListSettings settings;
        settings.layout = layout;
        m_model = std::make_unique<DeviceListModel>(m_table, m_language.Table(), settings, [this] { return m_tick; });
        return *m_model;
    }

    std::uint32_t m_tick = 10000;
    DeviceTable m_table{[this] { return m_tick; }};
    test::ListLanguage m_language;
    std::unique_ptr<DeviceListModel> m_model;
};

TEST_F(DeviceListModelTest, TwoAdaptersHearingOneDeviceGiveOneRow) {
    auto& model = Model();
    QSignalSpy added(&model, &DeviceListModel::rowAdded);
    m_table.AddOrUpdate(Device("SN1", "192.168.1.64"), "192.168.1.253");
    model.Merge();
    m_table.AddOrUpdate(Device("SN1", "192.168.1.64"), "10.0.0.5");
    model.Merge();
    ASSERT_EQ(model.RowCount(), 1);
    EXPECT_EQ(added.count(), 1);
    EXPECT_EQ(model.CellText(0, ListColumn::NetCard), u"192.168.1.253");
    EXPECT_EQ(FieldText(model.RowAt(0)->Key), "SN1");
    EXPECT_EQ(model.FindRow("SN1"), 0);
}

TEST_F(DeviceListModelTest, AnAddressChangeKeepsTheRowAndAsksForANewSession) {
    auto& model = Model();
    m_table.AddOrUpdate(Device("SN1", "192.168.1.64"), "192.168.1.253");
    model.Merge();
    std::string addressSeen;
    QObject::connect(&model, &DeviceListModel::rowAddressChanged, &model,
                     [&](int row) { addressSeen = FieldText(model.RowAt(row)->Record.IpAddress); });
    QSignalSpy refreshed(&model, &DeviceListModel::entryRefreshed);
    m_table.AddOrUpdate(Device("SN1", "192.168.1.64", 5), "192.168.1.253");
    model.Merge();
    EXPECT_EQ(addressSeen, "") << "the same address asks for nothing";
    m_table.AddOrUpdate(Device("SN1", "192.168.1.99", 6), "192.168.1.253");
    model.Merge();
    ASSERT_EQ(model.RowCount(), 1);
    EXPECT_EQ(addressSeen, "192.168.1.99") << "the row holds the new record when the session is renewed";
    EXPECT_EQ(model.CellText(0, ListColumn::Ip), u"192.168.1.99");
    EXPECT_EQ(refreshed.count(), 2);
}

TEST_F(DeviceListModelTest, AnUnknownCloudStateLeavesTheCellAsItWas) {
    auto& model = Model();
    DeviceRecord record = Device("SN1", "192.168.1.64");
    record.P2pStatus = 1;
    m_table.AddOrUpdate(record, "192.168.1.253");
    model.Merge();
    EXPECT_EQ(model.CellText(0, ListColumn::CloudStatus), u"Online");
    record.P2pStatus = -1;
    record.RunTime = 9;
    m_table.AddOrUpdate(record, "192.168.1.253");
    model.Merge();
    EXPECT_EQ(model.CellText(0, ListColumn::CloudStatus), u"Online");
    EXPECT_EQ(model.CellText(0, ListColumn::RunTime), u"9 s ");
    record.P2pStatus = 0;
    m_table.AddOrUpdate(record, "192.168.1.253");
    model.Merge();
    EXPECT_EQ(model.CellText(0, ListColumn::CloudStatus), u"Offline");
}

TEST_F(DeviceListModelTest, NewRowsAreAppendedInKeyOrderAndAnnounced) {
    auto& model = Model();
    QSignalSpy appended(&model, &DeviceListModel::rowsAppended);
    QSignalSpy added(&model, &DeviceListModel::rowAdded);
    QSignalSpy status(&model, &DeviceListModel::statusLineChanged);
    m_table.AddOrUpdate(Device("SN3", "192.168.1.3"), "192.168.1.253");
    m_table.AddOrUpdate(Device("SN1", "192.168.1.1"), "192.168.1.253");
    m_table.AddOrUpdate(Device("SN2", "192.168.1.2"), "192.168.1.253");
    model.Merge();
    EXPECT_EQ(Ranges(appended), (std::vector<std::pair<int, int>>{{0, 2}}));
    EXPECT_EQ(Rows(added), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(model.CellText(0, ListColumn::Sn), u"SN1");
    EXPECT_EQ(model.CellText(2, ListColumn::Sn), u"SN3");
    EXPECT_EQ(model.CellText(1, ListColumn::Model), u"T20");
    ASSERT_EQ(status.count(), 1);
    EXPECT_EQ(model.StatusLine(), u"Total:3 Ticked:0 ");

    m_table.AddOrUpdate(Device("SN0", "192.168.1.9"), "192.168.1.253");
    model.Merge();
    EXPECT_EQ(Ranges(appended).back(), std::make_pair(3, 3)) << "a later device goes last, whatever its key";
    EXPECT_EQ(model.CellText(3, ListColumn::Sn), u"SN0");
}

TEST_F(DeviceListModelTest, OnlyRowsWhoseCellsChangedAreReported) {
    auto& model = Model();
    for (int i = 0; i < 5; ++i) {
        m_table.AddOrUpdate(Device("SN" + std::to_string(i), "192.168.1.10", 100), "192.168.1.253");
    }
    model.Merge();
    QSignalSpy changed(&model, &DeviceListModel::rowsChanged);
    QSignalSpy refreshed(&model, &DeviceListModel::entryRefreshed);
    model.Merge();
    EXPECT_EQ(changed.count(), 0) << "nothing moved in the table";
    EXPECT_EQ(refreshed.count(), 0);

    m_table.AddOrUpdate(Device("SN1", "192.168.1.10", 101), "192.168.1.253");
    m_table.AddOrUpdate(Device("SN2", "192.168.1.10", 101), "192.168.1.253");
    m_table.AddOrUpdate(Device("SN4", "192.168.1.10", 100), "192.168.1.253");
    model.Merge();
    EXPECT_EQ(Ranges(changed), (std::vector<std::pair<int, int>>{{1, 2}}))
        << "neighbours are one range; a device that answered the same is not redrawn";
    EXPECT_EQ(Rows(refreshed), (std::vector<int>{1, 2, 4}));

    // The full merge rewrites every row.
    changed.clear();
    model.MergeEveryEntry();
    EXPECT_EQ(Ranges(changed), (std::vector<std::pair<int, int>>{{0, 4}}));
}

TEST_F(DeviceListModelTest, OnlyRecentAnswersAreOfferedToTheBootServer) {
    auto& model = Model();
    QSignalSpy seen(&model, &DeviceListModel::entrySeen);
    m_tick = 1000;
    m_table.AddOrUpdate(Device("SN1", "192.168.1.1"), "192.168.1.253");
    m_tick = 1001;
    m_table.AddOrUpdate(Device("SN2", "192.168.1.2"), "192.168.1.253");
    m_tick = 3000;
    model.Merge();
    EXPECT_EQ(Rows(seen), (std::vector<int>{1})) << "2000 ms is no longer recent";
}

TEST_F(DeviceListModelTest, TheSessionsVersionStandsInForAMissingOne) {
    auto& model = Model();
    m_table.AddOrUpdate(Device("SN1", "192.168.1.1"), "192.168.1.253");
    model.Merge();
    EXPECT_EQ(model.CellText(0, ListColumn::Version), u"") << "empty until the session reports a version";
    model.SetVersionInfo(0, "FS-2.0.1");
    EXPECT_EQ(model.CellText(0, ListColumn::Version), u"FS-2.0.1");
    EXPECT_EQ(FieldText(model.RowAt(0)->InfoText1012), "FS-2.0.1");
    EXPECT_EQ(FieldText(model.RowAt(0)->Record.Version), "FS-2.0.1");

    DeviceRecord record = Device("SN1", "192.168.1.1", 3);
    m_table.AddOrUpdate(record, "192.168.1.253");
    model.Merge();
    EXPECT_EQ(FieldText(model.RowAt(0)->Record.Version), "FS-2.0.1");
    EXPECT_EQ(model.CellText(0, ListColumn::Version), u"FS-2.0.1") << "the merge leaves the version column alone";

    CopyBounded(record.Version, "V5.1");
    m_table.AddOrUpdate(record, "192.168.1.253");
    model.Merge();
    EXPECT_EQ(FieldText(model.RowAt(0)->Record.Version), "V5.1") << "a reply's own version wins";
    model.SetVersionInfo(0, "FS-2.0.2");
    EXPECT_EQ(FieldText(model.RowAt(0)->Record.Version), "V5.1");
}

TEST_F(DeviceListModelTest, TicksAndTheStatusLine) {
    auto& model = Model();
    for (const char* serial : {"SN1", "SN2", "SN3"}) {
        m_table.AddOrUpdate(Device(serial, "192.168.1.1"), "192.168.1.253");
    }
    model.Merge();
    QSignalSpy changed(&model, &DeviceListModel::rowsChanged);
    model.SetTicked(2, true);
    model.SetTicked(0, true);
    model.SetTicked(0, true);
    model.SetTicked(7, true);
    EXPECT_EQ(Ranges(changed), (std::vector<std::pair<int, int>>{{2, 2}, {0, 0}}));
    EXPECT_EQ(model.TickedRows(), (std::vector<int>{0, 2}));
    EXPECT_EQ(model.StatusLine(), u"Total:3 Ticked:2 ");
    model.SetSearching(true);
    EXPECT_EQ(model.StatusLine(), u"[searching]Total:3 Ticked:2 ");
    model.SetAllTicked(true);
    EXPECT_EQ(model.TickedCount(), 3);
    EXPECT_EQ(Ranges(changed).back(), std::make_pair(1, 1)) << "only the row whose tick changed";
    model.SetAllTicked(false);
    EXPECT_TRUE(model.TickedRows().empty());
    EXPECT_EQ(model.StatusLine(), u"[searching]Total:3 Ticked:0 ");
}

TEST_F(DeviceListModelTest, HeaderClicksSortUpThenFlipAndRowsTakeTheirStateAlong) {
    auto& model = Model();
    const char* addresses[] = {"192.168.1.10", "192.168.1.9", "10.0.0.1", "192.168.1.100"};
    for (int i = 0; i < 4; ++i) {
        m_table.AddOrUpdate(Device("SN" + std::to_string(i), addresses[i]), "192.168.1.253");
    }
    model.Merge();
    model.SetTicked(1, true); // 192.168.1.9
    model.HotTrack(0);        // 192.168.1.10
    QSignalSpy reordered(&model, &DeviceListModel::rowsReordered);
    auto column = [&model] {
        QStringList texts;
        for (int row = 0; row < model.RowCount(); ++row) {
            texts << model.CellText(row, ListColumn::Ip);
        }
        return texts;
    };
    model.SortByColumn(ListColumn::Ip);
    EXPECT_EQ(column(), (QStringList{u"10.0.0.1"_qs, u"192.168.1.9"_qs, u"192.168.1.10"_qs, u"192.168.1.100"_qs}));
    EXPECT_TRUE(model.SortAscending());
    EXPECT_EQ(model.TickedRows(), (std::vector<int>{1}));
    EXPECT_EQ(model.CellColourAt(2, ListColumn::Ip), kHotRowColour);
    EXPECT_EQ(model.FindRow("SN3"), 3);
    model.SortByColumn(ListColumn::Ip);
    EXPECT_EQ(column(), (QStringList{u"192.168.1.100"_qs, u"192.168.1.10"_qs, u"192.168.1.9"_qs, u"10.0.0.1"_qs}));
    EXPECT_FALSE(model.SortAscending());
    model.SortByColumn(ListColumn::Ip);
    EXPECT_TRUE(model.SortAscending()) << "every further click flips";
    model.SortByColumn(ListColumn::Sn);
    EXPECT_TRUE(model.SortAscending()) << "another column starts ascending";
    EXPECT_EQ(model.SortColumn(), static_cast<int>(ListColumn::Sn));
    EXPECT_EQ(reordered.count(), 4);
    // Each new position's old one, for views that keep their selection with the rows.
    EXPECT_EQ(reordered.at(0).at(0).value<QList<int>>(), (QList<int>{2, 1, 0, 3}));
    EXPECT_EQ(reordered.at(1).at(0).value<QList<int>>(), (QList<int>{3, 2, 1, 0}));

    // The merge finds the rows where the sort put them.
    m_table.AddOrUpdate(Device("SN2", "10.0.0.1", 61), "192.168.1.253");
    model.Merge();
    EXPECT_EQ(model.CellText(2, ListColumn::RunTime), u"1 min 1 s ");
}

TEST_F(DeviceListModelTest, HotTrackingRepaintsOnlyRowsWhoseColourChanges) {
    auto& model = Model();
    for (const char* serial : {"SN1", "SN2", "SN3"}) {
        m_table.AddOrUpdate(Device(serial, "192.168.1.1"), "192.168.1.253");
    }
    model.Merge();
    QSignalSpy changed(&model, &DeviceListModel::rowsChanged);
    model.HotTrack(1);
    EXPECT_EQ(Ranges(changed), (std::vector<std::pair<int, int>>{{1, 1}}));
    EXPECT_EQ(model.CellColourAt(1, ListColumn::Mac), kHotRowColour);
    EXPECT_EQ(model.CellColourAt(0, ListColumn::Mac), kWindowColour);
    changed.clear();
    model.HotTrack(1);
    EXPECT_EQ(changed.count(), 0);
    model.SetCellColour(0, ListColumn::Sn, 0x00FF0000u);
    changed.clear();
    model.HotTrack(2);
    EXPECT_EQ(Ranges(changed), (std::vector<std::pair<int, int>>{{0, 2}})) << "every other row returns to normal";
    model.HotTrack(-1);
    EXPECT_EQ(model.CellColourAt(2, ListColumn::Ip), kWindowColour);
}

TEST_F(DeviceListModelTest, WritesToColumnsTheListDoesNotShowAreSkipped) {
    auto& model = Model({0, 1});
    DeviceRecord record = Device("SN1", "192.168.1.1");
    CopyBounded(record.P2pId, "P2P-1");
    m_table.AddOrUpdate(record, "192.168.1.253");
    model.Merge();
    EXPECT_EQ(model.CellText(0, ListColumn::P2pId), u"");
    model.SetCellText(0, ListColumn::P2pId, QStringLiteral("x"));
    model.SetCellText(0, ListColumn::ExtNumber, QStringLiteral("x"));
    model.SetCellText(5, ListColumn::State, QStringLiteral("x"));
    EXPECT_EQ(model.CellText(0, ListColumn::P2pId), u"");
    EXPECT_EQ(model.CellText(0, ListColumn::ExtNumber), u"");
    model.SetCellText(0, ListColumn::State, QStringLiteral("SET_OK"));
    EXPECT_EQ(model.CellText(0, ListColumn::State), u"SET_OK");
    EXPECT_EQ(model.RowAt(1), nullptr);
}

TEST_F(DeviceListModelTest, ClearingTheRowsBringsBackWhatTheTableStillHolds) {
    auto& model = Model();
    m_table.AddOrUpdate(Device("SN1", "192.168.1.1"), "192.168.1.253");
    model.Merge();
    model.SetTicked(0, true);
    QSignalSpy cleared(&model, &DeviceListModel::rowsCleared);
    model.ClearRows();
    EXPECT_EQ(cleared.count(), 1);
    EXPECT_EQ(model.RowCount(), 0);
    EXPECT_EQ(model.StatusLine(), u"Total:0 Ticked:0 ");
    model.Merge();
    EXPECT_EQ(model.RowCount(), 1);
    EXPECT_FALSE(model.IsTicked(0));
    model.Clear();
    model.Merge();
    EXPECT_EQ(model.RowCount(), 0);
    EXPECT_EQ(m_table.Size(), 0u);
}

TEST_F(DeviceListModelTest, AReceiverThatClearsTheListEndsTheReports) {
    auto& model = Model();
    for (const char* serial : {"SN1", "SN2", "SN3"}) {
        m_table.AddOrUpdate(Device(serial, "192.168.1.1"), "192.168.1.253");
    }
    int reports = 0;
    QObject::connect(&model, &DeviceListModel::rowAdded, &model, [&](int) {
        ++reports;
        model.ClearRows();
    });
    model.Merge();
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(model.RowCount(), 0);
}

// Everything a view or a session can see of a model.
void ExpectSameRows(const DeviceListModel& indexed, const DeviceListModel& plain, int step) {
    ASSERT_EQ(indexed.RowCount(), plain.RowCount()) << "step " << step;
    for (int row = 0; row < indexed.RowCount(); ++row) {
        ASSERT_EQ(std::memcmp(indexed.RowAt(row), plain.RowAt(row), sizeof(DeviceRow)), 0)
            << "step " << step << " row " << row << " key " << FieldText(plain.RowAt(row)->Key);
        for (int column = 0; column < kListColumnCount; ++column) {
            ASSERT_EQ(indexed.CellText(row, static_cast<ListColumn>(column)),
                      plain.CellText(row, static_cast<ListColumn>(column)))
                << "step " << step << " row " << row << " column " << column;
        }
        ASSERT_EQ(indexed.IsTicked(row), plain.IsTicked(row));
    }
    ASSERT_EQ(indexed.StatusLine(), plain.StatusLine());
}

TEST_F(DeviceListModelTest, TheIndexedMergeGivesTheRowsAndCellsOfTheFullOne) {
    DeviceListModel indexed(m_table, m_language.Table(), {}, [this] { return m_tick; });
    DeviceListModel plain(m_table, m_language.Table(), {}, [this] { return m_tick; });
    std::mt19937 random(20240607);
    auto pick = [&random](int count) { return static_cast<int>(random() % static_cast<unsigned>(count)); };
    const char* addresses[] = {"192.168.1.9", "192.168.1.10", "10.0.0.1", "", "172.16.0.200"};
    const char* versions[] = {"", "", "V1.2", "V1.3"};
    const char* titles[] = {"Gate", "门口", "", "Hall 2"};
    m_table.SetSetNetworkRequest([](const DeviceRecord&, const std::optional<Credentials>&) { return 0; });
    for (int step = 0; step < 3000; ++step) {
        const int action = pick(100);
        if (action < 55) {
            DeviceRecord record = Device("SN" + std::to_string(pick(60)), addresses[pick(5)], pick(5000));
            record.P2pStatus = pick(3) - 1;
            record.AllNet = static_cast<std::int16_t>(pick(2));
            record.P2pType = pick(12);
            CopyBounded(record.Version, versions[pick(4)]);
            CopyBounded(record.Osd, base::EncodeTitleHex(QString::fromUtf8(titles[pick(4)])));
            m_tick += static_cast<std::uint32_t>(pick(400));
            m_table.AddOrUpdate(record, pick(2) == 0 ? "192.168.1.253" : "0.0.0.0");
        } else if (action < 60) {
            DeviceRecord record;
            const std::string serial = "SN" + std::to_string(pick(60));
            if (m_table.CopyOut(serial, &record, sizeof(record)) == kTableOk) {
                CopyBounded(record.IpAddress, addresses[pick(5)]);
                m_table.CopyInAndSendNetwork(serial, &record, sizeof(record), std::nullopt);
            }
        } else if (action < 80) {
            indexed.Merge();
            plain.MergeEveryEntry();
            ExpectSameRows(indexed, plain, step);
        } else if (action < 85 && plain.RowCount() > 0) {
            const int row = pick(plain.RowCount());
            const std::string version = pick(2) == 0 ? "" : "FS-" + std::to_string(pick(9));
            indexed.SetVersionInfo(row, version);
            plain.SetVersionInfo(row, version);
        } else if (action < 90 && plain.RowCount() > 0) {
            const int row = pick(plain.RowCount());
            const bool on = pick(2) == 0;
            indexed.SetTicked(row, on);
            plain.SetTicked(row, on);
            indexed.SetCellText(row, ListColumn::State, QString::number(step));
            plain.SetCellText(row, ListColumn::State, QString::number(step));
        } else if (action < 97) {
            const auto column = static_cast<ListColumn>(pick(kListColumnCount));
            indexed.SortByColumn(column);
            plain.SortByColumn(column);
        } else if (action < 99) {
            indexed.ClearRows();
            plain.ClearRows();
        } else {
            m_table.Clear();
        }
    }
    indexed.Merge();
    plain.MergeEveryEntry();
    ExpectSameRows(indexed, plain, -1);
    EXPECT_GT(plain.RowCount(), 10);
}

} // namespace
} // namespace zk::discovery

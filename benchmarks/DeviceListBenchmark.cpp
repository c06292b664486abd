// SPDX-License-Identifier: GPL-3.0-or-later
// The device list's refresh tick with a large fleet: every device answers once a second with its
// run time one second on, and the list merges the table every 200 ms, so each tick finds a fifth
// of the fleet changed. The indexed merge is timed next to the full scan it replaces.
#include "base/FixedText.h"
#include "base/LanguageTable.h"
#include "base/TitleCodec.h"
#include "discovery/DeviceListModel.h"
#include "discovery/SearchMessage.h"

#include <benchmark/benchmark.h>

#include <QCoreApplication>

#include <cstdio>

namespace {

using namespace zk;
using base::CopyBounded;

constexpr int kTicksPerSecond = 5; // 1000 ms between answers / 200 ms between merges

discovery::DeviceRecord FleetDevice(int index) {
    discovery::DeviceRecord record = discovery::EmptyDeviceRecord();
    char text[64];
    std::snprintf(text, sizeof(text), "ZK%012d", index);
    CopyBounded(record.SerialNumber, text);
    std::snprintf(text, sizeof(text), "10.%d.%d.%d", index / 65536 % 256, index / 256 % 256, index % 256);
    CopyBounded(record.IpAddress, text);
    std::snprintf(text, sizeof(text), "00:12:34:%02X:%02X:%02X", index / 65536 % 256, index / 256 % 256, index % 256);
    CopyBounded(record.MacAddress, text);
    std::snprintf(text, sizeof(text), "UUID%08d", index);
    CopyBounded(record.Uuid, text);
    std::snprintf(text, sizeof(text), "P2P%010d", index);
    CopyBounded(record.P2pId, text);
    CopyBounded(record.Netmask, "255.0.0.0");
    CopyBounded(record.DeviceType, "NVS-IPCAM-T20A_V2.1");
    CopyBounded(record.Version, "V5.2.1 build 20240101");
    CopyBounded(record.AfVersion, "af-1.0");
    CopyBounded(record.Osd, base::EncodeTitleHex(QStringLiteral("Camera %1 大门").arg(index)));
    record.WebPort = 80;
    record.PtzPort = 34567;
    record.VideoPort = 554;
    record.P2pType = 6;
    record.P2pStatus = 1;
    record.AllNet = 1;
    record.RunTime = 1000 + index;
    record.UserConfigPresent = 1;
    CopyBounded(record.RawReply, discovery::BuildSearchReply(record));
    return record;
}

// A fleet in the table and merged once into the list, so that each tick updates existing rows.
class Fleet {
public:
    explicit Fleet(int devices) : m_devices(devices) {
        for (int i = 0; i < devices; ++i) {
            m_records.push_back(FleetDevice(i));
            m_table.AddOrUpdate(m_records.back(), "10.255.255.1");
        }
        m_model.Merge();
    }

    // The fifth of the fleet due to answer in this tick answers, one second older.
    void AnswerOneTick() {
        const int count = m_devices / kTicksPerSecond;
        const int first = m_tick % kTicksPerSecond * count;
        for (int i = first; i < first + count; ++i) {
            auto& record = m_records[static_cast<std::size_t>(i)];
            ++record.RunTime;
            CopyBounded(record.RawReply, discovery::BuildSearchReply(record));
            m_table.AddOrUpdate(record, "10.255.255.1");
        }
        ++m_tick;
    }

    discovery::DeviceListModel& Model() { return m_model; }
    discovery::DeviceTable& Table() { return m_table; }

private:
    int m_devices;
    int m_tick = 0;
    std::vector<discovery::DeviceRecord> m_records;
    discovery::DeviceTable m_table;
    discovery::DeviceListModel m_model{m_table, base::GetLanguageTable(), {}};
};

// One refresh tick of the list: the merge of what changed since the last tick.
void BM_IndexedMergeTick(benchmark::State& state) {
    Fleet fleet(static_cast<int>(state.range(0)));
    int reported = 0;
    QObject::connect(&fleet.Model(), &discovery::DeviceListModel::rowsChanged, &fleet.Model(),
                     [&reported](int first, int last) { reported += last - first + 1; });
    for (auto _ : state) {
        state.PauseTiming();
        fleet.AnswerOneTick();
        state.ResumeTiming();
        fleet.Model().Merge();
    }
    state.counters["rows_reported_per_tick"] = static_cast<double>(reported) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_IndexedMergeTick)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// The same tick through the full merge: every entry, a row scan each, every row rewritten.
void BM_FullScanMergeTick(benchmark::State& state) {
    Fleet fleet(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        fleet.AnswerOneTick();
        state.ResumeTiming();
        fleet.Model().MergeEveryEntry();
    }
}
BENCHMARK(BM_FullScanMergeTick)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);

// The first tick after a search starts with the whole fleet already answering.
void BM_FirstMergeOfAFleet(benchmark::State& state) {
    discovery::DeviceTable table;
    for (int i = 0; i < state.range(0); ++i) {
        table.AddOrUpdate(FleetDevice(i), "10.255.255.1");
    }
    for (auto _ : state) {
        discovery::DeviceListModel model(table, base::GetLanguageTable(), {});
        model.Merge();
        benchmark::DoNotOptimize(model.RowCount());
        state.PauseTiming();
        // The rows are freed outside the timing.
        model.ClearRows();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FirstMergeOfAFleet)->Arg(10000)->Unit(benchmark::kMillisecond);

// A click on the address column header with the whole fleet listed.
void BM_SortByAddress(benchmark::State& state) {
    Fleet fleet(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        fleet.Model().SortByColumn(discovery::ListColumn::Ip);
    }
}
BENCHMARK(BM_SortByAddress)->Arg(10000)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

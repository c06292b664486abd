// SPDX-License-Identifier: GPL-3.0-or-later
// The cost of turning one received search reply into a device record, the search thread's main work.
#include "base/FixedText.h"
#include "base/TitleCodec.h"
#include "discovery/DeviceTable.h"
#include "discovery/SearchMessage.h"

#include <benchmark/benchmark.h>

namespace {

using namespace zk;

std::string TypicalReply() {
    discovery::DeviceRecord record = discovery::EmptyDeviceRecord();
    base::CopyBounded(record.SerialNumber, "ZKSIM000123");
    base::CopyBounded(record.DeviceType, "NVS-IPCAM-T20_V2");
    base::CopyBounded(record.Version, "V5.2.1 build 20240312");
    base::CopyBounded(record.P2pId, "ABCDEFGHIJKLMNOPQRSTUVWXYZ012345");
    base::CopyBounded(record.Uuid, "0f4c2a77-1b3e-4d1c");
    base::CopyBounded(record.Osd, base::EncodeTitleHex(QStringLiteral("Front door 123")));
    base::CopyBounded(record.MacAddress, "00:12:34:56:78:9A");
    base::CopyBounded(record.IpAddress, "192.168.1.64");
    base::CopyBounded(record.Netmask, "255.255.255.0");
    base::CopyBounded(record.Gateway, "192.168.1.1");
    base::CopyBounded(record.Dns1, "192.168.1.1");
    base::CopyBounded(record.Dns2, "8.8.8.8");
    record.PtzPort = 34567;
    record.WebPort = 80;
    record.VideoPort = 554;
    record.RunTime = 86400;
    record.UserConfigPresent = 1;
    base::CopyBounded(record.Username, "admin");
    base::CopyBounded(record.Password, "507913");
    return discovery::BuildSearchReply(record);
}

void ReadOneReply(benchmark::State& state) {
    const std::string reply = TypicalReply();
    const auto roots = discovery::AcceptedRootNames("");
    discovery::DeviceRecord record;
    for (auto _ : state) {
        benchmark::DoNotOptimize(discovery::ReadSearchDatagram(reply, roots, record));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * reply.size()));
}
BENCHMARK(ReadOneReply);

void ReadAndStoreOneReply(benchmark::State& state) {
    const std::string reply = TypicalReply();
    const auto roots = discovery::AcceptedRootNames("");
    discovery::DeviceTable table;
    discovery::DeviceRecord record;
    for (auto _ : state) {
        discovery::ReadSearchDatagram(reply, roots, record);
        table.AddOrUpdate(record, "192.168.1.253");
    }
}
BENCHMARK(ReadAndStoreOneReply);

} // namespace

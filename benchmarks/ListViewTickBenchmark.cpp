// SPDX-License-Identifier: GPL-3.0-or-later
// The window thread's cost of one list refresh tick with the list on screen: 2000 devices, each
// re-reported with its run time advancing, merged into the list model and repainted by the view.
//   bench_list_view_tick [--devices N] [--ticks T]
#include "app/DeviceListView.h"
#include "base/CLoadDisplayCfg.h"
#include "base/FixedText.h"
#include "base/LanguageTable.h"
#include "discovery/DeviceListModel.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

using namespace zk;

discovery::DeviceRecord Device(int index, int runTime) {
    discovery::DeviceRecord record = discovery::EmptyDeviceRecord();
    const std::string serial = "ZKSIM" + std::to_string(100000 + index);
    const std::string ip = "10." + std::to_string(index / 65536) + '.' + std::to_string(index / 256 % 256) + '.' +
                           std::to_string(index % 256);
    base::CopyBounded(record.SerialNumber, serial);
    base::CopyBounded(record.IpAddress, ip);
    base::CopyBounded(record.DeviceType, "NVS-IPCAM-T20_V2");
    base::CopyBounded(record.MacAddress, "02:5A:4B:00:00:01");
    base::CopyBounded(record.Osd, "43616d657261");
    record.RunTime = runTime;
    record.WebPort = 80;
    return record;
}

} // namespace

int main(int argc, char* argv[]) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    int devices = 2000;
    int ticks = 50;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::string(argv[i]) == "--devices") {
            devices = std::atoi(argv[i + 1]);
        } else if (std::string(argv[i]) == "--ticks") {
            ticks = std::atoi(argv[i + 1]);
        }
    }
    const base::CLoadDisplayCfg display{std::string("/nonexistent")};
    discovery::DeviceTable table;
    discovery::DeviceListModel list(table, base::GetLanguageTable(),
                                    discovery::DeviceListSettings::From(display, base::GetLanguageTable()));
    app::DeviceListView view(list);
    view.resize(1600, 900);
    view.show();
    for (int i = 0; i < devices; ++i) {
        table.AddOrUpdate(Device(i, 1000), "10.0.0.253");
    }
    list.Merge();
    QCoreApplication::processEvents();

    std::vector<double> costsMs;
    for (int tick = 1; tick <= ticks; ++tick) {
        // A second's worth of replies: every device reports again, its run time one second later.
        for (int i = 0; i < devices; ++i) {
            table.AddOrUpdate(Device(i, 1000 + tick), "10.0.0.253");
        }
        QElapsedTimer clock;
        clock.start();
        list.Merge();
        QCoreApplication::processEvents();
        costsMs.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    std::sort(costsMs.begin(), costsMs.end());
    std::printf("list refresh tick with %d devices on screen: median %.2f ms, 90%% %.2f ms, max %.2f ms (%d ticks)\n",
                devices, costsMs[costsMs.size() / 2], costsMs[costsMs.size() * 9 / 10], costsMs.back(), ticks);
    return 0;
}

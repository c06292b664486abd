// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/DeviceRecord.h"

#include <cstring>

namespace zk::discovery {

DeviceRecord EmptyDeviceRecord() {
    DeviceRecord record;
    std::memset(&record, 0, sizeof(record));
    record.P2pStatus = -1;
    return record;
}

} // namespace zk::discovery

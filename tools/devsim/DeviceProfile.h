// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "devsim/BadKind.h"
#include "discovery/DeviceRecord.h"

#include <string>

namespace zk::devsim {

// One simulated device as it starts: what its replies describe and how it misbehaves. Restoring a
// device's factory settings returns it to this profile.
struct DeviceProfile {
    // Identity, title (Osd, hex), network, ports and account; RunTime is how long the device had
    // already run when the simulator started it.
    discovery::DeviceRecord record = discovery::EmptyDeviceRecord();
    std::string rootName = "XML_NIMBEX";
    BadKindSet bad;
    int lateMs = 3000;
    // Where the simulator adds the device's address; empty when the address must already exist.
    std::string interfaceName;
    // 1-based position in the fleet, used for generated serial numbers, titles and cleared serials.
    int number = 1;
};

} // namespace zk::devsim

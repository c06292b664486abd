// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "sdk/batch/BatchRunner.h"

#include <string>

// The plain configuration requests of a batch: one request per row with a text the caller built,
// its answer shown as "SET_OK" or "SET_FAILED". Window thread, like the runner.
namespace zk::sdk::batch {

// A configuration document of a code, sent with SetDVRConfig (or SetDevcieConfig).
SdkRequest SetConfigRequest(int code, std::string xml, bool deviceConfig = false);

// A system control request of a code with its request text (empty, "RESPONSE_PARAM" or a
// REQUEST_PARAM element).
SdkRequest SystemControlRequest(int code, std::string request);

// The read of a read-modify-write command (GetDVRConfig of the code): awaited, and answered through
// the runner's read rules; markSlot sets the row's pending slot once the read went out.
SdkRequest ReadRequest(int code, const char* failureKey, std::function<void(discovery::DeviceRow& row)> markSlot);

} // namespace zk::sdk::batch

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "discovery/DeviceRecord.h"

#include <QJsonObject>

namespace zk::discovery {

// A record as a JSON object whose keys are the record's field names; texts are converted from code
// page 936, numbers stay numbers, reserved bytes are left out. RawReply only when asked for.
QJsonObject DeviceRecordToJson(const DeviceRecord& record, bool includeRawReply);

} // namespace zk::discovery

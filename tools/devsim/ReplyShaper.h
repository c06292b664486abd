// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "devsim/BadKind.h"
#include "discovery/DeviceRecord.h"

#include <cstddef>
#include <random>
#include <string>
#include <string_view>

// The text of a simulated device's search reply, good or shaped badly on purpose. Pure apart from
// the random generator the caller passes; safe from any thread with its own generator.
namespace zk::devsim {

// The root of an other-root reply: no tool accepts it unless configured to.
inline constexpr std::string_view kForeignRoot = "XML_FOREIGN";
// The device type of an ipc-only reply: none of the markers of listed device classes.
inline constexpr std::string_view kIpcOnlyDeviceType = "IPC-BULLET-B12_V1";
// Size of an oversize reply: a complete reply padded beyond the 5120 bytes a tool reads.
inline constexpr std::size_t kOversizeReplyBytes = 6000;

// The reply describing the record under the root, with every bad kind of the set applied (late
// changes only when the reply is sent, not its text).
std::string ShapeReply(const discovery::DeviceRecord& record, std::string_view rootName, BadKindSet bad,
                       std::mt19937_64& random);

} // namespace zk::devsim

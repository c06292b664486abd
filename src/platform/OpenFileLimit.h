// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

// The process's limit on open descriptors. Hundreds of device sessions, or a simulated fleet's
// listeners, need more than the usual soft limit of 1024.
namespace zk::platform {

// Raises the soft limit to the hard limit. Returns the soft limit in force afterwards, or -1 when
// it cannot be read. Process-wide; call it at start-up from any thread.
long RaiseOpenFileLimit();

} // namespace zk::platform

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace zk::test {

// True inside the tool namespace that scripts/netns-run makes: every interface is loopback or one
// of the harness's own (zkt*), and the harness named its namespace. Tests that broadcast or talk to
// simulated devices check this first and refuse to run anywhere else.
bool InsideHarnessNamespace();

} // namespace zk::test

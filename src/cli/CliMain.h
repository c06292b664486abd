// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>

#include <ostream>

// The command-line front end: "zkdevcli [--help] [--version] <command> [options]".
// Runs on the thread that owns the QCoreApplication.
namespace zk::cli {

inline constexpr int kExitOk = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;

// Runs one invocation. arguments excludes the program name. Returns the process exit status:
// 0 success, 1 the operation failed, 2 bad usage (the reason goes to err).
int RunCli(const QStringList& arguments, std::ostream& out, std::ostream& err);

} // namespace zk::cli

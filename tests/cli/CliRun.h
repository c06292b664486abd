// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliMain.h"

#include <QStringList>

#include <sstream>
#include <string>

namespace zk::cli {

// One in-process run of the command-line front end, with what it wrote to each stream.
struct CliRunResult {
    int status;
    std::string out;
    std::string err;
};

inline CliRunResult RunWith(const QStringList& arguments) {
    std::ostringstream out;
    std::ostringstream err;
    const int status = RunCli(arguments, out, err);
    return {status, out.str(), err.str()};
}

} // namespace zk::cli

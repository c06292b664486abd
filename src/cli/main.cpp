// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/DebugLog.h"
#include "cli/CliMain.h"

#include <QCoreApplication>

#include <iostream>

int main(int argc, char* argv[]) {
    QCoreApplication application(argc, argv);
    zk::base::LogStartUp();
    const int status = zk::cli::RunCli(QCoreApplication::arguments().mid(1), std::cout, std::cerr);
    std::cout.flush();
    zk::base::LogShutDown();
    return status;
}

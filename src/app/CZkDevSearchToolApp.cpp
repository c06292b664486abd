// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CZkDevSearchToolApp.h"

#include "app/RArEvaVuraroZazoDor.h"

#include <QApplication>

#include <memory>

namespace zk::app {

int CZkDevSearchToolApp::Run(int argc, char* argv[]) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("zkdevtool"));
    auto window = std::make_unique<RArEvaVuraroZazoDor>();
    window->exec();
    window.reset();
    return 0;
}

} // namespace zk::app

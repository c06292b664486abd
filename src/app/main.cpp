// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CZkDevSearchToolApp.h"

int main(int argc, char* argv[]) {
    zk::app::CZkDevSearchToolApp application;
    return application.Run(argc, argv);
}

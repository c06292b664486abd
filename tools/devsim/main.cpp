// SPDX-License-Identifier: GPL-3.0-or-later
// zkdevsim: the device simulator, the tool's peer in tests and demos. It plays a fleet of devices
// inside a private network namespace.
#include "base/BuildInfo.h"

#include <cstring>
#include <iostream>

namespace {

void PrintUsage(std::ostream& out) {
    out << "Usage: zkdevsim [--help] [--version]\n"
           "\n"
           "Simulates a fleet of network cameras and recorders for tests and demos. Run it only inside a\n"
           "private network namespace, never on a real network.\n";
}

} // namespace

int main(int argc, char* argv[]) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            PrintUsage(std::cout);
            return 0;
        }
        if (std::strcmp(argv[i], "--version") == 0) {
            std::cout << zk::base::kVersionString << '\n';
            return 0;
        }
        std::cerr << "zkdevsim: unknown option \"" << argv[i] << "\"\n";
        PrintUsage(std::cerr);
        return 2;
    }
    PrintUsage(std::cerr);
    return 2;
}

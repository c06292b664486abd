// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace zk::app {

// The application object: prepares the process, runs the main window until it closes, and
// returns the process exit status. Called once, on the main thread.
class CZkDevSearchToolApp final {
public:
    int Run(int argc, char* argv[]);
};

} // namespace zk::app

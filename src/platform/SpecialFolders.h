// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

// Per-user and program folders. Paths are narrow UTF-8 strings without a trailing slash.
// Every function may be called from any thread; none of them creates a folder unless it says so.
namespace zk::platform {

// The name of the tool's own folder inside the per-user locations.
inline constexpr const char* kProjectFolderName = "zkdevtool";

// The folder that holds the running executable; empty when it cannot be found.
std::string ExecutableFolder();

// $XDG_CONFIG_HOME/zkdevtool, else ~/.config/zkdevtool.
std::string ConfigFolder();

// $XDG_STATE_HOME/zkdevtool, else ~/.local/state/zkdevtool.
std::string StateFolder();

// The user's home folder: $HOME, else the password database entry; "/" when neither is known.
std::string HomeFolder();

// Creates the folder and its missing parents with the given mode. True when it exists afterwards.
bool EnsureFolder(const std::string& path, unsigned mode = 0755);

// True when the folder exists and this process may create files in it.
bool IsWritableFolder(const std::string& path);

} // namespace zk::platform

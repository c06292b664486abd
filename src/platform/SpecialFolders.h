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

// $XDG_CONFIG_HOME, else ~/.config: the base of per-user configuration folders.
std::string UserConfigBase();

// The installed data folder, <prefix>/share/zkdevtool.
std::string InstalledDataFolder();

// The path of a file shipped with the program: beside the executable when it is there, else in
// the installed data folder when it is there; when neither holds it, the path beside the
// executable (so that error messages name the first place looked at).
std::string FindProgramFile(const std::string& name);

// The user's documents folder (Qt's documents location, which follows the XDG user folders), where
// the tool keeps its settings and records; ~/Documents when Qt knows none. The folder may not exist.
std::string DocumentsFolder();

// The user's home folder: $HOME, else the password database entry; "/" when neither is known.
std::string HomeFolder();

// Creates the folder and its missing parents with the given mode. True when it exists afterwards.
bool EnsureFolder(const std::string& path, unsigned mode = 0755);

// True when the folder exists and this process may create files in it.
bool IsWritableFolder(const std::string& path);

} // namespace zk::platform

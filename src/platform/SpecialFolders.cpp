// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/SpecialFolders.h"

#include <QFile>
#include <QStandardPaths>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace zk::platform {
namespace {

// An XDG variable counts only when it holds an absolute path.
std::string XdgBase(const char* variable, const char* fallbackBelowHome) {
    const char* value = std::getenv(variable);
    std::string base;
    if (value != nullptr && value[0] == '/') {
        base = value;
    } else {
        base = HomeFolder();
        if (base != "/") {
            base += '/';
        }
        base += fallbackBelowHome;
    }
    while (base.size() > 1 && base.back() == '/') {
        base.pop_back();
    }
    return base;
}

std::string XdgFolder(const char* variable, const char* fallbackBelowHome) {
    return XdgBase(variable, fallbackBelowHome) + '/' + kProjectFolderName;
}

bool IsRegularFile(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

std::string HomeFolder() {
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] == '/') {
        return home;
    }
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* result = nullptr;
    if (getpwuid_r(getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result != nullptr &&
        result->pw_dir != nullptr && result->pw_dir[0] == '/') {
        return result->pw_dir;
    }
    return "/";
}

std::string ExecutableFolder() {
    std::vector<char> buffer(4096);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            return {};
        }
        if (static_cast<std::size_t>(length) < buffer.size()) {
            std::string path(buffer.data(), static_cast<std::size_t>(length));
            const auto slash = path.rfind('/');
            if (slash == std::string::npos) {
                return {};
            }
            return slash == 0 ? std::string("/") : path.substr(0, slash);
        }
        buffer.resize(buffer.size() * 2);
    }
}

std::string UserConfigBase() {
    return XdgBase("XDG_CONFIG_HOME", ".config");
}

std::string InstalledDataFolder() {
    return ZK_SHARE_DIR;
}

std::string FindProgramFile(const std::string& name) {
    const std::string besideExecutable = ExecutableFolder() + '/' + name;
    if (IsRegularFile(besideExecutable)) {
        return besideExecutable;
    }
    const std::string installed = InstalledDataFolder() + '/' + name;
    if (IsRegularFile(installed)) {
        return installed;
    }
    return besideExecutable;
}

std::string DocumentsFolder() {
    std::string folder =
        QFile::encodeName(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)).toStdString();
    if (folder.empty() || folder[0] != '/') {
        folder = HomeFolder();
        folder += folder == "/" ? "Documents" : "/Documents";
    }
    while (folder.size() > 1 && folder.back() == '/') {
        folder.pop_back();
    }
    return folder;
}

std::string ConfigFolder() {
    return XdgFolder("XDG_CONFIG_HOME", ".config");
}

std::string StateFolder() {
    return XdgFolder("XDG_STATE_HOME", ".local/state");
}

bool EnsureFolder(const std::string& path, unsigned mode) {
    if (path.empty()) {
        return false;
    }
    struct stat info {};
    if (stat(path.c_str(), &info) == 0) {
        return S_ISDIR(info.st_mode);
    }
    const auto slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0 && !EnsureFolder(path.substr(0, slash), mode)) {
        return false;
    }
    if (mkdir(path.c_str(), static_cast<mode_t>(mode)) == 0 || errno == EEXIST) {
        return stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    }
    return false;
}

bool IsWritableFolder(const std::string& path) {
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
           access(path.c_str(), W_OK | X_OK) == 0;
}

} // namespace zk::platform

// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/RegistryStore.h"

#include "platform/FileIo.h"
#include "platform/SpecialFolders.h"

#include <fstream>
#include <vector>

namespace zk::platform {
namespace {

constexpr const char* kStoreFileName = "registry.conf";

// Line ends would split a value into two entries; they have no place in a value.
std::string OneLine(std::string_view text) {
    std::string line;
    for (const char c : text) {
        if (c != '\n' && c != '\r') {
            line.push_back(c);
        }
    }
    return line;
}

std::vector<std::string> ReadLines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream file(path, std::ios::binary);
    for (std::string line; std::getline(file, line);) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        lines.push_back(line);
    }
    return lines;
}

} // namespace

RegistryStore::RegistryStore(std::string folder) : m_folder(std::move(folder)) {}

std::string RegistryStore::FilePath() const {
    return m_folder + '/' + kStoreFileName;
}

std::optional<std::string> RegistryStore::ReadValue(std::string_view name) const {
    for (const auto& line : ReadLines(FilePath())) {
        const auto equals = line.find('=');
        if (equals != std::string::npos && std::string_view(line).substr(0, equals) == name) {
            return line.substr(equals + 1);
        }
    }
    return std::nullopt;
}

int RegistryStore::WriteValue(std::string_view name, std::string_view value) {
    if (!EnsureFolder(m_folder, 0700)) {
        return -1;
    }
    const std::string entry = OneLine(name) + '=' + OneLine(value);
    std::vector<std::string> lines = ReadLines(FilePath());
    bool replaced = false;
    for (auto& line : lines) {
        const auto equals = line.find('=');
        if (equals != std::string::npos && std::string_view(line).substr(0, equals) == name) {
            line = entry;
            replaced = true;
        }
    }
    if (!replaced) {
        lines.push_back(entry);
    }
    std::string text;
    for (const auto& line : lines) {
        text += line;
        text += '\n';
    }

    return WriteFileAtomically(FilePath(), text, 0600);
}

} // namespace zk::platform

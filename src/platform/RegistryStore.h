// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace zk::platform {

// A small per-user store of named text values, one "Name=value" line each, in
// <folder>/registry.conf: where the tool keeps what a Windows program keeps under its registry key.
// Not shared between threads; every call reads or writes the file anew.
class RegistryStore final {
public:
    explicit RegistryStore(std::string folder);

    // The file that holds the values.
    std::string FilePath() const;

    // The value, or nothing when the file or the name is missing.
    std::optional<std::string> ReadValue(std::string_view name) const;

    // Sets one value, keeping the others, through a temporary file renamed over the old one.
    // Returns 0, -1 when the folder cannot be created or the file cannot be opened, or the
    // positive errno of a write that failed.
    int WriteValue(std::string_view name, std::string_view value);

private:
    std::string m_folder;
};

} // namespace zk::platform

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string>

namespace zk::test {

// A fresh folder under the system's temporary location, removed with everything in it when the
// object goes away.
class TempFolder final {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& Path() const { return m_path; }
    // Path of a name inside the folder.
    std::string operator/(const std::string& name) const { return m_path + '/' + name; }

private:
    std::string m_path;
};

// Whole contents of a file; empty when it cannot be read.
std::string ReadFile(const std::string& path);
// Writes the text as the whole file; false on failure.
bool WriteFile(const std::string& path, const std::string& text);

} // namespace zk::test

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/LanguageTable.h"
#include "support/TempFolder.h"

#include <map>
#include <memory>
#include <string>

namespace zk::test {

// A language table with texts of the test's own for the device list's keys, read from a private
// program folder. Chinese makes it the Simplified Chinese table.
class ListLanguage final {
public:
    explicit ListLanguage(bool chinese = false, const std::map<std::string, std::string>& extraTexts = {});

    const base::LanguageTable& Table() const { return *m_table; }

private:
    TempFolder m_program;
    TempFolder m_config;
    std::unique_ptr<base::LanguageTable> m_table;
};

} // namespace zk::test

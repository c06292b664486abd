// SPDX-License-Identifier: GPL-3.0-or-later
// display.xml, language.xml, registry.xml and the language files are read at start-up from the
// program folder: whatever an installer puts there must load without harm.
#include "base/CLoadDisplayCfg.h"
#include "base/LanguageTable.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    zk::base::CLoadDisplayCfg display{std::string("/nonexistent")};
    display.LoadText(input);
    if (display.GetDataString(zk::base::kDataCustXmlRoot).size() >= zk::base::kDataStringSize) {
        std::abort();
    }
    std::map<std::string, QString, std::less<>> texts;
    zk::base::ReadLanguageTexts(input, texts);
    for (const auto& [key, text] : texts) {
        if (text.size() > zk::base::kLanguageTextMaxUnits) {
            std::abort();
        }
    }
    zk::base::ReadLanguageIndex(input, QStringLiteral("en-us"));
    zk::base::ReadRegistryKeyName(input);
    return 0;
}

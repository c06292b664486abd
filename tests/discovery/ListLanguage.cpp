// SPDX-License-Identifier: GPL-3.0-or-later
#include "ListLanguage.h"

#include "platform/RegistryStore.h"

#include <gtest/gtest.h>

namespace zk::test {

ListLanguage::ListLanguage(bool chinese, const std::map<std::string, std::string>& extraTexts) {
    std::map<std::string, std::string> texts = {
        {"IP", "Address"},
        {"HTTP_PORT", "Web"},
        {"SN", "Serial"},
        {"ENABLE", "On"},
        {"STRING_CLOSE", "Off"},
        {"IDS_STR_ONLINE", "Online"},
        {"IDS_STR_OFFLINE", "Offline"},
        {"DAY", "d"},
        {"HOUR", "h"},
        {"MIN", "min"},
        {"SEC", "s"},
        {"STR_TOTAL", "Total"},
        {"STR_SELECTED", "Ticked"},
        {"CStorePlayBack_tip_searching", "[searching]"},
        {"MSGTIP13", "Tick a device first."},
        {"EXPORT_OK", "Exported."},
        {"EXPORT_FAILED", "Export failed."},
    };
    for (const auto& [key, text] : extraTexts) {
        texts[key] = text;
    }
    std::string file = "<Lang><Resources>";
    for (const auto& [key, text] : texts) {
        file += "<" + key + ">" + text + "</" + key + ">";
    }
    file += "</Resources></Lang>";
    const char* code = chinese ? "zh-cn" : "en-us";
    EXPECT_TRUE(WriteFile(m_program / "language.xml", std::string("<Lang><Resources lan=\"") + code +
                                                          "\" filename=\"texts.xml\" TITLE=\"List test\"/></Lang>"));
    EXPECT_TRUE(WriteFile(m_program / "texts.xml", file));
    if (chinese) {
        EXPECT_EQ(platform::RegistryStore(m_config / "ZkDevTools").WriteValue("Language", "Simplified Chinese"), 0);
    }
    base::LanguageSources sources;
    sources.findProgramFile = [this](const std::string& name) { return m_program / name; };
    sources.registryFolder = [this](const std::string& keyName) { return m_config / keyName; };
    m_table = std::make_unique<base::LanguageTable>(sources);
}

} // namespace zk::test

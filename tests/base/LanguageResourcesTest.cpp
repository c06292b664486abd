// SPDX-License-Identifier: GPL-3.0-or-later
// The resource files the tool ships: every one parses, every language it offers has its file, and
// every language key the code looks up has a text in every shipped language (a missing key is an
// empty caption for the person using the tool).
#include "base/CLoadDisplayCfg.h"
#include "base/LanguageTable.h"
#include "platform/FileIo.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <filesystem>
#include <regex>
#include <set>

namespace zk::base {
namespace {

const std::string kResources = std::string(ZK_SOURCE_DIR) + "/resources";

// Every key the code looks up with a literal: GetText("KEY") and ZK_TEXT_KEY("KEY").
std::set<std::string> KeysUsedInCode() {
    std::set<std::string> keys;
    const std::regex lookup(R"re((?:GetText|ZK_TEXT_KEY)\(\s*"([A-Za-z0-9_]+)"\s*\))re");
    for (const auto& entry : std::filesystem::recursive_directory_iterator(std::string(ZK_SOURCE_DIR) + "/src")) {
        const auto extension = entry.path().extension();
        if (!entry.is_regular_file() || (extension != ".cpp" && extension != ".h")) {
            continue;
        }
        const std::string text = platform::ReadWholeFile(entry.path().string()).value_or(std::string());
        for (std::sregex_iterator match(text.begin(), text.end(), lookup), end; match != end; ++match) {
            keys.insert((*match)[1].str());
        }
    }
    return keys;
}

struct ShippedLanguage {
    std::string code;
    std::string fileName;
};

std::vector<ShippedLanguage> ShippedLanguages() {
    std::vector<ShippedLanguage> languages;
    tinyxml2::XMLDocument document;
    document.LoadFile((kResources + "/language.xml").c_str());
    const auto* lang = document.FirstChildElement("Lang");
    for (const auto* entry = lang != nullptr ? lang->FirstChildElement("Resources") : nullptr; entry != nullptr;
         entry = entry->NextSiblingElement("Resources")) {
        languages.push_back({entry->Attribute("lan"), entry->Attribute("filename")});
    }
    return languages;
}

std::map<std::string, QString, std::less<>> TextsOf(const std::string& fileName) {
    std::map<std::string, QString, std::less<>> texts;
    const auto xml = platform::ReadWholeFile(kResources + '/' + fileName);
    EXPECT_TRUE(xml.has_value()) << fileName;
    EXPECT_TRUE(xml && ReadLanguageTexts(*xml, texts)) << fileName << " does not parse";
    return texts;
}

TEST(LanguageResourcesTest, EveryShippedXmlFileParses) {
    for (const auto& entry : std::filesystem::recursive_directory_iterator(kResources)) {
        if (entry.path().extension() == ".xml") {
            tinyxml2::XMLDocument document;
            EXPECT_EQ(document.LoadFile(entry.path().c_str()), tinyxml2::XML_SUCCESS) << entry.path();
        }
    }
}

TEST(LanguageResourcesTest, TheShippedDisplayFileHoldsEveryEntryAtItsDefault) {
    const CLoadDisplayCfg shipped(kResources + "/display.xml");
    const CLoadDisplayCfg defaults(std::string("/nonexistent"));
    for (std::size_t i = 0; i < kDisplayEntryCount; ++i) {
        EXPECT_EQ(shipped.DisplayEntries()[i].display, defaults.DisplayEntries()[i].display)
            << shipped.DisplayEntries()[i].key;
    }
    const std::string text = platform::ReadWholeFile(kResources + "/display.xml").value_or(std::string());
    for (const auto& entry : defaults.DisplayEntries()) {
        EXPECT_NE(text.find('<' + std::string(entry.key) + ' '), std::string::npos) << entry.key;
    }
}

TEST(LanguageResourcesTest, EveryOfferedLanguageHasItsFileAndTitle) {
    const auto languages = ShippedLanguages();
    std::set<std::string> codes;
    for (const auto& language : languages) {
        codes.insert(language.code);
        EXPECT_TRUE(std::filesystem::is_regular_file(kResources + '/' + language.fileName)) << language.fileName;
    }
    EXPECT_EQ(codes,
              (std::set<std::string>{"zh-cn", "zh-tw", "en-us", "ko-ko", "Russian", "Mongolian", "pl-pl", "pt-br"}));
    const auto index = platform::ReadWholeFile(kResources + "/language.xml").value_or(std::string());
    EXPECT_EQ(ReadLanguageIndex(index, QStringLiteral("zh-cn")).entry->title,
              QStringLiteral("ZK设备搜索/IP配置/升级工具-V2.3.9"));
}

TEST(LanguageResourcesTest, EveryKeyTheCodeLooksUpHasATextInEveryShippedLanguage) {
    const auto keys = KeysUsedInCode();
    ASSERT_FALSE(keys.empty());
    for (const auto& language : ShippedLanguages()) {
        const auto texts = TextsOf(language.fileName);
        for (const auto& key : keys) {
            const auto found = texts.find(key);
            EXPECT_TRUE(found != texts.end() && !found->second.trimmed().isEmpty())
                << language.fileName << " has no text for " << key;
        }
    }
}

TEST(LanguageResourcesTest, EnglishAndSimplifiedChineseHoldTheSameKeys) {
    const auto english = TextsOf("languages/en-us.xml");
    const auto chinese = TextsOf("languages/zh-cn.xml");
    std::set<std::string> englishKeys;
    std::set<std::string> chineseKeys;
    for (const auto& [key, text] : english) {
        englishKeys.insert(key);
    }
    for (const auto& [key, text] : chinese) {
        chineseKeys.insert(key);
    }
    EXPECT_EQ(englishKeys, chineseKeys);
    EXPECT_FALSE(english.at("SET_OK").isEmpty());
    EXPECT_FALSE(english.at("MSGTIP13").isEmpty());
    EXPECT_NE(english.at("SET_OK"), chinese.at("SET_OK"));
    EXPECT_NE(english.at("MSGTIP13"), chinese.at("MSGTIP13"));
}

} // namespace
} // namespace zk::base

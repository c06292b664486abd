// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/LanguageTable.h"

#include "platform/RegistryStore.h"
#include "support/FuzzDriver.h"
#include "support/ScriptedPrompt.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace zk::base {
namespace {

using test::TempFolder;
using test::WriteFile;

const char* const kIndex = R"(<?xml version="1.0" encoding="UTF-8"?>
<Lang>
    <Resources lan="en-us" filename="lang/en.xml" TITLE="Device Tool"/>
    <Resources lan="zh-cn" filename="lang/zh.xml" TITLE="设备工具"/>
    <Resources lan="zh-cn" filename="lang/other.xml" TITLE="second entry"/>
    <Resources lan="pt-br" filename="lang/pt.xml" TITLE="Ferramenta"/>
</Lang>)";

// A program folder with language files, and a configuration base for the store, both private.
class LanguageTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(m_program / "lang");
        ASSERT_TRUE(WriteFile(m_program / "language.xml", kIndex));
        ASSERT_TRUE(WriteFile(m_program / "lang/en.xml",
                              "<Lang><Resources><SET_OK>Done</SET_OK><SWITCHLANGUAGE>Language</SWITCHLANGUAGE>"
                              "<STRING_FAILED>failed</STRING_FAILED><STRING_SUCCESS>changed</STRING_SUCCESS>"
                              "<LANGAGE_SWITCH_TIPS1>Could not remember it.</LANGAGE_SWITCH_TIPS1>"
                              "<LANGAGE_SWITCH_TIPS2>Restart the tool.</LANGAGE_SWITCH_TIPS2>"
                              "</Resources></Lang>"));
        ASSERT_TRUE(WriteFile(m_program / "lang/zh.xml", "<Lang><Resources><SET_OK>成功</SET_OK></Resources></Lang>"));
        ASSERT_TRUE(WriteFile(m_program / "lang/pt.xml", "<Lang><Resources><SET_OK>OK</SET_OK></Resources></Lang>"));
    }

    LanguageSources Sources() const {
        LanguageSources sources;
        sources.findProgramFile = [this](const std::string& name) { return m_program / name; };
        sources.registryFolder = [this](const std::string& keyName) { return m_config / keyName; };
        return sources;
    }

    void StoreLanguage(const std::string& name, const std::string& keyName = "ZkDevTools") {
        ASSERT_EQ(platform::RegistryStore(m_config / keyName).WriteValue("Language", name), 0);
    }

    TempFolder m_program;
    TempFolder m_config;
};

TEST_F(LanguageTableTest, WithoutAStoredLanguageTheToolIsInEnglish) {
    LanguageTable table(Sources());
    EXPECT_EQ(table.CurrentCode(), u"en-us");
    EXPECT_FALSE(table.IsChineseUi());
    EXPECT_EQ(table.GetText("SET_OK"), u"Done");
    EXPECT_EQ(table.GetTitle(), u"Device Tool");
    EXPECT_TRUE(table.Loaded());
    EXPECT_EQ(table.RegistryKeyName(), "ZkDevTools") << "no registry.xml gives the default key name";
}

TEST_F(LanguageTableTest, AMissingKeyGivesAnEmptyTextNotTheKey) {
    LanguageTable table(Sources());
    EXPECT_EQ(table.GetText("NO_SUCH_KEY"), QString());
    EXPECT_TRUE(table.GetText("NO_SUCH_KEY").isEmpty());
}

TEST_F(LanguageTableTest, TheFirstOfTwoMatchingEntriesWins) {
    StoreLanguage("Simplified Chinese");
    LanguageTable table(Sources());
    EXPECT_EQ(table.CurrentCode(), u"zh-cn");
    EXPECT_TRUE(table.IsChineseUi());
    EXPECT_EQ(table.GetTitle(), u"设备工具");
    EXPECT_EQ(table.GetText("SET_OK"), u"成功");
    EXPECT_TRUE(table.LanguageFilePath().endsWith(u"lang/zh.xml"));
}

TEST_F(LanguageTableTest, AFixedLanguageOverridesTheRememberedOne) {
    StoreLanguage("Simplified Chinese");
    LanguageSources sources = Sources();
    sources.languageCode = QStringLiteral("en-us");
    LanguageTable table(sources);
    EXPECT_EQ(table.CurrentCode(), u"en-us");
    EXPECT_EQ(table.GetText("SET_OK"), u"Done");
}

TEST_F(LanguageTableTest, StoredNamesSelectTheirCodes) {
    EXPECT_EQ(LanguageCodeForStoredName("Portuguese"), u"pt-br");
    EXPECT_EQ(LanguageCodeForStoredName("Polish"), u"pl-pl");
    EXPECT_EQ(LanguageCodeForStoredName("Korean"), u"ko-ko");
    EXPECT_EQ(LanguageCodeForStoredName("Traditional Chinese"), u"zh-tw");
    EXPECT_EQ(LanguageCodeForStoredName("Russian"), u"Russian");
    EXPECT_EQ(LanguageCodeForStoredName("Mongolian"), u"Mongolian");
    EXPECT_EQ(LanguageCodeForStoredName("Klingon"), u"en-us");
    EXPECT_EQ(LanguageCodeForStoredName(""), u"en-us");

    StoreLanguage("Portuguese");
    LanguageTable table(Sources());
    EXPECT_EQ(table.CurrentCode(), u"pt-br");
    EXPECT_EQ(table.GetTitle(), u"Ferramenta");
}

TEST_F(LanguageTableTest, MenuCodesAreStoredUnderTheirNames) {
    EXPECT_EQ(StoredNameForLanguageCode(QStringLiteral("zh_cn")), "Simplified Chinese");
    EXPECT_EQ(StoredNameForLanguageCode(QStringLiteral("zh-cn")), "Simplified Chinese");
    EXPECT_EQ(StoredNameForLanguageCode(QStringLiteral("zh-tw")), "Traditional Chinese");
    EXPECT_EQ(StoredNameForLanguageCode(QStringLiteral("en_us")), "en-us");
    EXPECT_EQ(StoredNameForLanguageCode(QStringLiteral("ko_ko")), "Korean");
    EXPECT_EQ(StoredNameForLanguageCode(QStringLiteral("pl_pl")), "Polish");
    EXPECT_EQ(StoredNameForLanguageCode(QStringLiteral("Mongolian")), "Mongolian");
    EXPECT_EQ(LanguageCodeForCommand(kCmdLanguageZhCn), u"zh_cn");
    EXPECT_EQ(LanguageCodeForCommand(kCmdLanguageRussian), u"Russian");
    EXPECT_EQ(LanguageCodeForCommand(12345), u"en_us");
}

TEST_F(LanguageTableTest, ASwitchTakesEffectAtTheNextStartAndSaysSo) {
    LanguageTable table(Sources());
    test::ScriptedPrompt prompt;
    EXPECT_EQ(SwitchUiLanguage(kCmdLanguageZhCn, table, prompt), 0);
    ASSERT_EQ(prompt.Questions().size(), 1u);
    EXPECT_EQ(prompt.Questions()[0].caption, u"Tips");
    EXPECT_EQ(prompt.Questions()[0].icon, PromptIcon::Information);
    EXPECT_EQ(prompt.Questions()[0].text, u"Language changed.\nRestart the tool.");
    EXPECT_EQ(table.CurrentCode(), u"en-us") << "the running tool keeps its language";

    LanguageTable next(Sources());
    EXPECT_EQ(next.CurrentCode(), u"zh-cn");
}

TEST_F(LanguageTableTest, AStoreThatCannotBeWrittenGivesTheFailureMessage) {
    // Tests run as root: a regular file where the store's folder should be makes it unusable.
    ASSERT_TRUE(WriteFile(m_config / "ZkDevTools", "not a folder"));
    LanguageTable table(Sources());
    test::ScriptedPrompt prompt;
    EXPECT_EQ(SwitchUiLanguage(kCmdLanguageKorean, table, prompt), -1);
    ASSERT_EQ(prompt.Questions().size(), 1u);
    EXPECT_EQ(prompt.Questions()[0].caption, u"ERROR");
    EXPECT_EQ(prompt.Questions()[0].icon, PromptIcon::Error);
    EXPECT_EQ(prompt.Questions()[0].text, u"Language failed\nCould not remember it.");
}

TEST_F(LanguageTableTest, TheRegistryFileNamesTheStoreFolder) {
    ASSERT_TRUE(WriteFile(m_program / "registry.xml", R"(<root><Registry name="OemTools"/></root>)"));
    StoreLanguage("Simplified Chinese", "OemTools");
    LanguageTable table(Sources());
    EXPECT_EQ(table.RegistryKeyName(), "OemTools");
    EXPECT_EQ(table.CurrentCode(), u"zh-cn");

    EXPECT_EQ(ReadRegistryKeyName("<root><Other/></root>"), std::string("ZkDevTools"));
    EXPECT_EQ(ReadRegistryKeyName("<nothing/>"), std::string("ZkDevTools"));
    EXPECT_EQ(ReadRegistryKeyName("not xml <"), std::nullopt);
}

TEST_F(LanguageTableTest, MissingOrBrokenFilesLeaveEveryTextEmpty) {
    std::filesystem::remove(m_program / "lang/en.xml");
    EXPECT_EQ(LanguageTable(Sources()).GetText("SET_OK"), QString());

    ASSERT_TRUE(WriteFile(m_program / "language.xml", "<Lang><Resources lan='en-us'"));
    LanguageTable broken(Sources());
    EXPECT_FALSE(broken.Loaded());
    EXPECT_EQ(broken.TextCount(), 0u);

    std::filesystem::remove(m_program / "language.xml");
    EXPECT_EQ(LanguageTable(Sources()).GetTitle(), QString());
}

TEST(LanguageTextsTest, TextsFollowFirstChildrenAndTheLastDuplicateWins) {
    std::map<std::string, QString, std::less<>> texts;
    ASSERT_TRUE(ReadLanguageTexts(R"(<?xml version="1.0"?>
<Lang>
  <Resources><A>first</A><B><b>nested</b></B><C/><D><!-- note -->after comment</D></Resources>
  <Resources><A>second</A><E>Привет &amp; 你好</E></Resources>
</Lang>
<Lang><Resources><F>ignored</F></Resources></Lang>)",
                                  texts));
    EXPECT_EQ(texts["A"], u"second");
    EXPECT_EQ(texts["B"], u"nested");
    EXPECT_EQ(texts.count("C"), 0u) << "an element without text adds nothing";
    EXPECT_EQ(texts.count("D"), 0u) << "the first child is a comment, so no text is found";
    EXPECT_EQ(texts["E"], u"Привет & 你好");
    EXPECT_EQ(texts.count("F"), 0u) << "only the first Lang element counts";
}

TEST(LanguageTextsTest, LongTextsAreCutTo5119Units) {
    std::map<std::string, QString, std::less<>> texts;
    const std::string xml = "<Lang><Resources><LONG>" + std::string(9000, 'x') + "</LONG><SURR>" +
                            std::string(5118, 'y') + "\xF0\x9F\x93\xB7</SURR></Resources></Lang>";
    ASSERT_TRUE(ReadLanguageTexts(xml, texts));
    EXPECT_EQ(texts["LONG"].size(), kLanguageTextMaxUnits);
    EXPECT_EQ(texts["SURR"].size(), 5118) << "half of a surrogate pair is not kept";
}

TEST(LanguageTextsTest, AnyBytesParseWithoutHarm) {
    const std::vector<std::string> seeds = {
        kIndex,
        R"(<root><Registry name="ZkDevTools"/></root>)",
        "<Lang><Resources><SET_OK>Done</SET_OK><B><b><c>deep</c></b></B></Resources></Lang>",
    };
    test::RunMutations(seeds, 100000, 3, [](std::string_view input) {
        std::map<std::string, QString, std::less<>> texts;
        ReadLanguageTexts(input, texts);
        for (const auto& [key, text] : texts) {
            ASSERT_LE(text.size(), kLanguageTextMaxUnits);
        }
        ReadLanguageIndex(input, QStringLiteral("zh-cn"));
        ReadRegistryKeyName(input);
    });
}

} // namespace
} // namespace zk::base

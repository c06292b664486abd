// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/CLoadDisplayCfg.h"

#include "support/FuzzDriver.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <map>

namespace zk::base {
namespace {

CLoadDisplayCfg Defaults() {
    return CLoadDisplayCfg(std::string("/nonexistent/display.xml"));
}

TEST(CLoadDisplayCfgTest, TheTableHoldsSixtyFourEntriesInOrderWithTheirDefaults) {
    const auto config = Defaults();
    const auto& entries = config.DisplayEntries();
    EXPECT_EQ(entries.front().id, 2067);
    EXPECT_EQ(entries[31].id, 13) << "entry 32 ends the first half";
    EXPECT_EQ(entries[32].id, 1300) << "entry 33 starts the second half";
    EXPECT_EQ(entries.back().id, 33375);
    int shown = 0;
    for (const auto& entry : entries) {
        shown += entry.display;
    }
    EXPECT_EQ(shown, 34);
    EXPECT_EQ(config.GetDisplay(kDisplayStyle), 0);
    EXPECT_EQ(config.GetDisplay(14), 1);
    EXPECT_EQ(config.GetDisplay(kDisplayOperatePassword), 0);
    EXPECT_EQ(config.GetDataString(kDataCustXmlRoot), "");
}

TEST(CLoadDisplayCfgTest, AnIdNotInTheTableIsShown) {
    EXPECT_EQ(Defaults().GetDisplay(9999), 1);
    EXPECT_EQ(Defaults().GetDataString(9999), "");
}

TEST(CLoadDisplayCfgTest, FileValuesOverrideDefaultsAndUnknownElementsAreIgnored) {
    test::TempFolder temp;
    ASSERT_TRUE(test::WriteFile(temp / "display.xml", R"(<?xml version="1.0"?>
<root>
    <ID_BATCH_SET_PWD display="0"/>
    <STYLE display="2"/>
    <NOT_A_KEY display="0"/>
    <ID_BATCH_REBOOT_DEV/>
    <IDC_QRENCODE display="7"/>
</root>
<DATA_STRING>
    <IDS_CUST_XML_ROOT DATA="OEM_ROOT;OTHER"/>
    <IDS_UNKNOWN DATA="x"/>
</DATA_STRING>)"));
    const CLoadDisplayCfg config(temp / "display.xml");
    EXPECT_EQ(config.GetDisplay(14), 0);
    EXPECT_EQ(config.GetDisplay(kDisplayStyle), 2);
    EXPECT_EQ(config.GetDisplay(7), 1) << "a missing attribute leaves the value";
    EXPECT_EQ(config.GetDisplay(kDisplayQrEncode), 7);
    EXPECT_EQ(config.GetDataString(kDataCustXmlRoot), "OEM_ROOT;OTHER");
    EXPECT_EQ(config.GetDataString(kDataCustCloudType), "");

    std::map<int, bool> visible;
    int calls = 0;
    config.ApplyDisplay([&](int id, bool show) {
        visible[id] = show;
        ++calls;
    });
    EXPECT_EQ(calls, 64);
    EXPECT_FALSE(visible[14]) << "the password batch button is hidden at start";
    EXPECT_TRUE(visible[kDisplayStyle]) << "any value above 0 shows";
    EXPECT_TRUE(visible[kDisplayQrEncode]);
    EXPECT_FALSE(visible[kDisplayOperatePassword]);
}

TEST(CLoadDisplayCfgTest, ABrokenFileKeepsEveryDefault) {
    test::TempFolder temp;
    ASSERT_TRUE(test::WriteFile(temp / "display.xml", "<root><STYLE display=\"2\"/>"));
    const CLoadDisplayCfg config(temp / "display.xml");
    EXPECT_EQ(config.GetDisplay(kDisplayStyle), 0);
    ASSERT_TRUE(test::WriteFile(temp / "display.xml", "<other><STYLE display=\"2\"/></other>"));
    EXPECT_EQ(CLoadDisplayCfg(temp / "display.xml").GetDisplay(kDisplayStyle), 0) << "no root element";
}

TEST(CLoadDisplayCfgTest, DataStringsAreCutTo127Characters) {
    auto config = Defaults();
    ASSERT_TRUE(
        config.LoadText("<DATA_STRING><IDS_CUST_CLOUD_TYPE DATA=\"" + std::string(300, 'c') + "\"/></DATA_STRING>"));
    EXPECT_EQ(config.GetDataString(kDataCustCloudType), std::string(127, 'c'));
}

TEST(CLoadDisplayCfgTest, AnyBytesLoadWithoutHarm) {
    const std::vector<std::string> seeds = {
        R"(<root><STYLE display="2"/><ID_BATCH_SET_PWD display="0"/></root><DATA_STRING><IDS_CUST_XML_ROOT DATA="A;B"/></DATA_STRING>)",
    };
    test::RunMutations(seeds, 100000, 4, [](std::string_view input) {
        auto config = Defaults();
        config.LoadText(input);
        ASSERT_LE(config.GetDataString(kDataCustXmlRoot).size(), 127u);
        ASSERT_LE(config.GetDataString(kDataCustCloudType).size(), 127u);
    });
}

} // namespace
} // namespace zk::base

// SPDX-License-Identifier: GPL-3.0-or-later
#include "devsim/RequestParams.h"

#include "support/FuzzDriver.h"

#include <gtest/gtest.h>

namespace zk::devsim {
namespace {

using Params = std::map<std::string, std::string>;

// The tool's texts as devices take them, including the IO output text with no blank between two
// attributes, which an XML parser may refuse. Catches a scanner that needs the blank, drops the
// attribute after the missing blank, or keeps entities escaped.
TEST(RequestParamsTest, AcceptsTheToolsTextsWithOrWithoutBlanksBetweenAttributes) {
    EXPECT_EQ(ScanRequestParams("<REQUEST_PARAM ChannelNo=\"0\"Output=\"1\"/>\n"),
              (Params{{"ChannelNo", "0"}, {"Output", "1"}}));
    EXPECT_EQ(ScanRequestParams("<REQUEST_PARAM web_defalut_language=\"4\" is_KC_web=\"0\" Language=\"german\" />"),
              (Params{{"web_defalut_language", "4"}, {"is_KC_web", "0"}, {"Language", "german"}}));
    EXPECT_EQ(ScanRequestParams(" \r\n<REQUEST_PARAM\tmanualspeed = '5'></REQUEST_PARAM >\n"),
              (Params{{"manualspeed", "5"}}));
    EXPECT_EQ(ScanRequestParams("<REQUEST_PARAM/>"), Params{});
    EXPECT_EQ(ScanRequestParams("<REQUEST_PARAM A=\"&quot;&amp;&lt;&gt;&apos;&#65;&#x4e2d;&bogus;\"/>"),
              (Params{{"A", "\"&<>'A\xE4\xB8\xAD&bogus;"}}));
    EXPECT_EQ(ScanRequestParams("<REQUEST_PARAM A=\"\xD6\xD0\"/>"), (Params{{"A", "\xD6\xD0"}}))
        << "code page 936 bytes pass as they are";
}

// Texts that are no REQUEST_PARAM element are refused rather than half read. Catches a scanner
// that takes another element, the first of two values of one name, or a value without its end.
TEST(RequestParamsTest, RefusesOtherTextsDuplicatesAndUnterminatedValues) {
    for (const char* text : {"", "RESPONSE_PARAM", "NightMode", "<REQUEST_PARAMS A=\"1\"/>", "<OTHER A=\"1\"/>",
                             "<REQUEST_PARAM A=\"1\" A=\"2\"/>", "<REQUEST_PARAM A=\"1/>", "<REQUEST_PARAM A=1/>",
                             "<REQUEST_PARAM A/>", "<REQUEST_PARAM A=\"1\"", "<REQUEST_PARAM A=\"1\"/> tail",
                             "<REQUEST_PARAM A=\"1\"></OTHER>", "<REQUEST_PARAM 1A=\"1\"/>"}) {
        EXPECT_FALSE(ScanRequestParams(text)) << text;
    }
}

// Any text a client sends: no crash or read past the text, and whatever is accepted has names an
// XML name may have.
TEST(RequestParamsTest, SurvivesMutatedTexts) {
    const std::vector<std::string> seeds = {
        "<REQUEST_PARAM ChannelNo=\"0\"Output=\"1\"/>\n",
        "<REQUEST_PARAM web_defalut_language=\"4\" is_KC_web=\"0\" Language=\"&quot;&#x41;\" />",
        "<REQUEST_PARAM manualspeed='5'></REQUEST_PARAM>",
    };
    std::size_t accepted = 0;
    test::RunMutations(seeds, 100000, 11, [&accepted](std::string_view input) {
        const auto params = ScanRequestParams(input);
        if (!params) {
            return;
        }
        ++accepted;
        for (const auto& [name, value] : *params) {
            ASSERT_FALSE(name.empty());
            ASSERT_LE(value.size(), input.size());
        }
    });
    EXPECT_GT(accepted, 1000u);
}

} // namespace
} // namespace zk::devsim

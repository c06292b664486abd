// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/ListColumnMap.h"

#include "ListLanguage.h"

#include <gtest/gtest.h>

#include <vector>

namespace zk::discovery {
namespace {

std::vector<int> ShownIds(const ListColumnMap& map) {
    std::vector<int> ids;
    for (int position = 0; position < map.Count(); ++position) {
        ids.push_back(static_cast<int>(map.ColumnAt(position)));
        EXPECT_EQ(map.PositionOf(map.ColumnAt(position)), position);
    }
    return ids;
}

class ListColumnMapTest : public ::testing::Test {
protected:
    test::ListLanguage m_language;
};

TEST_F(ListColumnMapTest, TheDefaultListShowsEveryColumnButPreviewAndIntercom) {
    const ListColumnMap map({}, m_language.Table());
    EXPECT_EQ(ShownIds(map), (std::vector<int>{0, 1, 2, 9, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24}));
    for (int id = 3; id <= 8; ++id) {
        EXPECT_FALSE(map.Shows(static_cast<ListColumn>(id))) << id;
        EXPECT_EQ(map.PositionOf(static_cast<ListColumn>(id)), -1);
    }
    EXPECT_FALSE(map.Shows(ListColumn::Preview));
    EXPECT_TRUE(map.GridLines());
}

TEST_F(ListColumnMapTest, ShowLessDropsModelP2pAdapterCloudAndOemColumns) {
    const ListColumnMap map({0, 1}, m_language.Table());
    EXPECT_EQ(ShownIds(map), (std::vector<int>{0, 1, 9, 11, 12, 13, 14, 15, 16, 17, 20, 23}));
    EXPECT_EQ(map.PositionOf(ListColumn::RunTime), 10) << "later columns move up";
}

TEST_F(ListColumnMapTest, StyleOneAddsThePreviewAndStyleTwoDropsGridLines) {
    const ListColumnMap styleOne({1, 0}, m_language.Table());
    EXPECT_EQ(styleOne.PositionOf(ListColumn::Preview), 4);
    EXPECT_EQ(styleOne.Count(), 19);
    EXPECT_TRUE(styleOne.GridLines());
    const ListColumnMap styleTwo({2, 0}, m_language.Table());
    EXPECT_FALSE(styleTwo.Shows(ListColumn::Preview));
    EXPECT_FALSE(styleTwo.GridLines());
}

TEST_F(ListColumnMapTest, HeadersComeFromTheLanguageExceptTheLiteralOnes) {
    const ListColumnMap map({}, m_language.Table());
    EXPECT_EQ(map.HeaderAt(map.PositionOf(ListColumn::Ip)), u"Address");
    EXPECT_EQ(map.HeaderAt(map.PositionOf(ListColumn::Sn)), u"Serial");
    EXPECT_EQ(map.HeaderAt(map.PositionOf(ListColumn::Model)), u"") << "a key without text gives an empty header";
    EXPECT_EQ(map.HeaderAt(map.PositionOf(ListColumn::Uuid)), u"UUID");
    EXPECT_EQ(map.HeaderAt(map.PositionOf(ListColumn::OemSn)), u"OEM SN");
    EXPECT_EQ(map.WidthPxAt(map.PositionOf(ListColumn::State)), 300);
}

} // namespace
} // namespace zk::discovery

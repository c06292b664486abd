// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/ListSort.h"

#include "support/FuzzDriver.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <algorithm>

namespace zk::discovery {
namespace {

QStringList Sorted(const QStringList& texts, bool ascending = true) {
    std::vector<CellSortKey> keys;
    for (const auto& text : texts) {
        keys.push_back(MakeCellSortKey(text));
    }
    QStringList sorted;
    for (const int position : SortedPositions(keys, ascending)) {
        sorted << texts[position];
    }
    return sorted;
}

int Cmp(const char* a, const char* b) {
    return CompareCellTexts(QString::fromUtf8(a), QString::fromUtf8(b));
}

TEST(ListSortTest, AddressesSortAsNumbers) {
    EXPECT_LT(Cmp("192.168.1.9", "192.168.1.10"), 0);
    EXPECT_GT(Cmp("10.0.0.2", "9.255.255.255"), 0) << "the first octet weighs most";
    EXPECT_EQ(Sorted({u"192.168.1.100"_qs, u"192.168.1.10"_qs, u"192.168.1.9"_qs, u"10.1.1.1"_qs}),
              (QStringList{u"10.1.1.1"_qs, u"192.168.1.9"_qs, u"192.168.1.10"_qs, u"192.168.1.100"_qs}));
    EXPECT_LT(Cmp("192.168.1.256", "192.168.1.3"), 0) << "an octet above 255 is no address: text order";
}

TEST(ListSortTest, HexadecimalCellsSortAsNumbersOfAnyLength) {
    EXPECT_LT(Cmp("9", "A"), 0);
    EXPECT_LT(Cmp("ff", "100"), 0);
    EXPECT_EQ(Cmp("00ff", "FF"), 0) << "leading zeros and case do not count";
    EXPECT_LT(Cmp("FFFFFFFFFFFFFFFFFFFF", "100000000000000000000"), 0) << "no overflow past 64 bits";
    EXPECT_LT(Cmp("99", "100"), 0);
}

TEST(ListSortTest, DecimalsAndPercentagesSortAsNumbers) {
    EXPECT_LT(Cmp("9%", "10%"), 0);
    EXPECT_LT(Cmp("-5", "3"), 0);
    EXPECT_LT(Cmp("2.5", "10"), 0);
    EXPECT_LT(Cmp("99.5%", "100%"), 0);
    EXPECT_LT(Cmp("1.10.0", "1.9"), 0) << "two points make no decimal: text order";
}

TEST(ListSortTest, DatesAndTimesSortChronologically) {
    EXPECT_LT(Cmp("2024-9-30 08:00:00", "2024-10-01 07:00:00"), 0);
    EXPECT_LT(Cmp("2023/12/31", "2024/1/1"), 0);
    EXPECT_LT(Cmp("9:05", "10:00"), 0);
    EXPECT_LT(Cmp("2024-02-29 23:59:59", "2024-03-01"), 0);
    EXPECT_LT(Cmp("2023-2-28", "2023-10-01"), 0);
    EXPECT_GT(Cmp("2023-2-29", "2023-10-01"), 0) << "no such day: text order";
}

TEST(ListSortTest, OtherTextsAndEmptyCellsCompareAsText) {
    EXPECT_LT(Cmp("", "5"), 0) << "an empty cell is not a number";
    EXPECT_LT(Cmp("", "abc"), 0);
    EXPECT_LT(Cmp("Z", "y"), 0) << "exact comparison: upper case first";
    EXPECT_LT(Cmp("Offline", "Online"), 0);
    EXPECT_EQ(Cmp("same", "same"), 0);
}

TEST(ListSortTest, DescendingReversesAndEqualCellsKeepTheirOrder) {
    const QStringList texts = {u"b"_qs, u"a"_qs, u"c"_qs, u"a"_qs};
    const auto keys = [&] {
        std::vector<CellSortKey> k;
        for (const auto& text : texts) {
            k.push_back(MakeCellSortKey(text));
        }
        return k;
    }();
    EXPECT_EQ(SortedPositions(keys, true), (std::vector<int>{1, 3, 0, 2}));
    EXPECT_EQ(SortedPositions(keys, false), (std::vector<int>{2, 0, 1, 3}));
    EXPECT_TRUE(SortedPositions({}, true).empty());
}

// "10" < "10.5" as decimals, "10.5" < "B" as text, "B" < "10" as hexadecimal: the rule has cycles.
// The sort must still end with every row exactly once.
TEST(ListSortTest, CyclicComparisonsNeverLoseOrRepeatRows) {
    EXPECT_LT(Cmp("10", "10.5"), 0);
    EXPECT_LT(Cmp("10.5", "B"), 0);
    EXPECT_LT(Cmp("B", "10"), 0);
    QStringList texts;
    for (int i = 0; i < 3000; ++i) {
        texts << QString::number(i % 97) << QString::number(i % 89) + QStringLiteral(".5")
              << QString::number(i % 83, 16).toUpper();
    }
    const QStringList sorted = Sorted(texts);
    QStringList a = sorted;
    QStringList b = texts;
    a.sort();
    b.sort();
    EXPECT_EQ(a, b);
}

// Cell texts come from devices: any text gives a key, and the comparison of keys is antisymmetric.
TEST(ListSortTest, AnyCellTextsCompareConsistently) {
    const std::vector<std::string> seeds = {"192.168.1.10", "00FF", "12.5%", "2024-01-02 03:04:05", "9:07", "text"};
    test::RunMutations(
        seeds, 100000, 11,
        [](std::string_view input) {
            const auto half = input.size() / 2;
            const QString a = QString::fromUtf8(input.data(), static_cast<qsizetype>(half));
            const QString b = QString::fromUtf8(input.data() + half, static_cast<qsizetype>(input.size() - half));
            const CellSortKey keyA = MakeCellSortKey(a);
            const CellSortKey keyB = MakeCellSortKey(b);
            if (CompareCellSortKeys(keyA, keyA) != 0 ||
                CompareCellSortKeys(keyA, keyB) != -CompareCellSortKeys(keyB, keyA)) {
                ADD_FAILURE() << "inconsistent for \"" << a.toStdString() << "\" and \"" << b.toStdString() << '"';
            }
        },
        256);
}

} // namespace
} // namespace zk::discovery

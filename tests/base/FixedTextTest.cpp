// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/FixedText.h"

#include <gtest/gtest.h>

#include <cstring>

namespace zk::base {
namespace {

TEST(FixedTextTest, CopyKeepsAtMostSizeMinusOneBytesAndTerminates) {
    char field[8];
    std::memset(field, 'x', sizeof(field));
    CopyBounded(field, "abcdefghijk");
    EXPECT_STREQ(field, "abcdefg");

    CopyBounded(field, "abcdefg");
    EXPECT_STREQ(field, "abcdefg");

    CopyBounded(field, "ab");
    EXPECT_STREQ(field, "ab");
    for (std::size_t i = 2; i < sizeof(field); ++i) {
        EXPECT_EQ(field[i], '\0') << "the rest of the field is cleared, so no old text shows through";
    }
}

TEST(FixedTextTest, CopyHandlesEmptyTextZeroSizeAndEmbeddedZeros) {
    char field[4] = {'a', 'b', 'c', '\0'};
    CopyBounded(field, 0, "zzz");
    EXPECT_STREQ(field, "abc") << "a field of size 0 is left alone";
    CopyBounded(field, "");
    EXPECT_STREQ(field, "");
    CopyBounded(field, std::string_view("a\0b", 3));
    EXPECT_EQ(FieldText(field), "a");
}

TEST(FixedTextTest, FieldTextNeverReadsPastAnUnterminatedField) {
    struct {
        char field[4];
        char guard[4];
    } record;
    std::memcpy(record.field, "abcd", 4);
    std::memcpy(record.guard, "XYZ", 4);
    EXPECT_EQ(FieldText(record.field), "abcd");
    EXPECT_EQ(FieldText(nullptr, 10), "");
}

} // namespace
} // namespace zk::base

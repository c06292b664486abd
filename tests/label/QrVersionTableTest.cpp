// SPDX-License-Identifier: GPL-3.0-or-later
#include "label/QrVersionTable.h"

#include <gtest/gtest.h>

namespace zk::label {
namespace {

// Modules left for codewords once the function patterns, format and version areas are taken,
// counted from the symbol's geometry rather than from the table.
int CodewordModules(int version) {
    const int size = 17 + 4 * version;
    int modules = size * size - 3 * 64 - 31 - 2 * (size - 16); // finders with separators, format, timing
    if (version >= 2) {
        const int centres = version / 7 + 2;
        const int alignments = centres * centres - 3;
        // Alignment patterns on the timing lines overlap them by 5 modules each.
        modules -= 25 * alignments - 2 * 5 * (centres - 2);
    }
    if (version >= 7) {
        modules -= 36;
    }
    return modules;
}

TEST(QrVersionTableTest, BlocksAddUpToTheCodewordsOfEverySymbol) {
    for (int version = kQrMinVersion; version <= kQrMaxVersion; ++version) {
        const QrVersionInfo& info = QrVersion(version);
        EXPECT_EQ(info.totalCodewords, CodewordModules(version) / 8) << "version " << version;
        for (int level = 0; level < kQrLevelCount; ++level) {
            const QrBlockGroup* groups = info.blockGroups[level];
            int total = 0;
            int data = 0;
            for (int g = 0; g < 2; ++g) {
                total += groups[g].blocks * groups[g].codewordsPerBlock;
                data += groups[g].blocks * groups[g].dataCodewordsPerBlock;
                EXPECT_LE(groups[g].codewordsPerBlock, kQrMaxBlockCodewords);
            }
            SCOPED_TRACE(testing::Message() << "version " << version << " level " << level);
            EXPECT_EQ(total, info.totalCodewords);
            EXPECT_EQ(data, info.dataCodewords[level]);
            if (groups[1].blocks > 0) {
                // Every block has as many error-correction codewords; the second group is one longer.
                EXPECT_EQ(groups[1].codewordsPerBlock, groups[0].codewordsPerBlock + 1);
                EXPECT_EQ(groups[1].dataCodewordsPerBlock, groups[0].dataCodewordsPerBlock + 1);
            }
            if (level > 0) {
                EXPECT_LT(info.dataCodewords[level], info.dataCodewords[level - 1]);
            }
        }
    }
    EXPECT_EQ(QrVersion(40).dataCodewords[0], kQrMaxDataCodewords);
    EXPECT_EQ(QrVersion(40).totalCodewords, kQrMaxTotalCodewords);
}

} // namespace
} // namespace zk::label

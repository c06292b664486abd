// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/DeviceCellTexts.h"

#include "ListLanguage.h"
#include "base/FixedText.h"
#include "base/TitleCodec.h"
#include "platform/TextCodec.h"
#include "support/FuzzDriver.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

namespace zk::discovery {
namespace {

using base::CopyBounded;

class DeviceCellTextsTest : public ::testing::Test {
protected:
    DeviceRow Row() const {
        DeviceRow row{};
        row.Record = EmptyDeviceRecord();
        return row;
    }

    test::ListLanguage m_language;
    DeviceCellTexts m_texts{m_language.Table(), {}};
};

TEST_F(DeviceCellTextsTest, ModelDropsTheMakerPrefixAndTheVersionSuffix) {
    EXPECT_EQ(ModelText("NVS-IPCAM-T20A_V2.1.3"), u"T20A");
    EXPECT_EQ(ModelText("NVS-NVR-8CH-H_V1"), u"NVR-8CH-H");
    EXPECT_EQ(ModelText("NVS-NVR-16CH"), u"NVR-16CH");
    EXPECT_EQ(ModelText("IPC-X5"), u"IPC-X5") << "a type without prefix or suffix shows as it is";
    EXPECT_EQ(ModelText("IPC_v2"), u"IPC_v2") << "only an upper-case _V starts the suffix";
    EXPECT_EQ(ModelText("_V1"), u"");
    EXPECT_EQ(ModelText("NVS-IPCAM-"), u"");
}

TEST_F(DeviceCellTextsTest, RunTimeNamesOnlyTheUnitsAboveZero) {
    EXPECT_EQ(m_texts.RunTimeText(86400 + 3600 + 60 + 1), u"1 d 1 h 1 min 1 s ");
    EXPECT_EQ(m_texts.RunTimeText(3600), u"1 h ");
    EXPECT_EQ(m_texts.RunTimeText(86400 + 59), u"1 d 59 s ");
    EXPECT_EQ(m_texts.RunTimeText(2 * 86400 + 23 * 3600 + 59 * 60), u"2 d 23 h 59 min ");
    EXPECT_EQ(m_texts.RunTimeText(INT_MAX), u"24855 d 3 h 14 min 7 s ");
    EXPECT_EQ(m_texts.RunTimeText(0), u"");
    EXPECT_EQ(m_texts.RunTimeText(-7), u"") << "a negative run time writes nothing";
    EXPECT_EQ(m_texts.RunTimeText(INT_MIN), u"");
}

TEST_F(DeviceCellTextsTest, P2pTypeTenIsTheInstallationsCloudName) {
    EXPECT_EQ(m_texts.P2pTypeName(1), u"Danale");
    EXPECT_EQ(m_texts.P2pTypeName(6), u"TUTK");
    EXPECT_EQ(m_texts.P2pTypeName(9), u"TUYA");
    EXPECT_EQ(m_texts.P2pTypeName(10), u"ViewNest");
    EXPECT_EQ(m_texts.P2pTypeName(0), u"");
    EXPECT_EQ(m_texts.P2pTypeName(11), u"");
    EXPECT_EQ(m_texts.P2pTypeName(-1), u"");

    const test::ListLanguage chinese(true);
    EXPECT_EQ(DeviceCellTexts(chinese.Table(), {"", true}).P2pTypeName(10), u"RV41Pro");
    EXPECT_EQ(DeviceCellTexts(chinese.Table(), {"云看看", true}).P2pTypeName(10), u"云看看")
        << "a configured name wins over the language";
    EXPECT_EQ(DeviceCellTexts(m_language.Table(), {"MyCloud", false}).P2pTypeName(10), u"MyCloud");
}

TEST_F(DeviceCellTextsTest, UpperCasingLeavesChineseBytesAlone) {
    DeviceRow row = Row();
    // 0x81 0x61 is one code page 936 character whose second byte is an ASCII "a".
    CopyBounded(row.Record.SerialNumber, "ab12\x81\x61");
    CopyBounded(row.Record.AfVersion, "af_v1.2b");
    EXPECT_EQ(*m_texts.Text(row, ListColumn::Sn), QStringLiteral("AB12") + platform::AnsiToWide("\x81\x61"));
    EXPECT_EQ(*m_texts.Text(row, ListColumn::AfVersion), u"AF_V1.2B");
}

TEST_F(DeviceCellTextsTest, SwitchesAndCloudStateUseTheLanguageTexts) {
    DeviceRow row = Row();
    EXPECT_EQ(*m_texts.Text(row, ListColumn::OnvifAllNet), u"Off");
    row.Record.AllNet = 1;
    EXPECT_EQ(*m_texts.Text(row, ListColumn::OnvifAllNet), u"On");
    row.Record.AllNet = -1;
    EXPECT_EQ(*m_texts.Text(row, ListColumn::OnvifAllNet), u"Off");

    row.Record.P2pStatus = -1;
    EXPECT_FALSE(m_texts.Text(row, ListColumn::CloudStatus).has_value()) << "an unknown state leaves the cell";
    row.Record.P2pStatus = 0;
    EXPECT_EQ(*m_texts.Text(row, ListColumn::CloudStatus), u"Offline");
    row.Record.P2pStatus = 2;
    EXPECT_EQ(*m_texts.Text(row, ListColumn::CloudStatus), u"Online");
}

TEST_F(DeviceCellTextsTest, ColumnsWrittenElsewhereAreLeftAlone) {
    DeviceRow row = Row();
    CopyBounded(row.Record.Version, "V1.0");
    CopyBounded(row.InfoText1012, "fs-2.0");
    for (const auto column : {ListColumn::Preview, ListColumn::Version, ListColumn::State, ListColumn::ExtNumber,
                              ListColumn::ManageCenter}) {
        EXPECT_FALSE(m_texts.Text(row, column).has_value()) << static_cast<int>(column);
    }
}

TEST_F(DeviceCellTextsTest, TitlesDecodeEveryUtf8SequenceLength) {
    DeviceRow row = Row();
    CopyBounded(row.Record.Osd, base::EncodeTitleHex(QStringLiteral("门口 Caméra 🎥")));
    EXPECT_EQ(*m_texts.Text(row, ListColumn::Title), u"门口 Caméra 🎥")
        << "two- and four-byte sequences decode as well as three-byte ones";
    CopyBounded(row.Record.Osd, "e997a8zz41");
    EXPECT_EQ(*m_texts.Text(row, ListColumn::Title), u"门") << "non-digits count 0, and a zero byte ends the title";
}

// Every field of a record comes from a device: any bytes in them give texts, never a fault.
TEST_F(DeviceCellTextsTest, AnyRecordBytesGiveTexts) {
    const DeviceRow seedRow = Row();
    const std::string seed(reinterpret_cast<const char*>(&seedRow.Record), 3580);
    test::RunMutations(
        {seed}, 100000, 7,
        [this](std::string_view input) {
            DeviceRow row{};
            std::memcpy(&row.Record, input.data(), std::min(input.size(), sizeof(row.Record)));
            for (int column = 0; column < kListColumnCount; ++column) {
                const auto text = m_texts.Text(row, static_cast<ListColumn>(column));
                if (text && text->size() > 4096) {
                    ADD_FAILURE() << "column " << column << " gave " << text->size() << " characters";
                }
            }
        },
        3580);
}

} // namespace
} // namespace zk::discovery

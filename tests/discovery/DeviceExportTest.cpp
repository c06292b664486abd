// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/DeviceExport.h"

#include "ListLanguage.h"
#include "base/FixedText.h"
#include "base/TitleCodec.h"
#include "discovery/DeviceListModel.h"
#include "support/ScriptedPrompt.h"
#include "support/TempFolder.h"
#include "support/XlsxRead.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>

namespace zk::discovery {
namespace {

using base::CopyBounded;
using test::ScriptedPrompt;

std::string Json(const QJsonArray& array) {
    return QJsonDocument(array).toJson(QJsonDocument::Compact).toStdString();
}

std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

class DeviceExportTest : public ::testing::Test {
protected:
    void AddDevice(const char* serial, const char* ip, const QString& title, std::int32_t p2pType) {
        DeviceRecord record = EmptyDeviceRecord();
        CopyBounded(record.SerialNumber, serial);
        CopyBounded(record.IpAddress, ip);
        CopyBounded(record.Netmask, "255.255.255.0");
        CopyBounded(record.MacAddress, "00:12:34:56:78:9A");
        CopyBounded(record.P2pId, std::string("P2P-") + serial);
        CopyBounded(record.Uuid, std::string("uuid-") + serial);
        CopyBounded(record.Version, "V-reply");
        CopyBounded(record.Osd, base::EncodeTitleHex(title));
        record.PtzPort = 34567;
        record.WebPort = 80;
        record.VideoPort = 554;
        record.P2pType = p2pType;
        record.UserConfigPresent = 1;
        m_table.AddOrUpdate(record, "192.168.1.253");
    }

    QString Target(const std::string& name = "devices.xlsx") const { return QString::fromStdString(m_folder / name); }

    test::ListLanguage m_language;
    DeviceTable m_table;
    DeviceListModel m_model{m_table, m_language.Table(), {}};
    ScriptedPrompt m_prompt;
    test::TempFolder m_folder;
};

TEST_F(DeviceExportTest, NothingTickedRefusesAndWritesNoFile) {
    AddDevice("SN1", "192.168.1.64", QStringLiteral("Gate"), 1);
    m_model.Merge();
    EXPECT_EQ(ExportTickedDevices(m_model, m_language.Table(), m_prompt), kExportNothingTicked);
    ASSERT_EQ(m_prompt.Questions().size(), 1u) << "no save dialog";
    EXPECT_EQ(m_prompt.Questions()[0].kind, ScriptedPrompt::Kind::Message);
    EXPECT_EQ(m_prompt.Questions()[0].caption, u"ERROR");
    EXPECT_EQ(m_prompt.Questions()[0].text, u"Tick a device first.");
    EXPECT_EQ(m_prompt.Questions()[0].icon, base::PromptIcon::Error);
    EXPECT_TRUE(FilesIn(m_folder.Path()).empty());
    EXPECT_TRUE(m_prompt.Problems().isEmpty()) << m_prompt.Problems().join(u'\n').toStdString();
}

TEST_F(DeviceExportTest, ACancelledDialogWritesNothing) {
    AddDevice("SN1", "192.168.1.64", QStringLiteral("Gate"), 1);
    m_model.Merge();
    m_model.SetAllTicked(true);
    m_prompt.AnswerCancel(ScriptedPrompt::Kind::SaveFile);
    EXPECT_EQ(ExportTickedDevices(m_model, m_language.Table(), m_prompt), kExportCancelled);
    ASSERT_EQ(m_prompt.Questions().size(), 1u) << "no message after a cancel";
    EXPECT_EQ(m_prompt.Questions()[0].proposed, u"IPC EXPORT.xlsx");
    EXPECT_EQ(m_prompt.Questions()[0].text, u"*.xlsx");
    EXPECT_TRUE(FilesIn(m_folder.Path()).empty());
}

TEST_F(DeviceExportTest, TickedRowsAreReadBackInDisplayOrderWithNumbersAsNumbers) {
    AddDevice("SN1", "192.168.1.9", QStringLiteral("门口 \"A\" O'Neil"), 10);
    AddDevice("SN2", "192.168.1.10", QStringLiteral("=1+1"), 6);
    AddDevice("SN3", "192.168.1.11", QStringLiteral("not ticked"), 1);
    AddDevice("SN4", "192.168.1.100", QStringLiteral("tab\there\x01"), 0);
    m_model.Merge();
    m_model.SortByColumn(ListColumn::Ip);
    m_model.SortByColumn(ListColumn::Ip); // descending: .100, .11, .10, .9
    for (const char* serial : {"SN1", "SN2", "SN4"}) {
        m_model.SetTicked(m_model.FindRow(serial), true);
    }
    m_model.SetVersionInfo(m_model.FindRow("SN2"), "FS-7.1");

    m_prompt.AnswerSaveFile(Target());
    EXPECT_EQ(ExportTickedDevices(m_model, m_language.Table(), m_prompt), kExportWritten);
    ASSERT_EQ(m_prompt.Questions().size(), 2u);
    EXPECT_EQ(m_prompt.Questions()[1].caption, u"List test");
    EXPECT_EQ(m_prompt.Questions()[1].text, u"Exported.");
    EXPECT_EQ(FilesIn(m_folder.Path()), (std::vector<std::string>{"devices.xlsx"})) << "no temporary file is left";

    const QJsonObject book = test::ReadWorkbook(Target());
    ASSERT_FALSE(book.contains(u"error")) << book[u"error"].toString().toStdString();
    EXPECT_EQ(book[u"sheets"].toArray(), QJsonArray{u"EXPORT"_qs});
    const QJsonArray rows = book[u"rows"][u"EXPORT"].toArray();
    ASSERT_EQ(rows.size(), 4);
    EXPECT_EQ(Json(rows[0].toArray()),
              Json(QJsonArray{u"IPADDR"_qs, u"NETMASK"_qs, u"COMPORT"_qs, u"HTTPPORT"_qs, u"RTSPPORT"_qs, u"MAC"_qs,
                              u"TITLE"_qs, u"VERSION"_qs, u"SN"_qs, u"P2PTYPE"_qs, u"P2PID"_qs, u"UUID"_qs}));
    const QJsonArray first = rows[1].toArray();
    EXPECT_EQ(Json(first),
              Json(QJsonArray{u"192.168.1.100"_qs, u"255.255.255.0"_qs, 34567, 80, 554, u"00:12:34:56:78:9A"_qs,
                              u"tab\there_x0001_"_qs, QJsonValue::Null, u"SN4"_qs, 0, u"P2P-SN4"_qs, u"uuid-SN4"_qs}))
        << "VERSION stays empty until the session reports one; a control character is stored in the escaped "
           "form spreadsheets read back (openpyxl shows it as stored), so the file stays valid XML";
    EXPECT_TRUE(first[2].isDouble()) << "ports are numbers, not texts";
    const QJsonArray second = rows[2].toArray();
    EXPECT_EQ(second[0], u"192.168.1.10"_qs);
    EXPECT_EQ(second[6], u"=1+1"_qs) << "a title is text, never a formula";
    EXPECT_EQ(second[7], u"FS-7.1"_qs);
    EXPECT_EQ(second[9], 6);
    const QJsonArray third = rows[3].toArray();
    EXPECT_EQ(third[6], u"门口 \"A\" O'Neil"_qs) << "quotes in a title are kept as typed";
    EXPECT_EQ(third[9], 10);
}

TEST_F(DeviceExportTest, AFailedWriteSaysSoAndLeavesNothingBehind) {
    AddDevice("SN1", "192.168.1.64", QStringLiteral("Gate"), 1);
    m_model.Merge();
    m_model.SetAllTicked(true);

    m_prompt.AnswerSaveFile(Target("no-such-folder/devices.xlsx"));
    EXPECT_EQ(ExportTickedDevices(m_model, m_language.Table(), m_prompt), kExportFailed);
    ASSERT_EQ(m_prompt.Questions().size(), 2u);
    EXPECT_EQ(m_prompt.Questions()[1].text, u"Export failed.");
    EXPECT_EQ(m_prompt.Questions()[1].icon, base::PromptIcon::Error);

    // A folder where the file should go: the workbook is written but cannot take its place.
    std::filesystem::create_directory(m_folder / "taken.xlsx");
    m_prompt.AnswerSaveFile(Target("taken.xlsx"));
    EXPECT_EQ(ExportTickedDevices(m_model, m_language.Table(), m_prompt), kExportFailed);
    EXPECT_EQ(FilesIn(m_folder.Path()), (std::vector<std::string>{"taken.xlsx"}));
    EXPECT_TRUE(std::filesystem::is_directory(m_folder / "taken.xlsx"));
}

TEST_F(DeviceExportTest, AnOlderFileIsReplacedWhole) {
    ASSERT_TRUE(test::WriteFile(m_folder / "devices.xlsx", std::string(100000, 'x')));
    ExportRow row;
    row.ipAddress = QStringLiteral("10.0.0.1");
    row.webPort = 8080;
    ASSERT_EQ(WriteExportWorkbook(Target(), {row}), 0);
    const QJsonObject book = test::ReadWorkbook(Target());
    ASSERT_FALSE(book.contains(u"error")) << book[u"error"].toString().toStdString();
    const QJsonArray rows = book[u"rows"][u"EXPORT"].toArray();
    ASSERT_EQ(rows.size(), 2);
    EXPECT_EQ(rows[1].toArray()[0], u"10.0.0.1"_qs);
    EXPECT_EQ(rows[1].toArray()[3], 8080);
    EXPECT_EQ(std::filesystem::status(m_folder / "devices.xlsx").permissions() & std::filesystem::perms::all,
              std::filesystem::perms(0644));

    // Through a symbolic link the file it points at is replaced and the link stays.
    std::filesystem::create_symlink("devices.xlsx", m_folder / "link.xlsx");
    row.webPort = 8081;
    ASSERT_EQ(WriteExportWorkbook(Target("link.xlsx"), {row}), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(m_folder / "link.xlsx"));
    EXPECT_EQ(test::ReadWorkbook(Target())[u"rows"][u"EXPORT"].toArray()[1].toArray()[3], 8081);
}

} // namespace
} // namespace zk::discovery

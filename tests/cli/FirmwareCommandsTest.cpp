// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliRun.h"
#include "support/TempFolder.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace zk::cli {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

CliRunResult RunZkdevcli(const QStringList& arguments) {
    return RunWith(arguments);
}

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

class FirmwareCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(test::WriteFile(m_folder / "kernel", std::string(5000, 'k')));
        ASSERT_TRUE(test::WriteFile(m_folder / "rootfs", std::string(700, 'r')));
        ASSERT_TRUE(test::WriteFile(m_folder / "oem", "oem"));
    }

    CliRunResult Make(QStringList extra) {
        return RunZkdevcli(QStringList{QStringLiteral("fw-make"), QStringLiteral("-o"), Q(m_image)} + extra);
    }

    test::TempFolder m_folder;
    std::string m_image = m_folder / "image.bin";
};

TEST_F(FirmwareCommandsTest, AMadeImagePassesInfoAndAChangedHeaderByteFailsIt) {
    CliRunResult made = Make({QStringLiteral("--kernel"), Q(m_folder / "kernel"), QStringLiteral("--kernel-text"),
                              QStringLiteral("Linux 3.4"), QStringLiteral("--rootfs"), Q(m_folder / "rootfs"),
                              QStringLiteral("--rootfs-text"), QStringLiteral("IPC-HX3 门口"), QStringLiteral("--oem"),
                              Q(m_folder / "oem")});
    ASSERT_EQ(made.status, kExitOk) << made.err;
    EXPECT_EQ(made.out, m_image + ": 7259 bytes, flags 0x13, header crc " +
                            made.out.substr(made.out.find("0x", made.out.find("crc"))));

    CliRunResult info = RunZkdevcli({QStringLiteral("fw-info"), Q(m_image)});
    EXPECT_EQ(info.status, kExitOk) << info.err;
    EXPECT_EQ(info.err, "");
    // The reader is silent on a good image, so the listing comes first.
    EXPECT_THAT(info.out, StartsWith("file: " + m_image + "\nfile length: 7259\nmagic: MIREX888\n"));
    EXPECT_THAT(info.out, HasSubstr("flags: 0x13 (kernel rootfs oem)\n"));
    EXPECT_THAT(info.out, HasSubstr("kernel: present, start 1556, size 5000, crc 0x"));
    EXPECT_THAT(info.out, HasSubstr("rootfs: present, start 6556, size 700, crc 0x"));
    EXPECT_THAT(info.out, HasSubstr("uboot: absent, start 0, size 0, crc 0x00000000\n"));
    EXPECT_THAT(info.out, HasSubstr("oem: present, start 7256, size 3, crc 0x"));
    EXPECT_THAT(info.out, HasSubstr("kernel text: Linux 3.4\nrootfs text: IPC-HX3 门口\n"));
    EXPECT_THAT(info.out, testing::EndsWith("verdict: valid\n"));

    std::string bytes = test::ReadFile(m_image);
    bytes[300] = static_cast<char>(bytes[300] ^ 0x20); // inside the rootfs text
    ASSERT_TRUE(test::WriteFile(m_image, bytes));
    info = RunZkdevcli({QStringLiteral("fw-info"), Q(m_image)});
    EXPECT_EQ(info.status, kExitFailed);
    EXPECT_THAT(info.out, StartsWith("crc error\nfile: "));
    EXPECT_THAT(info.out, testing::EndsWith("verdict: invalid (crc error)\n"));
    EXPECT_THAT(info.err, HasSubstr("not a valid firmware image (crc error)"));
}

TEST_F(FirmwareCommandsTest, InfoPrintsTheReadersFindingLineFirstAndStillAcceptsSizeErrors) {
    ASSERT_EQ(Make({QStringLiteral("--rootfs"), Q(m_folder / "rootfs")}).status, kExitOk);
    ASSERT_TRUE(test::WriteFile(m_image, test::ReadFile(m_image) + "junk"));
    const CliRunResult info = RunZkdevcli({QStringLiteral("fw-info"), Q(m_image)});
    EXPECT_EQ(info.status, kExitOk);
    EXPECT_THAT(info.out, StartsWith("size error(header->file_size = 2256, total_size = 2260\nfile: "));
    EXPECT_THAT(info.out, testing::EndsWith("verdict: valid (total size differs from file length)\n"));

    const CliRunResult missing = RunZkdevcli({QStringLiteral("fw-info"), Q(m_folder / "missing")});
    EXPECT_EQ(missing.status, kExitFailed);
    EXPECT_EQ(missing.out, "open file (" + m_folder / "missing" + ") fail(No such file or directory)\nfile: " +
                               m_folder / "missing" + "\nverdict: invalid (open failed)\n");
}

TEST_F(FirmwareCommandsTest, InfoJsonCarriesTheLinesFieldsAndVerdict) {
    ASSERT_EQ(Make({QStringLiteral("--kernel"), Q(m_folder / "kernel"), QStringLiteral("--magic"),
                    QStringLiteral("FIRMWARE")})
                  .status,
              kExitOk);
    CliRunResult info = RunZkdevcli({QStringLiteral("fw-info"), QStringLiteral("--json"), Q(m_image)});
    ASSERT_EQ(info.status, kExitOk) << info.err;
    QJsonObject root = QJsonDocument::fromJson(QByteArray::fromStdString(info.out)).object();
    EXPECT_TRUE(root.value(u"valid").toBool());
    EXPECT_EQ(root.value(u"lines").toArray(), QJsonArray());
    const QJsonObject header = root.value(u"header").toObject();
    EXPECT_EQ(header.value(u"magic").toString(), u"FIRMWARE");
    EXPECT_EQ(header.value(u"totalSize").toInteger(), 6556);
    EXPECT_EQ(header.value(u"partFlags").toInteger(), 1);
    const QJsonObject kernel = header.value(u"parts").toArray().at(0).toObject();
    EXPECT_EQ(kernel.value(u"type").toString(), u"kernel");
    EXPECT_EQ(kernel.value(u"start").toInteger(), 1556);
    EXPECT_EQ(kernel.value(u"size").toInteger(), 5000);
    EXPECT_EQ(header.value(u"headerCrc"), header.value(u"computedHeaderCrc"));

    ASSERT_TRUE(test::WriteFile(m_image, test::ReadFile(m_image).substr(0, 1000)));
    info = RunZkdevcli({QStringLiteral("fw-info"), QStringLiteral("--json"), Q(m_image)});
    EXPECT_EQ(info.status, kExitFailed);
    root = QJsonDocument::fromJson(QByteArray::fromStdString(info.out)).object();
    EXPECT_FALSE(root.value(u"valid").toBool(true));
    EXPECT_EQ(root.value(u"lines").toArray(), QJsonArray{QStringLiteral("read error")});
    EXPECT_FALSE(root.contains(u"header"));
}

TEST_F(FirmwareCommandsTest, MakeRefusesBadOptionsAndWritesNothingOnFailure) {
    const QString kernel = Q(m_folder / "kernel");
    struct Case {
        QStringList arguments;
        int status;
        const char* message;
    };
    const Case cases[] = {
        {{QStringLiteral("fw-make"), QStringLiteral("--kernel"), kernel}, kExitUsage, "no output file given"},
        {{QStringLiteral("fw-make"), QStringLiteral("-o"), Q(m_image)}, kExitUsage, "no part given"},
        {{QStringLiteral("fw-make"), QStringLiteral("-o"), Q(m_image), QStringLiteral("--kernel"), kernel,
          QStringLiteral("--rootfs-text"), QStringLiteral("x")},
         kExitUsage,
         "--rootfs-text needs --rootfs"},
        {{QStringLiteral("fw-make"), QStringLiteral("-o"), Q(m_image), QStringLiteral("--kernel"), kernel,
          QStringLiteral("--kernel-text"), QString(128, QChar(u'门'))},
         kExitUsage,
         "longer than 255 bytes"},
        {{QStringLiteral("fw-make"), QStringLiteral("-o"), Q(m_image), QStringLiteral("--kernel"),
          Q(m_folder / "missing")},
         kExitFailed,
         "No such file or directory"},
    };
    for (const Case& c : cases) {
        const CliRunResult result = RunZkdevcli(c.arguments);
        EXPECT_EQ(result.status, c.status) << c.message;
        EXPECT_THAT(result.err, HasSubstr(c.message));
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(test::ReadFile(m_image), "") << c.message;
    }
    // 127 two-byte characters fit the field exactly.
    EXPECT_EQ(
        Make({QStringLiteral("--kernel"), kernel, QStringLiteral("--kernel-text"), QString(127, QChar(u'门'))}).status,
        kExitOk);
}

} // namespace
} // namespace zk::cli

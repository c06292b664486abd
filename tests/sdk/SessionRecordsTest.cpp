// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/SessionRecords.h"

#include "sdk/AlarmRecord.h"
#include "sdk/DeviceSdk.h"
#include "support/FuzzDriver.h"

#include <gtest/gtest.h>

#include <string>

namespace zk::sdk {
namespace {

std::string Str(const QByteArray& bytes) {
    return bytes.toStdString();
}

TEST(SessionRecordsTest, InformationalAnswersKeepOnlyTheirAttribute) {
    EXPECT_EQ(Str(ReduceInfoAnswer(1012, R"(<RESPONSE_PARAM FileSystemVersion="V5.3.2" Other="x"/>)")), "V5.3.2");
    EXPECT_EQ(Str(ReduceInfoAnswer(1095, R"(<RESPONSE_PARAM FileSystemVersion="AF&amp;1"/>)")), "AF&1");
    EXPECT_EQ(Str(ReduceInfoAnswer(1019, R"(<?xml version="1.0"?><RESPONSE_PARAM SerialNumber="SN"/>)")), "SN");
    EXPECT_EQ(Str(ReduceInfoAnswer(1019, R"(<RESPONSE_PARAM FileSystemVersion="V"/>)")), "");
    EXPECT_EQ(Str(ReduceInfoAnswer(1012, R"(<OTHER FileSystemVersion="V"/>)")), "") << "another root";
    EXPECT_EQ(Str(ReduceInfoAnswer(1012, R"(<RESPONSE_PARAM FileSystemVersion="V")")), "") << "no parse";
    EXPECT_EQ(Str(ReduceInfoAnswer(1012, "")), "");
    const std::string longVersion(300, 'v');
    EXPECT_EQ(Str(ReduceInfoAnswer(1012, "<RESPONSE_PARAM FileSystemVersion=\"" + longVersion + "\"/>")),
              std::string(kInfoAnswerMaxBytes, 'v'));
}

TEST(SessionRecordsTest, RecordsCopyTextsToTheirZeroAndBinaryPayloadsByTheirSize) {
    const std::string text("cap\0hidden", 10);
    const AuxRecord answer = MakeAuxRecord(7, PackAuxWord(1020, 1), text.data(), static_cast<int>(text.size()));
    EXPECT_EQ(answer.handle, 7);
    EXPECT_EQ(answer.code, 1020);
    EXPECT_EQ(answer.result, 1);
    EXPECT_EQ(Str(answer.payload), "cap");
    const AuxRecord version = MakeAuxRecord(7, PackAuxWord(1012, 0), R"(<RESPONSE_PARAM FileSystemVersion="V"/>)", 39);
    EXPECT_EQ(Str(version.payload), "V");

    const std::string huge(kPayloadAreaBytes + 50, 't');
    EXPECT_EQ(MakeStatusRecord(1, 16, huge.data(), static_cast<int>(huge.size())).payload.size(),
              static_cast<qsizetype>(kPayloadAreaBytes - 1));
    const std::string alarm(kAlarmRecordBytes + 10, '\0');
    EXPECT_EQ(MakeStatusRecord(1, kEventAlarm, alarm.data(), static_cast<int>(alarm.size())).payload.size(),
              static_cast<qsizetype>(kAlarmRecordBytes))
        << "zero bytes belong to a binary record";
    EXPECT_EQ(MakeStatusRecord(1, kEventBinary30, alarm.data(), 20).payload.size(), 20) << "never more than arrived";
    EXPECT_TRUE(MakeStatusRecord(1, 4, nullptr, 5).payload.isEmpty());
}

TEST(SessionRecordsTest, AnyAnswerOrEventBytesAreCopiedSafely) {
    const std::vector<std::string> seeds = {
        R"(<RESPONSE_PARAM FileSystemVersion="V5.3.2.20240815"/>)",
        R"(<?xml version="1.0" encoding="GB2312"?><RESPONSE_PARAM SerialNumber="ZKSIM000001"><A/></RESPONSE_PARAM>)",
        "create_timelapse,export_record",
    };
    const int codes[] = {1012, 1019, 1095, 1020, 223};
    std::size_t round = 0;
    test::RunMutations(seeds, 100000, 9, [&](std::string_view input) {
        const int code = codes[round++ % std::size(codes)];
        const AuxRecord record = MakeAuxRecord(3, PackAuxWord(code, 0), input.data(), static_cast<int>(input.size()));
        ASSERT_LE(record.payload.size(), static_cast<qsizetype>(kPayloadAreaBytes - 1));
        if (code != 1020 && code != 223) {
            ASSERT_LE(record.payload.size(), static_cast<qsizetype>(kInfoAnswerMaxBytes));
        }
        const StatusRecord event =
            MakeStatusRecord(3, round % 2 == 0 ? kEventAlarm : 16, input.data(), static_cast<int>(input.size()));
        ASSERT_LE(event.payload.size(), static_cast<qsizetype>(input.size()));
    });
}

} // namespace
} // namespace zk::sdk

// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/SessionMessages.h"

#include "base/FixedText.h"
#include "sdk/AlarmRecord.h"

#include <gtest/gtest.h>

#include <cstring>

namespace zk::sdk {
namespace {

TEST(SessionMessagesTest, LoginRequestCarriesUserNonceAndProofOnly) {
    LoginRequestMessage request;
    request.user = "admin";
    request.clientNonce.fill(0x11);
    request.proof.fill(0x22);
    const std::string payload = EncodeLoginRequest(request);
    EXPECT_EQ(payload.size(), 1 + 5 + kNonceBytes + kProofBytes);
    LoginRequestMessage parsed;
    ASSERT_EQ(ParseLoginRequest(payload, parsed), 0);
    EXPECT_EQ(parsed.user, "admin");
    EXPECT_EQ(parsed.clientNonce, request.clientNonce);
    EXPECT_EQ(parsed.proof, request.proof);
}

TEST(SessionMessagesTest, LoginRequestRefusesEmptyLongAndEmbeddedZeroUsers) {
    LoginRequestMessage request;
    request.user = std::string(kMaxUserBytes, 'u');
    LoginRequestMessage parsed;
    EXPECT_EQ(ParseLoginRequest(EncodeLoginRequest(request), parsed), 0);

    std::string tooLong = EncodeLoginRequest(request);
    tooLong[0] = static_cast<char>(kMaxUserBytes + 1);
    tooLong.insert(1, "u");
    EXPECT_EQ(ParseLoginRequest(tooLong, parsed), -1);

    request.user = std::string("ad\0min", 6);
    EXPECT_EQ(ParseLoginRequest(EncodeLoginRequest(request), parsed), -1) << "a zero byte inside the name";

    std::string empty(1 + kNonceBytes + kProofBytes, '\0');
    EXPECT_EQ(ParseLoginRequest(empty, parsed), -1);
    EXPECT_EQ(ParseLoginRequest(EncodeLoginRequest(request).substr(0, 10), parsed), -1) << "cut short";
}

TEST(SessionMessagesTest, RequestsKeepCodeChannelAndTextAndRefuseCodesBeyond24Bits) {
    const RequestMessage request{Operation::SetDVRConfig, 0xABCDEF, -1, "<MiscConfig Language=\"en-us\" />"};
    RequestMessage parsed;
    ASSERT_EQ(ParseRequest(EncodeRequest(request), parsed), 0);
    EXPECT_EQ(parsed.operation, Operation::SetDVRConfig);
    EXPECT_EQ(parsed.code, 0xABCDEFu);
    EXPECT_EQ(parsed.channel, -1);
    EXPECT_EQ(parsed.text, request.text);

    std::string wide = EncodeRequest(request);
    wide[4] = 1; // code 0x01ABCDEF
    EXPECT_EQ(ParseRequest(wide, parsed), -1);
    std::string unknown = EncodeRequest(request);
    unknown[0] = 99;
    EXPECT_EQ(ParseRequest(unknown, parsed), -1);
    const RequestMessage huge{Operation::SetDVRConfig, 1, 0, std::string(kMaxRequestTextBytes + 1, 'x')};
    EXPECT_EQ(ParseRequest(EncodeRequest(huge), parsed), -1);
}

TEST(SessionMessagesTest, TimeRecordRoundTripsAndAlwaysEndsItsText) {
    TimeManualConfig time{};
    base::CopyBounded(time.LocalTime, "20250106 11:55:40");
    time.Zone = 1200;
    TimeManualConfig parsed{};
    ASSERT_EQ(ParseTimeRecord(EncodeTimeRecord(time), parsed), 0);
    EXPECT_EQ(base::FieldText(parsed.LocalTime), "20250106 11:55:40");
    EXPECT_EQ(parsed.Zone, 1200);

    std::string unterminated(kTimeTextBytes, 'x');
    unterminated += std::string("\0\0\x02\x1c", 4);
    ASSERT_EQ(ParseTimeRecord(unterminated, parsed), 0);
    EXPECT_EQ(base::FieldText(parsed.LocalTime).size(), kTimeTextBytes - 1);
    EXPECT_EQ(parsed.Zone, 540);
    EXPECT_EQ(ParseTimeRecord("short", parsed), -1);
}

TEST(SessionMessagesTest, AlarmRecordIsBigEndianOnTheWireAndNativeInMemory) {
    AlarmRecord alarm{};
    alarm.AlarmCode = 21;
    alarm.ObjectClass = 2;
    alarm.Value = -5;
    alarm.Time = 0x0000000167891234LL;
    base::CopyBounded(alarm.Text, "@@alarmjpg1=/snap/1.jpg");
    const std::string wire = EncodeAlarmRecord(alarm);
    ASSERT_EQ(wire.size(), kAlarmRecordBytes);
    EXPECT_EQ(wire.substr(0, 4), std::string("\0\0\0\x15", 4)) << "the alarm code leads the record";
    EXPECT_EQ(wire.substr(16, 8), std::string("\0\0\0\x01\x67\x89\x12\x34", 8));

    AlarmRecord decoded{};
    ASSERT_EQ(DecodeAlarmRecord(wire, decoded), 0);
    EXPECT_EQ(decoded.AlarmCode, 21);
    EXPECT_EQ(decoded.ObjectClass, 2);
    EXPECT_EQ(decoded.Value, -5);
    EXPECT_EQ(decoded.Time, alarm.Time);
    EXPECT_EQ(base::FieldText(decoded.Text), "@@alarmjpg1=/snap/1.jpg");

    std::string filled(kAlarmRecordBytes, 'A');
    ASSERT_EQ(DecodeAlarmRecord(filled, decoded), 0);
    EXPECT_EQ(base::FieldText(decoded.Text).size(), sizeof(decoded.Text) - 1) << "text ends inside its field";
    EXPECT_EQ(DecodeAlarmRecord(filled + "A", decoded), -1);
}

} // namespace
} // namespace zk::sdk

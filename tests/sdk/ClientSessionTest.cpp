// SPDX-License-Identifier: GPL-3.0-or-later
// The client's protocol state machine against the simulator's device side, joined in memory, and
// against device messages made by hand where a real device would not send them.
#include "sdk/ClientSession.h"

#include "devsim/SessionLink.h"
#include "sdk/AlarmRecord.h"
#include "support/FuzzDriver.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>

namespace zk::sdk {
namespace {

using namespace std::chrono_literals;
using test::SessionLink;
using ::testing::ElementsAre;

RequestMessage Control(int code, std::string text = "RESPONSE_PARAM") {
    return RequestMessage{Operation::SystemControl, static_cast<std::uint32_t>(code), 0, std::move(text)};
}

TEST(ClientSessionTest, LogsInAndGetsAnswersUnderTheirCodes) {
    SessionLink link;
    link.Connect();
    ASSERT_THAT(link.StatusEvents(), ElementsAre(kEventLoggedIn));
    EXPECT_TRUE(link.Client().LoggedIn());

    ASSERT_EQ(link.Request(Control(1012)), 0);
    ASSERT_EQ(link.Request(RequestMessage{Operation::GetDVRConfig, 504, 0, {}}), 0);
    ASSERT_EQ(link.Request(Control(4242)), 0);
    ASSERT_THAT(link.AnswerWords(), ElementsAre(PackAuxWord(1012, kResultOk), PackAuxWord(504, kResultOk),
                                                PackAuxWord(4242, kResultUnsupported)));
    EXPECT_EQ(link.notices[1].payload, "<RESPONSE_PARAM FileSystemVersion=\"V5.3.2.20240815\"/>");
    EXPECT_EQ(link.notices[2].payload.rfind("<Video>", 0), 0u) << link.notices[2].payload;
    EXPECT_EQ(AuxCode(link.AnswerWords()[2]), 4242);
    EXPECT_EQ(AuxResult(link.AnswerWords()[2]), kResultUnsupported);
}

TEST(ClientSessionTest, LockedAccountIsReportedLikeAWrongPasswordEvenWithTheRightOne) {
    SessionLink link;
    link.Device().NoteLoginFailure(link.Now(), 1, 60s);
    link.Connect();
    EXPECT_THAT(link.StatusEvents(), ElementsAre(kEventWrongPassword));
    EXPECT_FALSE(link.retry);
}

TEST(ClientSessionTest, DeviceThatCannotProveTheKeyIsNotTrusted) {
    SessionLink link;
    link.Client().Start(link.Now());
    ChallengeMessage challenge;
    challenge.iterations = kMinKeyIterations;
    link.FromDevice(EncodeFrame(MessageType::Challenge, 0, EncodeChallenge(challenge)));
    LoginResultMessage result; // status Ok, but no valid proof
    link.FromDevice(EncodeFrame(MessageType::LoginResult, 0, EncodeLoginResult(result)));
    EXPECT_THAT(link.StatusEvents(), ElementsAre(kEventCannotConnect));
    EXPECT_TRUE(link.retry);
    EXPECT_FALSE(link.Client().LoggedIn());
}

TEST(ClientSessionTest, ChallengeWithTooFewOrTooManyIterationsIsRefused) {
    for (const std::uint32_t iterations : {kMinKeyIterations - 1, kMaxKeyIterations + 1}) {
        SessionLink link;
        link.Client().Start(link.Now());
        ChallengeMessage challenge;
        challenge.iterations = iterations;
        link.FromDevice(EncodeFrame(MessageType::Challenge, 0, EncodeChallenge(challenge)));
        EXPECT_THAT(link.StatusEvents(), ElementsAre(kEventCannotConnect)) << iterations;
        EXPECT_TRUE(link.clientBytes.empty()) << "no login request for a bad challenge";
    }
}

TEST(ClientSessionTest, KeepAlivesKeepTheSessionAndSilenceEndsItWithEvent5) {
    SessionTimings timings;
    timings.keepAliveIntervalMs = 1000;
    timings.keepAliveTimeoutMs = 3000;
    SessionLink link("507913", {}, timings);
    link.Connect();
    for (int i = 0; i < 10; ++i) {
        link.Advance(1000ms);
        link.Tick();
    }
    EXPECT_THAT(link.StatusEvents(), ElementsAre(kEventLoggedIn)) << "acknowledged keep-alives";

    devsim::DeviceProfile stalled = test::TestProfile();
    stalled.bad.Add(devsim::BadKind::SessionStall); // acknowledges nothing once logged in
    SessionLink silent("507913", {}, timings, stalled);
    silent.Connect();
    silent.Advance(1000ms);
    silent.Tick();
    silent.Advance(1999ms);
    silent.Tick();
    EXPECT_THAT(silent.StatusEvents(), ElementsAre(kEventLoggedIn));
    silent.Advance(1ms);
    silent.Tick();
    EXPECT_THAT(silent.StatusEvents(), ElementsAre(kEventLoggedIn, kEventKeepAliveTimeout));
    EXPECT_TRUE(silent.retry);
}

TEST(ClientSessionTest, UnansweredRequestsAreAnsweredNoAnswerOnTimeoutAndOnConnectionLoss) {
    SessionTimings timings;
    timings.requestTimeoutMs = 5000;
    SessionLink link("507913", {}, timings);
    link.Connect();
    ClientOutput out;
    // Requests the link never delivers, as if the device had not answered.
    ASSERT_EQ(link.Client().Request(Control(1019), true, link.Now(), out), 0);
    ASSERT_EQ(link.Client().Request(Control(1020), true, link.Now() + 3000ms, out), 0);
    ASSERT_EQ(link.Client().Request(RequestMessage{Operation::Reboot, 0, 0, {}}, false, link.Now(), out), 0);
    link.Advance(5000ms);
    link.Tick();
    EXPECT_THAT(link.AnswerWords(), ElementsAre(PackAuxWord(1019, kResultNoAnswer))) << "only the reported one";

    ClientOutput closed;
    link.Client().Closed(link.Now(), closed);
    ASSERT_EQ(closed.notices.size(), 2u);
    EXPECT_EQ(closed.notices[0].eventType, kEventConnectionLost);
    EXPECT_EQ(closed.notices[1].word, PackAuxWord(1020, kResultNoAnswer));

    // An answer that comes after its request was given up is dropped.
    const std::string late = EncodeFrame(MessageType::Answer, 1, EncodeAnswer({Operation::SystemControl, 0, 1019, {}}));
    link.Connect();
    const std::size_t before = link.notices.size();
    link.FromDevice(late);
    EXPECT_EQ(link.notices.size(), before);
}

TEST(ClientSessionTest, AlarmArrivesAsTheNativeRecordAndForgedSessionEventsAreIgnored) {
    SessionLink link;
    link.Connect();
    AlarmRecord alarm{};
    alarm.AlarmCode = 22;
    alarm.ObjectClass = 7;
    devsim::DeviceOutput out;
    link.DeviceSide()->Push(EventMessage{23, EncodeAlarmRecord(alarm)}, out);
    link.DeviceSide()->Push(EventMessage{4, {}}, out);  // only the library says "logged in"
    link.DeviceSide()->Push(EventMessage{31, {}}, out); // ... or "wrong password"
    link.DeviceSide()->Push(EventMessage{23, "short"}, out);
    link.DeviceSide()->Push(EventMessage{16, "<RESPONSE_PARAM LocalFileName=\"a\" />"}, out);
    link.FromDevice(out.bytes);
    ASSERT_THAT(link.StatusEvents(), ElementsAre(kEventLoggedIn, kEventAlarm, 16));
    const ClientNotice& notice = link.notices[1];
    ASSERT_EQ(notice.payload.size(), sizeof(AlarmRecord));
    AlarmRecord received{};
    std::memcpy(&received, notice.payload.data(), sizeof(received));
    EXPECT_EQ(received.AlarmCode, 22);
    EXPECT_EQ(received.ObjectClass, 7);
    EXPECT_EQ(link.notices[2].payload, "<RESPONSE_PARAM LocalFileName=\"a\" />");
}

// Whatever a device sends, before or after the login: no crash, at most one end of the
// connection, and the only session events are the one that ends it and the login.
TEST(ClientSessionTest, SurvivesMutatedDeviceMessages) {
    AlarmRecord alarm{};
    alarm.AlarmCode = 14;
    const std::vector<std::string> seeds = {
        EncodeFrame(MessageType::Answer, 1, EncodeAnswer({Operation::SystemControl, 0, 1012, "<RESPONSE_PARAM />"})),
        EncodeFrame(MessageType::Answer, 2, EncodeAnswer({Operation::GetDVRConfig, 0, 504, "<Video />"})),
        EncodeFrame(MessageType::Event, 0, EncodeEvent({23, EncodeAlarmRecord(alarm)})),
        EncodeFrame(MessageType::KeepAliveAck, 3, {}) + EncodeFrame(MessageType::Logout, 0, EncodeLogout({})),
        EncodeFrame(MessageType::Challenge, 0, EncodeChallenge({})),
    };
    SessionLink link;
    std::size_t ends = 0;
    test::RunMutations(seeds, 100000, 21, [&](std::string_view input) {
        if (!link.Client().LoggedIn()) {
            link.notices.clear();
            link.Connect();
            ASSERT_TRUE(link.Client().LoggedIn());
        }
        link.notices.clear();
        link.ended = false;
        link.Request(Control(1012));
        link.Request(RequestMessage{Operation::GetDVRConfig, 504, 0, {}});
        link.notices.clear();
        ClientOutput out;
        link.Client().Receive(input, link.Now(), out);
        int sessionEvents = 0;
        for (const ClientNotice& notice : out.notices) {
            if (notice.kind == ClientNotice::Kind::Status &&
                (notice.eventType == kEventConnectionLost || notice.eventType == kEventLoggedOutByDevice ||
                 notice.eventType == kEventCannotConnect || notice.eventType == kEventKeepAliveTimeout ||
                 notice.eventType == kEventWrongPassword || notice.eventType == kEventLoggedIn)) {
                ++sessionEvents;
            }
            if (notice.kind == ClientNotice::Kind::Status && notice.eventType == kEventAlarm) {
                ASSERT_EQ(notice.payload.size(), sizeof(AlarmRecord));
            }
        }
        ASSERT_EQ(sessionEvents, out.ended ? 1 : 0);
        ends += out.ended ? 1 : 0;
    });
    EXPECT_GT(ends, 1000u) << "the mutations must reach the ends of sessions";
}

} // namespace
} // namespace zk::sdk

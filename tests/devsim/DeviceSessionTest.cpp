// SPDX-License-Identifier: GPL-3.0-or-later
#include "devsim/DeviceSession.h"

#include "base/FixedText.h"
#include "devsim/SessionLink.h"
#include "sdk/DeviceSdk.h"
#include "sdk/config/SdkStructures.h"
#include "support/FuzzDriver.h"

#include <gtest/gtest.h>

#include <array>

namespace zk::devsim {
namespace {

using namespace std::chrono_literals;
using sdk::EncodeFrame;
using sdk::Frame;
using sdk::MessageType;
using sdk::Operation;

// One connection to a device, driven by frames the test makes.
class DeviceSessionTest : public ::testing::Test {
protected:
    void SetUp() override { Connect(); }

    void Connect() {
        m_session = std::make_unique<DeviceSession>(m_device, m_settings, m_random);
        DeviceOutput out;
        m_session->Start(m_now, out);
        const auto frames = Frames(out.bytes);
        ASSERT_EQ(frames.size(), 1u);
        ASSERT_EQ(frames[0].type, MessageType::Challenge);
        ASSERT_EQ(sdk::ParseChallenge(frames[0].payload, m_challenge), 0);
    }

    static std::vector<Frame> Frames(const std::string& bytes) {
        sdk::FrameDecoder decoder;
        decoder.Append(bytes);
        std::vector<Frame> frames;
        Frame frame;
        while (decoder.Next(frame) == sdk::FrameDecoder::Status::Frame) {
            frames.push_back(frame);
        }
        return frames;
    }

    std::string LoginFrame(const std::string& user, const std::string& password) const {
        sdk::LoginKey key{};
        sdk::DeriveLoginKey(password, m_challenge.salt, m_challenge.iterations, key);
        sdk::LoginRequestMessage request;
        request.user = user;
        request.clientNonce.fill(0x42);
        request.proof = sdk::ClientProof(key, m_challenge.nonce, request.clientNonce, user);
        return EncodeFrame(MessageType::LoginRequest, 0, sdk::EncodeLoginRequest(request));
    }

    DeviceOutput Send(const std::string& bytes) {
        DeviceOutput out;
        m_session->Receive(bytes, m_now, out);
        return out;
    }

    sdk::LoginStatus Login(const std::string& user = "admin", const std::string& password = "507913") {
        const DeviceOutput out = Send(LoginFrame(user, password));
        const auto frames = Frames(out.bytes);
        sdk::LoginResultMessage result;
        EXPECT_EQ(frames.size(), 1u);
        EXPECT_EQ(sdk::ParseLoginResult(frames.at(0).payload, result), 0);
        EXPECT_EQ(out.close, result.status != sdk::LoginStatus::Ok);
        return result.status;
    }

    sdk::AnswerMessage Ask(Operation operation, int code, const std::string& text = {}) {
        const DeviceOutput out = Send(EncodeFrame(
            MessageType::Request, 9, sdk::EncodeRequest({operation, static_cast<std::uint32_t>(code), 0, text})));
        const auto frames = Frames(out.bytes);
        sdk::AnswerMessage answer;
        EXPECT_EQ(frames.size(), 1u);
        EXPECT_EQ(frames.at(0).sequence, 9u) << "the answer carries the request's sequence";
        EXPECT_EQ(sdk::ParseAnswer(frames.at(0).payload, answer), 0);
        return answer;
    }

    SessionSettings m_settings;
    std::mt19937_64 m_random{3};
    SimClock::time_point m_now = SimClock::now();
    SimDevice m_device{test::TestProfile(), m_now};
    std::unique_ptr<DeviceSession> m_session;
    sdk::ChallengeMessage m_challenge;
};

TEST_F(DeviceSessionTest, EachConnectionGetsAFreshNonceAndTheDevicesSalt) {
    const sdk::ChallengeMessage first = m_challenge;
    Connect();
    EXPECT_NE(first.nonce, m_challenge.nonce);
    EXPECT_EQ(first.salt, m_challenge.salt);
    EXPECT_EQ(m_challenge.iterations, kDeviceKeyIterations);
}

TEST_F(DeviceSessionTest, WrongUserOrPasswordIsRefusedAndTheConnectionCloses) {
    EXPECT_EQ(Login("admin", "wrong"), sdk::LoginStatus::WrongCredentials);
    EXPECT_FALSE(m_session->LoggedIn());
    // One attempt per connection: a second login on it is not even read.
    EXPECT_TRUE(Send(LoginFrame("admin", "507913")).bytes.empty());
    Connect();
    EXPECT_EQ(Login("root", "507913"), sdk::LoginStatus::WrongCredentials);
    Connect();
    EXPECT_EQ(Login(), sdk::LoginStatus::Ok);
    EXPECT_EQ(m_device.SessionCount(), 1);
    m_session.reset();
    EXPECT_EQ(m_device.SessionCount(), 0) << "a closed session stops counting";
}

TEST_F(DeviceSessionTest, AProofFromAnotherConnectionIsNotAccepted) {
    const std::string replayed = LoginFrame("admin", "507913");
    Connect(); // a new nonce
    const DeviceOutput out = Send(replayed);
    sdk::LoginResultMessage result;
    ASSERT_EQ(sdk::ParseLoginResult(Frames(out.bytes).at(0).payload, result), 0);
    EXPECT_EQ(result.status, sdk::LoginStatus::WrongCredentials);
}

TEST_F(DeviceSessionTest, RepeatedFailuresLockTheAccountForAWhile) {
    m_settings.lockAfter = 3;
    m_settings.lockSeconds = 60;
    for (int i = 0; i < 3; ++i) {
        Connect();
        EXPECT_EQ(Login("admin", "guess" + std::to_string(i)), sdk::LoginStatus::WrongCredentials);
    }
    Connect();
    EXPECT_EQ(Login(), sdk::LoginStatus::Locked) << "even the right password";
    m_now += 61s;
    Connect();
    EXPECT_EQ(Login(), sdk::LoginStatus::Ok);
}

TEST_F(DeviceSessionTest, TooManySessionsAreAnsweredBusy) {
    m_settings.maxSessionsPerDevice = 2;
    std::vector<std::unique_ptr<DeviceSession>> kept;
    for (int i = 0; i < 2; ++i) {
        Connect();
        ASSERT_EQ(Login(), sdk::LoginStatus::Ok);
        kept.push_back(std::move(m_session));
    }
    Connect();
    EXPECT_EQ(Login(), sdk::LoginStatus::Busy);
}

TEST_F(DeviceSessionTest, RequestsBeforeTheLoginCloseTheConnection) {
    const DeviceOutput out =
        Send(EncodeFrame(MessageType::Request, 1, sdk::EncodeRequest({Operation::Reboot, 0, 0, {}})));
    EXPECT_TRUE(out.close);
    EXPECT_TRUE(out.bytes.empty());
    EXPECT_EQ(out.action, DeviceAction::None);
    ASSERT_EQ(out.records.size(), 1u);
    EXPECT_EQ(out.records[0].message, "invalid");
}

TEST_F(DeviceSessionTest, InformationCodesAnswerWhatTheToolReads) {
    ASSERT_EQ(Login(), sdk::LoginStatus::Ok);
    m_device.ClearSerial();
    EXPECT_EQ(Ask(Operation::SystemControl, 1019, "RESPONSE_PARAM").payload,
              "<RESPONSE_PARAM SerialNumber=\"ZKSIM000001\"/>")
        << "its own serial number, also once the search serial is cleared";
    EXPECT_EQ(Ask(Operation::SystemControl, 1095).payload, "<RESPONSE_PARAM FileSystemVersion=\"AF_V1.2.0\"/>");
    const std::string capability = Ask(Operation::SystemControl, 1020).payload;
    EXPECT_NE(capability.find("create_timelapse"), std::string::npos) << capability;
    EXPECT_NE(capability.find("export_record"), std::string::npos);
    EXPECT_EQ(Ask(Operation::SystemControl, 9999).result, sdk::kResultUnsupported);
    EXPECT_EQ(Ask(Operation::SystemControl, 1042, "<REQUEST_PARAM ChannelNo=\"0\"Output=\"1\"/>\n").result,
              sdk::kResultOk);
}

TEST_F(DeviceSessionTest, ControlsChangeTheDevice) {
    ASSERT_EQ(Login(), sdk::LoginStatus::Ok);
    EXPECT_EQ(Ask(Operation::SystemControl, 1094, "<REQUEST_PARAM Mode=\"1\"/>\n").result, sdk::kResultOk);
    EXPECT_TRUE(m_device.FactoryMode());
    EXPECT_EQ(m_device.Config().Value("SystemConfig/FactoryConfig", "Mode"), "1");
    EXPECT_EQ(Ask(Operation::SystemControl, 1094, "<REQUEST_PARAM Mode=\"2\"/>").result, sdk::kResultBadRequest);
    EXPECT_EQ(Ask(Operation::SystemControl, 1046, "<REQUEST_PARAM Mode=\"NightMode\" />\n").result, sdk::kResultOk);
    EXPECT_EQ(m_device.Config().Value("MediaConfig/Video/Capture", "DayNight"), "NightMode");
    EXPECT_EQ(Ask(Operation::SystemControl, 1046, "NightMode").result, sdk::kResultBadRequest);
    EXPECT_EQ(Ask(Operation::SystemControl, 1119,
                  "<REQUEST_PARAM web_defalut_language=\"4\" is_KC_web=\"0\" Language=\"german\" />")
                  .result,
              sdk::kResultOk);
    EXPECT_EQ(m_device.Config().Value("SystemConfig/MiscConfig", "WebLanguage"), "4");
    EXPECT_EQ(m_device.Config().Value("SystemConfig/MiscConfig", "WebLanguageName"), "german");

    // The IO output text has no blank between two attributes; devices take it all the same.
    EXPECT_EQ(Ask(Operation::SystemControl, 1042, "<REQUEST_PARAM ChannelNo=\"0\"Output=\"1\"/>\n").result,
              sdk::kResultOk);
    EXPECT_EQ(m_device.Config().Value("SystemConfig/IOConfig", "Output"), "1");
    EXPECT_EQ(Ask(Operation::SystemControl, 1042, "<REQUEST_PARAM ChannelNo=\"0\"Output=\"0\"/>\n").result,
              sdk::kResultOk);
    EXPECT_EQ(m_device.Config().Value("SystemConfig/IOConfig", "Output"), "0");
    EXPECT_EQ(Ask(Operation::SystemControl, 1042, "<REQUEST_PARAM ChannelNo=\"0\"Output=\"2\"/>\n").result,
              sdk::kResultBadRequest);
    EXPECT_EQ(Ask(Operation::SystemControl, 1042, "").result, sdk::kResultBadRequest);
    EXPECT_EQ(m_device.Config().Value("SystemConfig/IOConfig", "Output"), "0") << "a refused request changes nothing";

    EXPECT_EQ(Ask(Operation::SetDVRConfig, 228, "<MaintainConfig\tEnable=\"1\" Day=\"3\" Time=\"04:30:00\" />").result,
              sdk::kResultOk);
    EXPECT_EQ(m_device.Config().Value("SystemConfig/MaintainConfig", "Day"), "3");
    EXPECT_EQ(Ask(Operation::SetDVRConfig, 335, "<P2PConfig Enable=\"0\" Type=\"0\" />").result, sdk::kResultOk);
    EXPECT_EQ(m_device.Config().Value("NetworkConfig/P2PConfig", "Enable"), "0");

    ASSERT_EQ(Ask(Operation::SetDVRConfig, 227, "<MiscConfig Language=\"en-us\" />").result, sdk::kResultOk);
    EXPECT_EQ(Ask(Operation::SystemControl, 1002).result, sdk::kResultOk);
    EXPECT_EQ(m_device.Config().Value("SystemConfig/MiscConfig", "Language"), "zh-cn") << "reset to factory values";
    EXPECT_EQ(m_device.Config().Value("SystemConfig/FactoryConfig", "Mode"), "1")
        << "factory mode is no setting: the document keeps showing the device's state";
}

// Image tuning keeps its three values; -1 keeps one as it is. A value out of range (mctf 0 to 11,
// gain in its steps, shutter 1 to 8000), missing or no integer, or a text that is no
// REQUEST_PARAM, refuses the whole request. Catches a partly applied request and -1 written as a
// value.
TEST_F(DeviceSessionTest, ImageTuningIsCheckedAndKept) {
    ASSERT_EQ(Login(), sdk::LoginStatus::Ok);
    const DeviceConfig& config = m_device.Config();
    auto tuning = [&config] {
        const std::string path = "MediaConfig/ImageParam";
        return config.Value(path, "mctf") + " " + config.Value(path, "gain") + " " + config.Value(path, "shuttermax");
    };
    auto tune = [this](const std::string& mctf, const std::string& gain, const std::string& shutter) {
        return Ask(Operation::SystemControl, 1081,
                   "<REQUEST_PARAM mctf=\"" + mctf + "\" gain=\"" + gain + "\" shuttermax=\"" + shutter + "\" />")
            .result;
    };
    EXPECT_EQ(tuning(), "5 30 4000");
    EXPECT_EQ(tune("3", "-1", "2000"), sdk::kResultOk);
    EXPECT_EQ(tuning(), "3 30 2000");
    EXPECT_EQ(tune("-1", "-1", "-1"), sdk::kResultOk);
    EXPECT_EQ(tuning(), "3 30 2000");
    EXPECT_EQ(tune("11", "72", "8000"), sdk::kResultOk);
    EXPECT_EQ(tuning(), "11 72 8000");
    EXPECT_EQ(tune("0", "0", "1"), sdk::kResultOk);
    EXPECT_EQ(tuning(), "0 0 1");

    const std::string document = config.Text();
    const std::vector<std::array<std::string, 3>> refused = {
        {"12", "0", "1"},   {"-2", "0", "1"},  {"0", "20", "1"}, {"0", "-3", "1"}, {"0", "0", "0"},
        {"0", "0", "8001"}, {"1.5", "0", "1"}, {"", "0", "1"},   {"0", "x", "1"},  {"0", "0", " 1"},
    };
    for (const auto& [mctf, gain, shutter] : refused) {
        EXPECT_EQ(tune(mctf, gain, shutter), sdk::kResultBadRequest) << mctf << " " << gain << " " << shutter;
    }
    EXPECT_EQ(Ask(Operation::SystemControl, 1081, "<REQUEST_PARAM mctf=\"1\" gain=\"3\" />").result,
              sdk::kResultBadRequest)
        << "shuttermax missing";
    EXPECT_EQ(Ask(Operation::SystemControl, 1081, "mctf=1 gain=3 shuttermax=5").result, sdk::kResultBadRequest);
    EXPECT_EQ(Ask(Operation::SystemControl, 1081).result, sdk::kResultBadRequest);
    EXPECT_EQ(config.Text(), document) << "a refused request changes nothing";
}

// Presets: a recall of a preset never stored fails; a stored one is recalled; a record of another
// size, another command or a preset outside 1 to 255 changes nothing.
TEST_F(DeviceSessionTest, PresetsAreStoredBeforeTheyCanBeRecalled) {
    ASSERT_EQ(Login(), sdk::LoginStatus::Ok);
    auto preset = [this](int command, int number) {
        return Ask(Operation::PtzPreset, 0, sdk::EncodePtzPreset({command, number})).result;
    };
    EXPECT_EQ(preset(sdk::kPtzGotoPreset, 201), sdk::kResultFailed);
    EXPECT_EQ(preset(sdk::kPtzSetPreset, 201), sdk::kResultOk);
    EXPECT_EQ(preset(sdk::kPtzSetPreset, 201), sdk::kResultOk) << "storing again is no error";
    EXPECT_EQ(preset(sdk::kPtzGotoPreset, 201), sdk::kResultOk);
    EXPECT_EQ(m_device.Config().Value("PTZConfig", "Current"), "201");
    const std::string document = m_device.Config().Text();
    EXPECT_EQ(preset(sdk::kPtzSetPreset, 0), sdk::kResultBadRequest);
    EXPECT_EQ(preset(sdk::kPtzSetPreset, 256), sdk::kResultBadRequest);
    EXPECT_EQ(preset(9, 5), sdk::kResultUnsupported);
    EXPECT_EQ(Ask(Operation::PtzPreset, 0, "\x08").result, sdk::kResultBadRequest);
    EXPECT_EQ(m_device.Config().Text(), document);
    EXPECT_EQ(Ask(Operation::SystemControl, 1002).result, sdk::kResultOk);
    EXPECT_EQ(preset(sdk::kPtzGotoPreset, 201), sdk::kResultFailed) << "a reset forgets the presets";
}

TEST_F(DeviceSessionTest, ManualTimeIsCheckedAndKept) {
    ASSERT_EQ(Login(), sdk::LoginStatus::Ok);
    sdk::TimeManualConfig time{};
    base::CopyBounded(time.LocalTime, "20250106 11:55:40");
    time.Zone = 1020;
    EXPECT_EQ(Ask(Operation::SetTimeManual, 0, sdk::EncodeTimeRecord(time)).result, sdk::kResultOk);
    EXPECT_EQ(m_device.Config().Value("SystemConfig/TimeConfig", "LocalTime"), "20250106 11:55:40");
    EXPECT_EQ(m_device.Config().Value("SystemConfig/TimeConfig", "TimeZone"), "1020");
    base::CopyBounded(time.LocalTime, "2025-01-06 11:55");
    EXPECT_EQ(Ask(Operation::SetTimeManual, 0, sdk::EncodeTimeRecord(time)).result, sdk::kResultBadRequest);
    EXPECT_EQ(Ask(Operation::SetTimeManual, 0, "short").result, sdk::kResultBadRequest);
}

TEST_F(DeviceSessionTest, RebootAndRestoreAreAnsweredThenCarriedOutForTheWholeDevice) {
    ASSERT_EQ(Login(), sdk::LoginStatus::Ok);
    DeviceOutput out = Send(EncodeFrame(MessageType::Request, 4, sdk::EncodeRequest({Operation::Reboot, 0, 0, {}})));
    EXPECT_EQ(out.action, DeviceAction::Reboot);
    ASSERT_EQ(Frames(out.bytes).size(), 1u) << "the answer first; the server then logs every session out";
    out = Send(EncodeFrame(MessageType::Request, 5, sdk::EncodeRequest({Operation::Restore, 0, 0, {}})));
    EXPECT_EQ(out.action, DeviceAction::Restore);

    DeviceOutput ended;
    m_session->End(sdk::LogoutReason::Reboot, ended);
    const auto frames = Frames(ended.bytes);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].type, MessageType::Logout);
    EXPECT_TRUE(ended.close);
}

TEST_F(DeviceSessionTest, IdleSessionsAreLoggedOutAndSilentConnectionsClosed) {
    m_settings.idleTimeoutMs = 1000;
    m_settings.loginTimeoutMs = 500;
    Connect();
    DeviceOutput out;
    m_now += 500ms;
    m_session->Tick(m_now, out);
    EXPECT_TRUE(out.close) << "no login in time";

    Connect();
    ASSERT_EQ(Login(), sdk::LoginStatus::Ok);
    m_now += 900ms;
    Send(EncodeFrame(MessageType::KeepAlive, 1, {}));
    m_now += 900ms;
    DeviceOutput kept;
    m_session->Tick(m_now, kept);
    EXPECT_FALSE(kept.close) << "a keep-alive counts as activity";
    m_now += 100ms;
    DeviceOutput idle;
    m_session->Tick(m_now, idle);
    EXPECT_TRUE(idle.close);
    ASSERT_EQ(Frames(idle.bytes).size(), 1u);
    EXPECT_EQ(Frames(idle.bytes)[0].type, MessageType::Logout);
}

// A device that logs in and then refuses every request: each is answered with result 1 and
// recorded as refused, and nothing changes, not the document, account, factory mode or boot count.
TEST(DeviceSessionBadKindTest, RefuseRequestsAnswersEveryRequestRefusedAndChangesNothing) {
    DeviceProfile profile = test::TestProfile();
    profile.bad.Add(BadKind::SessionRefuseRequests);
    test::SessionLink link("507913", {}, {}, profile);
    link.Connect();
    ASSERT_TRUE(link.DeviceSide()->LoggedIn());
    const std::string document = link.Device().Config().Text();

    sdk::TimeManualConfig time{};
    base::CopyBounded(time.LocalTime, "20250106 11:55:40");
    const std::vector<sdk::RequestMessage> requests = {
        {Operation::GetDVRConfig, 504, 0, {}},
        {Operation::SetDVRConfig, 223, 0, "<UserConfig><Account Username=\"root\" Password=\"x\" /></UserConfig>"},
        {Operation::SetDevcieConfig, 227, 0, "<MiscConfig Language=\"en-us\" />"},
        {Operation::SystemControl, 1094, 0, "<REQUEST_PARAM Mode=\"1\"/>"},
        {Operation::SystemControl, 1012, 0, "RESPONSE_PARAM"},
        {Operation::SetTimeManual, 0, 0, sdk::EncodeTimeRecord(time)},
        {Operation::Reboot, 0, 0, {}},
        {Operation::Restore, 0, 0, {}},
    };
    for (const sdk::RequestMessage& request : requests) {
        ASSERT_EQ(link.Request(request), 0);
    }
    std::vector<std::uint32_t> refused;
    for (const sdk::RequestMessage& request : requests) {
        refused.push_back(sdk::PackAuxWord(static_cast<int>(request.code), sdk::kResultFailed));
    }
    EXPECT_EQ(link.AnswerWords(), refused) << "one answer per request, each refused";
    ASSERT_EQ(link.records.size(), requests.size() + 1);
    EXPECT_TRUE(link.records[0].accepted) << "the login itself succeeds";
    for (std::size_t i = 0; i < requests.size(); ++i) {
        const SessionSummary& record = link.records[i + 1];
        EXPECT_EQ(record.message, "request");
        EXPECT_EQ(record.operation, requests[i].operation);
        EXPECT_EQ(record.result, sdk::kResultFailed);
        EXPECT_FALSE(record.accepted);
        EXPECT_EQ(record.reason, "refused");
    }
    EXPECT_EQ(link.action, DeviceAction::None) << "a refused reboot or restore is not carried out";
    EXPECT_FALSE(link.deviceClosed);
    EXPECT_EQ(link.Device().BootCount(), 0u);
    EXPECT_FALSE(link.Device().FactoryMode());
    EXPECT_EQ(link.Device().Username(), "admin");
    EXPECT_EQ(link.Device().Config().Text(), document);
}

// Each refusing kind refuses exactly its own requests, answers them with result 1 and changes
// nothing; everything else still works. Catches a kind that refuses too much (the connect
// sequence's queries, reads) or too little (a direct request that still reboots).
TEST(DeviceSessionBadKindTest, RefuseSetsAndRefuseControlsRefuseOnlyTheirRequests) {
    sdk::TimeManualConfig time{};
    base::CopyBounded(time.LocalTime, "20250106 11:55:40");
    struct Case {
        sdk::RequestMessage request;
        bool refusedBySets;
        bool refusedByControls;
    };
    const std::vector<Case> cases = {
        {{Operation::GetDVRConfig, 504, 0, {}}, false, false},
        {{Operation::SetDVRConfig, 227, 0, "<MiscConfig Language=\"en-us\" />"}, true, false},
        {{Operation::SetDevcieConfig, 827, 0, "<AudioAlarm Enable=\"1\" />"}, true, false},
        {{Operation::SystemControl, 1012, 0, "RESPONSE_PARAM"}, false, false},
        {{Operation::SystemControl, 1019, 0, "RESPONSE_PARAM"}, false, false},
        {{Operation::SystemControl, 1020, 0, {}}, false, false},
        {{Operation::SystemControl, 1095, 0, {}}, false, false},
        {{Operation::SystemControl, 1094, 0, "<REQUEST_PARAM Mode=\"1\"/>\n"}, false, true},
        {{Operation::SystemControl, 1042, 0, "<REQUEST_PARAM ChannelNo=\"0\"Output=\"1\"/>\n"}, false, true},
        {{Operation::SystemControl, 1130, 0, {}}, false, true},
        {{Operation::SystemControl, 1002, 0, {}}, false, true},
        {{Operation::SetTimeManual, 0, 0, sdk::EncodeTimeRecord(time)}, false, true},
        {{Operation::PtzPreset, 0, 0, sdk::EncodePtzPreset({sdk::kPtzSetPreset, 200})}, false, true},
        {{Operation::Reboot, 0, 0, {}}, false, true},
        {{Operation::Restore, 0, 0, {}}, false, true},
    };
    for (const BadKind kind : {BadKind::SessionRefuseSets, BadKind::SessionRefuseControls}) {
        DeviceProfile profile = test::TestProfile();
        profile.bad.Add(kind);
        test::SessionLink link("507913", {}, {}, profile);
        link.Connect();
        ASSERT_TRUE(link.DeviceSide()->LoggedIn());
        for (const Case& item : cases) {
            const bool refused = kind == BadKind::SessionRefuseSets ? item.refusedBySets : item.refusedByControls;
            const std::string document = link.Device().Config().Text();
            link.records.clear();
            link.notices.clear();
            link.action = DeviceAction::None;
            ASSERT_EQ(link.Request(item.request), 0);
            ASSERT_EQ(link.records.size(), 1u);
            const SessionSummary& record = link.records[0];
            const std::string label = std::string(BadKindName(kind)) + " " +
                                      std::string(sdk::OperationName(item.request.operation)) + " " +
                                      std::to_string(item.request.code);
            EXPECT_EQ(record.result == sdk::kResultFailed, refused) << label;
            EXPECT_EQ(record.reason == "refused", refused) << label;
            EXPECT_EQ(link.AnswerWords().size(), 1u) << label << ": every request is answered";
            if (refused) {
                EXPECT_EQ(link.Device().Config().Text(), document) << label;
                EXPECT_EQ(link.action, DeviceAction::None) << label;
            }
            if (kind == BadKind::SessionRefuseControls && item.request.operation == Operation::SetDVRConfig) {
                EXPECT_EQ(link.Device().Config().Value("SystemConfig/MiscConfig", "Language"), "en-us");
            }
        }
        EXPECT_EQ(link.Device().FactoryMode(), kind == BadKind::SessionRefuseSets) << BadKindName(kind);
        EXPECT_FALSE(link.deviceClosed) << BadKindName(kind);
    }
}

// A device whose reads succeed with a document of another element: result 0, an answer no reader
// of the tool takes (so nothing is built from it to write back), and sets still work. Catches the
// kind answering a failure instead (the tool's failed-read path), an answer a reader accepts, and
// the kind leaking into sets.
TEST(DeviceSessionBadKindTest, WrongElementReadsSucceedWithADocumentNoReaderTakes) {
    DeviceProfile profile = test::TestProfile();
    profile.bad.Add(BadKind::SessionWrongElement);
    test::SessionLink link("507913", {}, {}, profile);
    link.Connect();
    std::vector<std::string> answers;
    for (const int code : {504, 305, 600, 800}) {
        link.notices.clear();
        ASSERT_EQ(link.Request({Operation::GetDVRConfig, static_cast<std::uint32_t>(code), 0, {}}), 0);
        ASSERT_EQ(link.notices.size(), 1u) << code;
        EXPECT_EQ(link.notices[0].word, sdk::PackAuxWord(code, sdk::kResultOk)) << code;
        answers.push_back(link.notices[0].payload);
    }
    sdk::config::VideoCaptureConfig capture;
    sdk::config::LanConfig lan;
    sdk::config::MediaStreamConfig streams;
    sdk::config::AlarmConfig alarm;
    EXPECT_NE(sdk::config::Media_getVideoCaptureByXml(answers[0], capture), 0);
    EXPECT_NE(sdk::config::Network_getLANCfgByXml(answers[1], lan), 0);
    EXPECT_NE(sdk::config::GetMediaStreamConfigByXml(answers[2], streams), 0);
    EXPECT_NE(sdk::config::GetAlarmConfigByXml(answers[3], alarm), 0);
    ASSERT_EQ(link.Request({Operation::SetDVRConfig, 524, 0, "<Video><Capture TVSystem=\"0\" /></Video>"}), 0);
    EXPECT_EQ(link.Device().Config().Value("MediaConfig/Video/Capture", "TVSystem"), "0") << "sets still work";
}

// Any bytes from a client, before or after the login: no crash, and a connection that must
// close says so; a request that is answered gets exactly one answer frame.
TEST(DeviceSessionFuzzTest, SurvivesMutatedClientStreams) {
    test::SessionLink link;
    const std::vector<std::string> seeds = {
        EncodeFrame(MessageType::Request, 1, sdk::EncodeRequest({Operation::SystemControl, 1012, 0, "RESPONSE_PARAM"})),
        EncodeFrame(MessageType::Request, 2,
                    sdk::EncodeRequest({Operation::SetDVRConfig, 524, 0, "<Video><Capture TVSystem=\"0\" /></Video>"})),
        EncodeFrame(MessageType::Request, 3, sdk::EncodeRequest({Operation::GetDVRConfig, 800, 0, {}})) +
            EncodeFrame(MessageType::KeepAlive, 4, {}),
        EncodeFrame(MessageType::Request, 5,
                    sdk::EncodeRequest({Operation::SystemControl, 1094, 0, "<REQUEST_PARAM Mode=\"1\"/>"})),
        EncodeFrame(MessageType::LoginRequest, 0, std::string(70, 'x')),
        EncodeFrame(
            MessageType::Request, 6,
            sdk::EncodeRequest({Operation::SystemControl, 1042, 0, "<REQUEST_PARAM ChannelNo=\"0\"Output=\"1\"/>\n"})),
        EncodeFrame(MessageType::Request, 7,
                    sdk::EncodeRequest({Operation::PtzPreset, 0, 0, sdk::EncodePtzPreset({sdk::kPtzSetPreset, 200})})),
        EncodeFrame(
            MessageType::Request, 8,
            sdk::EncodeRequest({Operation::SetDVRConfig, 523, 0,
                                "<Encode><EncodeConfig Stream=\"2\" Resolution=\"INVALID\" "
                                "BitRate=\"1\"><AdvanceEncodeConfig EncMode=\"1\" /></EncodeConfig></Encode>"})),
        EncodeFrame(MessageType::Request, 9,
                    sdk::EncodeRequest({Operation::SetDevcieConfig, 829, 0,
                                        "<PDAlarm><Region><Point X=\"1\" Y=\"2\" /></Region></PDAlarm>"})),
        EncodeFrame(MessageType::Request, 10,
                    sdk::EncodeRequest({Operation::SetDevcieConfig, 822, 0,
                                        "<MotionDetectAlarm BlockCount=\"131073\" BlockConfig=\"01\" />"})),
        EncodeFrame(MessageType::Request, 11,
                    sdk::EncodeRequest({Operation::SystemControl, 1081, 0,
                                        "<REQUEST_PARAM mctf=\"5\" gain=\"-1\" shuttermax=\"400\" />"})),
    };
    std::size_t answers = 0;
    std::size_t closes = 0;
    test::RunMutations(seeds, 100000, 5, [&](std::string_view input) {
        if (link.DeviceSide() == nullptr || !link.DeviceSide()->LoggedIn()) {
            link.Connect();
            if (!link.DeviceSide()->LoggedIn()) {
                // A mutated request changed the password: back to the factory account.
                link.Device().ResetSettings();
                link.Connect();
            }
            ASSERT_TRUE(link.DeviceSide()->LoggedIn());
        }
        DeviceOutput out;
        link.DeviceSide()->Receive(input, link.Now(), out);
        sdk::FrameDecoder decoder;
        decoder.Append(out.bytes);
        Frame frame;
        while (decoder.Next(frame) == sdk::FrameDecoder::Status::Frame) {
            ASSERT_TRUE(frame.type == MessageType::Answer || frame.type == MessageType::KeepAliveAck);
            answers += frame.type == MessageType::Answer ? 1 : 0;
        }
        ASSERT_FALSE(decoder.Failed());
        ASSERT_EQ(out.close, !link.DeviceSide()->LoggedIn());
        closes += out.close ? 1 : 0;
        ASSERT_LE(link.Device().Config().Text().size(), kMaxConfigDocumentBytes);
    });
    EXPECT_GT(answers, 1000u);
    EXPECT_GT(closes, 1000u);
}

} // namespace
} // namespace zk::devsim

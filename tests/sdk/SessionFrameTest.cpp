// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/SessionFrame.h"

#include "sdk/SessionMessages.h"
#include "support/FuzzDriver.h"

#include <gtest/gtest.h>

#include <vector>

namespace zk::sdk {
namespace {

std::vector<Frame> DecodeAll(FrameDecoder& decoder, FrameDecoder::Status* last = nullptr) {
    std::vector<Frame> frames;
    Frame frame;
    FrameDecoder::Status status;
    while ((status = decoder.Next(frame)) == FrameDecoder::Status::Frame) {
        frames.push_back(frame);
    }
    if (last != nullptr) {
        *last = status;
    }
    return frames;
}

TEST(SessionFrameTest, HeaderIsSixteenBigEndianBytes) {
    const std::string frame = EncodeFrame(MessageType::Request, 0x01020304, "abc");
    ASSERT_EQ(frame.size(), kFrameHeaderBytes + 3);
    EXPECT_EQ(frame.substr(0, 4), "ZKSP");
    EXPECT_EQ(frame[4], 1) << "version";
    EXPECT_EQ(frame[5], 0x10) << "type";
    EXPECT_EQ(frame.substr(6, 2), std::string(2, '\0')) << "flags";
    EXPECT_EQ(frame.substr(8, 4), "\x01\x02\x03\x04") << "sequence";
    EXPECT_EQ(frame.substr(12, 4), std::string("\0\0\0\x03", 4)) << "length";
    EXPECT_EQ(frame.substr(16), "abc");
}

TEST(SessionFrameTest, FramesArrivingInAnyPiecesComeOutWhole) {
    const std::string stream = EncodeFrame(MessageType::Challenge, 1, std::string(52, 'c')) +
                               EncodeFrame(MessageType::KeepAlive, 2, {}) +
                               EncodeFrame(MessageType::Answer, 3, std::string(70000, 'a'));
    for (const std::size_t piece :
         {std::size_t{1}, std::size_t{7}, std::size_t{16}, std::size_t{4096}, stream.size()}) {
        FrameDecoder decoder;
        std::vector<Frame> frames;
        for (std::size_t offset = 0; offset < stream.size(); offset += piece) {
            decoder.Append(std::string_view(stream).substr(offset, piece));
            for (Frame& frame : DecodeAll(decoder)) {
                frames.push_back(std::move(frame));
            }
        }
        ASSERT_EQ(frames.size(), 3u) << "piece " << piece;
        EXPECT_EQ(frames[0].type, MessageType::Challenge);
        EXPECT_EQ(frames[1].sequence, 2u);
        EXPECT_EQ(frames[1].payload, "");
        EXPECT_EQ(frames[2].payload, std::string(70000, 'a'));
        EXPECT_EQ(decoder.Buffered(), 0u) << "nothing left over";
    }
}

TEST(SessionFrameTest, BadHeadersFailTheStreamForGood) {
    std::string oversize = EncodeFrame(MessageType::Request, 1, {});
    oversize[12] = '\x00';
    oversize[13] = '\x04'; // 262145 bytes announced
    oversize[14] = '\x00';
    oversize[15] = '\x01';
    std::string badMagic = EncodeFrame(MessageType::Request, 1, {});
    badMagic[0] = 'X';
    std::string badVersion = EncodeFrame(MessageType::Request, 1, {});
    badVersion[4] = 2;
    std::string unknownType = EncodeFrame(MessageType::Request, 1, {});
    unknownType[5] = 0x7F;
    std::string flags = EncodeFrame(MessageType::Request, 1, {});
    flags[7] = 1;
    for (const std::string& bad : {oversize, badMagic, badVersion, unknownType, flags}) {
        FrameDecoder decoder;
        decoder.Append(bad);
        FrameDecoder::Status status;
        EXPECT_TRUE(DecodeAll(decoder, &status).empty());
        EXPECT_EQ(status, FrameDecoder::Status::Invalid);
        // Good frames after a bad header are never read: the connection must end.
        decoder.Append(EncodeFrame(MessageType::KeepAlive, 2, {}));
        EXPECT_TRUE(DecodeAll(decoder, &status).empty());
        EXPECT_TRUE(decoder.Failed());
    }
}

TEST(SessionFrameTest, OversizeHeaderFailsBeforeItsPayloadArrives) {
    std::string header = EncodeFrame(MessageType::Answer, 1, {});
    const std::uint32_t announced = kMaxFramePayloadBytes + 1;
    header[12] = static_cast<char>(announced >> 24);
    header[13] = static_cast<char>((announced >> 16) & 0xFF);
    header[14] = static_cast<char>((announced >> 8) & 0xFF);
    header[15] = static_cast<char>(announced & 0xFF);
    FrameDecoder decoder;
    decoder.Append(header);
    Frame frame;
    EXPECT_EQ(decoder.Next(frame), FrameDecoder::Status::Invalid);
    EXPECT_EQ(decoder.Buffered(), 0u) << "nothing of a refused stream is kept";
}

TEST(SessionFrameTest, LargestPayloadIsAccepted) {
    FrameDecoder decoder;
    decoder.Append(EncodeFrame(MessageType::Answer, 9, std::string(kMaxFramePayloadBytes, 'x')));
    Frame frame;
    ASSERT_EQ(decoder.Next(frame), FrameDecoder::Status::Frame);
    EXPECT_EQ(frame.payload.size(), kMaxFramePayloadBytes);
}

// Every byte stream: the decoder and every payload parser stay within bounds, and whatever a
// parser accepts encodes back to a payload that parses to the same message.
TEST(SessionFrameTest, SurvivesMutatedStreams) {
    ChallengeMessage challenge;
    challenge.iterations = 2048;
    LoginRequestMessage login;
    login.user = "admin";
    std::vector<std::string> seeds = {
        EncodeFrame(MessageType::Challenge, 0, EncodeChallenge(challenge)),
        EncodeFrame(MessageType::LoginRequest, 0, EncodeLoginRequest(login)),
        EncodeFrame(MessageType::LoginResult, 0, EncodeLoginResult({})),
        EncodeFrame(MessageType::Request, 7, EncodeRequest({Operation::SystemControl, 1012, 0, "RESPONSE_PARAM"})),
        EncodeFrame(MessageType::Answer, 7, EncodeAnswer({Operation::GetDVRConfig, 0, 504, "<Video />"})),
        EncodeFrame(MessageType::Event, 0, EncodeEvent({23, std::string(168, '\0')})) +
            EncodeFrame(MessageType::Logout, 0, EncodeLogout(LogoutReason::Reboot)),
    };
    std::size_t frames = 0;
    test::RunMutations(seeds, 100000, 8, [&frames](std::string_view input) {
        FrameDecoder decoder;
        // Split the input in two to exercise partial frames too.
        decoder.Append(input.substr(0, input.size() / 2));
        std::vector<Frame> decoded = DecodeAll(decoder);
        decoder.Append(input.substr(input.size() / 2));
        for (Frame& frame : DecodeAll(decoder)) {
            decoded.push_back(std::move(frame));
        }
        for (const Frame& frame : decoded) {
            ++frames;
            ASSERT_LE(frame.payload.size(), kMaxFramePayloadBytes);
            ChallengeMessage c;
            if (ParseChallenge(frame.payload, c) == 0) {
                ASSERT_EQ(EncodeChallenge(c), frame.payload);
            }
            LoginRequestMessage l;
            if (ParseLoginRequest(frame.payload, l) == 0) {
                ASSERT_EQ(EncodeLoginRequest(l), frame.payload);
            }
            LoginResultMessage r;
            if (ParseLoginResult(frame.payload, r) == 0) {
                LoginResultMessage again;
                ASSERT_EQ(ParseLoginResult(EncodeLoginResult(r), again), 0);
                ASSERT_EQ(again.proof, r.proof);
            }
            RequestMessage q;
            if (ParseRequest(frame.payload, q) == 0) {
                ASSERT_LE(q.code, kMaxCommandCode);
                RequestMessage again;
                ASSERT_EQ(ParseRequest(EncodeRequest(q), again), 0);
                ASSERT_EQ(again.text, q.text);
                ASSERT_EQ(again.channel, q.channel);
            }
            AnswerMessage a;
            if (ParseAnswer(frame.payload, a) == 0) {
                AnswerMessage again;
                ASSERT_EQ(ParseAnswer(EncodeAnswer(a), again), 0);
                ASSERT_EQ(again.payload, a.payload);
                ASSERT_EQ(again.result, a.result);
            }
            EventMessage e;
            if (ParseEvent(frame.payload, e) == 0) {
                ASSERT_EQ(EncodeEvent(e), frame.payload);
            }
            std::uint8_t reason = 0;
            ParseLogout(frame.payload, reason);
            TimeManualConfig time{};
            if (ParseTimeRecord(frame.payload, time) == 0) {
                ASSERT_LT(std::string_view(time.LocalTime, sizeof(time.LocalTime)).find('\0'), sizeof(time.LocalTime));
            }
        }
    });
    EXPECT_GT(frames, 10000u) << "the mutations must reach the payload parsers";
}

} // namespace
} // namespace zk::sdk

// SPDX-License-Identifier: GPL-3.0-or-later
// Session streams arrive from anything that connects or answers: every byte stream must split
// into frames without harm, and whatever a payload parser accepts must encode back unchanged.
#include "sdk/AlarmRecord.h"
#include "sdk/SessionFrame.h"
#include "sdk/SessionMessages.h"

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace zk::sdk;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    FrameDecoder decoder;
    decoder.Append(input.substr(0, size / 3));
    decoder.Append(input.substr(size / 3));
    Frame frame;
    while (decoder.Next(frame) == FrameDecoder::Status::Frame) {
        if (frame.payload.size() > kMaxFramePayloadBytes) {
            std::abort();
        }
        ChallengeMessage challenge;
        if (ParseChallenge(frame.payload, challenge) == 0 && EncodeChallenge(challenge) != frame.payload) {
            std::abort();
        }
        LoginRequestMessage login;
        if (ParseLoginRequest(frame.payload, login) == 0 && EncodeLoginRequest(login) != frame.payload) {
            std::abort();
        }
        LoginResultMessage result;
        ParseLoginResult(frame.payload, result);
        RequestMessage request;
        if (ParseRequest(frame.payload, request) == 0 && request.code > kMaxCommandCode) {
            std::abort();
        }
        AnswerMessage answer;
        ParseAnswer(frame.payload, answer);
        EventMessage event;
        if (ParseEvent(frame.payload, event) == 0 && EncodeEvent(event) != frame.payload) {
            std::abort();
        }
        TimeManualConfig time{};
        ParseTimeRecord(frame.payload, time);
        AlarmRecord alarm{};
        if (DecodeAlarmRecord(frame.payload, alarm) == 0 && EncodeAlarmRecord(alarm).size() != kAlarmRecordBytes) {
            std::abort();
        }
    }
    return 0;
}

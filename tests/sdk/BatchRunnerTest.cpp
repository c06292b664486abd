// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/batch/BatchRunner.h"

#include "base/FixedText.h"
#include "discovery/DeviceListModel.h"
#include "sdk/SessionManager.h"
#include "support/FakeSdk.h"
#include "support/ScriptedPrompt.h"

#include "../discovery/ListLanguage.h"

#include <QCoreApplication>
#include <QSignalSpy>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <sstream>

namespace zk::sdk::batch {
namespace {

using base::CopyBounded;
using base::FieldText;
using discovery::DeviceRecord;
using discovery::DeviceRow;
using discovery::ListColumn;

std::map<std::string, std::string> KeyTexts() {
    std::map<std::string, std::string> texts;
    for (const char* key : {"SET_OK", "SET_FAILED", "MSGTIP40", "MSGTIP13", "TEXT21", "MSGTIP1", "NOT_CHANGED",
                            "RMW_OK", "RMW_FAILED", "REBOOTING"}) {
        texts[key] = key;
    }
    return texts;
}

DeviceRecord Device(const std::string& serial, const std::string& ip) {
    DeviceRecord record = discovery::EmptyDeviceRecord();
    CopyBounded(record.SerialNumber, serial);
    CopyBounded(record.IpAddress, ip);
    CopyBounded(record.DeviceType, "NVS-IPCAM-T20_V2");
    record.PtzPort = 34567;
    return record;
}

// A request of the generic set batch: one SetDVRConfig of a code, awaited under that code.
SdkRequest SetRequest(int code) {
    SdkRequest request;
    request.send = [code](DeviceSdk& sdk, int handle) { return sdk.SetDVRConfig(handle, code, 0, "<X/>", 4); };
    request.answerCode = code;
    return request;
}

class BatchRunnerTest : public ::testing::Test {
protected:
    BatchRunnerTest() { EXPECT_EQ(m_sessions.Start(), 0); }

    // Lists devices; the first `online` of them come online over their sessions.
    void ListDevices(int count, int online) {
        for (int i = 0; i < count; ++i) {
            m_table.AddOrUpdate(Device("SN" + std::to_string(i), "192.168.1." + std::to_string(10 + i)),
                                "192.168.1.253");
        }
        m_list.Merge();
        for (int row = 0; row < online; ++row) {
            m_sdk.PushStatus(m_list.RowAt(row)->LoginHandle, kEventLoggedIn);
        }
        Deliver();
        m_sdk.ClearCalls();
    }
    void Deliver() {
        do {
            QCoreApplication::sendPostedEvents();
        } while (m_sessions.PendingRecords() > 0 || m_runner.Running());
    }
    int Handle(int row) { return m_list.RowAt(row)->LoginHandle; }
    QString Status(int row) const { return m_list.CellText(row, ListColumn::State); }
    RowResult Result(int row) const {
        const RowState* state = m_runner.State(FieldText(m_list.RowAt(row)->Key));
        return state != nullptr ? state->result : RowResult::None;
    }
    std::vector<std::string> Keys(std::initializer_list<int> rows) const {
        std::vector<std::string> keys;
        for (const int row : rows) {
            keys.emplace_back(FieldText(m_list.RowAt(row)->Key));
        }
        return keys;
    }
    int RunSet(std::vector<std::string> keys, int code) {
        const SdkRequest request = SetRequest(code);
        const int id =
            m_runner.Run(std::move(keys), [this, request](int row) { return m_runner.SdkRowWorker(row, request); });
        Deliver();
        return id;
    }

    test::FakeSdk m_sdk;
    discovery::DeviceTable m_table;
    test::ListLanguage m_language{false, KeyTexts()};
    discovery::DeviceListModel m_list{m_table, m_language.Table(), discovery::DeviceListSettings{}};
    SessionManager m_sessions{m_sdk, m_list, m_language.Table()};
    test::ScriptedPrompt m_prompt;
    BatchRunner m_runner{m_list, m_sessions, m_sdk, m_language.Table(), m_prompt};
};

// Offline rows are skipped silently, a row without a session says so, and only the remaining row
// gets a request; its acknowledgement decides its text. A status column that is not shown would
// only lose the texts, never the requests (the list skips writes to hidden columns).
TEST_F(BatchRunnerTest, OneRequestPerOnlineRowWithASession) {
    ListDevices(3, 2);
    m_list.RowAt(1)->LoginHandle = 0; // online before, its session gone since
    const QString offlineText = Status(2);
    RunSet(Keys({0, 1, 2}), 228);

    const auto calls = m_sdk.Calls("SetDVRConfig");
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].handle, Handle(0));
    EXPECT_EQ(calls[0].code, 228);
    EXPECT_EQ(Status(1), u"MSGTIP40");
    EXPECT_EQ(Status(2), offlineText) << "an offline row keeps what its session last wrote";
    EXPECT_EQ(Result(0), RowResult::Waiting);
    EXPECT_EQ(Result(1), RowResult::NoLogin);
    EXPECT_EQ(Result(2), RowResult::Offline);
    EXPECT_EQ(m_runner.AwaitedAnswers(), 1u);

    m_sdk.PushAnswer(Handle(0), 228, 0);
    Deliver();
    EXPECT_EQ(Status(0), u"SET_OK");
    EXPECT_EQ(Result(0), RowResult::Ok);
    EXPECT_EQ(m_runner.AwaitedAnswers(), 0u);

    // The SDK refusing a request fails the row at once; nothing is awaited.
    m_sdk.SetRequestResult(kErrorFailed);
    RunSet(Keys({0}), 228);
    EXPECT_EQ(Status(0), u"SET_FAILED");
    EXPECT_EQ(Result(0), RowResult::Refused);
    EXPECT_EQ(m_runner.AwaitedAnswers(), 0u);
}

// The acknowledgement ranges, border by border: codes outside them write no text.
TEST_F(BatchRunnerTest, AcknowledgementRangesDecideTheText) {
    for (int code = 0; code < 2000; ++code) {
        const bool inside = (code >= 220 && code <= 249) || (code >= 320 && code <= 349) ||
                            (code >= 420 && code <= 449) || (code >= 520 && code <= 549) ||
                            (code >= 670 && code <= 679) || (code >= 681 && code <= 682) ||
                            (code >= 820 && code <= 849);
        EXPECT_EQ(IsAcknowledgementCode(code), inside) << code;
    }
    ListDevices(1, 1);
    for (const int code : {219, 250, 319, 350, 419, 450, 519, 550, 620, 669, 680, 683, 819, 850}) {
        m_sdk.PushAnswer(Handle(0), code, 1);
    }
    Deliver();
    EXPECT_EQ(Status(0), u"MSGTIP1") << "no answer outside the ranges writes through the result path";
    // Two acknowledgements nobody awaited: the later text stays.
    m_sdk.PushAnswer(Handle(0), 682, 1);
    m_sdk.PushAnswer(Handle(0), 220, 0);
    Deliver();
    EXPECT_EQ(Status(0), u"SET_OK");
    m_sdk.PushAnswer(Handle(0), 849, 0);
    m_sdk.PushAnswer(Handle(0), 670, 3);
    Deliver();
    EXPECT_EQ(Status(0), u"SET_FAILED");
}

// Within one batch a failure is not overwritten by a later success; a newer batch's answers own
// the status column, and an older batch's late answer changes nothing.
TEST_F(BatchRunnerTest, ABatchFailureStaysUntilANewerBatchAnswers) {
    ListDevices(1, 1);
    const SdkRequest first = SetRequest(222);
    const SdkRequest second = SetRequest(228);
    m_runner.Run(Keys({0}), [&](int row) {
        m_runner.SdkRowWorker(row, first);
        return m_runner.SdkRowWorker(row, second);
    });
    Deliver();
    m_sdk.PushAnswer(Handle(0), 222, 1);
    m_sdk.PushAnswer(Handle(0), 228, 0);
    Deliver();
    EXPECT_EQ(Status(0), u"SET_FAILED");
    EXPECT_EQ(Result(0), RowResult::Failed);

    RunSet(Keys({0}), 228);              // newer batch, its answer still out
    RunSet(Keys({0}), 228);              // and the newest
    m_sdk.PushAnswer(Handle(0), 228, 0); // answers the middle batch: stale
    Deliver();
    EXPECT_EQ(Status(0), u"SET_FAILED") << "an older batch's answer never speaks for the newest";
    EXPECT_EQ(Result(0), RowResult::Waiting);
    m_sdk.PushAnswer(Handle(0), 228, kResultNoAnswer);
    Deliver();
    EXPECT_EQ(Status(0), u"SET_FAILED");
    EXPECT_EQ(Result(0), RowResult::NoAnswer);
    RunSet(Keys({0}), 228);
    m_sdk.PushAnswer(Handle(0), 228, 0);
    Deliver();
    EXPECT_EQ(Status(0), u"SET_OK");

    // A front end that stops waiting turns what is still out into no-answer.
    RunSet(Keys({0}), 228);
    m_runner.AbandonAwaited();
    EXPECT_EQ(Result(0), RowResult::NoAnswer);
    EXPECT_EQ(m_runner.AwaitedAnswers(), 0u);
}

// A stand-in for the settings a read brings back: "name=value;..." pairs.
using Settings = std::map<std::string, int>;
std::optional<std::any> ParseSettings(std::string_view text) {
    if (text.empty()) {
        return std::nullopt;
    }
    Settings settings;
    std::istringstream in{std::string(text)};
    std::string pair;
    while (std::getline(in, pair, ';')) {
        const auto equals = pair.find('=');
        if (equals == std::string::npos) {
            return std::nullopt;
        }
        settings[pair.substr(0, equals)] = std::stoi(pair.substr(equals + 1));
    }
    return settings;
}
std::string BuildSettings(const std::any& value) {
    std::string text;
    for (const auto& [name, number] : std::any_cast<const Settings&>(value)) {
        text += name + "=" + std::to_string(number) + ";";
    }
    return text;
}
SlotRule FieldRule(std::string field, discovery::PendingSlot discovery::PendingBlock::*slot) {
    SlotRule rule;
    rule.pending = [slot](const DeviceRow& row) { return (row.Pending.*slot).Pending != 0; };
    rule.apply = [slot, field](DeviceRow& row, std::any& value) {
        int& current = std::any_cast<Settings&>(value)[field];
        if (current == (row.Pending.*slot).Value) {
            return SlotChange::NotChanged;
        }
        current = (row.Pending.*slot).Value;
        return SlotChange::Changed;
    };
    rule.clear = [slot](DeviceRow& row) { row.Pending.*slot = {}; };
    rule.okText = "RMW_OK";
    rule.failedText = "RMW_FAILED";
    rule.notChangedText = "NOT_CHANGED";
    return rule;
}

// Two commands waiting on one read change one parsed copy, sent back as one set; a failed or
// unreadable read fails both without sending anything built from nothing.
TEST_F(BatchRunnerTest, ReadModifyWriteSendsOneSetForEveryPendingCommand) {
    m_runner.SetReadModifyWrite(504, ReadModifyWrite{524, false, &ParseSettings, &BuildSettings, false, {}});
    m_runner.AddSlotRule(504, FieldRule("tv", &discovery::PendingBlock::TvSystem));
    m_runner.AddSlotRule(504, FieldRule("light", &discovery::PendingBlock::Lights));
    ListDevices(1, 1);
    auto readWith = [this](discovery::PendingSlot discovery::PendingBlock::*slot, int value) {
        SdkRequest read;
        read.send = [](DeviceSdk& sdk, int handle) { return sdk.GetDVRConfig(handle, 504, 0, "", 0, 0); };
        read.answerCode = 504;
        read.onSent = [slot, value](DeviceRow& row) { row.Pending.*slot = {1, value}; };
        return read;
    };
    const SdkRequest tv = readWith(&discovery::PendingBlock::TvSystem, 0);
    const SdkRequest light = readWith(&discovery::PendingBlock::Lights, 7);
    m_runner.Run(Keys({0}), [&](int row) { return m_runner.SdkRowWorker(row, tv); });
    m_runner.Run(Keys({0}), [&](int row) { return m_runner.SdkRowWorker(row, light); });
    Deliver();
    ASSERT_EQ(m_sdk.Calls("GetDVRConfig").size(), 2u);

    m_sdk.PushAnswer(Handle(0), 504, 0, "light=1;tv=1;other=5;");
    m_sdk.PushAnswer(Handle(0), 504, 0, "light=1;tv=1;other=5;"); // the second read finds no slot left
    Deliver();
    const auto sets = m_sdk.Calls("SetDVRConfig");
    ASSERT_EQ(sets.size(), 1u);
    EXPECT_EQ(sets[0].code, 524);
    EXPECT_EQ(sets[0].text, "light=7;other=5;tv=0;");
    EXPECT_EQ(m_list.RowAt(0)->Pending.TvSystem.Pending, 0);
    EXPECT_EQ(m_list.RowAt(0)->Pending.Lights.Pending, 0);
    EXPECT_EQ(Status(0), u"RMW_OK");
    m_sdk.PushAnswer(Handle(0), 524, 0);
    Deliver();
    EXPECT_EQ(Status(0), u"SET_OK");
    EXPECT_EQ(Result(0), RowResult::Ok);

    // The value is there already: nothing is sent.
    m_runner.Run(Keys({0}), [&](int row) { return m_runner.SdkRowWorker(row, tv); });
    Deliver();
    m_sdk.PushAnswer(Handle(0), 504, 0, "tv=0;");
    Deliver();
    EXPECT_EQ(Status(0), u"NOT_CHANGED");
    EXPECT_EQ(Result(0), RowResult::NotChanged);

    // A refused read, an unreadable one and the library giving up: the slots clear, nothing is set.
    for (const auto& [result, payload] :
         std::vector<std::pair<int, std::string>>{{1, "tv=1;"}, {0, "garbage"}, {0, ""}, {kResultNoAnswer, ""}}) {
        m_sdk.ClearCalls();
        m_runner.Run(Keys({0}), [&](int row) {
            m_runner.SdkRowWorker(row, tv);
            return m_runner.SdkRowWorker(row, light);
        });
        Deliver();
        m_sdk.PushAnswer(Handle(0), 504, result, payload);
        m_sdk.PushAnswer(Handle(0), 504, 0, "tv=1;light=1;"); // the second read finds its slot cleared
        Deliver();
        EXPECT_TRUE(m_sdk.Calls("SetDVRConfig").empty()) << result << " " << payload;
        EXPECT_EQ(Status(0), u"RMW_FAILED");
        EXPECT_EQ(m_list.RowAt(0)->Pending.TvSystem.Pending, 0);
        EXPECT_EQ(m_list.RowAt(0)->Pending.Lights.Pending, 0);
        EXPECT_EQ(Result(0), result == kResultNoAnswer ? RowResult::NoAnswer : RowResult::Failed);
    }
}

// A thousand rows are handed over in slices: the first slice returns to the event loop, every row
// is still reached once, in order, and rows that left the list meanwhile are skipped.
TEST_F(BatchRunnerTest, LargeBatchesRunInSlicesInOrder) {
    ListDevices(1000, 0);
    std::vector<int> visited;
    QSignalSpy finished(&m_runner, &BatchRunner::batchFinished);
    std::vector<std::string> keys = m_runner.TickedKeys();
    EXPECT_TRUE(keys.empty());
    m_list.SetAllTicked(true);
    keys = m_runner.TickedKeys();
    ASSERT_EQ(keys.size(), 1000u);
    const int id = m_runner.Run(keys, [&](int row) {
        visited.push_back(row);
        // Make each row cost a little, so the batch cannot fit one slice.
        const auto until = std::chrono::steady_clock::now() + std::chrono::microseconds(50);
        while (std::chrono::steady_clock::now() < until) {
        }
        return 0;
    });
    EXPECT_LT(visited.size(), 1000u);
    EXPECT_TRUE(m_runner.Running());
    Deliver();
    ASSERT_EQ(finished.count(), 1);
    EXPECT_EQ(finished.front().front().toInt(), id);
    ASSERT_EQ(visited.size(), 1000u);
    EXPECT_TRUE(std::is_sorted(visited.begin(), visited.end()));

    visited.clear();
    m_runner.Run(keys, [&](int row) {
        visited.push_back(row);
        if (visited.size() == 10) {
            m_list.ClearRows(); // a search started meanwhile
        }
        return 0;
    });
    Deliver();
    EXPECT_EQ(visited.size(), 10u);
}

TEST_F(BatchRunnerTest, CountTickedAndConfirmAskThePerson) {
    ListDevices(2, 0);
    EXPECT_EQ(m_runner.CountTicked(), 0);
    m_list.SetTicked(1, true);
    EXPECT_EQ(m_runner.CountTicked(), 1);
    m_prompt.AnswerYes();
    m_prompt.AnswerNo();
    EXPECT_TRUE(m_runner.Confirm("MSGTIP1"));
    EXPECT_FALSE(m_runner.Confirm("MSGTIP1"));
    ASSERT_EQ(m_prompt.Questions().size(), 3u);
    EXPECT_EQ(m_prompt.Questions()[0].caption, u"ERROR");
    EXPECT_EQ(m_prompt.Questions()[0].text, u"MSGTIP13");
    EXPECT_EQ(m_prompt.Questions()[1].caption, u"TEXT21");
    EXPECT_TRUE(m_prompt.Problems().isEmpty());
}

} // namespace
} // namespace zk::sdk::batch

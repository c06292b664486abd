// SPDX-License-Identifier: GPL-3.0-or-later
#include "devsim/RecordWriter.h"

#include "devsim/SessionLink.h"
#include "support/TempFolder.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace zk::devsim {
namespace {

QJsonObject Parse(const std::string& line) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line;
    return document.object();
}

const Endpoint kFrom{0xC0A801FD, 50123};

TEST(RecordWriterTest, ALineCarriesEveryKeyReadersUse) {
    RequestSummary summary;
    summary.code = 2;
    summary.flag = 0;
    summary.serial = "ZKSIM000002";
    summary.reason = "wrong MAC address";
    const std::string payload = "<?xml version=\"1.0\" ?>\r\n<X a=\"1\">\t\\</X>";
    const QJsonObject line = Parse(RecordLine(1736131200.125, kFrom, payload, summary));
    EXPECT_DOUBLE_EQ(line.value(QStringLiteral("time")).toDouble(), 1736131200.125);
    EXPECT_EQ(line.value(QStringLiteral("protocol")).toString(), QStringLiteral("search"));
    EXPECT_EQ(line.value(QStringLiteral("code")).toInt(), 2);
    EXPECT_EQ(line.value(QStringLiteral("flag")).toInt(), 0);
    EXPECT_EQ(line.value(QStringLiteral("serial")).toString(), QStringLiteral("ZKSIM000002"));
    EXPECT_EQ(line.value(QStringLiteral("device")).toString(), QString());
    EXPECT_EQ(line.value(QStringLiteral("from")).toString(), QStringLiteral("192.168.1.253:50123"));
    EXPECT_FALSE(line.value(QStringLiteral("accepted")).toBool(true));
    EXPECT_EQ(line.value(QStringLiteral("reason")).toString(), QStringLiteral("wrong MAC address"));
    EXPECT_EQ(line.value(QStringLiteral("payload")).toString().toStdString(), payload);
}

TEST(RecordWriterTest, UnreadableMessagesStillMakeOneValidLine) {
    RequestSummary summary; // no code: not a search message
    const std::string payload("\x01\xff\xfe\x00zz\x80\n\"", 9);
    const std::string text = RecordLine(1.0, kFrom, payload, summary);
    EXPECT_EQ(text.find('\n'), std::string::npos);
    const QJsonObject line = Parse(text);
    EXPECT_TRUE(line.value(QStringLiteral("code")).isNull());
    EXPECT_TRUE(line.value(QStringLiteral("payload")).toString().contains(QStringLiteral("zz")));
}

TEST(RecordWriterTest, GB2312TextIsRecordedAsUtf8) {
    RequestSummary summary;
    summary.code = 5;
    summary.serial = "\xc9\xe3\xcf\xf1"; // "camera" in code page 936
    const QJsonObject line = Parse(RecordLine(1.0, kFrom, "", summary));
    EXPECT_EQ(line.value(QStringLiteral("serial")).toString(), QString::fromUtf8("\xe6\x91\x84\xe5\x83\x8f"));
}

TEST(RecordWriterTest, EachLineIsInTheFileAsSoonAsItIsWritten) {
    test::TempFolder folder;
    RecordWriter writer;
    ASSERT_EQ(writer.Open(folder / "record.jsonl"), 0);
    RequestSummary summary;
    summary.code = 1;
    summary.accepted = true;
    summary.answered = 4;
    ASSERT_EQ(writer.Write(2.5, kFrom, "first", summary), 0);
    ASSERT_EQ(writer.Write(3.5, kFrom, "second", summary), 0);
    // Read while the writer is still open, as a test does while the simulator runs.
    const std::string text = test::ReadFile(folder / "record.jsonl");
    const auto newline = text.find('\n');
    ASSERT_NE(newline, std::string::npos);
    EXPECT_EQ(Parse(text.substr(0, newline)).value(QStringLiteral("answered")).toInt(), 4);
    EXPECT_EQ(Parse(text.substr(newline + 1)).value(QStringLiteral("payload")).toString(), QStringLiteral("second"));

    EXPECT_NE(RecordWriter().Open(folder / "no-such-folder/record.jsonl"), 0);
}

TEST(RecordWriterTest, SessionLinesNameTheMessageTheDeviceAndTheRequest) {
    SessionSummary request;
    request.message = "request";
    request.operation = sdk::Operation::SystemControl;
    request.code = 1012;
    request.result = 0;
    request.accepted = true;
    request.payload = "RESPONSE_PARAM";
    const Endpoint to{0xC0A8010A, 34567};
    const QJsonObject line = Parse(SessionRecordLine(1736131200.5, kFrom, to, "ZKSIM000001", request));
    EXPECT_EQ(line.value(QStringLiteral("protocol")).toString(), QStringLiteral("session"));
    EXPECT_EQ(line.value(QStringLiteral("message")).toString(), QStringLiteral("request"));
    EXPECT_EQ(line.value(QStringLiteral("device")).toString(), QStringLiteral("ZKSIM000001"));
    EXPECT_EQ(line.value(QStringLiteral("to")).toString(), QStringLiteral("192.168.1.10:34567"));
    EXPECT_EQ(line.value(QStringLiteral("operation")).toString(), QStringLiteral("SystemControl"));
    EXPECT_EQ(line.value(QStringLiteral("code")).toInt(), 1012);
    EXPECT_EQ(line.value(QStringLiteral("result")).toInt(-1), 0);
    EXPECT_EQ(line.value(QStringLiteral("payload")).toString(), QStringLiteral("RESPONSE_PARAM"));

    SessionSummary login;
    login.message = "login";
    login.user = "admin";
    login.reason = "wrong user or password";
    const QJsonObject refused = Parse(SessionRecordLine(1.0, kFrom, to, "ZKSIM000001", login));
    EXPECT_EQ(refused.value(QStringLiteral("user")).toString(), QStringLiteral("admin"));
    EXPECT_FALSE(refused.value(QStringLiteral("accepted")).toBool(true));
    EXPECT_FALSE(refused.contains(QStringLiteral("operation")));

    request.result.reset();
    EXPECT_TRUE(Parse(SessionRecordLine(1.0, kFrom, to, "X", request)).value(QStringLiteral("result")).isNull())
        << "a request left unanswered";
}

// Requests go into the record as they arrived: tabs, line ends, a missing blank, code page 936
// text (shown as UTF-8 in "payload") and bytes that are no text (exact only in "payloadHex"), and
// the PTZPreset record as bytes beside its readable form. Tests of the tool compare request texts
// byte for byte against these lines, so any rewriting on the way shows up here.
TEST(RecordWriterTest, SessionRequestsAreRecordedByteForByte) {
    test::SessionLink link;
    link.Connect();
    const std::vector<std::pair<sdk::RequestMessage, QString>> requests = {
        {{sdk::Operation::SetDVRConfig, 228, 0, "<MaintainConfig\tEnable=\"1\" Day=\"7\" Time=\"03:00:00\" />"},
         QStringLiteral("<MaintainConfig\tEnable=\"1\" Day=\"7\" Time=\"03:00:00\" />")},
        {{sdk::Operation::SystemControl, 1042, 0, "<REQUEST_PARAM ChannelNo=\"0\"Output=\"1\"/>\n"},
         QStringLiteral("<REQUEST_PARAM ChannelNo=\"0\"Output=\"1\"/>\n")},
        {{sdk::Operation::SetDVRConfig, 223, 0, "<UserConfig><Account Password=\"\xD6\xD0&quot;\" /></UserConfig>"},
         QString::fromUtf8("<UserConfig><Account Password=\"\xE4\xB8\xAD&quot;\" /></UserConfig>")},
        {{sdk::Operation::SetDevcieConfig, 827, 0, "<AudioAlarm A=\"\xFF\" />\r\n"}, QString()},
        {{sdk::Operation::PtzPreset, 0, 0, sdk::EncodePtzPreset({sdk::kPtzSetPreset, 201})},
         QStringLiteral("command 8 preset 201")},
    };
    for (const auto& [request, shown] : requests) {
        ASSERT_EQ(link.Request(request), 0);
    }
    ASSERT_EQ(link.records.size(), requests.size() + 1);
    for (std::size_t i = 0; i < requests.size(); ++i) {
        const QJsonObject line =
            Parse(SessionRecordLine(1.0, kFrom, {0xC0A8010A, 34567}, "ZKSIM000001", link.records[i + 1]));
        const sdk::RequestMessage& request = requests[i].first;
        EXPECT_EQ(line.value(QStringLiteral("code")).toInt(), static_cast<int>(request.code));
        EXPECT_EQ(QByteArray::fromHex(line.value(QStringLiteral("payloadHex")).toString().toLatin1()).toStdString(),
                  request.text)
            << i;
        if (!requests[i].second.isNull()) {
            EXPECT_EQ(line.value(QStringLiteral("payload")).toString(), requests[i].second) << i;
        }
    }
}

} // namespace
} // namespace zk::devsim

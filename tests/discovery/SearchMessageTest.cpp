// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/SearchMessage.h"

#include "base/FixedText.h"
#include "support/FuzzDriver.h"
#include "support/LogCapture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <tinyxml2.h>

namespace zk::discovery {
namespace {

using base::CopyBounded;
using base::FieldText;
using ::testing::ElementsAre;

const std::vector<std::string> kDefaultRoots = AcceptedRootNames("");

// A reply as devices send it, with every element; parts can be replaced to make bad replies.
struct ReplyText {
    std::string root = "XML_NIMBEX";
    std::string rootAttributes;
    std::string header = R"(<MESSAGE_HEADER Msg_type="SYSTEM_SEARCHIPC_MESSAGE" Msg_code="3" Msg_flag="0" />)";
    std::string serial =
        R"(<IPC_SERIALNUMBER SerialNumber="ZK2024A000123" OEM_SN="OEM-77" PLATFORMID="PLT9" )"
        R"(VERSION="V5.2.1 build 20240312" AF_VERSION="af1.3" P2PTYPE="0" )"
        R"(P2PID="ABCDEFGHIJKLMNOPQRSTUVWXYZ012345" UUID="uuid-1234" runtime="90061" P2PSTATUS="1" />)";
    std::string type = R"(<DEVICE_TYPE DeviceType="NVS-IPCAM-T20_V2" OSD="43616d657261" />)";
    std::string lan = R"(<LANConfig MacAddress="00:12:34:56:78:9A" DHCP="1" ALLNET="1" IPAddress="192.168.1.64" )"
                      R"(Netmask="255.255.255.0" Gateway="192.168.1.1" DNS1="8.8.8.8" DNS2="1.1.1.1" />)";
    std::string stream = R"(<MediaStreamConfig><StreamAccess Auth="1" RTPOverRTSP="1" VideoPort="554" )"
                         R"(PTZPort="8091" WEBPort="80" /></MediaStreamConfig>)";
    std::string users = R"(<UserConfig><Account Username="" Password="" /><Account Username="admin" )"
                        R"(Password="secret" Group="Administrators" Status="1" /></UserConfig>)";

    std::string Text() const {
        return "<?xml version=\"1.0\" encoding=\"GB2312\" ?>\n<" + root + rootAttributes + ">\n" + header +
               "\n<MESSAGE_BODY>\n" + serial + "\n" + type + "\n" + lan + "\n" + stream + "\n" + users +
               "\n</MESSAGE_BODY>\n</" + root + ">";
    }
};

TEST(SearchRequestTest, ARequestWithoutBodyIsSixLinesExactly) {
    EXPECT_EQ(
        BuildSearchRequest(kCodeSearch, std::nullopt),
        "<?xml version=\"1.0\" encoding=\"GB2312\" ?>\n"
        "<XML_ORBITLUME>\n"
        "<MESSAGE_HEADER Msg_type=\"SYSTEM_SEARCHIPC_MESSAGE\" Msg_code=\"1\" Msg_flag=\"0\" SOURCE=\"ZKTOOLS\" />\n"
        "<MESSAGE_BODY>\n"
        "</MESSAGE_BODY>\n"
        "</XML_ORBITLUME>");
}

TEST(SearchRequestTest, ARequestWithBodyCarriesTheStrayLine) {
    const std::string body = BuildCommandBody("SN1", false, std::nullopt);
    EXPECT_EQ(
        BuildSearchRequest(kCodeFactoryMode, body, kFlagFactoryModeOff),
        "<?xml version=\"1.0\" encoding=\"GB2312\" ?>\n"
        "<XML_ORBITLUME>\n"
        "<MESSAGE_HEADER Msg_type=\"SYSTEM_SEARCHIPC_MESSAGE\" Msg_code=\"9\" Msg_flag=\"1\" SOURCE=\"ZKTOOLS\" />\n"
        "/>\n"
        "<MESSAGE_BODY>\n"
        "<IPC_SERIALNUMBER SerialNumber=\"SN1\" />\r\n"
        "\n"
        "</MESSAGE_BODY>\n"
        "</XML_ORBITLUME>");
}

TEST(SearchRequestTest, CommandBodiesHoldSerialRetainAndCredentials) {
    EXPECT_EQ(BuildCommandBody("ZK2024A000123", true, Credentials{"admin", "507913"}),
              "<IPC_SERIALNUMBER SerialNumber=\"ZK2024A000123\" />\r\n"
              "<retain value=\"network\" />\r\n"
              "<OPERATOR_AUTH Username=\"admin\" Password=\"507913\" />\r\n");
    EXPECT_EQ(BuildCommandBody("uuid-1", false, std::nullopt), "<IPC_SERIALNUMBER SerialNumber=\"uuid-1\" />\r\n");
    EXPECT_EQ(BuildCommandBody(std::string(3000, 'S'), false, std::nullopt).size(), kBodyMaxChars);
}

TEST(SearchRequestTest, TheSetNetworkBodyIsExactAndWritesDhcpAsANumber) {
    DeviceRecord record = EmptyDeviceRecord();
    CopyBounded(record.SerialNumber, "ZK2024A000123");
    CopyBounded(record.MacAddress, "00:12:34:56:78:9A");
    record.Dhcp = 1;
    CopyBounded(record.IpAddress, "192.168.1.70");
    CopyBounded(record.Netmask, "255.255.255.0");
    CopyBounded(record.Gateway, "192.168.1.1");
    CopyBounded(record.Dns1, "8.8.8.8");
    CopyBounded(record.Dns2, "");
    EXPECT_EQ(BuildSetNetworkBody(record, Credentials{"admin", "507913"}),
              "<IPC_SERIALNUMBER\r\nSerialNumber=\"ZK2024A000123\"\r\n/>\r\n"
              "<OPERATOR_AUTH Username=\"admin\" Password=\"507913\" />\r\n"
              "<LANConfig\r\n"
              "MacAddress=\"00:12:34:56:78:9A\"\r\n"
              "DHCP=\"1\"\r\n"
              "IPAddress=\"192.168.1.70\"\r\n"
              "Netmask=\"255.255.255.0\"\r\n"
              "Gateway=\"192.168.1.1\"\r\n"
              "DNS1=\"8.8.8.8\"\r\n"
              "DNS2=\"\"\r\n"
              "/>\r\n");
}

// A password ending in `" DHCP="1` once closed the attribute early and switched the device to
// DHCP; every value the tool writes is escaped now.
TEST(SearchRequestTest, AttributeValuesCannotInjectAttributesOrElements) {
    EXPECT_EQ(EscapeXmlAttribute("plain text 123"), "plain text 123");
    EXPECT_EQ(EscapeXmlAttribute(R"(a&b<c>d"e'f)"), "a&amp;b&lt;c&gt;d&quot;e&apos;f");

    DeviceRecord record = EmptyDeviceRecord();
    CopyBounded(record.SerialNumber, "SN\"/><evil");
    CopyBounded(record.MacAddress, "00:11:22:33:44:55");
    const std::string password = R"(pw" DHCP="1)";
    const std::string message =
        BuildSearchRequest(kCodeSetNetwork, BuildSetNetworkBody(record, Credentials{"admin", password}));
    tinyxml2::XMLDocument document;
    ASSERT_EQ(document.Parse(message.c_str()), tinyxml2::XML_SUCCESS);
    const auto* body = document.FirstChildElement()->FirstChildElement("MESSAGE_BODY");
    EXPECT_STREQ(body->FirstChildElement("OPERATOR_AUTH")->Attribute("Password"), password.c_str());
    EXPECT_STREQ(body->FirstChildElement("IPC_SERIALNUMBER")->Attribute("SerialNumber"), "SN\"/><evil");
    EXPECT_STREQ(body->FirstChildElement("LANConfig")->Attribute("DHCP"), "0");
    EXPECT_EQ(body->FirstChildElement("evil"), nullptr);
}

TEST(SearchRequestTest, IntercomDataIsBuiltAndReadBack) {
    IntercomRecord intercom{};
    CopyBounded(intercom.DEVICETYPE, "INDOOR");
    CopyBounded(intercom.EXTNUMBER, "0102");
    CopyBounded(intercom.MAINNUMBER, "01");
    CopyBounded(intercom.EXTNAME, "Room \"A\" & B");
    CopyBounded(intercom.ADDRESSBOXIP, "192.168.1.250");
    CopyBounded(intercom.NOTES, "");
    CopyBounded(intercom.MANAGECENTER, "192.168.1.2");
    const std::string body = BuildIntercomBody("SN7", intercom);
    EXPECT_TRUE(
        body.starts_with("<IPC_SERIALNUMBER SerialNumber=\"SN7\" />\r\n<FH_CONFIG>\n<SYSTEM DEVICETYPE=\"INDOOR\" "))
        << body;
    EXPECT_TRUE(body.ends_with("/>\n</FH_CONFIG>"));
    const auto back = ParseIntercomBody(BuildSearchRequest(kCodeSetNetwork, body));
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(FieldText(back->EXTNAME), "Room \"A\" & B");
    EXPECT_EQ(FieldText(back->MANAGECENTER), "192.168.1.2");
    EXPECT_EQ(ParseIntercomBody(BuildSearchRequest(kCodeSearch, std::nullopt)), std::nullopt);
}

TEST(SearchHeaderTest, RootNamesComeFromTheInstallationListOfAtMostTen) {
    EXPECT_THAT(AcceptedRootNames(""), ElementsAre("XML_NIMBEX", "XML_ORBITLUME"));
    EXPECT_THAT(AcceptedRootNames("OEM_A, OEM_B"), ElementsAre("OEM_A", "OEM_B"));
    EXPECT_EQ(AcceptedRootNames("R1,R2,R3,R4,R5,R6,R7,R8,R9,R10,R11,R12").size(), kMaxRootNames);
    EXPECT_EQ(AcceptedRootNames("R1,R2,R3,R4,R5,R6,R7,R8,R9,R10,R11").back(), "R10");
}

TEST(SearchHeaderTest, BothDefaultRootsAreAcceptedAndOthersOnlyWhenNamed) {
    SearchHeader header;
    ReplyText reply;
    EXPECT_EQ(ParseSearchHeader(kDefaultRoots, reply.Text(), header), kHeaderAccepted);
    EXPECT_EQ(header.msgType, "SYSTEM_SEARCHIPC_MESSAGE");
    EXPECT_EQ(header.msgCode, "3");
    EXPECT_EQ(header.msgFlag, "0");
    reply.root = "XML_ORBITLUME";
    EXPECT_EQ(ParseSearchHeader(kDefaultRoots, reply.Text(), header), kHeaderAccepted);
    reply.root = "XML_OEMROOT";
    EXPECT_EQ(ParseSearchHeader(kDefaultRoots, reply.Text(), header), kHeaderNoRoot);
    EXPECT_EQ(ParseSearchHeader(AcceptedRootNames("XML_OEMROOT"), reply.Text(), header), kHeaderAccepted);
}

TEST(SearchHeaderTest, ARootWithAttributesAndMissingHeaderAttributesAreRejected) {
    SearchHeader header;
    ReplyText reply;
    reply.rootAttributes = " version=\"2\"";
    EXPECT_EQ(ParseSearchHeader(kDefaultRoots, reply.Text(), header), kHeaderNoRoot);

    reply = {};
    reply.header = R"(<MESSAGE_HEADER Msg_type="SYSTEM_SEARCHIPC_MESSAGE" Msg_code="3" />)";
    EXPECT_EQ(ParseSearchHeader(kDefaultRoots, reply.Text(), header), kHeaderNoFlag);
    reply.header = R"(<MESSAGE_HEADER Msg_type="SYSTEM_SEARCHIPC_MESSAGE" Msg_code="" Msg_flag="0" />)";
    EXPECT_EQ(ParseSearchHeader(kDefaultRoots, reply.Text(), header), kHeaderNoCode);
    reply.header = R"(<MESSAGE_HEADER Msg_code="3" Msg_flag="0" />)";
    EXPECT_EQ(ParseSearchHeader(kDefaultRoots, reply.Text(), header), kHeaderNoType);
    reply.header = "";
    EXPECT_EQ(ParseSearchHeader(kDefaultRoots, reply.Text(), header), kHeaderNoType);
}

TEST(SearchReplyTest, EveryReplyFieldLandsInItsRecordField) {
    DeviceRecord record;
    ASSERT_EQ(ParseSearchReply(ReplyText().Text(), record), ReplyResult::Accepted);
    EXPECT_EQ(FieldText(record.SerialNumber), "ZK2024A000123");
    EXPECT_EQ(FieldText(record.OemSn), "OEM-77");
    EXPECT_EQ(FieldText(record.PlatformId), "PLT9");
    EXPECT_EQ(FieldText(record.Version), "V5.2.1 build 20240312");
    EXPECT_EQ(FieldText(record.AfVersion), "af1.3");
    EXPECT_EQ(record.P2pType, 1) << "a 32-character P2P id without \"@\" is type 1";
    EXPECT_EQ(FieldText(record.Uuid), "uuid-1234");
    EXPECT_EQ(record.RunTime, 90061);
    EXPECT_EQ(record.P2pStatus, 1);
    EXPECT_EQ(FieldText(record.DeviceType), "NVS-IPCAM-T20_V2");
    EXPECT_EQ(FieldText(record.Osd), "43616d657261");
    EXPECT_EQ(FieldText(record.MacAddress), "00:12:34:56:78:9A");
    EXPECT_EQ(record.Dhcp, 1);
    EXPECT_EQ(record.AllNet, 1);
    EXPECT_EQ(FieldText(record.IpAddress), "192.168.1.64");
    EXPECT_EQ(FieldText(record.Netmask), "255.255.255.0");
    EXPECT_EQ(FieldText(record.Gateway), "192.168.1.1");
    EXPECT_EQ(FieldText(record.Dns1), "8.8.8.8");
    EXPECT_EQ(FieldText(record.Dns2), "1.1.1.1");
    EXPECT_EQ(record.StreamAuth, 1);
    EXPECT_EQ(record.RtpOverRtsp, 1);
    EXPECT_EQ(record.VideoPort, 554);
    EXPECT_EQ(record.PtzPort, 8091);
    EXPECT_EQ(record.WebPort, 80);
    EXPECT_EQ(record.UserConfigPresent, 1);
    EXPECT_EQ(FieldText(record.Username), "admin") << "the first account with a name or password counts";
    EXPECT_EQ(FieldText(record.Password), "secret");
    EXPECT_EQ(FieldText(record.UserGroup), "Administrators");
    EXPECT_EQ(FieldText(record.UserStatus), "1");
    EXPECT_EQ(FieldText(record.RawReply), ReplyText().Text());
}

TEST(SearchReplyTest, LongValuesAreCutToTheirFields) {
    ReplyText reply;
    reply.serial =
        "<IPC_SERIALNUMBER SerialNumber=\"" + std::string(100, 'S') + "\" VERSION=\"" + std::string(500, 'V') + "\" />";
    reply.type =
        "<DEVICE_TYPE DeviceType=\"NVR-" + std::string(300, 'T') + "\" OSD=\"" + std::string(600, 'a') + "\" />";
    DeviceRecord record;
    ASSERT_EQ(ParseSearchReply(reply.Text(), record), ReplyResult::Accepted);
    EXPECT_EQ(FieldText(record.SerialNumber).size(), 31u);
    EXPECT_EQ(FieldText(record.Version).size(), 127u);
    EXPECT_EQ(FieldText(record.DeviceType).size(), 127u);
    EXPECT_EQ(FieldText(record.Osd).size(), 255u);
    EXPECT_EQ(record.P2pStatus, -1) << "no P2PSTATUS means unknown";
}

TEST(SearchReplyTest, OnlyServersRecordersAndDecodersAreListed) {
    test::LogCapture log("127.0.0.41");
    ReplyText reply;
    DeviceRecord record;
    reply.type = R"(<DEVICE_TYPE DeviceType="IPC" />)";
    EXPECT_EQ(ParseSearchReply(reply.Text(), record), ReplyResult::NotNvsOrDvs);
    EXPECT_THAT(log.TakeMessages(), ElementsAre("Found one device not NVS or DVS, type=IPC, sn=ZK2024A000123\n"));
    for (const char* type : {"XNVSX", "DVS-1", "HD-DEC-4", "NVR", "ipc-NVS"}) {
        reply.type = std::string("<DEVICE_TYPE DeviceType=\"") + type + "\" />";
        EXPECT_EQ(ParseSearchReply(reply.Text(), record), ReplyResult::Accepted) << type;
    }
    reply.type = R"(<DEVICE_TYPE DeviceType="nvr" />)";
    EXPECT_EQ(ParseSearchReply(reply.Text(), record), ReplyResult::NotNvsOrDvs) << "markers are case-sensitive";
    reply.type = R"(<DEVICE_TYPE DeviceType="IPC" OSD="1" /><DEVICE_TYPE DeviceType="NVR-8" />)";
    EXPECT_EQ(ParseSearchReply(reply.Text(), record), ReplyResult::Accepted);
    EXPECT_EQ(FieldText(record.DeviceType), "NVR-8") << "the last DEVICE_TYPE wins";
    EXPECT_EQ(FieldText(record.Osd), "");
}

TEST(SearchReplyTest, MissingSectionsAreDroppedOrToleratedWithTheirLogLines) {
    test::LogCapture log("127.0.0.41");
    DeviceRecord record;
    ReplyText reply;
    reply.users = "";
    EXPECT_EQ(ParseSearchReply(reply.Text(), record), ReplyResult::Accepted);
    EXPECT_EQ(record.UserConfigPresent, 0);
    EXPECT_EQ(FieldText(record.Username), "");
    reply.users = R"(<UserConfig><Account Username="" Password="" /></UserConfig>)";
    EXPECT_EQ(ParseSearchReply(reply.Text(), record), ReplyResult::Accepted);
    EXPECT_EQ(record.UserConfigPresent, 0);

    reply = {};
    reply.lan = "";
    EXPECT_EQ(ParseSearchReply(reply.Text(), record), ReplyResult::NoLanConfig);
    reply = {};
    reply.stream = "<MediaStreamConfig />";
    EXPECT_EQ(ParseSearchReply(reply.Text(), record), ReplyResult::NoStreamConfig);
    EXPECT_EQ(ParseSearchReply("<XML_NIMBEX></XML_NIMBEX>", record), ReplyResult::NoBody);
    EXPECT_THAT(log.TakeMessages(),
                ElementsAre("user config not found.\n", "user config not found.\n", "lan config not found.\n",
                            "stream config not found.\n", "serial number not found\n, msg=<XML_NIMBEX></XML_NIMBEX>"));
}

TEST(SearchReplyTest, StreamAuthKeepsSixteenBitsWithSign) {
    ReplyText reply;
    DeviceRecord record;
    reply.stream = R"(<MediaStreamConfig><StreamAccess Auth="70000" /></MediaStreamConfig>)";
    ASSERT_EQ(ParseSearchReply(reply.Text(), record), ReplyResult::Accepted);
    EXPECT_EQ(record.StreamAuth, 4464);
    reply.stream = R"(<MediaStreamConfig><StreamAccess Auth="40000" /></MediaStreamConfig>)";
    ASSERT_EQ(ParseSearchReply(reply.Text(), record), ReplyResult::Accepted);
    EXPECT_EQ(record.StreamAuth, -25536);
}

TEST(SearchReplyTest, P2pTypesAreInferredFromTheIdWhenTheReplyGivesNone) {
    EXPECT_EQ(InferP2pType("dev123.iot.qq.com"), 5);
    EXPECT_EQ(InferP2pType("zkws0123456789abcdef"), 9);
    EXPECT_EQ(InferP2pType("zkws0123456789abcdefX"), 0) << "zkws needs exactly 20 characters";
    EXPECT_EQ(InferP2pType("dev@a1Zk3Cam01x"), 8);
    EXPECT_EQ(InferP2pType("dev@unknownkey1"), 10);
    EXPECT_EQ(InferP2pType(std::string(32, 'A')), 1);
    EXPECT_EQ(InferP2pType(std::string(31, 'A')), 0);

    ReplyText reply;
    DeviceRecord record;
    reply.serial = R"(<IPC_SERIALNUMBER SerialNumber="S" P2PTYPE="3" P2PID="zkws0123456789abcdef" />)";
    ASSERT_EQ(ParseSearchReply(reply.Text(), record), ReplyResult::Accepted);
    EXPECT_EQ(record.P2pType, 3) << "a type the reply gives is kept";
    reply.serial = R"(<IPC_SERIALNUMBER SerialNumber="S" P2PID="zkws0123456789abcdef" />)";
    ASSERT_EQ(ParseSearchReply(reply.Text(), record), ReplyResult::Accepted);
    EXPECT_EQ(record.P2pType, 9);
}

TEST(SearchDatagramTest, OnlyAcceptedRepliesOfCodeThreeBecomeRecords) {
    test::LogCapture log("127.0.0.41");
    DeviceRecord record;
    EXPECT_EQ(ReadSearchDatagram(ReplyText().Text(), kDefaultRoots, record), DatagramResult::Reply);
    EXPECT_TRUE(log.TakeMessages().empty());

    const std::string request = BuildSearchRequest(kCodeSearch, std::nullopt);
    EXPECT_EQ(ReadSearchDatagram(request, kDefaultRoots, record), DatagramResult::OtherCode);
    EXPECT_THAT(log.TakeMessages(), ElementsAre("recv message: " + request + "\n"));

    EXPECT_EQ(ReadSearchDatagram("<OTHER></OTHER>", kDefaultRoots, record), DatagramResult::Rejected);
    EXPECT_THAT(log.TakeMessages(), ElementsAre("Invalid message, XML root not found:\n<OTHER></OTHER>\n",
                                                "recv message: <OTHER></OTHER>\n"));

    ReplyText big;
    big.users = std::string(6000, ' ');
    EXPECT_EQ(ReadSearchDatagram(big.Text(), kDefaultRoots, record), DatagramResult::TooLarge);
    EXPECT_EQ(log.TakeMessages().size(), 1u);
    big.users = std::string(5119 - (big.Text().size() - 6000), ' ');
    EXPECT_EQ(big.Text().size(), 5119u);
    EXPECT_EQ(ReadSearchDatagram(big.Text(), kDefaultRoots, record), DatagramResult::Reply)
        << "5119 bytes is the largest reply used";
    EXPECT_EQ(FieldText(record.RawReply).size(), 5119u);
}

TEST(SearchDatagramTest, TheDeviceSideReplyRoundTrips) {
    DeviceRecord record;
    ASSERT_EQ(ParseSearchReply(ReplyText().Text(), record), ReplyResult::Accepted);
    DeviceRecord back;
    ASSERT_EQ(ReadSearchDatagram(BuildSearchReply(record), kDefaultRoots, back), DatagramResult::Reply);
    std::memset(record.RawReply, 0, sizeof(record.RawReply));
    std::memset(back.RawReply, 0, sizeof(back.RawReply));
    EXPECT_EQ(std::memcmp(&record, &back, sizeof(record)), 0);
}

TEST(SearchDatagramTest, AnyBytesNeverHarmTheParsers) {
    ReplyText full;
    ReplyText noUsers;
    noUsers.users = "";
    const std::vector<std::string> seeds = {full.Text(), noUsers.Text(),
                                            BuildSearchRequest(kCodeSetNetwork, BuildCommandBody("S", true, {})),
                                            BuildSearchReply(EmptyDeviceRecord(), "XML_ORBITLUME")};
    std::size_t replies = 0;
    test::RunMutations(seeds, 100000, 5, [&replies](std::string_view input) {
        DeviceRecord record;
        if (ReadSearchDatagram(input, kDefaultRoots, record) == DatagramResult::Reply) {
            ++replies;
            ASSERT_LT(FieldText(record.SerialNumber).size(), sizeof(record.SerialNumber));
            ASSERT_LT(FieldText(record.RawReply).size(), sizeof(record.RawReply));
            ASSERT_LT(FieldText(record.UserStatus).size(), sizeof(record.UserStatus));
        }
        ParseIntercomBody(input);
    });
    EXPECT_GT(replies, 1000u) << "the mutations must reach the reply parser, not only the header check";
}

} // namespace
} // namespace zk::discovery

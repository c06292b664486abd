// SPDX-License-Identifier: GPL-3.0-or-later
#include "devsim/RequestHandler.h"

#include "base/FixedText.h"
#include "devsim/FleetBuilder.h"
#include "devsim/RecordWriter.h"
#include "discovery/SearchMessage.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <set>

namespace zk::devsim {
namespace {

using namespace std::chrono_literals;
using base::CopyBounded;
using base::FieldText;
using discovery::Credentials;

const Endpoint kTool{0xC0A801FD, 50123};                         // 192.168.1.253
const std::vector<Subnet> kSimSide = {{0xC0A801FE, 0xFFFFFF00}}; // 192.168.1.254/24

std::uint32_t Ip(const char* text) {
    return ParseIpv4(text).value();
}

// A fleet of five generated devices on 192.168.1.10-14 (two of them moved to another subnet when
// asked), and a clock the test moves by hand.
class RequestHandlerTest : public ::testing::Test {
protected:
    void SetUp() override { Make(SimOptions{}); }

    void Make(SimOptions options, const std::vector<std::uint32_t>& moved = {}) {
        options.count = 5;
        options.interfaceName = "zks0";
        std::vector<DeviceProfile> fleet;
        std::string error;
        ASSERT_EQ(GenerateDevices(options, fleet, error), 0) << error;
        for (std::size_t i = 0; i < moved.size(); ++i) {
            CopyBounded(fleet[i].record.IpAddress, FormatIpv4(moved[i]));
        }
        m_handler = std::make_unique<RequestHandler>(std::move(fleet), HandlerSettings{100, 5, 42}, m_now);
    }

    HandleResult Send(const std::string& message, const std::vector<Subnet>& arrival = kSimSide) {
        return m_handler->Handle(message, arrival, kTool, m_now);
    }
    HandleResult Search() { return Send(discovery::BuildSearchRequest(discovery::kCodeSearch, std::nullopt)); }
    HandleResult Command(int code, const std::string& serial, bool retain = false,
                         const std::optional<Credentials>& credentials = std::nullopt, int flag = 0) {
        return Send(
            discovery::BuildSearchRequest(code, discovery::BuildCommandBody(serial, retain, credentials), flag));
    }
    HandleResult SetNetwork(const discovery::DeviceRecord& record,
                            const std::optional<Credentials>& credentials = std::nullopt) {
        return Send(discovery::BuildSearchRequest(discovery::kCodeSetNetwork,
                                                  discovery::BuildSetNetworkBody(record, credentials)));
    }
    // The record the tool would hold for a device after a search, with new network values.
    discovery::DeviceRecord Readdressed(std::size_t index, const char* ip) const {
        discovery::DeviceRecord record = m_handler->Device(index).Record(m_now);
        CopyBounded(record.IpAddress, ip);
        CopyBounded(record.Gateway, "10.0.0.1");
        return record;
    }
    std::set<std::string> Answering() {
        std::set<std::string> sources;
        for (const ScheduledReply& reply : Search().replies) {
            sources.insert(FormatIpv4(reply.source.address));
        }
        return sources;
    }
    discovery::DeviceRecord ParsedReply(std::size_t device) {
        for (const ScheduledReply& reply : Search().replies) {
            if (reply.deviceIndex == device) {
                discovery::DeviceRecord record{};
                EXPECT_EQ(discovery::ParseSearchReply(reply.payload, record), discovery::ReplyResult::Accepted);
                return record;
            }
        }
        ADD_FAILURE() << "device " << device << " did not answer";
        return {};
    }

    SimClock::time_point m_now = SimClock::time_point() + 1000h;
    std::unique_ptr<RequestHandler> m_handler;
};

TEST_F(RequestHandlerTest, EveryDeviceOfTheArrivalSubnetAnswersFromItsOwnAddressToTheRequester) {
    const HandleResult result = Search();
    ASSERT_EQ(result.replies.size(), 5u);
    EXPECT_TRUE(result.summary.accepted);
    EXPECT_EQ(result.summary.code, 1);
    EXPECT_EQ(result.summary.answered, 5);
    std::set<std::string> serials;
    for (const ScheduledReply& reply : result.replies) {
        EXPECT_EQ(reply.source.address, Ip("192.168.1.10") + reply.deviceIndex);
        EXPECT_EQ(reply.source.port, kSearchPort);
        EXPECT_EQ(reply.destination, kTool);
        EXPECT_LE(reply.delay, 100ms);
        discovery::DeviceRecord record{};
        ASSERT_EQ(discovery::ReadSearchDatagram(reply.payload, discovery::AcceptedRootNames(""), record),
                  discovery::DatagramResult::Reply);
        EXPECT_EQ(FieldText(record.IpAddress), FormatIpv4(reply.source.address));
        serials.emplace(FieldText(record.SerialNumber));
    }
    EXPECT_EQ(serials.size(), 5u) << "serial numbers must be unique";
}

TEST_F(RequestHandlerTest, OnlyDevicesInsideTheArrivalInterfaceSubnetsAnswer) {
    Make(SimOptions{}, {Ip("10.0.0.5"), Ip("10.0.0.6")});
    EXPECT_EQ(Answering(), (std::set<std::string>{"192.168.1.12", "192.168.1.13", "192.168.1.14"}));
    const std::vector<Subnet> otherAdapter = {{Ip("10.0.0.254"), 0xFFFFFF00}};
    EXPECT_EQ(Search().replies.size(), 3u);
    EXPECT_EQ(Send(discovery::BuildSearchRequest(1, std::nullopt), otherAdapter).replies.size(), 2u);
    EXPECT_TRUE(Send(discovery::BuildSearchRequest(1, std::nullopt), {}).replies.empty());
}

TEST_F(RequestHandlerTest, JitterSpreadsRepliesAndLateDevicesWaitTheirDelay) {
    SimOptions options;
    options.lateMs = 3000;
    Make(options);
    std::set<long> delays;
    for (int round = 0; round < 20; ++round) {
        for (const ScheduledReply& reply : Search().replies) {
            delays.insert(static_cast<long>(reply.delay.count()));
        }
    }
    EXPECT_GT(delays.size(), 20u) << "replies must not all wait the same time";
    EXPECT_LE(*delays.rbegin(), 100);

    std::vector<DeviceProfile> fleet;
    std::string error;
    options.count = 2;
    ASSERT_EQ(GenerateDevices(options, fleet, error), 0);
    fleet[1].bad.Add(BadKind::Late);
    RequestHandler handler(std::move(fleet), HandlerSettings{0, 5, 1}, m_now);
    const HandleResult result = handler.Handle(discovery::BuildSearchRequest(1, std::nullopt), kSimSide, kTool, m_now);
    ASSERT_EQ(result.replies.size(), 2u);
    EXPECT_EQ(result.replies[0].delay, 0ms);
    EXPECT_EQ(result.replies[1].delay, 3000ms);
}

TEST_F(RequestHandlerTest, MessagesThatAreNotRequestsAreRecordedAndIgnored) {
    const HandleResult garbage = Send("not xml at all");
    EXPECT_FALSE(garbage.summary.accepted);
    EXPECT_FALSE(garbage.summary.code.has_value());
    EXPECT_TRUE(garbage.replies.empty());

    // Another device's reply heard on the same network.
    const HandleResult reply = Send(discovery::BuildSearchReply(m_handler->Device(0).Record(m_now)));
    EXPECT_FALSE(reply.summary.accepted);
    EXPECT_EQ(reply.summary.code, 3);
    EXPECT_TRUE(reply.replies.empty());
}

TEST_F(RequestHandlerTest, SetNetworkNeedsTheRightMacAndCredentials) {
    discovery::DeviceRecord wrongMac = Readdressed(1, "10.0.0.7");
    CopyBounded(wrongMac.MacAddress, "02:5A:4B:00:00:09");
    HandleResult result = SetNetwork(wrongMac);
    EXPECT_FALSE(result.summary.accepted);
    EXPECT_EQ(result.summary.reason, "wrong MAC address");
    EXPECT_EQ(result.summary.serial, "ZKSIM000002");

    result = SetNetwork(Readdressed(1, "10.0.0.7"), Credentials{"admin", "guess"});
    EXPECT_FALSE(result.summary.accepted);
    EXPECT_EQ(result.summary.reason, "wrong credentials");

    discovery::DeviceRecord unknown = Readdressed(1, "10.0.0.7");
    CopyBounded(unknown.SerialNumber, "NOSUCHDEVICE");
    EXPECT_EQ(SetNetwork(unknown).summary.reason, "no device");

    EXPECT_EQ(FormatIpv4(m_handler->Device(1).IpAddress()), "192.168.1.11");
    EXPECT_TRUE(result.addressChanges.empty());
}

TEST_F(RequestHandlerTest, SetNetworkMovesTheDeviceWhichThenAnswersFromItsNewAddress) {
    discovery::DeviceRecord wanted = Readdressed(1, "10.0.0.7");
    CopyBounded(wanted.Netmask, "255.255.0.0");
    // The MAC address matches in any letter case, as typed by a person.
    CopyBounded(wanted.MacAddress, "02:5a:4b:00:00:02");
    const HandleResult result = SetNetwork(wanted, Credentials{"admin", "507913"});
    EXPECT_TRUE(result.summary.accepted);
    EXPECT_EQ(result.summary.device, "ZKSIM000002");
    ASSERT_EQ(result.addressChanges.size(), 1u);
    const AddressChange& change = result.addressChanges[0];
    EXPECT_EQ(change.interfaceName, "zks0");
    EXPECT_EQ(FormatIpv4(change.oldAddress), "192.168.1.11");
    EXPECT_EQ(change.oldPrefixLength, 24);
    EXPECT_EQ(FormatIpv4(change.newAddress), "10.0.0.7");
    EXPECT_EQ(change.newPrefixLength, 16);
    // The record line says what the device now holds, so a test need not search to know.
    ASSERT_TRUE(result.summary.applied.has_value());
    const QJsonObject applied =
        QJsonDocument::fromJson(QByteArray::fromStdString(RecordLine(1.0, kTool, "", result.summary)))
            .object()
            .value(QStringLiteral("applied"))
            .toObject();
    EXPECT_EQ(applied.value(QStringLiteral("Dhcp")).toInt(-1), 0);
    EXPECT_EQ(applied.value(QStringLiteral("IpAddress")).toString(), QStringLiteral("10.0.0.7"));
    EXPECT_EQ(applied.value(QStringLiteral("Netmask")).toString(), QStringLiteral("255.255.0.0"));
    EXPECT_EQ(applied.value(QStringLiteral("Gateway")).toString(), QStringLiteral("10.0.0.1"));
    EXPECT_EQ(applied.value(QStringLiteral("Dns1")).toString(), QStringLiteral("192.168.1.1"));
    EXPECT_EQ(applied.value(QStringLiteral("Dns2")).toString(), QStringLiteral("8.8.8.8"));

    EXPECT_EQ(Answering().count("192.168.1.11"), 0u);
    const std::vector<Subnet> both = {kSimSide[0], {Ip("10.0.0.254"), 0xFFFF0000}};
    const HandleResult search = Send(discovery::BuildSearchRequest(1, std::nullopt), both);
    bool found = false;
    for (const ScheduledReply& reply : search.replies) {
        if (reply.deviceIndex == 1) {
            found = true;
            EXPECT_EQ(FormatIpv4(reply.source.address), "10.0.0.7");
            discovery::DeviceRecord record{};
            ASSERT_EQ(discovery::ParseSearchReply(reply.payload, record), discovery::ReplyResult::Accepted);
            EXPECT_EQ(FieldText(record.IpAddress), "10.0.0.7");
            EXPECT_EQ(FieldText(record.Netmask), "255.255.0.0");
            EXPECT_EQ(FieldText(record.Gateway), "10.0.0.1");
        }
    }
    EXPECT_TRUE(found);
}

TEST_F(RequestHandlerTest, SetNetworkRefusesAddressesAndMasksADeviceCannotUse) {
    struct Case {
        const char* address;
        const char* netmask;
        const char* reason; // nullptr: applied
    };
    const Case cases[] = {
        {"10.0.0.300", "255.255.255.0", "bad address or netmask"},
        {"10.0.0.7", "255.0.255.0", "bad address or netmask"},
        {"10.0.0.7", "255.255.255.254", "bad address or netmask"},
        {"10.0.0.7", "255.255.255.255", "bad address or netmask"},
        {"10.0.0.7", "0.0.0.0", "bad address or netmask"},
        {"0.1.2.3", "255.255.255.0", "unusable address"},
        {"127.0.0.5", "255.0.0.0", "unusable address"},
        {"224.0.0.1", "255.255.255.0", "unusable address"},
        {"255.255.255.255", "255.255.255.0", "unusable address"},
        {"10.0.0.0", "255.255.255.0", "unusable address"},
        {"10.0.0.255", "255.255.255.0", "unusable address"},
        {"10.0.1.255", "255.255.254.0", "unusable address"},
        {"10.0.0.4", "255.255.255.252", "unusable address"},
        {"10.0.0.7", "255.255.255.252", "unusable address"},
        // The edges that stay usable: the same last octets under wider masks, /30, class E's neighbour.
        {"10.0.0.255", "255.255.254.0", nullptr},
        {"10.0.0.5", "255.255.255.252", nullptr},
        {"223.255.255.1", "255.255.255.0", nullptr},
        {"1.0.0.0", "255.0.0.0", "unusable address"},
    };
    for (const Case& c : cases) {
        const std::string before = FormatIpv4(m_handler->Device(1).IpAddress());
        const std::string gatewayBefore(FieldText(m_handler->Device(1).Record(m_now).Gateway));
        discovery::DeviceRecord wanted = Readdressed(1, c.address);
        CopyBounded(wanted.Netmask, c.netmask);
        const HandleResult result = SetNetwork(wanted);
        if (c.reason == nullptr) {
            EXPECT_TRUE(result.summary.accepted) << c.address << "/" << c.netmask;
            EXPECT_EQ(FormatIpv4(m_handler->Device(1).IpAddress()), c.address);
            continue;
        }
        EXPECT_FALSE(result.summary.accepted) << c.address << "/" << c.netmask;
        EXPECT_EQ(result.summary.reason, c.reason) << c.address << "/" << c.netmask;
        EXPECT_FALSE(result.summary.applied.has_value());
        EXPECT_TRUE(result.addressChanges.empty());
        EXPECT_EQ(FormatIpv4(m_handler->Device(1).IpAddress()), before) << "a refused request changes nothing";
        EXPECT_EQ(FieldText(m_handler->Device(1).Record(m_now).Gateway), gatewayBefore);
    }
}

TEST_F(RequestHandlerTest, DhcpKeepsTheAddressAndReportsDhcpOn) {
    discovery::DeviceRecord wanted = Readdressed(2, "10.0.0.9");
    wanted.Dhcp = 1;
    const HandleResult result = SetNetwork(wanted);
    EXPECT_TRUE(result.summary.accepted);
    EXPECT_TRUE(result.addressChanges.empty());
    ASSERT_TRUE(result.summary.applied.has_value());
    EXPECT_EQ(result.summary.applied->dhcp, 1);
    EXPECT_EQ(result.summary.applied->ipAddress, "192.168.1.12") << "the address the device kept";
    EXPECT_EQ(result.summary.applied->gateway, "192.168.1.1");
    const discovery::DeviceRecord reply = ParsedReply(2);
    EXPECT_EQ(reply.Dhcp, 1);
    EXPECT_EQ(FieldText(reply.IpAddress), "192.168.1.12");
}

TEST_F(RequestHandlerTest, RebootSilencesTheDeviceAndRestartsItsRunTime) {
    m_now += 3600s;
    EXPECT_EQ(ParsedReply(0).RunTime, 3600);
    EXPECT_TRUE(Command(discovery::kCodeReboot, "ZKSIM000001", false, Credentials{"admin", "507913"}).summary.accepted);
    EXPECT_EQ(Answering().count("192.168.1.10"), 0u);
    m_now += 4s;
    EXPECT_EQ(Answering().count("192.168.1.10"), 0u);
    EXPECT_EQ(Command(discovery::kCodeReboot, "ZKSIM000001").summary.reason, "rebooting");
    m_now += 1s;
    EXPECT_EQ(ParsedReply(0).RunTime, 0);
    m_now += 7s;
    EXPECT_EQ(ParsedReply(0).RunTime, 7);
    EXPECT_EQ(ParsedReply(1).RunTime, 3612) << "other devices keep running";
}

TEST_F(RequestHandlerTest, RestoreResetsTheNetworkUnlessItIsRetainedAndReboots) {
    ASSERT_TRUE(SetNetwork(Readdressed(3, "10.0.0.3")).summary.accepted);
    ASSERT_TRUE(SetNetwork(Readdressed(4, "10.0.0.4")).summary.accepted);

    HandleResult retained = Command(discovery::kCodeRestore, "ZKSIM000004", true);
    EXPECT_TRUE(retained.summary.accepted);
    EXPECT_TRUE(retained.addressChanges.empty());
    EXPECT_EQ(FormatIpv4(m_handler->Device(3).IpAddress()), "10.0.0.3");

    HandleResult full = Command(discovery::kCodeRestore, "ZKSIM000005", false);
    EXPECT_TRUE(full.summary.accepted);
    ASSERT_EQ(full.addressChanges.size(), 1u);
    EXPECT_EQ(FormatIpv4(full.addressChanges[0].newAddress), "192.168.1.14");
    // The second of the three copies the tool sends finds the device rebooting.
    EXPECT_EQ(Command(discovery::kCodeRestore, "ZKSIM000005", false).summary.reason, "rebooting");

    m_now += 5s;
    const discovery::DeviceRecord restored = ParsedReply(4);
    EXPECT_EQ(FieldText(restored.IpAddress), "192.168.1.14");
    EXPECT_EQ(FieldText(restored.Gateway), "192.168.1.1");
    EXPECT_EQ(restored.RunTime, 0);
}

TEST_F(RequestHandlerTest, FactoryModeFollowsTheFlag) {
    EXPECT_TRUE(Command(discovery::kCodeFactoryMode, "ZKSIM000003", false, std::nullopt, discovery::kFlagFactoryModeOn)
                    .summary.accepted);
    EXPECT_TRUE(m_handler->Device(2).FactoryMode());
    // The document shows the same state a session's 1094 sets, also across a restore.
    EXPECT_EQ(m_handler->Device(2).Config().Value("SystemConfig/FactoryConfig", "Mode"), "1");
    ASSERT_TRUE(Command(discovery::kCodeRestore, "ZKSIM000003", true).summary.accepted);
    EXPECT_EQ(m_handler->Device(2).Config().Value("SystemConfig/FactoryConfig", "Mode"), "1");
    m_now += 5s;
    const HandleResult off =
        Command(discovery::kCodeFactoryMode, "ZKSIM000003", false, std::nullopt, discovery::kFlagFactoryModeOff);
    EXPECT_EQ(off.summary.flag, 1);
    EXPECT_FALSE(m_handler->Device(2).FactoryMode());
    EXPECT_EQ(m_handler->Device(2).Config().Value("SystemConfig/FactoryConfig", "Mode"), "0");
    EXPECT_FALSE(Command(discovery::kCodeFactoryMode, "ZKSIM000003", false, std::nullopt, 7).summary.accepted);
    EXPECT_FALSE(m_handler->Device(1).FactoryMode());
}

TEST_F(RequestHandlerTest, ClearSerialNamesTheDeviceByUuidInAnyCase) {
    std::string uuid(m_handler->Device(2).Uuid());
    EXPECT_FALSE(Command(discovery::kCodeClearSerial, "ZKSIM000003").summary.accepted)
        << "a serial number is not a UUID";
    for (char& c : uuid) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    const HandleResult result = Command(discovery::kCodeClearSerial, uuid);
    EXPECT_TRUE(result.summary.accepted);
    EXPECT_EQ(result.summary.device, "ZKSIM000003");
    EXPECT_EQ(FieldText(ParsedReply(2).SerialNumber), "BATCH_DEBUG3");
    // Later requests still reach it under the serial number it was made with.
    EXPECT_TRUE(Command(discovery::kCodeReboot, "ZKSIM000003").summary.accepted);
}

TEST_F(RequestHandlerTest, IntercomDataIsKeptByTheNamedDevice) {
    discovery::IntercomRecord intercom{};
    CopyBounded(intercom.EXTNUMBER, "1-2-301");
    const HandleResult result = Send(discovery::BuildSearchRequest(
        discovery::kCodeSetNetwork, discovery::BuildIntercomBody("ZKSIM000001", intercom)));
    EXPECT_TRUE(result.summary.accepted);
    ASSERT_TRUE(m_handler->Device(0).Intercom().has_value());
    EXPECT_EQ(FieldText(m_handler->Device(0).Intercom()->EXTNUMBER), "1-2-301");
}

} // namespace
} // namespace zk::devsim

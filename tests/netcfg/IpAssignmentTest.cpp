// SPDX-License-Identifier: GPL-3.0-or-later
// The IP commands end to end on loopback: their requests leave through the search engine towards a
// device on 127.0.0.1, so every datagram the commands send is seen as the network would see it.
#include "netcfg/IpAssignment.h"

#include "FakeProber.h"
#include "base/CSaveParam.h"
#include "base/FixedText.h"
#include "discovery/DeviceListModel.h"
#include "discovery/SearchController.h"
#include "netcfg/LocalNetwork.h"
#include "netcfg/RecentlyAssigned.h"
#include "platform/NetworkAdapters.h"
#include "sdk/SessionManager.h"
#include "sdk/batch/BatchRunner.h"
#include "support/FakeSdk.h"
#include "support/ScriptedPrompt.h"
#include "support/TempFolder.h"

#include "../discovery/ListLanguage.h"
#include "../discovery/LoopbackDevice.h"

#include <arpa/inet.h>

#include <QSignalSpy>
#include <QTest>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>

namespace zk::netcfg {
namespace {

using base::CopyBounded;
using base::FieldText;
using discovery::DeviceRecord;
using discovery::ListColumn;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

std::uint32_t Ip(const char* dotted) {
    return *platform::ParseDottedAddress(dotted);
}

// The computer: eth0 192.168.1.253/24 with the gateway 192.168.1.1, and eth1 holding
// 192.168.1.126/25, a second address of its own inside the devices' network.
class FakeFacts final : public NetworkFacts {
public:
    int Adapters(std::vector<platform::InterfaceParameters>& out) override {
        out = {{"eth0", {{Ip("192.168.1.253"), Ip("255.255.255.0")}}, {Ip("192.168.1.1")}},
               {"eth1", {{Ip("192.168.1.126"), Ip("255.255.255.128")}}, {}}};
        return 0;
    }
    int DnsServers(std::vector<std::string>& out) override {
        out = {"192.168.1.1", "8.8.4.4"};
        return 0;
    }
    std::optional<std::string> BestInterface() override { return "eth0"; }
};

DeviceRecord Device(int number, const std::string& ip) {
    DeviceRecord record = discovery::EmptyDeviceRecord();
    CopyBounded(record.SerialNumber, "SN" + std::to_string(number));
    CopyBounded(record.MacAddress, "02:5A:4B:00:00:0" + std::to_string(number + 1));
    CopyBounded(record.DeviceType, "NVS-IPCAM-T20_V2");
    CopyBounded(record.IpAddress, ip);
    CopyBounded(record.Netmask, "255.255.255.0");
    CopyBounded(record.Gateway, "192.168.1.1");
    CopyBounded(record.Dns1, "192.168.1.1");
    CopyBounded(record.Dns2, "8.8.8.8");
    return record;
}

// An attribute's value in a request's text.
std::string Attr(const std::string& request, const std::string& name) {
    const std::string opening = name + "=\"";
    const std::size_t begin = request.find(opening);
    if (begin == std::string::npos) {
        return "<missing " + name + ">";
    }
    const std::size_t value = begin + opening.size();
    return request.substr(value, request.find('"', value) - value);
}

class IpAssignmentTest : public ::testing::Test {
protected:
    IpAssignmentTest() { Build(discovery::kRequestQueueLimit); }

    // The engine, the controller and the commands over them, the engine's queue holding at most
    // queueLimit requests while a search runs.
    void Build(std::size_t queueLimit) {
        m_ip.reset();
        m_search.reset();
        m_engine = std::make_unique<discovery::SearchEngine>(m_table, Adapters(), Destination(), queueLimit);
        discovery::SearchSettings settings;
        settings.autoStop = false;
        m_search = std::make_unique<discovery::SearchController>(m_table, *m_engine, settings);
        IpAssignmentHooks hooks;
        hooks.credentials = [this] {
            ++m_credentialAsks;
            return m_credentials;
        };
        hooks.editSettings = [this](IpSettingData& data) {
            m_presets.push_back(data);
            if (!m_dialog) {
                return false;
            }
            m_dialog(data);
            EXPECT_TRUE(AcceptIpSettings(data)) << "the dialog would not have accepted " << data.start;
            return true;
        };
        hooks.renewSession = [this](int row) { m_renewed.push_back(row); };
        m_ip = std::make_unique<IpAssignment>(m_list, m_table, *m_search, m_runner, m_local, m_recent, m_prober,
                                              m_settings, std::move(hooks));
    }
    static discovery::SearchEngine::AdapterSource Adapters() {
        return [] { return platform::AdapterMap{{Ip("127.0.0.2"), "lo"}}; };
    }
    discovery::SearchDestination Destination() const { return {htonl(INADDR_LOOPBACK), m_device.Port()}; }

    void List(const std::vector<std::string>& ips) {
        for (std::size_t i = 0; i < ips.size(); ++i) {
            m_table.AddOrUpdate(Device(static_cast<int>(i), ips[i]), "192.168.1.253");
        }
        m_list.Merge();
    }
    std::vector<std::string> Keys(std::initializer_list<int> rows) const {
        std::vector<std::string> keys;
        for (const int row : rows) {
            keys.emplace_back(FieldText(m_list.RowAt(row)->Key));
        }
        return keys;
    }
    // Runs a command until it says it has ended.
    void Run(const std::function<void()>& command) {
        QSignalSpy finished(m_ip.get(), &IpAssignment::commandFinished);
        command();
        EXPECT_TRUE(finished.count() == 1 || finished.wait(5000));
        EXPECT_FALSE(m_ip->Busy());
    }
    // The set-network requests the device received since the last call, one per request (each
    // socket of a send carries a copy). A marker sent behind them shows that nothing is still on
    // its way; with a search running, stop it first so that its queue is sent.
    std::vector<std::string> SetNetworkRequests() {
        const std::string marker = "marker " + std::to_string(++m_markers);
        EXPECT_GT(discovery::SearchEngine::SendOnce(marker, Adapters(), Destination()), 0);
        EXPECT_TRUE(QTest::qWaitFor([&] {
            const auto received = m_device.Requests();
            return std::any_of(received.begin(), received.end(),
                               [&](const auto& entry) { return entry.first == marker; });
        }));
        const auto received = m_device.Requests();
        std::vector<std::string> requests;
        for (std::size_t i = m_seen; i < received.size(); ++i) {
            const std::string& request = received[i].first;
            if (request.find("Msg_code=\"2\"") != std::string::npos &&
                (requests.empty() || requests.back() != request)) {
                requests.push_back(request);
            }
        }
        m_seen = received.size();
        return requests;
    }
    std::string Cell(int row, ListColumn column) const { return m_list.CellText(row, column).toStdString(); }
    std::string RowIp(int row) const { return std::string(FieldText(m_list.RowAt(row)->Record.IpAddress)); }
    std::string TableIp(const std::string& serial) const {
        DeviceRecord stored;
        EXPECT_EQ(m_table.CopyOut(serial, &stored, sizeof(stored)), discovery::kTableOk);
        return std::string(FieldText(stored.IpAddress));
    }
    const IpAssignmentRecord& Record(const std::string& key) const { return m_ip->Records().at(key); }

    test::LoopbackDevice m_device{[](const std::string&) { return std::string(); }};
    test::TempFolder m_folder;
    base::CSaveParam m_settings{QString::fromStdString(m_folder.Path())};
    test::FakeSdk m_sdk;
    discovery::DeviceTable m_table;
    // The texts the commands write and ask are their keys.
    test::ListLanguage m_language{
        false,
        {{"SET_FAILED", "SET_FAILED"}, {"MSGTIP12", "MSGTIP12"}, {"MSGTIP15", "MSGTIP15"}, {"TEXT21", "TEXT21"}}};
    discovery::DeviceListModel m_list{m_table, m_language.Table(), discovery::DeviceListSettings{}};
    sdk::SessionManager m_sessions{m_sdk, m_list, m_language.Table()};
    test::ScriptedPrompt m_prompt;
    sdk::batch::BatchRunner m_runner{m_list, m_sessions, m_sdk, m_language.Table(), m_prompt};
    LocalNetwork m_local{std::make_unique<FakeFacts>()};
    RecentlyAssigned m_recent;
    test::FakeProber m_prober;
    std::unique_ptr<discovery::SearchEngine> m_engine;
    std::unique_ptr<discovery::SearchController> m_search;
    std::unique_ptr<IpAssignment> m_ip;

    std::optional<discovery::Credentials> m_credentials = discovery::Credentials{"admin", "507913"};
    std::function<void(IpSettingData&)> m_dialog; // empty: the dialog is cancelled
    std::vector<IpSettingData> m_presets;         // what the dialog opened with
    std::vector<int> m_renewed;
    int m_credentialAsks = 0;
    int m_markers = 0;
    std::size_t m_seen = 0;
};

// Catches: a failed row using up an address, the failed row's cell, record or status touched as if
// it had been sent, and its session renewed.
TEST_F(IpAssignmentTest, AFailedRowLeavesItsAddressToTheNextRowAndStaysAsItWas) {
    List({"192.168.1.10", "192.168.1.11", "192.168.1.12"});
    // The second device leaves the table (a new search emptied it) while its row is still listed.
    m_table.Clear();
    m_table.AddOrUpdate(Device(0, "192.168.1.10"), "192.168.1.253");
    m_table.AddOrUpdate(Device(2, "192.168.1.12"), "192.168.1.253");
    m_dialog = [](IpSettingData& data) { data.start = "192.168.1.100"; };
    Run([&] { m_ip->Consecutive(Keys({0, 1, 2})); });

    const auto requests = SetNetworkRequests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(Attr(requests[0], "SerialNumber"), "SN0");
    EXPECT_EQ(Attr(requests[0], "IPAddress"), "192.168.1.100");
    EXPECT_EQ(Attr(requests[1], "SerialNumber"), "SN2");
    EXPECT_EQ(Attr(requests[1], "IPAddress"), "192.168.1.101");

    EXPECT_EQ(Cell(1, ListColumn::Ip), "192.168.1.11");
    EXPECT_EQ(RowIp(1), "192.168.1.11");
    EXPECT_EQ(Cell(1, ListColumn::State), "SET_FAILED");
    EXPECT_FALSE(Record("SN1").sent);
    EXPECT_EQ(Record("SN1").reason, kReasonUnknownDevice);
    for (const auto& [row, ip] : {std::pair{0, "192.168.1.100"}, std::pair{2, "192.168.1.101"}}) {
        EXPECT_EQ(Cell(row, ListColumn::Ip), ip);
        EXPECT_EQ(RowIp(row), ip);
        EXPECT_NE(Cell(row, ListColumn::State), "SET_FAILED");
    }
    EXPECT_EQ(TableIp("SN2"), "192.168.1.101");
    EXPECT_THAT(m_renewed, ElementsAre(0, 2));
}

// Catches: a request the search queue refused counted as sent, so that the table, the row and its
// cell claim settings the device never received, its session is renewed, or the next row skips an
// address.
TEST_F(IpAssignmentTest, RequestsTheQueueRefusesChangeNothing) {
    Build(0);
    m_search->StartSearch(); // empties the table, so the devices come after it
    List({"192.168.1.10", "192.168.1.11"});
    m_dialog = [](IpSettingData& data) { data.start = "192.168.1.77"; };
    Run([&] { m_ip->ModifyOne(1); });
    m_dialog = [](IpSettingData& data) { data.start = "192.168.1.100"; };
    Run([&] { m_ip->Consecutive(Keys({0, 1})); });

    EXPECT_THAT(SetNetworkRequests(), IsEmpty());
    for (const int row : {0, 1}) {
        const std::string before = row == 0 ? "192.168.1.10" : "192.168.1.11";
        EXPECT_EQ(TableIp("SN" + std::to_string(row)), before);
        EXPECT_EQ(RowIp(row), before);
        EXPECT_EQ(Cell(row, ListColumn::Ip), before);
        EXPECT_EQ(Cell(row, ListColumn::State), "SET_FAILED");
        EXPECT_EQ(Record("SN" + std::to_string(row)).reason, kReasonNotSent);
        EXPECT_EQ(Record("SN" + std::to_string(row)).ipAddress, "192.168.1.100") << "numbering went on";
    }
    EXPECT_THAT(m_renewed, IsEmpty());
    EXPECT_EQ(m_recent.Count(), 0u);
}

// Catches: the dialog's mask ignored (its broadcast address handed out), the gateway or one of the
// computer's own addresses given to a device, a row past the end of the network sent anything, and
// the start not remembered in the settings file for the next time.
TEST_F(IpAssignmentTest, ConsecutiveAddressesSkipReservedOnesEndWithTheNetworkAndAreRemembered) {
    List({"192.168.1.10", "192.168.1.11", "192.168.1.12", "192.168.1.13"});
    m_dialog = [](IpSettingData& data) {
        data.start = "192.168.1.122";
        data.netmask = "255.255.255.128";
        data.gateway = "192.168.1.125";
    };
    Run([&] { m_ip->Consecutive(Keys({0, 1, 2, 3})); });

    ASSERT_EQ(m_presets.size(), 1u);
    EXPECT_EQ(m_presets[0].start, "192.168.1.160") << "the first adapter's network + 160 without a stored start";
    EXPECT_EQ(m_presets[0].count, 4);
    EXPECT_EQ(m_presets[0].gateway, "192.168.1.1");
    EXPECT_EQ(m_presets[0].dns2, "8.8.4.4");
    const auto requests = SetNetworkRequests();
    ASSERT_EQ(requests.size(), 3u);
    for (std::size_t i = 0; i < requests.size(); ++i) {
        EXPECT_EQ(Attr(requests[i], "IPAddress"), "192.168.1." + std::to_string(122 + i));
        EXPECT_EQ(Attr(requests[i], "Netmask"), "255.255.255.128");
        EXPECT_EQ(Attr(requests[i], "Gateway"), "192.168.1.125");
        EXPECT_EQ(Attr(requests[i], "DHCP"), "0");
    }
    EXPECT_EQ(Cell(3, ListColumn::Ip), "192.168.1.13");
    EXPECT_EQ(Cell(3, ListColumn::State), "SET_FAILED");
    EXPECT_EQ(Record("SN3").reason, kReasonExhausted);

    EXPECT_EQ(m_settings.DefaultFromIP().toStdString(), "192.168.1.122");
    EXPECT_EQ(base::CSaveParam(QString::fromStdString(m_folder.Path())).DefaultFromIP().toStdString(), "192.168.1.122");
    m_dialog = nullptr;
    Run([&] { m_ip->Consecutive(Keys({3})); });
    ASSERT_EQ(m_presets.size(), 2u);
    EXPECT_EQ(m_presets[1].start, "192.168.1.122");
    EXPECT_THAT(SetNetworkRequests(), IsEmpty()) << "a cancelled dialog sends nothing";
}

// Catches: a device without an address switched to DHCP with 0.0.0.0 (unreachable until its DHCP
// server answers), DHCP not sent as "1", and requests the running search queued not counted as sent.
TEST_F(IpAssignmentTest, DhcpGivesADeviceWithoutAnAddressAFallbackAddress) {
    m_search->StartSearch();
    List({"0.0.0.0", "192.168.1.11"});
    Run([&] { m_ip->Dhcp(Keys({0, 1})); });
    m_search->StopSearch();

    const auto requests = SetNetworkRequests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(Attr(requests[0], "DHCP"), "1");
    EXPECT_EQ(Attr(requests[0], "IPAddress"), "192.168.0.123");
    EXPECT_EQ(Attr(requests[0], "Netmask"), "255.255.255.0");
    EXPECT_EQ(Attr(requests[0], "Gateway"), "192.168.0.1");
    EXPECT_EQ(Attr(requests[1], "DHCP"), "1");
    EXPECT_EQ(Attr(requests[1], "IPAddress"), "192.168.1.11");
    EXPECT_EQ(Attr(requests[1], "Gateway"), "192.168.1.1");
    EXPECT_EQ(Cell(0, ListColumn::Ip), "192.168.0.123");
    EXPECT_EQ(m_list.RowAt(0)->Record.Dhcp, 1);
    EXPECT_THAT(m_renewed, ElementsAre(0, 1));

    Run([&] { m_ip->Dhcp({}); });
    ASSERT_EQ(m_prompt.Questions().size(), 1u);
    EXPECT_EQ(m_prompt.Questions()[0].text.toStdString(), "MSGTIP15");
    EXPECT_THAT(SetNetworkRequests(), IsEmpty());
}

// Catches: an address of the device table, a recently assigned one or one that answers the probe
// handed out; the computer's own address sent when none is free; the question not asked.
TEST_F(IpAssignmentTest, FreeAddressesAreSilentUnusedOnesAndNoneFreeSendsNothing) {
    List({"192.168.1.10", "192.168.1.11"});
    m_recent.Note("192.168.1.2");
    m_prober.answering = {"192.168.1.3", "192.168.1.4"};
    m_prompt.AnswerYes();
    Run([&] { m_ip->FreeAddresses(Keys({0, 1}), true); });

    auto requests = SetNetworkRequests();
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(Attr(requests[0], "SerialNumber"), "SN0");
    EXPECT_EQ(Attr(requests[0], "IPAddress"), "192.168.1.5");
    EXPECT_EQ(Attr(requests[1], "IPAddress"), "192.168.1.6");
    EXPECT_EQ(Attr(requests[1], "Netmask"), "255.255.255.0");
    EXPECT_EQ(Attr(requests[1], "Gateway"), "192.168.1.1");
    EXPECT_EQ(Attr(requests[1], "DNS1"), "192.168.1.1");
    EXPECT_EQ(Attr(requests[1], "DNS2"), "8.8.4.4");
    EXPECT_EQ(Attr(requests[1], "DHCP"), "0");
    const auto probed = m_prober.Probed();
    for (const char* skipped : {"192.168.1.2", "192.168.1.10", "192.168.1.11", "192.168.1.126", "192.168.1.253"}) {
        EXPECT_THAT(probed, ::testing::Not(::testing::Contains(skipped)));
    }
    EXPECT_TRUE(m_recent.Contains("192.168.1.5"));
    EXPECT_TRUE(m_recent.Contains("192.168.1.6"));

    for (int last = 2; last <= 254; ++last) {
        m_prober.answering.insert("192.168.1." + std::to_string(last));
    }
    Run([&] { m_ip->FreeAddresses(Keys({0}), false); });
    EXPECT_THAT(SetNetworkRequests(), IsEmpty());
    EXPECT_EQ(Cell(0, ListColumn::Ip), "192.168.1.5");
    EXPECT_EQ(Cell(0, ListColumn::State), "SET_FAILED");
    EXPECT_EQ(Record("SN0").reason, kReasonNoFreeAddress);
    EXPECT_EQ(Record("SN0").ipAddress, "");
    EXPECT_THAT(m_prompt.Problems(), IsEmpty());
}

// Catches: the dialog not preset from the row, a cancelled dialog sending, the dialog's values not
// sent as they were accepted or in another layout than devices read, and the session not renewed.
TEST_F(IpAssignmentTest, ModifyOneSendsTheDialogsValuesExactly) {
    List({"192.168.1.10", "192.168.1.11"});
    Run([&] { m_ip->ModifyOne(0); });
    ASSERT_EQ(m_presets.size(), 1u);
    EXPECT_EQ(m_presets[0].start, "192.168.1.10");
    EXPECT_EQ(m_presets[0].netmask, "255.255.255.0");
    EXPECT_EQ(m_presets[0].gateway, "192.168.1.1");
    EXPECT_EQ(m_presets[0].count, 1);
    EXPECT_THAT(SetNetworkRequests(), IsEmpty());
    EXPECT_TRUE(m_ip->Records().empty());

    m_dialog = [](IpSettingData& data) {
        data.start = "192.168.1.77";
        data.gateway = "192.168.1.254";
        data.dns1 = "1.1.1.1";
    };
    Run([&] { m_ip->ModifyOne(0); });
    EXPECT_THAT(SetNetworkRequests(),
                ElementsAre("<?xml version=\"1.0\" encoding=\"GB2312\" ?>\n<XML_ORBITLUME>\n"
                            "<MESSAGE_HEADER Msg_type=\"SYSTEM_SEARCHIPC_MESSAGE\" Msg_code=\"2\" Msg_flag=\"0\" "
                            "SOURCE=\"ZKTOOLS\" />\n/>\n<MESSAGE_BODY>\n"
                            "<IPC_SERIALNUMBER\r\nSerialNumber=\"SN0\"\r\n/>\r\n"
                            "<OPERATOR_AUTH Username=\"admin\" Password=\"507913\" />\r\n"
                            "<LANConfig\r\nMacAddress=\"02:5A:4B:00:00:01\"\r\nDHCP=\"0\"\r\n"
                            "IPAddress=\"192.168.1.77\"\r\nNetmask=\"255.255.255.0\"\r\nGateway=\"192.168.1.254\"\r\n"
                            "DNS1=\"1.1.1.1\"\r\nDNS2=\"8.8.8.8\"\r\n/>\r\n"
                            "\n</MESSAGE_BODY>\n"
                            "</XML_ORBITLUME>"));
    EXPECT_EQ(Cell(0, ListColumn::Ip), "192.168.1.77");
    EXPECT_EQ(RowIp(0), "192.168.1.77");
    EXPECT_EQ(FieldText(m_list.RowAt(0)->Record.Gateway), "192.168.1.254");
    EXPECT_EQ(TableIp("SN0"), "192.168.1.77");
    EXPECT_EQ(TableIp("SN1"), "192.168.1.11");
    EXPECT_THAT(m_renewed, ElementsAre(0));
    EXPECT_TRUE(m_recent.Contains("192.168.1.77"));
}

// Catches: a command going on without the operation credentials (opening its dialog, probing or
// sending), and a request whose credentials make it too long sent cut.
TEST_F(IpAssignmentTest, CredentialsThatCannotGoOutSendNothing) {
    List({"192.168.1.10"});
    m_credentials = std::nullopt;
    m_dialog = [](IpSettingData&) {};
    Run([&] { m_ip->ModifyOne(0); });
    Run([&] { m_ip->Consecutive(Keys({0})); });
    Run([&] { m_ip->Dhcp(Keys({0})); });
    Run([&] { m_ip->FreeAddresses(Keys({0}), false); });
    EXPECT_EQ(m_credentialAsks, 4);
    EXPECT_THAT(m_presets, IsEmpty());
    EXPECT_THAT(m_prober.Probed(), IsEmpty());
    EXPECT_TRUE(m_ip->Records().empty());
    EXPECT_THAT(SetNetworkRequests(), IsEmpty());

    m_credentials = discovery::Credentials{"admin", std::string(1000, 'p')};
    Run([&] { m_ip->Dhcp(Keys({0})); });
    EXPECT_THAT(SetNetworkRequests(), IsEmpty());
    EXPECT_EQ(Record("SN0").reason, kReasonTooLong);
    EXPECT_EQ(Cell(0, ListColumn::State), "SET_FAILED");
    EXPECT_EQ(m_list.RowAt(0)->Record.Dhcp, 0);
    EXPECT_THAT(m_renewed, IsEmpty());
}

} // namespace
} // namespace zk::netcfg

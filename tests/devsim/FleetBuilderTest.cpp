// SPDX-License-Identifier: GPL-3.0-or-later
#include "devsim/FleetBuilder.h"

#include "base/FixedText.h"
#include "base/TitleCodec.h"
#include "devsim/Ipv4.h"
#include "discovery/SearchMessage.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <set>

namespace zk::devsim {
namespace {

using base::FieldText;

SimOptions Parsed(const std::vector<std::string>& arguments) {
    const ParsedOptions parsed = ParseSimOptions(arguments);
    EXPECT_EQ(parsed.outcome, ParseOutcome::Run) << parsed.error;
    return parsed.options;
}

std::string ParseError(const std::vector<std::string>& arguments) {
    const ParsedOptions parsed = ParseSimOptions(arguments);
    EXPECT_EQ(parsed.outcome, ParseOutcome::Error);
    return parsed.error;
}

TEST(SimOptionsTest, DefaultsAndValuesInBothSpellings) {
    const SimOptions defaults = Parsed({});
    EXPECT_EQ(defaults.count, 1);
    EXPECT_FALSE(defaults.countGiven);
    EXPECT_EQ(FormatIpv4(defaults.firstIp), "192.168.1.10");
    EXPECT_EQ(defaults.jitterMs, 100);
    EXPECT_EQ(defaults.commandPort, 34567);
    EXPECT_EQ(defaults.password, "507913");

    const SimOptions set =
        Parsed({"--count", "20", "--first-ip=10.1.0.1", "--jitter-ms", "0", "--model", "NVR-A", "--model=NVS-B",
                "--no-user-config", "--seed", "9", "--bad", "late:1,3-4", "--bad=oversize:0"});
    EXPECT_EQ(set.count, 20);
    EXPECT_TRUE(set.countGiven);
    EXPECT_EQ(FormatIpv4(set.firstIp), "10.1.0.1");
    EXPECT_EQ(set.jitterMs, 0);
    EXPECT_EQ(set.models, (std::vector<std::string>{"NVR-A", "NVS-B"}));
    EXPECT_FALSE(set.userConfig);
    EXPECT_EQ(set.seed, 9u);
    ASSERT_EQ(set.bad.size(), 2u);
    EXPECT_EQ(set.bad[0].kind, BadKind::Late);
    EXPECT_EQ(set.bad[0].indexes, (std::vector<int>{1, 3, 4}));
    EXPECT_EQ(set.bad[1].kind, BadKind::Oversize);
}

TEST(SimOptionsTest, MistakesAreNamed) {
    EXPECT_NE(ParseError({"--cuont", "3"}).find("--cuont"), std::string::npos);
    EXPECT_NE(ParseError({"--count"}).find("needs a value"), std::string::npos);
    EXPECT_NE(ParseError({"--count", "-1"}).find("--count"), std::string::npos);
    EXPECT_NE(ParseError({"--netmask", "255.0.255.0"}).find("not a netmask"), std::string::npos);
    EXPECT_NE(ParseError({"--first-ip", "192.168.1"}).find("IPv4"), std::string::npos);
    EXPECT_NE(ParseError({"--bad", "slow:1"}).find("slow"), std::string::npos);
    EXPECT_NE(ParseError({"--bad", "late:3-1"}).find("3-1"), std::string::npos);
    EXPECT_NE(ParseError({"--mac-prefix", "02:5A"}).find("three octets"), std::string::npos);
    EXPECT_NE(ParseError({"--no-user-config=1"}).find("no value"), std::string::npos);
    EXPECT_EQ(ParseSimOptions({"--count", "3", "--help"}).outcome, ParseOutcome::Help);
    EXPECT_EQ(ParseSimOptions({"--program-version"}).outcome, ParseOutcome::ProgramVersion);
}

TEST(SimOptionsTest, OccupyTakesAddressesAndRangesOnAnInterfaceButNeverADevicesAddress) {
    const SimOptions set = Parsed({"--occupy", "192.168.1.50,192.168.1.60-62", "--interface", "zks0", "--netmask",
                                   "255.255.0.0", "--occupy=192.168.1.254-192.168.2.1", "--occupy", "192.168.1.61"});
    std::vector<std::string> occupied;
    for (const std::uint32_t address : set.occupied) {
        occupied.push_back(FormatIpv4(address));
    }
    EXPECT_EQ(occupied, (std::vector<std::string>{"192.168.1.50", "192.168.1.60", "192.168.1.61", "192.168.1.62",
                                                  "192.168.1.254", "192.168.1.255", "192.168.2.0", "192.168.2.1"}))
        << "ranges of the last octet and of whole addresses, sorted, each once";

    EXPECT_NE(ParseError({"--occupy", "192.168.1.50"}).find("--interface"), std::string::npos)
        << "without an interface there is nowhere to add them";
    EXPECT_NE(ParseError({"--interface", "zks0", "--occupy", "192.168.1.60-59"}).find("60-59"), std::string::npos);
    EXPECT_NE(ParseError({"--interface", "zks0", "--occupy", "192.168.1.60-256"}).find("60-256"), std::string::npos);
    EXPECT_NE(ParseError({"--interface", "zks0", "--occupy", "192.168.1.x"}).find("192.168.1.x"), std::string::npos);
    EXPECT_NE(ParseError({"--interface", "zks0", "--occupy", "192.168.1.250-255"}).find("192.168.1.255"),
              std::string::npos)
        << "the broadcast address of the subnet is no host";
    EXPECT_NE(ParseError({"--interface", "zks0", "--occupy", "127.0.0.2"}).find("127.0.0.2"), std::string::npos);
    EXPECT_NE(ParseError({"--interface", "zks0", "--occupy", "10.0.0.0-255.0.0.0"}).find("more than"),
              std::string::npos);

    std::vector<DeviceProfile> fleet;
    std::string error;
    EXPECT_EQ(BuildFleet(Parsed({"--count", "5", "--interface", "zks0", "--occupy", "192.168.1.15"}), fleet, error), 0)
        << error;
    EXPECT_NE(BuildFleet(Parsed({"--count", "5", "--interface", "zks0", "--occupy", "192.168.1.5-12"}), fleet, error),
              0);
    EXPECT_NE(error.find("192.168.1.10 is the address of device ZKSIM000001"), std::string::npos) << error;
}

TEST(FleetBuilderTest, GeneratedDevicesAreConsecutiveUniqueAndListedByTheTool) {
    SimOptions options =
        Parsed({"--count", "12", "--first-ip", "192.168.1.20", "--web-port", "8080", "--serial-prefix", "LAB"});
    std::vector<DeviceProfile> fleet;
    std::string error;
    ASSERT_EQ(BuildFleet(options, fleet, error), 0) << error;
    ASSERT_EQ(fleet.size(), 12u);
    std::set<std::string> macs, uuids, models, p2pTypes;
    for (std::size_t i = 0; i < fleet.size(); ++i) {
        const discovery::DeviceRecord& record = fleet[i].record;
        EXPECT_EQ(FieldText(record.IpAddress), FormatIpv4(ParseIpv4("192.168.1.20").value() + i));
        EXPECT_EQ(record.WebPort, 8080);
        macs.emplace(FieldText(record.MacAddress));
        uuids.emplace(FieldText(record.Uuid));
        models.emplace(FieldText(record.DeviceType));
        // The tool lists every generated device: its reply passes all the tool's checks.
        discovery::DeviceRecord parsed{};
        ASSERT_EQ(discovery::ParseSearchReply(discovery::BuildSearchReply(record), parsed),
                  discovery::ReplyResult::Accepted);
        p2pTypes.insert(std::to_string(parsed.P2pType));
    }
    EXPECT_EQ(FieldText(fleet[0].record.SerialNumber), "LAB000001");
    EXPECT_EQ(FieldText(fleet[11].record.SerialNumber), "LAB000012");
    EXPECT_EQ(base::DecodeTitleHex(FieldText(fleet[0].record.Osd)), QStringLiteral("Camera 1"));
    EXPECT_EQ(macs.size(), 12u);
    EXPECT_EQ(uuids.size(), 12u);
    EXPECT_EQ(models.size(), DefaultModels().size());
    EXPECT_EQ(p2pTypes, (std::set<std::string>{"0", "1", "8", "9"}));
}

TEST(FleetBuilderTest, ARangeThatLeavesItsSubnetIsRefused) {
    std::vector<DeviceProfile> fleet;
    std::string error;
    EXPECT_NE(BuildFleet(Parsed({"--count", "246"}), fleet, error), 0);
    EXPECT_NE(error.find("--netmask"), std::string::npos) << error;
    EXPECT_EQ(BuildFleet(Parsed({"--count", "245"}), fleet, error), 0) << "192.168.1.10 to .254 fit";
    EXPECT_EQ(BuildFleet(Parsed({"--count", "1000", "--netmask", "255.255.0.0"}), fleet, error), 0) << error;
    EXPECT_NE(BuildFleet(Parsed({"--first-ip", "192.168.1.0"}), fleet, error), 0);
    EXPECT_NE(BuildFleet(Parsed({"--bad", "late:1"}), fleet, error), 0) << "one device has index 0 only";
}

class FleetFileTest : public ::testing::Test {
protected:
    int Build(const std::string& json, const std::vector<std::string>& arguments = {}) {
        EXPECT_TRUE(test::WriteFile(m_folder / "fleet.json", json));
        std::vector<std::string> all = {"--fleet", m_folder / "fleet.json"};
        all.insert(all.end(), arguments.begin(), arguments.end());
        m_fleet.clear();
        m_error.clear();
        return BuildFleet(Parsed(all), m_fleet, m_error);
    }

    test::TempFolder m_folder;
    std::vector<DeviceProfile> m_fleet;
    std::string m_error;
};

TEST_F(FleetFileTest, DevicesTakeDefaultsThenTheirOwnKeys) {
    ASSERT_EQ(Build(R"({
        "defaults": {"DeviceType": "NVS-IPCAM-X1", "Password": "site-pw", "Gateway": "10.0.0.1"},
        "devices": [
            {"SerialNumber": "DOOR01", "IpAddress": "10.0.0.21", "Netmask": "255.255.255.0",
             "Title": "Front door", "Bad": ["no-lanconfig"], "Root": "XML_ORBITLUME", "PtzPort": 9000},
            {"IpAddress": "10.0.0.22", "LateMs": 2500, "UserConfigPresent": false, "Interface": "zks1"}
        ]})",
                    {"--interface", "zks0"}),
              0)
        << m_error;
    ASSERT_EQ(m_fleet.size(), 2u) << "without --count only the file's devices";
    const DeviceProfile& door = m_fleet[0];
    EXPECT_EQ(FieldText(door.record.SerialNumber), "DOOR01");
    EXPECT_EQ(FieldText(door.record.DeviceType), "NVS-IPCAM-X1");
    EXPECT_EQ(FieldText(door.record.Password), "site-pw");
    EXPECT_EQ(FieldText(door.record.Gateway), "10.0.0.1");
    EXPECT_EQ(FieldText(door.record.Osd), base::EncodeTitleHex(QStringLiteral("Front door")));
    EXPECT_EQ(door.record.PtzPort, 9000);
    EXPECT_TRUE(door.bad.Has(BadKind::NoLanConfig));
    EXPECT_EQ(door.rootName, "XML_ORBITLUME");
    EXPECT_EQ(door.interfaceName, "zks0");

    const DeviceProfile& second = m_fleet[1];
    EXPECT_EQ(FieldText(second.record.SerialNumber), "ZKSIM000002") << "numbered on from the fleet";
    EXPECT_TRUE(second.bad.Has(BadKind::Late));
    EXPECT_EQ(second.lateMs, 2500);
    EXPECT_EQ(second.record.UserConfigPresent, 0);
    EXPECT_EQ(second.interfaceName, "zks1");
}

TEST_F(FleetFileTest, WithCountTheFileDevicesFollowTheGeneratedOnesAndBadIndexesCoverBoth) {
    ASSERT_EQ(Build(R"({"devices": [{"IpAddress": "192.168.1.200"}]})", {"--count", "3", "--bad", "oversize:3"}), 0)
        << m_error;
    ASSERT_EQ(m_fleet.size(), 4u);
    EXPECT_EQ(FieldText(m_fleet[3].record.IpAddress), "192.168.1.200");
    EXPECT_EQ(FieldText(m_fleet[3].record.SerialNumber), "ZKSIM000004");
    EXPECT_TRUE(m_fleet[3].bad.Has(BadKind::Oversize));
    EXPECT_FALSE(m_fleet[0].bad.Has(BadKind::Oversize));
}

TEST_F(FleetFileTest, BadFilesAreRefusedWithTheirPlace) {
    const std::pair<const char*, const char*> cases[] = {
        {"[1, 2]", "not an object"},
        {"{\"devices\": [", "not JSON"},
        {"{\"device\": []}", "unknown key \"device\""},
        {"{\"devices\": [{\"IpAddress\": \"10.0.0.1\", \"Seriall\": \"X\"}]}", "devices[0]: unknown key \"Seriall\""},
        {"{\"devices\": [{\"SerialNumber\": \"X\"}]}", "devices[0]: IpAddress"},
        {"{\"devices\": [{\"IpAddress\": \"10.0.0.1\", \"PtzPort\": \"80\"}]}", "devices[0].PtzPort"},
        {"{\"devices\": [{\"IpAddress\": \"10.0.0.1\", \"WebPort\": 70000}]}", "devices[0].WebPort"},
        {"{\"devices\": [{\"IpAddress\": \"10.0.0.1\", \"Bad\": [\"slow\"]}]}", "unknown bad kind \"slow\""},
        {"{\"defaults\": {\"Netmask\": \"255.0.255.0\"}, \"devices\": [{\"IpAddress\": \"10.0.0.1\"}]}",
         "devices[0]: Netmask"},
        {"{\"devices\": [{\"IpAddress\": \"10.0.0.1\", \"SerialNumber\": \"0123456789012345678901234567890123\"}]}",
         "longer than 31 bytes"},
    };
    for (const auto& [json, expected] : cases) {
        EXPECT_NE(Build(json), 0) << json;
        EXPECT_NE(m_error.find(expected), std::string::npos) << json << "\ngave: " << m_error;
        EXPECT_NE(m_error.find("fleet.json"), std::string::npos) << "the error names the file";
    }
    EXPECT_NE(Build("{\"devices\": []}"), 0);
    EXPECT_NE(m_error.find("no devices"), std::string::npos);
    std::vector<DeviceProfile> fleet;
    std::string error;
    EXPECT_NE(BuildFleet(Parsed({"--fleet", m_folder / "missing.json"}), fleet, error), 0);
    EXPECT_NE(error.find("cannot read"), std::string::npos);
}

} // namespace
} // namespace zk::devsim

// SPDX-License-Identifier: GPL-3.0-or-later
#include "discovery/SearchMessage.h"

#include "base/DebugLog.h"
#include "base/FixedText.h"

#include <tinyxml2.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

namespace zk::discovery {
namespace {

using base::CopyBounded;
using base::FieldText;

// P2P ids of the public IoT cloud platform carry its domain name.
constexpr std::string_view kIotPlatformDomain = "iot.qq.com";

// Product keys of the other IoT cloud platform; an id with "@" and one of them is type 8.
constexpr std::array<std::string_view, 9> kIotProductKeys = {
    "a1Zk3Cam01x", "a1Zk3Cam02y", "a1Zk3Nvr01q", "b2Rv41Ipc7m", "b2Rv41Ipc8n",
    "c3Rv41Dbl5k", "c3Rv41Bul6p", "d4Rv41Ptz2w", "d4Rv41Fsh9t",
};

// The device types the tool lists: video servers, decoders and recorders.
constexpr std::array<std::string_view, 4> kDeviceClassMarkers = {"NVS", "DVS", "DEC", "NVR"};

std::string Cut(std::string text, std::size_t maxChars) {
    if (text.size() > maxChars) {
        text.resize(maxChars);
    }
    return text;
}

// A received datagram is used as a C string: it ends at its first zero byte.
std::string_view AsCString(std::string_view text) {
    const auto zero = text.find('\0');
    return zero == std::string_view::npos ? text : text.substr(0, zero);
}

std::string CredentialsElement(const std::optional<Credentials>& credentials) {
    if (!credentials) {
        return {};
    }
    return "<OPERATOR_AUTH Username=\"" + EscapeXmlAttribute(credentials->username) + "\" Password=\"" +
           EscapeXmlAttribute(credentials->password) + "\" />\r\n";
}

std::string SerialNumberElement(std::string_view serialNumber) {
    return "<IPC_SERIALNUMBER SerialNumber=\"" + EscapeXmlAttribute(serialNumber) + "\" />\r\n";
}

int Decimal(const char* text) {
    return text == nullptr ? 0 : std::atoi(text);
}

template <std::size_t N>
void CopyAttribute(char (&field)[N], const tinyxml2::XMLElement& element, const char* name) {
    const char* value = element.Attribute(name);
    CopyBounded(field, value != nullptr ? std::string_view(value) : std::string_view());
}

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

const tinyxml2::XMLElement* MessageBody(const tinyxml2::XMLDocument& document) {
    const tinyxml2::XMLElement* root = document.FirstChildElement();
    return root != nullptr ? root->FirstChildElement("MESSAGE_BODY") : nullptr;
}

void ReadSerialNumberElement(const tinyxml2::XMLElement& element, DeviceRecord& record) {
    CopyAttribute(record.SerialNumber, element, "SerialNumber");
    CopyAttribute(record.OemSn, element, "OEM_SN");
    CopyAttribute(record.PlatformId, element, "PLATFORMID");
    CopyAttribute(record.Version, element, "VERSION");
    CopyAttribute(record.AfVersion, element, "AF_VERSION");
    record.P2pType = Decimal(element.Attribute("P2PTYPE"));
    CopyAttribute(record.P2pId, element, "P2PID");
    CopyAttribute(record.Uuid, element, "UUID");
    record.RunTime = Decimal(element.Attribute("runtime"));
    const char* p2pStatus = element.Attribute("P2PSTATUS");
    record.P2pStatus = p2pStatus != nullptr ? std::atoi(p2pStatus) : -1;
}

void ReadLanConfig(const tinyxml2::XMLElement& element, DeviceRecord& record) {
    CopyAttribute(record.MacAddress, element, "MacAddress");
    record.Dhcp = static_cast<std::uint8_t>(Decimal(element.Attribute("DHCP")));
    record.AllNet = static_cast<std::int16_t>(Decimal(element.Attribute("ALLNET")));
    CopyAttribute(record.IpAddress, element, "IPAddress");
    CopyAttribute(record.Netmask, element, "Netmask");
    CopyAttribute(record.Gateway, element, "Gateway");
    CopyAttribute(record.Dns1, element, "DNS1");
    CopyAttribute(record.Dns2, element, "DNS2");
}

void ReadStreamAccess(const tinyxml2::XMLElement& element, DeviceRecord& record) {
    record.StreamAuth = static_cast<std::int16_t>(Decimal(element.Attribute("Auth")));
    record.RtpOverRtsp = Decimal(element.Attribute("RTPOverRTSP"));
    record.VideoPort = Decimal(element.Attribute("VideoPort"));
    record.PtzPort = Decimal(element.Attribute("PTZPort"));
    record.WebPort = Decimal(element.Attribute("WEBPort"));
}

// The first account with a user name or a password; nullptr when there is none.
const tinyxml2::XMLElement* FirstAccount(const tinyxml2::XMLElement* body) {
    const tinyxml2::XMLElement* users = body->FirstChildElement("UserConfig");
    if (users == nullptr) {
        return nullptr;
    }
    for (const tinyxml2::XMLElement* account = users->FirstChildElement("Account"); account != nullptr;
         account = account->NextSiblingElement("Account")) {
        const char* username = account->Attribute("Username");
        const char* password = account->Attribute("Password");
        if ((username != nullptr && username[0] != '\0') || (password != nullptr && password[0] != '\0')) {
            return account;
        }
    }
    return nullptr;
}

void ClearUserBlock(DeviceRecord& record) {
    record.UserValid = 0;
    std::memset(record.Username, 0, sizeof(record.Username));
    std::memset(record.Password, 0, sizeof(record.Password));
    std::memset(record.UserGroup, 0, sizeof(record.UserGroup));
    std::memset(record.UserStatus, 0, sizeof(record.UserStatus));
}

} // namespace

std::string EscapeXmlAttribute(std::string_view value) {
    std::string escaped;
    escaped.reserve(value.size());
    for (const char c : value) {
        switch (c) {
        case '&':
            escaped += "&amp;";
            break;
        case '<':
            escaped += "&lt;";
            break;
        case '>':
            escaped += "&gt;";
            break;
        case '"':
            escaped += "&quot;";
            break;
        case '\'':
            escaped += "&apos;";
            break;
        default:
            escaped.push_back(c);
            break;
        }
    }
    return escaped;
}

std::string BuildSearchRequest(int code, const std::optional<std::string>& body, int flag) {
    std::string message = "<?xml version=\"1.0\" encoding=\"GB2312\" ?>\n<";
    message += kOutgoingRoot;
    message += ">\n<MESSAGE_HEADER Msg_type=\"SYSTEM_SEARCHIPC_MESSAGE\" Msg_code=\"" + std::to_string(code) +
               "\" Msg_flag=\"" + std::to_string(flag) + "\" SOURCE=\"ZKTOOLS\" />\n";
    if (body) {
        // Devices have always received this stray line before a body; they ignore it.
        message += "/>\n<MESSAGE_BODY>\n" + *body + "\n</MESSAGE_BODY>\n</";
    } else {
        message += "<MESSAGE_BODY>\n</MESSAGE_BODY>\n</";
    }
    message += kOutgoingRoot;
    message += '>';
    return Cut(std::move(message), kMessageMaxChars);
}

namespace {

// The set-network body as a whole, before any cut.
std::string SetNetworkBodyText(const DeviceRecord& record, const std::optional<Credentials>& credentials) {
    std::string body =
        "<IPC_SERIALNUMBER\r\nSerialNumber=\"" + EscapeXmlAttribute(FieldText(record.SerialNumber)) + "\"\r\n/>\r\n";
    body += CredentialsElement(credentials);
    body += "<LANConfig\r\n";
    body += "MacAddress=\"" + EscapeXmlAttribute(FieldText(record.MacAddress)) + "\"\r\n";
    body += "DHCP=\"" + std::to_string(record.Dhcp) + "\"\r\n";
    body += "IPAddress=\"" + EscapeXmlAttribute(FieldText(record.IpAddress)) + "\"\r\n";
    body += "Netmask=\"" + EscapeXmlAttribute(FieldText(record.Netmask)) + "\"\r\n";
    body += "Gateway=\"" + EscapeXmlAttribute(FieldText(record.Gateway)) + "\"\r\n";
    body += "DNS1=\"" + EscapeXmlAttribute(FieldText(record.Dns1)) + "\"\r\n";
    body += "DNS2=\"" + EscapeXmlAttribute(FieldText(record.Dns2)) + "\"\r\n";
    body += "/>\r\n";
    return body;
}

} // namespace

std::string BuildSetNetworkBody(const DeviceRecord& record, const std::optional<Credentials>& credentials) {
    return Cut(SetNetworkBodyText(record, credentials), kBodyMaxChars);
}

std::optional<std::string> BuildWholeSetNetworkBody(const DeviceRecord& record,
                                                    const std::optional<Credentials>& credentials) {
    std::string body = SetNetworkBodyText(record, credentials);
    if (body.size() > kBodyMaxChars) {
        return std::nullopt;
    }
    return body;
}

std::string BuildCommandBody(std::string_view serialNumber, bool retainNetwork,
                             const std::optional<Credentials>& credentials) {
    std::string body = SerialNumberElement(serialNumber);
    if (retainNetwork) {
        body += "<retain value=\"network\" />\r\n";
    }
    body += CredentialsElement(credentials);
    return Cut(std::move(body), kBodyMaxChars);
}

std::string BuildIntercomBody(std::string_view serialNumber, const IntercomRecord& intercom) {
    std::string body = SerialNumberElement(serialNumber);
    body += "<FH_CONFIG>\n<SYSTEM DEVICETYPE=\"" + EscapeXmlAttribute(FieldText(intercom.DEVICETYPE)) +
            "\" EXTNUMBER=\"" + EscapeXmlAttribute(FieldText(intercom.EXTNUMBER)) + "\" MAINNUMBER=\"" +
            EscapeXmlAttribute(FieldText(intercom.MAINNUMBER)) + "\" EXTNAME=\"" +
            EscapeXmlAttribute(FieldText(intercom.EXTNAME)) + "\" ADDRESSBOXIP=\"" +
            EscapeXmlAttribute(FieldText(intercom.ADDRESSBOXIP)) + "\" NOTES=\"" +
            EscapeXmlAttribute(FieldText(intercom.NOTES)) + "\" MANAGECENTER=\"" +
            EscapeXmlAttribute(FieldText(intercom.MANAGECENTER)) + "\" />\n</FH_CONFIG>";
    return Cut(std::move(body), kBodyMaxChars);
}

std::optional<IntercomRecord> ParseIntercomBody(std::string_view message) {
    message = AsCString(message);
    tinyxml2::XMLDocument document;
    if (document.Parse(message.data(), message.size()) != tinyxml2::XML_SUCCESS) {
        return std::nullopt;
    }
    const tinyxml2::XMLElement* body = MessageBody(document);
    const tinyxml2::XMLElement* config = body != nullptr ? body->FirstChildElement("FH_CONFIG") : nullptr;
    const tinyxml2::XMLElement* system = config != nullptr ? config->FirstChildElement("SYSTEM") : nullptr;
    if (system == nullptr) {
        return std::nullopt;
    }
    IntercomRecord intercom{};
    CopyAttribute(intercom.DEVICETYPE, *system, "DEVICETYPE");
    CopyAttribute(intercom.EXTNUMBER, *system, "EXTNUMBER");
    CopyAttribute(intercom.MAINNUMBER, *system, "MAINNUMBER");
    CopyAttribute(intercom.EXTNAME, *system, "EXTNAME");
    CopyAttribute(intercom.ADDRESSBOXIP, *system, "ADDRESSBOXIP");
    CopyAttribute(intercom.NOTES, *system, "NOTES");
    CopyAttribute(intercom.MANAGECENTER, *system, "MANAGECENTER");
    return intercom;
}

std::vector<std::string> AcceptedRootNames(std::string_view custXmlRoot) {
    std::vector<std::string> names;
    while (!custXmlRoot.empty() && names.size() < kMaxRootNames) {
        const auto comma = custXmlRoot.find(',');
        std::string_view name = custXmlRoot.substr(0, comma);
        while (!name.empty() && (name.front() == ' ' || name.front() == '\t')) {
            name.remove_prefix(1);
        }
        while (!name.empty() && (name.back() == ' ' || name.back() == '\t')) {
            name.remove_suffix(1);
        }
        if (!name.empty()) {
            names.emplace_back(name);
        }
        custXmlRoot = comma == std::string_view::npos ? std::string_view() : custXmlRoot.substr(comma + 1);
    }
    if (names.empty()) {
        names = {"XML_NIMBEX", "XML_ORBITLUME"};
    }
    return names;
}

int ParseSearchHeader(const std::vector<std::string>& rootNames, std::string_view message, SearchHeader& header) {
    header = {};
    message = AsCString(message);
    const std::string* chosen = nullptr;
    for (const auto& name : rootNames) {
        if (Contains(message, '<' + name + '>') && Contains(message, "</" + name + '>')) {
            chosen = &name;
            break;
        }
    }
    if (chosen == nullptr) {
        base::Log("Invalid message, XML root not found:\n%.*s\n", static_cast<int>(message.size()), message.data());
        return kHeaderNoRoot;
    }
    tinyxml2::XMLDocument document;
    if (document.Parse(message.data(), message.size()) != tinyxml2::XML_SUCCESS) {
        return kHeaderNoRoot;
    }
    const tinyxml2::XMLElement* root = document.FirstChildElement(chosen->c_str());
    if (root == nullptr) {
        return kHeaderNoRoot;
    }
    const tinyxml2::XMLElement* messageHeader = root->FirstChildElement("MESSAGE_HEADER");
    auto attribute = [messageHeader](const char* name) -> std::string {
        const char* value = messageHeader != nullptr ? messageHeader->Attribute(name) : nullptr;
        return value != nullptr ? value : "";
    };
    header.msgType = attribute("Msg_type");
    header.msgCode = attribute("Msg_code");
    header.msgFlag = attribute("Msg_flag");
    if (header.msgType.empty()) {
        return kHeaderNoType;
    }
    if (header.msgCode.empty()) {
        return kHeaderNoCode;
    }
    if (header.msgFlag.empty()) {
        return kHeaderNoFlag;
    }
    return kHeaderAccepted;
}

int InferP2pType(std::string_view p2pId) {
    if (Contains(p2pId, kIotPlatformDomain)) {
        return 5;
    }
    if (Contains(p2pId, "zkws") && p2pId.size() == 20) {
        return 9;
    }
    if (Contains(p2pId, "@")) {
        for (const auto key : kIotProductKeys) {
            if (Contains(p2pId, key)) {
                return 8;
            }
        }
        return 10;
    }
    if (p2pId.size() == 32) {
        return 1;
    }
    return 0;
}

ReplyResult ParseSearchReply(std::string_view message, DeviceRecord& record) {
    message = AsCString(message);
    record = EmptyDeviceRecord();
    tinyxml2::XMLDocument document;
    document.Parse(message.data(), message.size());
    const tinyxml2::XMLElement* body = MessageBody(document);
    if (body == nullptr) {
        base::Log("serial number not found\n, msg=%.*s", static_cast<int>(message.size()), message.data());
        return ReplyResult::NoBody;
    }
    if (const tinyxml2::XMLElement* serial = body->FirstChildElement("IPC_SERIALNUMBER")) {
        ReadSerialNumberElement(*serial, record);
    }
    for (const tinyxml2::XMLElement* type = body->FirstChildElement("DEVICE_TYPE"); type != nullptr;
         type = type->NextSiblingElement("DEVICE_TYPE")) {
        CopyAttribute(record.DeviceType, *type, "DeviceType");
        CopyAttribute(record.Osd, *type, "OSD");
    }
    if (record.P2pType == 0 && record.P2pId[0] != '\0') {
        record.P2pType = InferP2pType(FieldText(record.P2pId));
    }

    const std::string_view deviceType = FieldText(record.DeviceType);
    bool listed = false;
    for (const auto marker : kDeviceClassMarkers) {
        if (Contains(deviceType, marker)) {
            listed = true;
            break;
        }
    }
    if (!listed) {
        base::Log("Found one device not NVS or DVS, type=%s, sn=%s\n", record.DeviceType, record.SerialNumber);
        return ReplyResult::NotNvsOrDvs;
    }

    const tinyxml2::XMLElement* lan = body->FirstChildElement("LANConfig");
    if (lan == nullptr) {
        base::Log("lan config not found.\n");
        return ReplyResult::NoLanConfig;
    }
    ReadLanConfig(*lan, record);

    const tinyxml2::XMLElement* stream = body->FirstChildElement("MediaStreamConfig");
    const tinyxml2::XMLElement* access = stream != nullptr ? stream->FirstChildElement("StreamAccess") : nullptr;
    if (access == nullptr) {
        base::Log("stream config not found.\n");
        return ReplyResult::NoStreamConfig;
    }
    ReadStreamAccess(*access, record);

    if (const tinyxml2::XMLElement* account = FirstAccount(body)) {
        record.UserValid = 1;
        CopyAttribute(record.Username, *account, "Username");
        CopyAttribute(record.Password, *account, "Password");
        CopyAttribute(record.UserGroup, *account, "Group");
        CopyAttribute(record.UserStatus, *account, "Status");
        record.UserConfigPresent = 1;
    } else {
        base::Log("user config not found.\n");
        ClearUserBlock(record);
        record.UserConfigPresent = 0;
    }
    CopyBounded(record.RawReply, message);
    return ReplyResult::Accepted;
}

std::string BuildSearchReply(const DeviceRecord& record, std::string_view rootName) {
    auto attribute = [](const char* name, std::string_view value) {
        return std::string(" ") + name + "=\"" + EscapeXmlAttribute(value) + '"';
    };
    auto number = [](const char* name, long value) {
        return std::string(" ") + name + "=\"" + std::to_string(value) + '"';
    };
    std::string reply = "<?xml version=\"1.0\" encoding=\"GB2312\" ?>\n<" + std::string(rootName) + ">\n";
    reply += "<MESSAGE_HEADER Msg_type=\"SYSTEM_SEARCHIPC_MESSAGE\" Msg_code=\"3\" Msg_flag=\"0\" />\n";
    reply += "<MESSAGE_BODY>\n<IPC_SERIALNUMBER" + attribute("SerialNumber", FieldText(record.SerialNumber)) +
             attribute("OEM_SN", FieldText(record.OemSn)) + attribute("PLATFORMID", FieldText(record.PlatformId)) +
             attribute("VERSION", FieldText(record.Version)) + attribute("AF_VERSION", FieldText(record.AfVersion)) +
             number("P2PTYPE", record.P2pType) + attribute("P2PID", FieldText(record.P2pId)) +
             attribute("UUID", FieldText(record.Uuid)) + number("runtime", record.RunTime) +
             number("P2PSTATUS", record.P2pStatus) + " />\n";
    reply += "<DEVICE_TYPE" + attribute("DeviceType", FieldText(record.DeviceType)) +
             attribute("OSD", FieldText(record.Osd)) + " />\n";
    reply += "<LANConfig" + attribute("MacAddress", FieldText(record.MacAddress)) + number("DHCP", record.Dhcp) +
             number("ALLNET", record.AllNet) + attribute("IPAddress", FieldText(record.IpAddress)) +
             attribute("Netmask", FieldText(record.Netmask)) + attribute("Gateway", FieldText(record.Gateway)) +
             attribute("DNS1", FieldText(record.Dns1)) + attribute("DNS2", FieldText(record.Dns2)) + " />\n";
    reply += "<MediaStreamConfig>\n<StreamAccess" + number("Auth", record.StreamAuth) +
             number("RTPOverRTSP", record.RtpOverRtsp) + number("VideoPort", record.VideoPort) +
             number("PTZPort", record.PtzPort) + number("WEBPort", record.WebPort) + " />\n</MediaStreamConfig>\n";
    if (record.UserConfigPresent != 0) {
        reply += "<UserConfig>\n<Account" + attribute("Username", FieldText(record.Username)) +
                 attribute("Password", FieldText(record.Password)) + attribute("Group", FieldText(record.UserGroup)) +
                 attribute("Status", FieldText(record.UserStatus)) + " />\n</UserConfig>\n";
    }
    reply += "</MESSAGE_BODY>\n</" + std::string(rootName) + '>';
    return reply;
}

DatagramResult ReadSearchDatagram(std::string_view datagram, const std::vector<std::string>& rootNames,
                                  DeviceRecord& record, std::size_t datagramLength) {
    const std::size_t length = std::max(datagramLength, datagram.size());
    if (length > kDatagramMaxBytes) {
        base::Log("datagram of %zu bytes dropped: a search message holds at most %zu bytes\n", length,
                  kDatagramMaxBytes);
        return DatagramResult::TooLarge;
    }
    const std::string_view text = AsCString(datagram);
    SearchHeader header;
    const int accepted = ParseSearchHeader(rootNames, text, header);
    if (accepted != kHeaderAccepted || std::atoi(header.msgCode.c_str()) != kCodeSearchReply) {
        base::Log("recv message: %.*s\n", static_cast<int>(text.size()), text.data());
        return accepted != kHeaderAccepted ? DatagramResult::Rejected : DatagramResult::OtherCode;
    }
    return ParseSearchReply(text, record) == ReplyResult::Accepted ? DatagramResult::Reply : DatagramResult::NotAReply;
}

} // namespace zk::discovery

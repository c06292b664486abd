// SPDX-License-Identifier: GPL-3.0-or-later
#include "devsim/RequestHandler.h"

#include "base/FixedText.h"
#include "devsim/ReplyShaper.h"
#include "discovery/SearchMessage.h"

#include <tinyxml2.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace zk::devsim {

// The new LAN values of a set-network request as the message gives them.
struct LanRequest {
    std::string macAddress;
    int dhcp = 0;
    std::string ipAddress;
    std::string netmask;
    std::string gateway;
    std::string dns1;
    std::string dns2;
};

struct RequestHandler::CommandRequest {
    int code = 0;
    int flag = 0;
    std::string serial;
    std::optional<discovery::Credentials> credentials;
    bool retainNetwork = false;
    std::optional<LanRequest> lan;
    std::optional<discovery::IntercomRecord> intercom;
};

namespace {

std::string Attribute(const tinyxml2::XMLElement& element, const char* name) {
    const char* value = element.Attribute(name);
    return value != nullptr ? value : "";
}

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

bool InAnySubnet(std::uint32_t address, const std::vector<Subnet>& subnets) {
    return std::any_of(subnets.begin(), subnets.end(), [address](const Subnet& s) { return s.Contains(address); });
}

// Reads the body elements that commands use; a body that does not parse names no device.
void ReadBody(std::string_view message, int code, std::string& serial,
              std::optional<discovery::Credentials>& credentials, bool& retainNetwork, std::optional<LanRequest>& lan) {
    tinyxml2::XMLDocument document;
    if (document.Parse(message.data(), message.size()) != tinyxml2::XML_SUCCESS) {
        return;
    }
    const tinyxml2::XMLElement* root = document.FirstChildElement();
    const tinyxml2::XMLElement* body = root != nullptr ? root->FirstChildElement("MESSAGE_BODY") : nullptr;
    if (body == nullptr) {
        return;
    }
    if (const auto* element = body->FirstChildElement("IPC_SERIALNUMBER")) {
        serial = Attribute(*element, "SerialNumber");
    }
    if (const auto* element = body->FirstChildElement("OPERATOR_AUTH")) {
        credentials = discovery::Credentials{Attribute(*element, "Username"), Attribute(*element, "Password")};
    }
    if (const auto* element = body->FirstChildElement("retain")) {
        retainNetwork = Attribute(*element, "value") == "network";
    }
    if (const auto* element = body->FirstChildElement("LANConfig"); element != nullptr && code == 2) {
        lan = LanRequest{Attribute(*element, "MacAddress"), std::atoi(Attribute(*element, "DHCP").c_str()),
                         Attribute(*element, "IPAddress"),  Attribute(*element, "Netmask"),
                         Attribute(*element, "Gateway"),    Attribute(*element, "DNS1"),
                         Attribute(*element, "DNS2")};
    }
}

} // namespace

RequestHandler::RequestHandler(std::vector<DeviceProfile> fleet, HandlerSettings settings,
                               SimClock::time_point startedAt)
    : m_settings(settings), m_random(settings.seed) {
    m_devices.reserve(fleet.size());
    for (auto& profile : fleet) {
        m_devices.emplace_back(std::move(profile), startedAt);
    }
}

HandleResult RequestHandler::Handle(std::string_view datagram, const std::vector<Subnet>& arrival,
                                    const Endpoint& sender, SimClock::time_point now) {
    return Handle(
        datagram, [&arrival]() -> const std::vector<Subnet>& { return arrival; }, sender, now);
}

HandleResult RequestHandler::Handle(std::string_view datagram, const ArrivalSubnets& arrival, const Endpoint& sender,
                                    SimClock::time_point now) {
    HandleResult result;
    // Devices read a datagram as a C string, as the tool does.
    const std::string_view message = datagram.substr(0, datagram.find('\0'));
    discovery::SearchHeader header;
    if (discovery::ParseSearchHeader(discovery::AcceptedRootNames(""), message, header) != discovery::kHeaderAccepted) {
        result.summary.reason = "not a search message";
        return result;
    }
    const int code = std::atoi(header.msgCode.c_str());
    const int flag = std::atoi(header.msgFlag.c_str());
    result.summary.code = code;
    result.summary.flag = flag;
    switch (code) {
    case discovery::kCodeSearch:
        Search(arrival(), sender, now, result);
        break;
    case discovery::kCodeSetNetwork:
    case discovery::kCodeRestore:
    case discovery::kCodeReboot:
    case discovery::kCodeFactoryMode:
    case discovery::kCodeClearSerial: {
        CommandRequest request;
        request.code = code;
        request.flag = flag;
        ReadBody(message, code, request.serial, request.credentials, request.retainNetwork, request.lan);
        if (code == discovery::kCodeSetNetwork && !request.lan) {
            request.intercom = discovery::ParseIntercomBody(message);
        }
        result.summary.serial = request.serial;
        Command(request, now, result);
        break;
    }
    default:
        result.summary.reason = "not a request";
        break;
    }
    return result;
}

void RequestHandler::Search(const std::vector<Subnet>& arrival, const Endpoint& sender, SimClock::time_point now,
                            HandleResult& result) {
    result.summary.accepted = true;
    for (std::size_t i = 0; i < m_devices.size(); ++i) {
        SimDevice& device = m_devices[i];
        if (device.IsSilent(now) || !InAnySubnet(device.IpAddress(), arrival)) {
            continue;
        }
        const DeviceProfile& profile = device.Profile();
        ScheduledReply reply;
        reply.deviceIndex = i;
        reply.source = Endpoint{device.IpAddress(), kSearchPort};
        reply.destination = sender;
        reply.payload = ShapeReply(device.Record(now), profile.rootName, profile.bad, m_random);
        reply.delay = ReplyDelay(device);
        result.replies.push_back(std::move(reply));
    }
    result.summary.answered = static_cast<int>(result.replies.size());
}

std::chrono::milliseconds RequestHandler::ReplyDelay(const SimDevice& device) {
    std::uniform_int_distribution<int> jitter(0, std::max(m_settings.jitterMs, 0));
    auto delay = std::chrono::milliseconds(jitter(m_random));
    if (device.Profile().bad.Has(BadKind::Late)) {
        delay += std::chrono::milliseconds(device.Profile().lateMs);
    }
    return delay;
}

void RequestHandler::Command(const CommandRequest& request, SimClock::time_point now, HandleResult& result) {
    std::string reason = "no device";
    for (SimDevice& device : m_devices) {
        const bool named = request.code == discovery::kCodeClearSerial ? device.IsNamedByUuid(request.serial)
                                                                       : device.IsNamed(request.serial);
        if (!named) {
            continue;
        }
        const std::string ignored = Act(device, request, now, result);
        if (ignored.empty()) {
            result.summary.accepted = true;
            if (result.summary.device.empty()) {
                result.summary.device = std::string(device.OriginalSerial());
            }
        } else {
            reason = ignored;
        }
    }
    if (!result.summary.accepted) {
        result.summary.reason = reason;
    }
}

std::string RequestHandler::Act(SimDevice& device, const CommandRequest& request, SimClock::time_point now,
                                HandleResult& result) {
    if (device.IsSilent(now)) {
        return "rebooting";
    }
    if (!device.AcceptsCredentials(request.credentials)) {
        return "wrong credentials";
    }
    const std::chrono::seconds silence(m_settings.rebootSeconds);
    const std::uint32_t oldAddress = device.IpAddress();
    const std::uint32_t oldNetmask = device.Netmask();
    switch (request.code) {
    case discovery::kCodeSetNetwork: {
        if (request.intercom) {
            device.SetIntercom(*request.intercom);
            return {};
        }
        if (!request.lan) {
            return "no LANConfig";
        }
        const LanRequest& lan = *request.lan;
        if (!EqualIgnoringCase(lan.macAddress, device.MacAddress())) {
            return "wrong MAC address";
        }
        LanSettings settings;
        settings.dhcp = lan.dhcp != 0;
        if (!settings.dhcp) {
            const auto address = ParseIpv4(lan.ipAddress);
            const auto netmask = ParseIpv4(lan.netmask);
            if (!address || !netmask || !IsHostNetmask(*netmask)) {
                return "bad address or netmask";
            }
            // A device refuses an address it could not use, as devices do, and keeps its own. Devices
            // of a loopback fleet (sessions tested without a namespace) live on 127.0.0.0/8 and may
            // move within it.
            if (!IsHostAddress(*address, *netmask, (device.IpAddress() >> 24) == 127)) {
                return "unusable address";
            }
            settings.ipAddress = *address;
            settings.netmask = *netmask;
            settings.gateway = lan.gateway;
            settings.dns1 = lan.dns1;
            settings.dns2 = lan.dns2;
        }
        device.ApplyNetwork(settings);
        if (!result.summary.applied) {
            const discovery::DeviceRecord record = device.Record(now);
            result.summary.applied = AppliedNetwork{record.Dhcp,
                                                    std::string(base::FieldText(record.IpAddress)),
                                                    std::string(base::FieldText(record.Netmask)),
                                                    std::string(base::FieldText(record.Gateway)),
                                                    std::string(base::FieldText(record.Dns1)),
                                                    std::string(base::FieldText(record.Dns2))};
        }
        break;
    }
    case discovery::kCodeRestore:
        device.Restore(request.retainNetwork, now, silence);
        break;
    case discovery::kCodeReboot:
        device.Reboot(now, silence);
        break;
    case discovery::kCodeFactoryMode:
        if (request.flag != discovery::kFlagFactoryModeOn && request.flag != discovery::kFlagFactoryModeOff) {
            return "unknown factory mode flag";
        }
        device.SetFactoryMode(request.flag == discovery::kFlagFactoryModeOn);
        break;
    case discovery::kCodeClearSerial:
        device.ClearSerial();
        break;
    default:
        return "not a request";
    }
    NoteAddressChange(device, oldAddress, oldNetmask, result);
    return {};
}

void RequestHandler::NoteAddressChange(const SimDevice& device, std::uint32_t oldAddress, std::uint32_t oldNetmask,
                                       HandleResult& result) const {
    const std::string& interfaceName = device.Profile().interfaceName;
    if (interfaceName.empty() || (device.IpAddress() == oldAddress && device.Netmask() == oldNetmask)) {
        return;
    }
    result.addressChanges.push_back(AddressChange{interfaceName, oldAddress, PrefixLength(oldNetmask).value_or(32),
                                                  device.IpAddress(), PrefixLength(device.Netmask()).value_or(32)});
}

} // namespace zk::devsim

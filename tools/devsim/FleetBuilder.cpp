// SPDX-License-Identifier: GPL-3.0-or-later
#include "devsim/FleetBuilder.h"

#include "base/FixedText.h"
#include "base/TitleCodec.h"
#include "devsim/Ipv4.h"
#include "platform/FileIo.h"
#include "platform/TextCodec.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdio>

namespace zk::devsim {
namespace {

using base::CopyBounded;
using base::FieldText;
using discovery::DeviceRecord;

// Well-mixed bits from a small number, so UUIDs and P2P ids of neighbours look unrelated.
std::uint64_t SplitMix64(std::uint64_t value) {
    value += 0x9E3779B97F4A7C15ull;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ull;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBull;
    return value ^ (value >> 31);
}

std::string Hex(std::uint64_t value, int digits) {
    std::string text(static_cast<std::size_t>(digits), '0');
    for (int i = digits - 1; i >= 0; --i) {
        text[static_cast<std::size_t>(i)] = "0123456789abcdef"[value & 0xF];
        value >>= 4;
    }
    return text;
}

std::string Padded(int number, int width) {
    std::string digits = std::to_string(number);
    if (digits.size() < static_cast<std::size_t>(width)) {
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    }
    return digits;
}

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

// A mix of the P2P identities devices report: types 1, 9 and 8 inferred from the id, and none.
void FillP2p(DeviceRecord& record, int number) {
    const std::uint64_t bits = SplitMix64(static_cast<std::uint64_t>(number) * 31u + 7u);
    switch (number % 4) {
    case 1:
        CopyBounded(record.P2pId, Hex(bits, 16) + Hex(SplitMix64(bits), 16));
        break;
    case 2:
        CopyBounded(record.P2pId, "zkws" + Hex(bits, 16));
        break;
    case 3:
        CopyBounded(record.P2pId, "zk" + Hex(bits, 10) + "@a1Zk3Cam01x");
        break;
    default:
        break;
    }
    record.P2pType = 0;
    record.P2pStatus = record.P2pId[0] == '\0' ? -1 : (number % 5 == 0 ? 0 : 1);
}

// Device record fields a fleet file may set, by their record names.
struct TextField {
    std::string_view name;
    std::size_t offset;
    std::size_t size;
};

#define ZK_TEXT_FIELD(field)                                                                                           \
    TextField {                                                                                                        \
#field, offsetof(DeviceRecord, field), sizeof(DeviceRecord::field)                                             \
    }
constexpr std::array<TextField, 19> kTextFields = {
    ZK_TEXT_FIELD(SerialNumber), ZK_TEXT_FIELD(PlatformId), ZK_TEXT_FIELD(P2pId),     ZK_TEXT_FIELD(DeviceType),
    ZK_TEXT_FIELD(Username),     ZK_TEXT_FIELD(Password),   ZK_TEXT_FIELD(UserGroup), ZK_TEXT_FIELD(UserStatus),
    ZK_TEXT_FIELD(MacAddress),   ZK_TEXT_FIELD(IpAddress),  ZK_TEXT_FIELD(Netmask),   ZK_TEXT_FIELD(Gateway),
    ZK_TEXT_FIELD(Dns1),         ZK_TEXT_FIELD(Dns2),       ZK_TEXT_FIELD(Osd),       ZK_TEXT_FIELD(Version),
    ZK_TEXT_FIELD(AfVersion),    ZK_TEXT_FIELD(Uuid),       ZK_TEXT_FIELD(OemSn),
};
#undef ZK_TEXT_FIELD

struct NumberField {
    std::string_view name;
    std::int32_t DeviceRecord::*member;
    std::int32_t minimum;
    std::int32_t maximum;
};

constexpr std::array<NumberField, 9> kNumberFields = {{
    {"P2pType", &DeviceRecord::P2pType, 0, 10},
    {"StreamAuth", &DeviceRecord::StreamAuth, -32768, 32767},
    {"RtpOverRtsp", &DeviceRecord::RtpOverRtsp, 0, 1},
    {"VideoPort", &DeviceRecord::VideoPort, 1, 65535},
    {"PtzPort", &DeviceRecord::PtzPort, 1, 65535},
    {"WebPort", &DeviceRecord::WebPort, 1, 65535},
    {"RunTime", &DeviceRecord::RunTime, 0, 2147483647},
    {"P2pStatus", &DeviceRecord::P2pStatus, -1, 100},
    {"UserConfigPresent", &DeviceRecord::UserConfigPresent, 0, 1},
}};

std::optional<std::int32_t> Integer(const QJsonValue& value, std::int32_t minimum, std::int32_t maximum) {
    if (value.isBool()) {
        return value.toBool() ? 1 : 0;
    }
    const double number = value.toDouble(std::nan(""));
    if (!value.isDouble() || std::floor(number) != number || number < minimum || number > maximum) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(number);
}

// Applies one object of a fleet file ("defaults" or a device) to a profile.
int ApplyObject(const QJsonObject& object, const std::string& where, DeviceProfile& profile, std::string& error) {
    DeviceRecord& record = profile.record;
    for (auto it = object.begin(); it != object.end(); ++it) {
        const std::string key = it.key().toStdString();
        const QJsonValue value = it.value();
        auto fail = [&](const std::string& what) {
            error = where + "." + key + ": " + what;
            return -1;
        };
        bool known = false;
        for (const TextField& field : kTextFields) {
            if (field.name != key) {
                continue;
            }
            known = true;
            if (!value.isString()) {
                return fail("not a text");
            }
            const std::string text = platform::Utf8ToAnsi(value.toString().toStdString());
            if (text.size() >= field.size) {
                return fail("longer than " + std::to_string(field.size - 1) + " bytes");
            }
            CopyBounded(reinterpret_cast<char*>(&record) + field.offset, field.size, text);
        }
        for (const NumberField& field : kNumberFields) {
            if (field.name != key) {
                continue;
            }
            known = true;
            const auto number = Integer(value, field.minimum, field.maximum);
            if (!number) {
                return fail("not a whole number from " + std::to_string(field.minimum) + " to " +
                            std::to_string(field.maximum));
            }
            record.*field.member = *number;
        }
        if (known) {
            continue;
        }
        if (key == "Dhcp" || key == "AllNet") {
            const auto number = Integer(value, key == "Dhcp" ? 0 : -32768, key == "Dhcp" ? 1 : 32767);
            if (!number) {
                return fail("not a whole number in range");
            }
            if (key == "Dhcp") {
                record.Dhcp = static_cast<std::uint8_t>(*number);
            } else {
                record.AllNet = static_cast<std::int16_t>(*number);
            }
        } else if (key == "Title") {
            if (!value.isString()) {
                return fail("not a text");
            }
            const std::string hex = base::EncodeTitleHex(value.toString());
            if (hex.size() >= sizeof(record.Osd)) {
                return fail("too long for the device title");
            }
            CopyBounded(record.Osd, hex);
        } else if (key == "Bad") {
            if (!value.isArray()) {
                return fail("not a list of bad kinds");
            }
            for (const QJsonValue name : value.toArray()) {
                const auto kind = BadKindFromName(name.toString().toStdString());
                if (!name.isString() || !kind) {
                    return fail("unknown bad kind \"" + name.toString().toStdString() + "\"");
                }
                profile.bad.Add(*kind);
            }
        } else if (key == "LateMs") {
            const auto number = Integer(value, 0, 600000);
            if (!number) {
                return fail("not a whole number from 0 to 600000");
            }
            profile.lateMs = *number;
            profile.bad.Add(BadKind::Late);
        } else if (key == "Root" || key == "Interface") {
            if (!value.isString() || value.toString().isEmpty()) {
                return fail("not a text");
            }
            (key == "Root" ? profile.rootName : profile.interfaceName) = value.toString().toStdString();
        } else {
            error = where + ": unknown key \"" + key + "\"";
            return -1;
        }
    }
    return 0;
}

int CheckAddresses(const DeviceProfile& profile, const std::string& where, std::string& error) {
    if (!ParseIpv4(FieldText(profile.record.IpAddress))) {
        error = where + ": IpAddress \"" + std::string(FieldText(profile.record.IpAddress)) +
                "\" is missing or not an IPv4 address";
        return -1;
    }
    const auto netmask = ParseIpv4(FieldText(profile.record.Netmask));
    if (!netmask || !PrefixLength(*netmask)) {
        error = where + ": Netmask \"" + std::string(FieldText(profile.record.Netmask)) + "\" is not a netmask";
        return -1;
    }
    if (FieldText(profile.record.SerialNumber).empty()) {
        error = where + ": SerialNumber is empty";
        return -1;
    }
    return 0;
}

} // namespace

DeviceProfile GeneratedProfile(const SimOptions& options, int number) {
    DeviceProfile profile;
    profile.number = number;
    profile.rootName = options.root;
    profile.lateMs = options.lateMs;
    profile.interfaceName = options.interfaceName;

    DeviceRecord& record = profile.record;
    const std::vector<std::string>& models = options.models.empty() ? DefaultModels() : options.models;
    const std::string& model = models[static_cast<std::size_t>(number - 1) % models.size()];
    const bool recorder = Contains(model, "NVR");
    CopyBounded(record.SerialNumber, options.serialPrefix + Padded(number, 6));
    CopyBounded(record.DeviceType, model);
    CopyBounded(record.Osd, base::EncodeTitleHex(
                                (recorder ? QStringLiteral("Recorder %1") : QStringLiteral("Camera %1")).arg(number)));
    CopyBounded(record.Version, options.version);
    CopyBounded(record.AfVersion, options.afVersion);
    CopyBounded(record.OemSn, "OEM" + Padded(number, 8));
    static const std::array<const char*, 3> kCameraPlatforms = {"HI3516EV300", "SSC335", "HI3518EV300"};
    CopyBounded(record.PlatformId, recorder ? "HI3536DV100" : kCameraPlatforms[number % kCameraPlatforms.size()]);
    const std::uint64_t uuidBits = SplitMix64(static_cast<std::uint64_t>(number));
    CopyBounded(record.Uuid, Hex(uuidBits, 16) + Hex(static_cast<std::uint64_t>(number), 8));
    FillP2p(record, number);

    char mac[32];
    std::snprintf(mac, sizeof(mac), "%s:%02X:%02X:%02X", options.macPrefix.c_str(), (number >> 16) & 0xFF,
                  (number >> 8) & 0xFF, number & 0xFF);
    CopyBounded(record.MacAddress, mac);
    CopyBounded(record.Netmask, FormatIpv4(options.netmask));
    CopyBounded(record.Gateway, FormatIpv4(options.gateway));
    CopyBounded(record.Dns1, FormatIpv4(options.gateway));
    CopyBounded(record.Dns2, "8.8.8.8");

    record.RtspEnable = 1;
    record.StreamAuth = 1;
    record.RtpOverRtsp = 1;
    record.VideoPort = options.videoPort;
    record.CommEnable = 1;
    record.PtzPort = options.commandPort;
    record.WebEnable = 1;
    record.WebPort = options.webPort;

    // The account exists either way; --no-user-config only keeps it out of replies.
    record.UserValid = 1;
    CopyBounded(record.Username, options.user);
    CopyBounded(record.Password, options.password);
    CopyBounded(record.UserGroup, "admin");
    CopyBounded(record.UserStatus, "1");
    record.UserConfigPresent = options.userConfig ? 1 : 0;
    return profile;
}

int GenerateDevices(const SimOptions& options, std::vector<DeviceProfile>& fleet, std::string& error) {
    const std::uint32_t network = options.firstIp & options.netmask;
    const std::uint32_t broadcast = network | ~options.netmask;
    if (options.count > 0 && (options.firstIp == network || options.firstIp == broadcast)) {
        error = "--first-ip " + FormatIpv4(options.firstIp) + " is the network or broadcast address of its subnet";
        return -1;
    }
    // Devices never take their subnet's broadcast address, so the last one is broadcast - 1.
    if (options.count > 0 && std::uint64_t{options.firstIp} + std::uint64_t(options.count) - 1 >= broadcast) {
        error = std::to_string(options.count) + " devices from " + FormatIpv4(options.firstIp) +
                " do not fit in the subnet of netmask " + FormatIpv4(options.netmask) + "; choose a wider --netmask";
        return -1;
    }
    for (int i = 0; i < options.count; ++i) {
        const int number = static_cast<int>(fleet.size()) + 1;
        DeviceProfile profile = GeneratedProfile(options, number);
        CopyBounded(profile.record.IpAddress, FormatIpv4(options.firstIp + static_cast<std::uint32_t>(i)));
        fleet.push_back(std::move(profile));
    }
    return 0;
}

int ParseFleetFile(std::string_view json, const SimOptions& options, std::vector<DeviceProfile>& fleet,
                   std::string& error) {
    QJsonParseError parseError{};
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray(json.data(), static_cast<qsizetype>(json.size())), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        error = "not JSON: " + parseError.errorString().toStdString() + " at byte " + std::to_string(parseError.offset);
        return -1;
    }
    if (!document.isObject()) {
        error = "the top level is not an object";
        return -1;
    }
    const QJsonObject top = document.object();
    for (auto it = top.begin(); it != top.end(); ++it) {
        if (it.key() != QStringLiteral("defaults") && it.key() != QStringLiteral("devices")) {
            error = "unknown key \"" + it.key().toStdString() + "\" at the top level";
            return -1;
        }
    }
    const QJsonValue defaults = top.value(QStringLiteral("defaults"));
    if (!defaults.isUndefined() && !defaults.isObject()) {
        error = "defaults: not an object";
        return -1;
    }
    const QJsonValue devices = top.value(QStringLiteral("devices"));
    if (!devices.isArray()) {
        error = "devices: missing or not a list";
        return -1;
    }
    const QJsonArray list = devices.toArray();
    for (qsizetype i = 0; i < list.size(); ++i) {
        const std::string where = "devices[" + std::to_string(i) + "]";
        if (!list.at(i).isObject()) {
            error = where + ": not an object";
            return -1;
        }
        DeviceProfile profile = GeneratedProfile(options, static_cast<int>(fleet.size()) + 1);
        if (ApplyObject(defaults.toObject(), "defaults", profile, error) != 0 ||
            ApplyObject(list.at(i).toObject(), where, profile, error) != 0 ||
            CheckAddresses(profile, where, error) != 0) {
            return -1;
        }
        fleet.push_back(std::move(profile));
    }
    return 0;
}

int BuildFleet(const SimOptions& options, std::vector<DeviceProfile>& fleet, std::string& error) {
    fleet.clear();
    if ((options.fleetFile.empty() || options.countGiven) && GenerateDevices(options, fleet, error) != 0) {
        return -1;
    }
    if (!options.fleetFile.empty()) {
        const auto text = platform::ReadWholeFile(options.fleetFile);
        if (!text) {
            error = "cannot read the fleet file " + options.fleetFile;
            return -1;
        }
        if (ParseFleetFile(*text, options, fleet, error) != 0) {
            error = "fleet file " + options.fleetFile + ": " + error;
            return -1;
        }
    }
    for (const BadAssignment& assignment : options.bad) {
        for (const int index : assignment.indexes) {
            if (index < 0 || static_cast<std::size_t>(index) >= fleet.size()) {
                error = "--bad " + std::string(BadKindName(assignment.kind)) + ": there is no device " +
                        std::to_string(index) + " in a fleet of " + std::to_string(fleet.size());
                return -1;
            }
            fleet[static_cast<std::size_t>(index)].bad.Add(assignment.kind);
        }
    }
    if (fleet.empty()) {
        error = "the fleet has no devices";
        return -1;
    }
    // An occupied address stands for another host on the network, never for a device.
    for (const DeviceProfile& profile : fleet) {
        const auto address = ParseIpv4(FieldText(profile.record.IpAddress));
        if (address && std::binary_search(options.occupied.begin(), options.occupied.end(), *address)) {
            error = "--occupy: " + FormatIpv4(*address) + " is the address of device " +
                    std::string(FieldText(profile.record.SerialNumber));
            return -1;
        }
    }
    return 0;
}

} // namespace zk::devsim

// SPDX-License-Identifier: GPL-3.0-or-later
#include "devsim/DeviceConfig.h"

#include "base/FixedText.h"
#include "sdk/DeviceSdk.h"

#include <tinyxml2.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <map>
#include <optional>
#include <utility>
#include <vector>

namespace zk::devsim {
namespace {

using base::FieldText;
using tinyxml2::XMLElement;

// The factory document; the record's own values are filled in afterwards. The video capture element
// carries every attribute the tool's capture window and light settings edit, so a read-modify-write
// of any one of them finds it (TVSystem 1 is PAL; IrcutMode 0 switches day and night by itself, 3
// forces night), and the detections carry the five schedules the tool's smart-detection batch sets.
// Each stream's EncodeConfig carries every encoding value the tool's encoding batch writes; the
// person detection's Region is a polygon of points in percent of the picture.
constexpr const char* kFactoryDocument = R"(<NIMBEXConfig>
<RecordConfig>
<RecordSchedule Enable="1" Mode="Always" Stream="1" PreRecordSeconds="5" />
</RecordConfig>
<ServerConfig>
<PlatformConfig>
<NimbexConfig Enable="0" Server="" Port="10001" Username="" Password="" PlayTone="0" />
</PlatformConfig>
</ServerConfig>
<SystemConfig>
<TimeConfig TimeMode="MANUAL" TimeZone="1200" LocalTime="">
<NTPConfig ServerIP="192.168.1.1" ServerPort="123" RefreshInterval="60" />
<SummerTime enable="0" auto="0" offset="60">
<start month="3" week="5" weekday="0" hour="2" />
<end month="10" week="5" weekday="0" hour="3" />
</SummerTime>
</TimeConfig>
<UserConfig>
<Account Username="" Password="" Group="Administrator" Status="Enable" />
</UserConfig>
<MiscConfig Language="zh-cn" WebLanguage="0" KCWeb="0" />
<MaintainConfig Enable="0" Day="7" Time="03:00:00" />
<FactoryConfig Mode="0" />
</SystemConfig>
<NetworkConfig>
<LANConfig MacAddress="" DHCP="0" IPAddress="" Netmask="" Gateway="" DNS1="" DNS2="" ALLNET="0" />
<P2PConfig Enable="1" Type="0" />
</NetworkConfig>
<MediaConfig>
<Video>
<Capture Brightness="50" Contrast="50" Saturation="50" Sharpness="50" BackLight="0" TVSystem="1" forct_antiflicker="0"
 cropxpix="0" cropypix="0" HFlip="0" VFlip="0" rotate="0" bManualGain="0" gainValue="50"
 shutter_mode="0" shutter_mode_night="0" shutter_speed_day="100" shutter_speed_night="25"
 IrcutMode="0" IrcutSensitivity="50" IrcutOpenLedDelay="5" led_brightness_mode="0" led_brightness_value="50"
 led_brightness_alarm="0" IrcutNightStartTime="18:00:00" IrcutNightEndTime="06:00:00" IrcutKeepColor="0"
 WDRMode="0" WDRValue="50" DfrogFlag="0" DfrogValue="50" WDRStartTime="00:00:00" WDREndTime="23:59:59"
 WB_RGB="0" isp_mode_color="0" isp_mode_night="0" led_mode="0" ispadvmode="0" videoEncodeMode="0"
 face_exposure_sensitivity="50" light_off_sensitivity="50" DayNight="DayMode" />
</Video>
<Encode>
<EncodeConfig Enable="1" Stream="1" Resolution="1920x1080" EncodeFormat="H265" BitRateControl="VBR" Initquant="100" BitRate="2048000"
 BitRateQuality="3" FrameRate="25" qp_enable="0" qp_min="10" qp_max="51" lbr_enable="0" lbr_style="0" lbr_bitratemode="0"
 lbr_bitrate="0" lbr_motionlevel="0" lbr_noicelevel="0">
<AdvanceEncodeConfig EncodeProfile="1" DisablePrivateData="0" EncMode="0" NoiceLevel="0" />
</EncodeConfig>
<EncodeConfig Enable="1" Stream="2" Resolution="640x360" EncodeFormat="H264" BitRateControl="VBR" Initquant="100" BitRate="512000"
 BitRateQuality="3" FrameRate="15" qp_enable="0" qp_min="10" qp_max="51" lbr_enable="0" lbr_style="0" lbr_bitratemode="0"
 lbr_bitrate="0" lbr_motionlevel="0" lbr_noicelevel="0">
<AdvanceEncodeConfig EncodeProfile="1" DisablePrivateData="0" EncMode="0" NoiceLevel="0" />
</EncodeConfig>
</Encode>
<Audio>
<Capture Volume="80" VolumePlay="80" amplify="0" ra_answer="0" />
<Encode Enable="1" SampleRate="8000" EncodeType="G711" BitRate="64000" />
</Audio>
<ImageParam mctf="5" gain="30" shuttermax="4000" />
<Overlay Enable="1" Transparency="0" Style="1" Fontsize="32" Week="0">
<TimeOverlay PosX="0" PosY="0" Format="YYYY-MM-DD hh:mm:ss" />
<TitleOverlay PosX="1" PosY="1" TitleUtf8="" />
</Overlay>
</MediaConfig>
<MediaStreamConfig>
<StreamAccess Auth="1" RTPOverRTSP="1" VideoPort="554" PTZPort="34567" WEBPort="80" enable_hik="0" enable_onvif="1" enable_dh="0" enable_tst="0" />
</MediaStreamConfig>
<AlarmConfig>
<MotionDetectAlarm Enable="0" BlockCount="262147" BlockConfig="111111111111" Sensitivity="80" AlarmThreshold="20"
 DayNightSwitch="0" NightSensitivity="80" NightAlarmThreshold="20" NightStartTime="18:00:00" NightEndTime="06:00:00"
 EnableSchedule="0" SoundSchedule="1" PushSchedule="0" TwinkleSchedule="0" BlueRedSchedule="0" />
<PDAlarm Enable="0" ObjectType="17" EnableSchedule="0" SoundSchedule="1" PushSchedule="0" TwinkleSchedule="0" BlueRedSchedule="0">
<Region>
<Point X="10" Y="10" />
<Point X="50" Y="5" />
<Point X="90" Y="10" />
<Point X="90" Y="90" />
<Point X="50" Y="95" />
<Point X="10" Y="90" />
</Region>
</PDAlarm>
<AudioAlarm Enable="0" Sensitivity="50" />
</AlarmConfig>
</NIMBEXConfig>
)";

struct CodePath {
    int code;
    std::string_view path;
};

// What GetDVRConfig reads.
constexpr std::array<CodePath, 6> kGetPaths = {{
    {503, "MediaConfig/Encode"},
    {504, "MediaConfig/Video"},
    {305, "NetworkConfig/LANConfig"},
    {600, "MediaStreamConfig"},
    {800, "AlarmConfig"},
    {507, "MediaConfig/Audio"},
}};

// What SetDVRConfig and SetDevcieConfig change; the request's root is the path's last element.
constexpr std::array<CodePath, 16> kSetPaths = {{
    {222, "SystemConfig/TimeConfig"},
    {223, "SystemConfig/UserConfig"},
    {227, "SystemConfig/MiscConfig"},
    {228, "SystemConfig/MaintainConfig"},
    {325, "NetworkConfig/LANConfig"},
    {335, "NetworkConfig/P2PConfig"},
    {523, "MediaConfig/Encode"},
    {524, "MediaConfig/Video"},
    {525, "MediaConfig/Overlay"},
    {527, "MediaConfig/Audio/Capture"},
    {528, "MediaConfig/Audio"},
    {620, "MediaStreamConfig"},
    {670, "ServerConfig/PlatformConfig"},
    {822, "AlarmConfig/MotionDetectAlarm"},
    {827, "AlarmConfig/AudioAlarm"},
    {829, "AlarmConfig/PDAlarm"},
}};

std::string_view PathOf(int code, const auto& table) {
    for (const CodePath& entry : table) {
        if (entry.code == code) {
            return entry.path;
        }
    }
    return {};
}

std::string_view LastElement(std::string_view path) {
    const auto slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string Print(const tinyxml2::XMLNode& node) {
    tinyxml2::XMLPrinter printer;
    node.Accept(&printer);
    return std::string(printer.CStr(), static_cast<std::size_t>(printer.CStrSize() > 0 ? printer.CStrSize() - 1 : 0));
}

// The n-th child element of a given name.
XMLElement* NthChild(XMLElement& parent, const char* name, int index) {
    for (XMLElement* child = parent.FirstChildElement(name); child != nullptr;
         child = child->NextSiblingElement(name)) {
        if (index-- == 0) {
            return child;
        }
    }
    return nullptr;
}

constexpr int kEncodeCode = 523;
constexpr int kMotionCode = 822;

// Elements that hold a list (a polygon's points): a request that carries one replaces the
// document's whole, since a list merged by position would keep the old tail when it shrinks.
constexpr std::array<std::string_view, 1> kReplacedLists = {"Region"};

bool IsReplacedList(std::string_view name) {
    return std::ranges::find(kReplacedLists, name) != kReplacedLists.end();
}

// A whole decimal number without sign, blanks or leading zeros; nothing for any other text.
std::optional<unsigned> Number(const char* text) {
    const std::string_view digits = text != nullptr ? text : "";
    unsigned value = 0;
    const auto [last, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (digits.empty() || error != std::errc() || last != digits.data() + digits.size() ||
        (digits.size() > 1 && digits.front() == '0')) {
        return std::nullopt;
    }
    return value;
}

// Attributes of the source replace the target's; child elements merge with the target's child of
// the same name and position among its namesakes, or are added. A list element replaces its
// namesake instead.
void Merge(XMLElement& target, const XMLElement& source, tinyxml2::XMLDocument& document) {
    for (const tinyxml2::XMLAttribute* attribute = source.FirstAttribute(); attribute != nullptr;
         attribute = attribute->Next()) {
        target.SetAttribute(attribute->Name(), attribute->Value());
    }
    if (source.FirstChildElement() == nullptr && source.GetText() != nullptr) {
        target.SetText(source.GetText());
    }
    std::map<std::string, int> seen;
    for (const XMLElement* child = source.FirstChildElement(); child != nullptr; child = child->NextSiblingElement()) {
        const int index = seen[child->Name()]++;
        XMLElement* match = NthChild(target, child->Name(), index);
        if (match != nullptr && IsReplacedList(child->Name())) {
            target.InsertAfterChild(match, child->DeepClone(&document));
            target.DeleteChild(match);
        } else if (match != nullptr) {
            Merge(*match, *child, document);
        } else {
            target.InsertEndChild(child->DeepClone(&document));
        }
    }
}

// The device's EncodeConfig whose Stream is the given number text; null for a text that is no
// number or a stream the device does not have.
XMLElement* StreamConfig(XMLElement* encode, const char* stream) {
    const auto number = Number(stream);
    for (XMLElement* config = encode != nullptr ? encode->FirstChildElement("EncodeConfig") : nullptr;
         config != nullptr && number; config = config->NextSiblingElement("EncodeConfig")) {
        if (Number(config->Attribute("Stream")) == number) {
            return config;
        }
    }
    return nullptr;
}

// Encoding: each EncodeConfig lands on the stream its Stream names, whatever its position, so a
// request for stream 2 alone never edits stream 1; Resolution "INVALID" keeps the current one.
// False, with nothing changed, unless every EncodeConfig names a stream the device has.
bool MergeEncode(XMLElement* target, XMLElement& request, tinyxml2::XMLDocument& document) {
    if (target == nullptr) {
        return false;
    }
    std::vector<std::pair<XMLElement*, XMLElement*>> streams;
    for (XMLElement* config = request.FirstChildElement("EncodeConfig"); config != nullptr;
         config = config->NextSiblingElement("EncodeConfig")) {
        XMLElement* stream = StreamConfig(target, config->Attribute("Stream"));
        if (stream == nullptr) {
            return false;
        }
        if (const char* resolution = config->Attribute("Resolution");
            resolution != nullptr && std::string_view(resolution) == "INVALID") {
            config->DeleteAttribute("Resolution");
        }
        streams.emplace_back(stream, config);
    }
    for (const auto& [stream, config] : streams) {
        Merge(*stream, *config, document);
        request.DeleteChild(config);
    }
    // The rest of the request (the root's attributes, other children) merges as everywhere.
    Merge(*target, request, document);
    return true;
}

// A motion mask fits its grid: BlockCount packs the columns (high 16 bits, 1 to 22) and rows (low
// 16 bits, 1 to 18), and BlockConfig holds one cell per block.
bool MaskFitsGrid(const char* count, const char* mask) {
    const auto blocks = Number(count);
    if (!blocks || mask == nullptr) {
        return false;
    }
    const unsigned columns = *blocks >> 16;
    const unsigned rows = *blocks & 0xFFFF;
    return columns >= 1 && columns <= 22 && rows >= 1 && rows <= 18 && std::strlen(mask) == columns * rows;
}

// The value a merge would leave: the request's attribute, else the document's.
const char* MergedAttribute(const XMLElement& request, const XMLElement* target, const char* name) {
    const char* value = request.Attribute(name);
    return value != nullptr || target == nullptr ? value : target->Attribute(name);
}

} // namespace

DeviceConfig::DeviceConfig(const discovery::DeviceRecord& record) {
    Reset(record);
}

DeviceConfig::~DeviceConfig() = default;
DeviceConfig::DeviceConfig(DeviceConfig&&) noexcept = default;
DeviceConfig& DeviceConfig::operator=(DeviceConfig&&) noexcept = default;

void DeviceConfig::Reset(const discovery::DeviceRecord& record) {
    m_document = std::make_unique<tinyxml2::XMLDocument>();
    m_document->Parse(kFactoryDocument);
    SetValue("SystemConfig/UserConfig/Account", "Username", FieldText(record.Username));
    SetValue("SystemConfig/UserConfig/Account", "Password", FieldText(record.Password));
    SetValue("MediaConfig/Overlay/TitleOverlay", "TitleUtf8", FieldText(record.Osd));
    SetValue("NetworkConfig/LANConfig", "ALLNET", std::to_string(record.AllNet));
    SetValue("MediaStreamConfig/StreamAccess", "Auth", std::to_string(record.StreamAuth));
    SetValue("MediaStreamConfig/StreamAccess", "RTPOverRTSP", std::to_string(record.RtpOverRtsp));
    SetValue("SystemConfig/TimeConfig/NTPConfig", "ServerIP", FieldText(record.Gateway));
    SyncLive(record);
}

void DeviceConfig::SyncLive(const discovery::DeviceRecord& record) {
    const std::string_view lan = "NetworkConfig/LANConfig";
    SetValue(lan, "MacAddress", FieldText(record.MacAddress));
    SetValue(lan, "DHCP", std::to_string(record.Dhcp));
    SetValue(lan, "IPAddress", FieldText(record.IpAddress));
    SetValue(lan, "Netmask", FieldText(record.Netmask));
    SetValue(lan, "Gateway", FieldText(record.Gateway));
    SetValue(lan, "DNS1", FieldText(record.Dns1));
    SetValue(lan, "DNS2", FieldText(record.Dns2));
    const std::string_view stream = "MediaStreamConfig/StreamAccess";
    SetValue(stream, "VideoPort", std::to_string(record.VideoPort));
    SetValue(stream, "PTZPort", std::to_string(record.PtzPort));
    SetValue(stream, "WEBPort", std::to_string(record.WebPort));
}

ConfigAnswer DeviceConfig::Get(int code) const {
    const std::string_view path = PathOf(code, kGetPaths);
    const XMLElement* element = path.empty() ? nullptr : Find(path);
    if (element == nullptr) {
        return {sdk::kResultUnsupported, {}};
    }
    return {sdk::kResultOk, Print(*element)};
}

ConfigAnswer DeviceConfig::Set(int code, std::string_view xml) {
    const std::string_view path = SetPath(code);
    if (path.empty()) {
        return {sdk::kResultUnsupported, {}};
    }
    tinyxml2::XMLDocument request;
    if (request.Parse(xml.data(), xml.size()) != tinyxml2::XML_SUCCESS) {
        return {sdk::kResultBadRequest, {}};
    }
    XMLElement* root = request.RootElement();
    if (root == nullptr || LastElement(path) != root->Name()) {
        return {sdk::kResultBadRequest, {}};
    }
    // A device refuses a mask that does not fit its grid, also when only one of the two changes.
    if (code == kMotionCode && !MaskFitsGrid(MergedAttribute(*root, Find(path), "BlockCount"),
                                             MergedAttribute(*root, Find(path), "BlockConfig"))) {
        return {sdk::kResultBadRequest, {}};
    }
    const std::string before = Text();
    if (code == kEncodeCode) {
        if (!MergeEncode(Find(path), *root, *m_document)) {
            return {sdk::kResultBadRequest, {}};
        }
    } else {
        Merge(*FindOrMake(path), *root, *m_document);
    }
    if (Text().size() > kMaxConfigDocumentBytes) {
        m_document = std::make_unique<tinyxml2::XMLDocument>();
        m_document->Parse(before.c_str(), before.size());
        return {sdk::kResultFailed, {}};
    }
    return {sdk::kResultOk, {}};
}

std::string_view DeviceConfig::SetPath(int code) {
    return PathOf(code, kSetPaths);
}

std::string DeviceConfig::Value(std::string_view path, const char* attribute) const {
    const XMLElement* element = Find(path);
    const char* value = element != nullptr ? element->Attribute(attribute) : nullptr;
    return value != nullptr ? value : "";
}

void DeviceConfig::SetValue(std::string_view path, const char* attribute, std::string_view value) {
    FindOrMake(path)->SetAttribute(attribute, std::string(value).c_str());
}

std::string DeviceConfig::Text() const {
    return Print(*m_document);
}

namespace {

constexpr const char* kPtzPath = "PTZConfig";

void CollectValues(const XMLElement& element, const std::string& path,
                   std::vector<std::pair<std::string, std::string>>& values) {
    for (const tinyxml2::XMLAttribute* attribute = element.FirstAttribute(); attribute != nullptr;
         attribute = attribute->Next()) {
        values.emplace_back(path + '@' + attribute->Name(), attribute->Value());
    }
    std::map<std::string, int> seen;
    for (const XMLElement* child = element.FirstChildElement(); child != nullptr; child = child->NextSiblingElement()) {
        const int position = seen[child->Name()]++;
        std::string childPath = path.empty() ? child->Name() : path + '/' + child->Name();
        if (position > 0) {
            childPath += '[' + std::to_string(position) + ']';
        }
        CollectValues(*child, childPath, values);
    }
}

} // namespace

std::vector<std::pair<std::string, std::string>> DeviceConfig::Values() const {
    std::vector<std::pair<std::string, std::string>> values;
    if (const XMLElement* root = m_document->RootElement(); root != nullptr) {
        CollectValues(*root, {}, values);
        // The root's own attributes are the document's, not a setting.
        std::erase_if(values, [](const auto& value) { return value.first.front() == '@'; });
    }
    return values;
}

void DeviceConfig::StorePreset(int preset) {
    if (IsPresetStored(preset)) {
        return;
    }
    XMLElement* element = FindOrMake(kPtzPath)->InsertNewChildElement("Preset");
    element->SetAttribute("Number", preset);
    element->SetAttribute("Stored", 1);
}

bool DeviceConfig::IsPresetStored(int preset) const {
    const XMLElement* ptz = Find(kPtzPath);
    for (const XMLElement* element = ptz != nullptr ? ptz->FirstChildElement("Preset") : nullptr; element != nullptr;
         element = element->NextSiblingElement("Preset")) {
        if (element->IntAttribute("Number") == preset && element->IntAttribute("Stored") == 1) {
            return true;
        }
    }
    return false;
}

void DeviceConfig::RecallPreset(int preset) {
    SetValue(kPtzPath, "Current", std::to_string(preset));
}

XMLElement* DeviceConfig::Find(std::string_view path) const {
    XMLElement* element = m_document->RootElement();
    while (element != nullptr && !path.empty()) {
        const auto slash = path.find('/');
        element = element->FirstChildElement(std::string(path.substr(0, slash)).c_str());
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
    }
    return element;
}

XMLElement* DeviceConfig::FindOrMake(std::string_view path) {
    XMLElement* element = m_document->RootElement();
    while (!path.empty()) {
        const auto slash = path.find('/');
        const std::string name(path.substr(0, slash));
        XMLElement* child = element->FirstChildElement(name.c_str());
        element = child != nullptr ? child : element->InsertNewChildElement(name.c_str());
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
    }
    return element;
}

} // namespace zk::devsim

// SPDX-License-Identifier: GPL-3.0-or-later
#include "devsim/DeviceConfig.h"

#include "base/FixedText.h"
#include "sdk/DeviceSdk.h"

#include <tinyxml2.h>

#include <array>
#include <map>
#include <utility>

namespace zk::devsim {
namespace {

using base::FieldText;
using tinyxml2::XMLElement;

// The factory document; the record's own values are filled in afterwards. The video capture element
// carries every attribute the tool's capture window and light settings edit, so a read-modify-write
// of any one of them finds it (TVSystem 1 is PAL; IrcutMode 0 switches day and night by itself, 3
// forces night), and the detections carry the five schedules the tool's smart-detection batch sets.
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
<EncodeConfig Enable="1" Stream="1" Resolution="1920x1080" EncodeFormat="H265" BitRateControl="VBR" Initquant="100" BitRate="2048000" FrameRate="25" />
<EncodeConfig Enable="1" Stream="2" Resolution="640x360" EncodeFormat="H264" BitRateControl="VBR" Initquant="100" BitRate="512000" FrameRate="15" />
</Encode>
<Audio>
<Capture Volume="80" VolumePlay="80" amplify="0" ra_answer="0" />
<Encode Enable="1" SampleRate="8000" EncodeType="G711" BitRate="64000" />
</Audio>
<Overlay Enable="1" Transparency="0" Style="1" Fontsize="32" Week="0">
<TimeOverlay PosX="0" PosY="0" Format="YYYY-MM-DD hh:mm:ss" />
<TitleOverlay PosX="1" PosY="1" TitleUtf8="" />
</Overlay>
</MediaConfig>
<MediaStreamConfig>
<StreamAccess Auth="1" RTPOverRTSP="1" VideoPort="554" PTZPort="34567" WEBPort="80" enable_hik="0" enable_onvif="1" enable_dh="0" enable_tst="0" />
</MediaStreamConfig>
<AlarmConfig>
<MotionDetectAlarm Enable="0" BlockCount="262147" BlockConfig="111111111111" Sensitivity="80" AlarmThreshold="20" EnableSchedule="0" SoundSchedule="1" PushSchedule="0" TwinkleSchedule="0" BlueRedSchedule="0" />
<PDAlarm Enable="0" ObjectType="17" EnableSchedule="0" SoundSchedule="1" PushSchedule="0" TwinkleSchedule="0" BlueRedSchedule="0" />
<AudioAlarm Enable="0" Sensitivity="50" />
</AlarmConfig>
</NIMBEXConfig>
)";

struct CodePath {
    int code;
    std::string_view path;
};

// What GetDVRConfig reads.
constexpr std::array<CodePath, 5> kGetPaths = {{
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

// Attributes of the source replace the target's; child elements merge with the target's child of
// the same name and position among its namesakes, or are added.
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
        if (XMLElement* match = NthChild(target, child->Name(), index)) {
            Merge(*match, *child, document);
        } else {
            target.InsertEndChild(child->DeepClone(&document));
        }
    }
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
    const XMLElement* root = request.RootElement();
    if (root == nullptr || LastElement(path) != root->Name()) {
        return {sdk::kResultBadRequest, {}};
    }
    const std::string before = Text();
    Merge(*FindOrMake(path), *root, *m_document);
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

// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/config/SdkStructures.h"

#include "sdk/DeviceSdk.h"

namespace zk::sdk::config {
namespace {

// Reads typed fields from an element (missing attributes read as 0 or empty).
class FieldReader {
public:
    explicit FieldReader(const XmlNode* node) : m_node(node) {}
    void Int(const char* name, int& value) const {
        value = m_node != nullptr ? static_cast<int>(m_node->IntAttribute(name, 0)) : 0;
    }
    void Text(const char* name, std::string& value) const {
        const auto text = m_node != nullptr ? m_node->Attribute(name) : std::nullopt;
        value = text ? std::string(*text) : std::string();
    }

private:
    const XmlNode* m_node;
};

// Writes back the typed fields that differ from what the element says; the rest stays untouched.
class FieldWriter {
public:
    explicit FieldWriter(XmlNode& node) : m_node(node) {}
    void Int(const char* name, int value) const {
        if (value != m_node.IntAttribute(name, 0)) {
            m_node.SetAttribute(name, std::to_string(value));
        }
    }
    void Text(const char* name, const std::string& value) const {
        if (value != m_node.Attribute(name).value_or(std::string_view())) {
            m_node.SetAttribute(name, value);
        }
    }

private:
    XmlNode& m_node;
};

template <class Binder, class Config>
void CaptureFields(const Binder& b, Config& c) {
    b.Int("TVSystem", c.TVSystem);
    b.Int("IrcutMode", c.IrcutMode);
    b.Int("IrcutOpenLedDelay", c.IrcutOpenLedDelay);
    b.Int("led_brightness_mode", c.led_brightness_mode);
    b.Int("led_brightness_value", c.led_brightness_value);
    b.Int("led_brightness_alarm", c.led_brightness_alarm);
    b.Text("IrcutNightStartTime", c.IrcutNightStartTime);
    b.Text("IrcutNightEndTime", c.IrcutNightEndTime);
    b.Int("led_mode", c.led_mode);
    b.Int("ispadvmode", c.ispadvmode);
    b.Int("light_off_sensitivity", c.light_off_sensitivity);
}

template <class Binder, class Config>
void LanFields(const Binder& b, Config& c) {
    b.Text("MacAddress", c.MacAddress);
    b.Int("DHCP", c.Dhcp);
    b.Text("IPAddress", c.IpAddress);
    b.Text("Netmask", c.Netmask);
    b.Text("Gateway", c.Gateway);
    b.Text("DNS1", c.Dns1);
    b.Text("DNS2", c.Dns2);
    b.Int("ALLNET", c.AllNet);
}

template <class Binder, class Config>
void StreamFields(const Binder& b, Config& c) {
    b.Int("Auth", c.Auth);
    b.Int("RTPOverRTSP", c.RtpOverRtsp);
    b.Int("enable_hik", c.enable_hik);
    b.Int("enable_onvif", c.enable_onvif);
    b.Int("enable_dh", c.enable_dh);
    b.Int("enable_tst", c.enable_tst);
}

template <class Binder, class Schedules>
void ScheduleFields(const Binder& b, Schedules& s) {
    b.Int("EnableSchedule", s.EnableSchedule);
    b.Int("SoundSchedule", s.SoundSchedule);
    b.Int("PushSchedule", s.PushSchedule);
    b.Int("TwinkleSchedule", s.TwinkleSchedule);
    b.Int("BlueRedSchedule", s.BlueRedSchedule);
}

template <class Binder, class Pd>
void PdFields(const Binder& b, Pd& pd) {
    b.Int("Enable", pd.Enable);
    b.Int("ObjectType", pd.ObjectType);
    ScheduleFields(b, pd.schedules);
}

// The corners of a region element; elements other than Point are ignored.
std::vector<RegionPoint> ReadRegion(const XmlNode* pd) {
    std::vector<RegionPoint> points;
    const XmlNode* region = pd != nullptr ? pd->Child("Region") : nullptr;
    if (region == nullptr) {
        return points;
    }
    for (const XmlNode& child : region->children) {
        if (child.name == "Point") {
            points.push_back(
                {static_cast<int>(child.IntAttribute("X", 0)), static_cast<int>(child.IntAttribute("Y", 0))});
        }
    }
    return points;
}

// Replaces the element's Region by the corners when they differ from what it holds; a region the
// tool did not change stays as the device sent it.
void WriteRegion(XmlNode& pd, const std::vector<RegionPoint>& points) {
    if (ReadRegion(&pd) == points) {
        return;
    }
    XmlNode region;
    region.name = "Region";
    for (const RegionPoint& point : points) {
        XmlNode& child = region.children.emplace_back();
        child.name = "Point";
        child.SetAttribute("X", std::to_string(point.X));
        child.SetAttribute("Y", std::to_string(point.Y));
    }
    if (XmlNode* existing = pd.Child("Region")) {
        *existing = std::move(region);
    } else {
        pd.children.push_back(std::move(region));
    }
}

template <class Binder, class Md>
void MdFields(const Binder& b, Md& md) {
    b.Int("Enable", md.Enable);
    b.Int("Sensitivity", md.Sensitivity);
    b.Int("AlarmThreshold", md.AlarmThreshold);
    ScheduleFields(b, md.schedules);
}

template <class Binder, class Audio>
void AudioAlarmFields(const Binder& b, Audio& audio) {
    b.Int("Enable", audio.Enable);
    b.Int("Sensitivity", audio.Sensitivity);
}

template <class Binder, class Config>
void AudioCaptureFields(const Binder& b, Config& c) {
    b.Int("Volume", c.Volume);
    b.Int("VolumePlay", c.VolumePlay);
    b.Int("amplify", c.amplify);
    b.Int("ra_answer", c.ra_answer);
}

// The answer's root element when it has the expected name (and child, when one is required).
std::optional<XmlNode> ParseRoot(std::string_view xml, std::string_view root, std::string_view requiredChild = {}) {
    std::optional<XmlNode> node = ParseXmlNode(xml);
    if (!node || node->name != root || (!requiredChild.empty() && node->Child(requiredChild) == nullptr)) {
        return std::nullopt;
    }
    return node;
}

// The document's child of that name, added when it has none.
XmlNode& ChildOrAdd(XmlNode& document, std::string_view name) {
    if (XmlNode* child = document.Child(name)) {
        return *child;
    }
    XmlNode& added = document.children.emplace_back();
    added.name = std::string(name);
    return added;
}

// A copy of a child element to write into: the document's, or a new one of that name.
XmlNode ChildOrNew(const XmlNode& document, std::string_view name) {
    if (const XmlNode* child = document.Child(name)) {
        return *child;
    }
    XmlNode made;
    made.name = std::string(name);
    return made;
}

} // namespace

int Media_getVideoCaptureByXml(std::string_view xml, VideoCaptureConfig& out) {
    std::optional<XmlNode> node = ParseRoot(xml, "Video", "Capture");
    if (!node) {
        return kErrorBadArgument;
    }
    VideoCaptureConfig config;
    CaptureFields(FieldReader(node->Child("Capture")), config);
    config.document = std::move(*node);
    out = std::move(config);
    return 0;
}

std::string XMLGET_VideoCaptureConfig(const VideoCaptureConfig& config) {
    XmlNode document = config.document;
    if (document.name.empty()) {
        document.name = "Video";
    }
    CaptureFields(FieldWriter(ChildOrAdd(document, "Capture")), config);
    return PrintXmlNode(document);
}

int Network_getLANCfgByXml(std::string_view xml, LanConfig& out) {
    std::optional<XmlNode> node = ParseRoot(xml, "LANConfig");
    if (!node) {
        return kErrorBadArgument;
    }
    LanConfig config;
    LanFields(FieldReader(&*node), config);
    config.document = std::move(*node);
    out = std::move(config);
    return 0;
}

std::string XMLGET_NetworkLANConfig(const LanConfig& config) {
    XmlNode document = config.document;
    document.name = "LANConfig";
    LanFields(FieldWriter(document), config);
    return PrintXmlNode(document);
}

int GetMediaStreamConfigByXml(std::string_view xml, MediaStreamConfig& out) {
    std::optional<XmlNode> node = ParseRoot(xml, "MediaStreamConfig", "StreamAccess");
    if (!node) {
        return kErrorBadArgument;
    }
    MediaStreamConfig config;
    StreamFields(FieldReader(node->Child("StreamAccess")), config);
    config.document = std::move(*node);
    out = std::move(config);
    return 0;
}

std::string XMLGET_MediaStreamConfig(const MediaStreamConfig& config) {
    XmlNode document = config.document;
    document.name = "MediaStreamConfig";
    StreamFields(FieldWriter(ChildOrAdd(document, "StreamAccess")), config);
    return PrintXmlNode(document);
}

int GetAlarmConfigByXml(std::string_view xml, AlarmConfig& out) {
    std::optional<XmlNode> node = ParseRoot(xml, "AlarmConfig");
    if (!node) {
        return kErrorBadArgument;
    }
    AlarmConfig config;
    PdFields(FieldReader(node->Child("PDAlarm")), config.pd);
    config.pd.region = ReadRegion(node->Child("PDAlarm"));
    MdFields(FieldReader(node->Child("MotionDetectAlarm")), config.md);
    AudioAlarmFields(FieldReader(node->Child("AudioAlarm")), config.audio);
    config.document = std::move(*node);
    out = std::move(config);
    return 0;
}

std::string XMLGET_PDAlarmConfig(const AlarmConfig& config) {
    XmlNode element = ChildOrNew(config.document, "PDAlarm");
    PdFields(FieldWriter(element), config.pd);
    WriteRegion(element, config.pd.region);
    return PrintXmlNode(element);
}

std::string XMLGET_MDAlarmConfig(const AlarmConfig& config) {
    XmlNode element = ChildOrNew(config.document, "MotionDetectAlarm");
    MdFields(FieldWriter(element), config.md);
    return PrintXmlNode(element);
}

std::string XMLGET_AudioAlarmConfig(const AlarmConfig& config) {
    XmlNode element = ChildOrNew(config.document, "AudioAlarm");
    AudioAlarmFields(FieldWriter(element), config.audio);
    return PrintXmlNode(element);
}

int Media_getAudioCaptureByXml(std::string_view xml, AudioCaptureConfig& out) {
    std::optional<XmlNode> node = ParseRoot(xml, "Audio", "Capture");
    if (!node) {
        return kErrorBadArgument;
    }
    AudioCaptureConfig config;
    AudioCaptureFields(FieldReader(node->Child("Capture")), config);
    config.document = std::move(*node);
    out = std::move(config);
    return 0;
}

std::string XMLGET_AudioCaptureConfig(const AudioCaptureConfig& config) {
    XmlNode element = ChildOrNew(config.document, "Capture");
    AudioCaptureFields(FieldWriter(element), config);
    return PrintXmlNode(element);
}

} // namespace zk::sdk::config

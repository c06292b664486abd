// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/media/MediaParams.h"

#include "base/LanguageTable.h"
#include "sdk/config/SdkStructures.h"
#include "sdk/config/XmlNode.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdio>
#include <limits>

namespace zk::sdk::media {
namespace {

using config::XmlNode;

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
    });
}

std::optional<long long> ParseInteger(std::string_view text) {
    long long value = 0;
    const char* end = text.data() + text.size();
    const auto [next, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || next != end) {
        return std::nullopt;
    }
    return value;
}

std::string TimeText(const base::ClockTime& time) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", time.hour, time.minute, time.second);
    return text;
}

bool ValidTime(const base::ClockTime& time) {
    return time.hour < 24 && time.minute < 60 && time.second < 60;
}

// "HH:MM:SS" with each part in range.
std::optional<base::ClockTime> ParseTime(std::string_view text) {
    if (text.size() != 8 || text[2] != ':' || text[5] != ':') {
        return std::nullopt;
    }
    const auto hour = ParseInteger(text.substr(0, 2));
    const auto minute = ParseInteger(text.substr(3, 2));
    const auto second = ParseInteger(text.substr(6, 2));
    if (!hour || !minute || !second) {
        return std::nullopt;
    }
    const base::ClockTime time{static_cast<std::uint8_t>(*hour), static_cast<std::uint8_t>(*minute),
                               static_cast<std::uint8_t>(*second)};
    if (*hour < 0 || *minute < 0 || *second < 0 || !ValidTime(time)) {
        return std::nullopt;
    }
    return time;
}

bool InRange(int value, int low, int high) {
    return value >= low && value <= high;
}

// Sets the field a visitor of a block names; the block's VisitFields lists its fields once, for
// the documents and for the command line.
class FieldSetter {
public:
    FieldSetter(std::string_view name, std::string_view value) : m_name(name), m_value(value) {}

    void operator()(const char* name, int& field) {
        Number(name, field, std::numeric_limits<int>::min(), std::numeric_limits<int>::max());
    }
    void operator()(const char* name, std::uint8_t& field) { Number(name, field, 0, 255); }
    void operator()(const char* name, std::string& field) {
        if (Matches(name)) {
            field = std::string(m_value);
            m_found = true;
        }
    }
    void operator()(const char* name, base::ClockTime& field) {
        if (!Matches(name)) {
            return;
        }
        m_found = true;
        if (const auto time = ParseTime(m_value)) {
            field = *time;
        } else {
            m_problem = "needs a time HH:MM:SS";
        }
    }

    std::string Result() const {
        if (!m_found) {
            return "unknown setting " + std::string(m_name);
        }
        return m_problem.empty() ? std::string() : std::string(m_name) + " " + m_problem;
    }

private:
    bool Matches(const char* name) const { return !m_found && m_name == name; }
    template <class T>
    void Number(const char* name, T& field, long long low, long long high) {
        if (!Matches(name)) {
            return;
        }
        m_found = true;
        const auto value = ParseInteger(m_value);
        if (!value || *value < low || *value > high) {
            m_problem = "needs a whole number from " + std::to_string(low) + " to " + std::to_string(high);
            return;
        }
        field = static_cast<T>(*value);
    }

    std::string_view m_name;
    std::string_view m_value;
    bool m_found = false;
    std::string m_problem;
};

// Writes each field of a block as an attribute, in the block's order.
class AttributeWriter {
public:
    explicit AttributeWriter(XmlNode& node) : m_node(node) {}
    void operator()(const char* name, int value) { m_node.SetAttribute(name, std::to_string(value)); }
    void operator()(const char* name, std::uint8_t value) { m_node.SetAttribute(name, std::to_string(value)); }
    void operator()(const char* name, const std::string& value) { m_node.SetAttribute(name, value); }
    void operator()(const char* name, const base::ClockTime& value) { m_node.SetAttribute(name, TimeText(value)); }

private:
    XmlNode& m_node;
};

XmlNode Element(const char* name) {
    XmlNode node;
    node.name = name;
    return node;
}

template <class Block, class Visitor>
void VisitEncode(Block& s, Visitor&& v) {
    v("Enable", s.Enable);
    v("Stream", s.Stream);
    v("Resolution", s.Resolution);
    v("EncodeFormat", s.EncodeFormat);
    v("BitRateControl", s.BitRateControl);
    v("Initquant", s.Initquant);
    v("BitRate", s.BitRate);
    v("BitRateQuality", s.BitRateQuality);
    v("FrameRate", s.FrameRate);
    v("qp_enable", s.qp_enable);
    v("qp_min", s.qp_min);
    v("qp_max", s.qp_max);
    v("lbr_enable", s.lbr_enable);
    v("lbr_style", s.lbr_style);
    v("lbr_bitratemode", s.lbr_bitratemode);
    v("lbr_bitrate", s.lbr_bitrate);
    v("lbr_motionlevel", s.lbr_motionlevel);
    v("lbr_noicelevel", s.lbr_noicelevel);
}

template <class Block, class Visitor>
void VisitAdvance(Block& a, Visitor&& v) {
    v("EncodeProfile", a.EncodeProfile);
    v("DisablePrivateData", a.DisablePrivateData);
    v("EncMode", a.EncMode);
    v("NoiceLevel", a.NoiceLevel);
}

template <class Block, class Visitor>
void VisitCapture(Block& c, Visitor&& v) {
    v("Brightness", c.Brightness);
    v("Contrast", c.Contrast);
    v("Saturation", c.Saturation);
    v("Sharpness", c.Sharpness);
    v("BackLight", c.BackLight);
    v("TVSystem", c.TVSystem);
    v("forct_antiflicker", c.forct_antiflicker);
    v("cropxpix", c.cropxpix);
    v("cropypix", c.cropypix);
    v("HFlip", c.HFlip);
    v("VFlip", c.VFlip);
    v("rotate", c.rotate);
    v("bManualGain", c.bManualGain);
    v("gainValue", c.gainValue);
    v("shutter_mode", c.shutter_mode);
    v("shutter_mode_night", c.shutter_mode_night);
    v("shutter_speed_day", c.shutter_speed_day);
    v("shutter_speed_night", c.shutter_speed_night);
    v("IrcutMode", c.IrcutMode);
    v("IrcutSensitivity", c.IrcutSensitivity);
    v("IrcutOpenLedDelay", c.IrcutOpenLedDelay);
    v("led_brightness_mode", c.led_brightness_mode);
    v("led_brightness_value", c.led_brightness_value);
    v("IrcutNightStartTime", c.IrcutNightStartTime);
    v("IrcutNightEndTime", c.IrcutNightEndTime);
    v("IrcutKeepColor", c.IrcutKeepColor);
    v("WDRMode", c.WDRMode);
    v("WDRValue", c.WDRValue);
    v("DfrogFlag", c.DfrogFlag);
    v("DfrogValue", c.DfrogValue);
    v("WDRStartTime", c.WDRStartTime);
    v("WDREndTime", c.WDREndTime);
    v("WB_RGB", c.WB_RGB);
    v("isp_mode_color", c.isp_mode_color);
    v("isp_mode_night", c.isp_mode_night);
    v("led_mode", c.led_mode);
    v("ispadvmode", c.ispadvmode);
    v("videoEncodeMode", c.videoEncodeMode);
    v("face_exposure_sensitivity", c.face_exposure_sensitivity);
    v("light_off_sensitivity", c.light_off_sensitivity);
}

template <class Block, class Visitor>
void VisitLight(Block& l, Visitor&& v) {
    v("ircut_mode", l.ircut_mode);
    v("ircut_openled_delay", l.ircut_openled_delay);
    v("led_brightness_mode", l.led_brightness_mode);
    v("led_brightness_value", l.led_brightness_value);
    v("led_brightness_alarm", l.led_brightness_alarm);
    v("startTime", l.startTime);
    v("endTime", l.endTime);
    v("led_mode", l.led_mode);
    v("ispadvmode", l.ispadvmode);
    v("light_off_sensitivity", l.light_off_sensitivity);
}

constexpr const char* kMotionDetectFormat =
    "<MotionDetectAlarm \t\t\tEnable=\"%d\" \t\t\tBlockCount=\"%d\" \t\t\tBlockConfig=\"%s\" "
    "\t\t\tSensitivity=\"%d\" \t\t\tAlarmThreshold=\"%d\" \t\t\tDayNightSwitch=\"0\" "
    "\t\t\tNightSensitivity=\"60\" \t\t\tNightAlarmThreshold=\"30\" "
    "\t\t\tNightStartTime=\" 0: 0: 0\" \t\t\tNightEndTime=\"24: 0: 0\" \t\t\t> "
    "\t\t\t<EnableTimeList> \t\t\t\t<Workday \t\t\t\t\tDay=\"7\" \t\t\t\t\t> \t\t\t\t\t<TimeSpan "
    "\t\t\t\t\t\tStartTime=\" 0: 0: 0\" \t\t\t\t\t\tEndTime=\"24: 0: 0\" \t\t\t\t\t/> "
    "\t\t\t\t</Workday> \t\t\t</EnableTimeList> \t\t\t<AlarmAction> \t\t\t\t<AlarmOutputAction "
    "\t\t\t\t\tEnable=\"1\" \t\t\t\t\tPortIndex=\"1\" \t\t\t\t\tChannelType=\"1\" "
    "\t\t\t\t\tTriggerType=\"HIGH\" \t\t\t\t\tDuration=\"10\" \t\t\t\t/> \t\t\t\t<PTZAction "
    "\t\t\t\t\tEnable=\"0\" \t\t\t\t\tActionType=\"PositionWalk\" \t\t\t\t\t> "
    "\t\t\t\t\t<PositionWalk \t\t\t\t\t\tInterval=\"2\" \t\t\t\t\t\tWalkCount=\"1\" \t\t\t\t\t\t> "
    "\t\t\t\t\t\t<PTZPosition \t\t\t\t\t\t\tPositionIndex=\"1\" \t\t\t\t\t\t/> "
    "\t\t\t\t\t\t<PTZPosition \t\t\t\t\t\t\tPositionIndex=\"2\" \t\t\t\t\t\t/> "
    "\t\t\t\t\t\t<PTZPosition \t\t\t\t\t\t\tPositionIndex=\"3\" \t\t\t\t\t\t/> "
    "\t\t\t\t\t</PositionWalk> \t\t\t\t</PTZAction> \t\t\t</AlarmAction> \t\t</MotionDetectAlarm> ";

std::string Format(const char* format, auto... values) {
    const int length = std::snprintf(nullptr, 0, format, values...);
    std::string text(static_cast<std::size_t>(std::max(length, 0)), '\0');
    std::snprintf(text.data(), text.size() + 1, format, values...);
    return text;
}

} // namespace

// ---- Coding type ---------------------------------------------------------------------------------

const char* CodingTypeName(CodingType type) {
    switch (type) {
    case CodingType::H264:
        return "H264";
    case CodingType::H265:
        return "H265";
    case CodingType::H265Plus:
        break;
    }
    return "H265+";
}

std::optional<CodingType> ParseCodingType(std::string_view name) {
    for (const CodingType type : kCodingTypes) {
        if (EqualIgnoringCase(name, CodingTypeName(type))) {
            return type;
        }
    }
    return std::nullopt;
}

std::string CodingTypeDocument(CodingType type) {
    XmlNode root = Element("Encode");
    for (int stream = 1; stream <= kEncodeStreamCount; ++stream) {
        XmlNode& config = root.children.emplace_back(Element("EncodeConfig"));
        config.SetAttribute("Stream", std::to_string(stream));
        config.SetAttribute("Resolution", "INVALID");
        config.SetAttribute("EncodeFormat", CodingTypeName(type));
        config.SetAttribute("BitRateControl", "VBR");
        config.SetAttribute("Initquant", "100");
        config.SetAttribute("BitRate", "200000");
        config.SetAttribute("FrameRate", "25");
    }
    return config::PrintXmlNode(root);
}

// ---- Video encoding ------------------------------------------------------------------------------

EncodeStream DefaultEncodeStream(int stream) {
    EncodeStream result;
    result.Stream = stream;
    if (stream != 1) {
        result.BitRate = 512000;
        result.FrameRate = 15;
    }
    return result;
}

const std::vector<std::string>& EncodeResolutions() {
    static const std::vector<std::string> resolutions = {
        "INVALID",  "3840x2160", "2592x1944", "2560x1440", "1920x1080",
        "1280x720", "704x576",   "640x480",   "640x360",   "352x288",
    };
    return resolutions;
}

std::string SetNamedValue(EncodeStream& stream, std::string_view name, std::string_view value) {
    FieldSetter setter(name, value);
    VisitEncode(stream, setter);
    VisitAdvance(stream.advance, setter);
    return setter.Result();
}

Refusal CheckVideoEncode(const VideoEncodeChoice& choice) {
    const Refusal failed{ZK_TEXT_KEY("IDS_STR_ZH_CN_SET_FAILED")};
    if (choice.streams.empty()) {
        return failed;
    }
    bool seen[kEncodeStreamCount + 1] = {};
    for (const EncodeStream& stream : choice.streams) {
        if (!InRange(stream.Stream, 1, kEncodeStreamCount) || seen[stream.Stream]) {
            return failed;
        }
        seen[stream.Stream] = true;
        if (!ParseCodingType(stream.EncodeFormat) ||
            (stream.BitRateControl != "CBR" && stream.BitRateControl != "VBR")) {
            return failed;
        }
        if (!InRange(stream.BitRate, kMinBitRate, kMaxBitRate)) {
            return {ZK_TEXT_KEY("IDS_STR_ZH_CN_MSG_TIPS25")};
        }
        if (!InRange(stream.FrameRate, kMinFrameRate, kMaxFrameRate)) {
            return {ZK_TEXT_KEY("IDS_STR_ZH_CN_MSG_TIPS26")};
        }
        if (!InRange(stream.qp_min, 0, kMaxQp) || !InRange(stream.qp_max, 0, kMaxQp) || stream.qp_min > stream.qp_max) {
            return {ZK_TEXT_KEY("IDS_QP_LIMIT")};
        }
    }
    return {};
}

std::string VideoEncodeDocument(const VideoEncodeChoice& choice) {
    XmlNode root = Element("Encode");
    for (const EncodeStream& stream : choice.streams) {
        XmlNode& config = root.children.emplace_back(Element("EncodeConfig"));
        VisitEncode(stream, AttributeWriter(config));
        XmlNode& advance = config.children.emplace_back(Element("AdvanceEncodeConfig"));
        VisitAdvance(stream.advance, AttributeWriter(advance));
    }
    return config::PrintXmlNode(root);
}

// ---- Video capture -------------------------------------------------------------------------------

std::string SetNamedValue(VideoCaptureParams& params, std::string_view name, std::string_view value) {
    FieldSetter setter(name, value);
    VisitCapture(params, setter);
    return setter.Result();
}

Refusal CheckVideoCapture(const VideoCaptureParams& p) {
    const std::pair<int, const char*> percents[] = {
        {p.Brightness, ZK_TEXT_KEY("IDS_STR_ZH_CN_MSG_TIPS47")},
        {p.Contrast, ZK_TEXT_KEY("IDS_STR_ZH_CN_MSG_TIPS50")},
        {p.Saturation, ZK_TEXT_KEY("IDS_STR_ZH_CN_MSG_TIPS53")},
        {p.Sharpness, ZK_TEXT_KEY("IDS_STR_ZH_CN_MSG_TIPS54")},
        {p.WDRValue, ZK_TEXT_KEY("IDS_STR_ZH_CN_MSG_TIPS55")},
        {p.DfrogValue, ZK_TEXT_KEY("IDS_STR_ZH_CN_MSG_TIPS56")},
        {p.BackLight, ZK_TEXT_KEY("IDS_STR_HLC_VALUE_INVALID")},
    };
    for (const auto& [value, key] : percents) {
        if (!InRange(value, 0, 100)) {
            return {key};
        }
    }
    if (!InRange(p.cropxpix, 0, kMaxCropPixels) || !InRange(p.cropypix, 0, kMaxCropPixels)) {
        return {ZK_TEXT_KEY("IDC_MEDIA_VIDEOCAPTURE_CROP_INVALID")};
    }
    if (!InRange(p.shutter_speed_day, 1, kMaxShutterSpeed) || !InRange(p.shutter_speed_night, 1, kMaxShutterSpeed)) {
        return {ZK_TEXT_KEY("IDS_STR_SHUTTER_SPEED_ERROR")};
    }
    return {};
}

std::string VideoCaptureDocument(const VideoCaptureParams& params) {
    XmlNode root = Element("Video");
    VisitCapture(params, AttributeWriter(root.children.emplace_back(Element("Capture"))));
    return config::PrintXmlNode(root);
}

// ---- Audio ---------------------------------------------------------------------------------------

Refusal CheckAudioCapture(const AudioCaptureParams& p) {
    if (!InRange(p.Volume, 0, kMaxVolume) || !InRange(p.VolumePlay, 0, kMaxVolume)) {
        return {ZK_TEXT_KEY("IDS_AUDIO_VOLUME_RANGE")};
    }
    if (!InRange(p.amplify, 0, 1) || !InRange(p.ra_answer, 0, 1)) {
        return {ZK_TEXT_KEY("IDS_AUDIO_SWITCH_RANGE")};
    }
    return {};
}

std::string AudioCaptureDocument(const AudioCaptureParams& p) {
    XmlNode capture = Element("Capture");
    capture.SetAttribute("Volume", std::to_string(p.Volume));
    capture.SetAttribute("VolumePlay", std::to_string(p.VolumePlay));
    capture.SetAttribute("amplify", std::to_string(p.amplify));
    capture.SetAttribute("ra_answer", std::to_string(p.ra_answer));
    return config::PrintXmlNode(capture);
}

const char* AudioEncoderName(AudioEncoder encoder) {
    return encoder == AudioEncoder::Aac ? "AAC" : "G711";
}

int AudioSampleRate(AudioEncoder encoder) {
    return encoder == AudioEncoder::Aac ? 16000 : 8000;
}

int AudioBitRate(AudioEncoder) {
    return 64000;
}

std::optional<AudioEncoder> ParseAudioEncoder(std::string_view name) {
    for (const AudioEncoder encoder : {AudioEncoder::G711, AudioEncoder::Aac}) {
        if (EqualIgnoringCase(name, AudioEncoderName(encoder))) {
            return encoder;
        }
    }
    return std::nullopt;
}

std::string AudioEncodeDocument(const AudioEncodeParams& p) {
    XmlNode root = Element("Audio");
    XmlNode& encode = root.children.emplace_back(Element("Encode"));
    encode.SetAttribute("Enable", std::to_string(p.Enable));
    encode.SetAttribute("SampleRate", std::to_string(AudioSampleRate(p.encoder)));
    encode.SetAttribute("EncodeType", AudioEncoderName(p.encoder));
    encode.SetAttribute("BitRate", std::to_string(AudioBitRate(p.encoder)));
    return config::PrintXmlNode(root);
}

// ---- Lights --------------------------------------------------------------------------------------

std::string SetNamedValue(base::MediaLightParam& light, std::string_view name, std::string_view value) {
    FieldSetter setter(name, value);
    VisitLight(light, setter);
    return setter.Result();
}

Refusal CheckLights(const base::MediaLightParam& l) {
    if (l.led_brightness_value > 100 || l.led_brightness_alarm > 100 || l.light_off_sensitivity > 100 ||
        !ValidTime(l.startTime) || !ValidTime(l.endTime)) {
        return {ZK_TEXT_KEY("IDS_LIGHT_VALUE_RANGE")};
    }
    return {};
}

bool ApplyLights(const base::MediaLightParam& l, config::VideoCaptureConfig& c) {
    const config::VideoCaptureConfig before = c;
    c.IrcutMode = l.ircut_mode;
    c.IrcutOpenLedDelay = l.ircut_openled_delay;
    c.led_brightness_mode = l.led_brightness_mode;
    c.led_brightness_value = l.led_brightness_value;
    c.led_brightness_alarm = l.led_brightness_alarm;
    c.IrcutNightStartTime = TimeText(l.startTime);
    c.IrcutNightEndTime = TimeText(l.endTime);
    c.led_mode = l.led_mode;
    c.ispadvmode = l.ispadvmode;
    c.light_off_sensitivity = l.light_off_sensitivity;
    return c.IrcutMode != before.IrcutMode || c.IrcutOpenLedDelay != before.IrcutOpenLedDelay ||
           c.led_brightness_mode != before.led_brightness_mode ||
           c.led_brightness_value != before.led_brightness_value ||
           c.led_brightness_alarm != before.led_brightness_alarm ||
           c.IrcutNightStartTime != before.IrcutNightStartTime || c.IrcutNightEndTime != before.IrcutNightEndTime ||
           c.led_mode != before.led_mode || c.ispadvmode != before.ispadvmode ||
           c.light_off_sensitivity != before.light_off_sensitivity;
}

// ---- Manual image tuning -------------------------------------------------------------------------

const std::array<GainChoice, kGainChoiceCount>& GainChoices() {
    static constexpr std::array<GainChoice, kGainChoiceCount> choices = {{
        {"DO NOT SET", -1},
        {"ISO_100", 0},
        {"ISO_150", 3},
        {"ISO_200", 6},
        {"ISO_300", 9},
        {"ISO_400", 12},
        {"ISO_600", 15},
        {"ISO_800", 18},
        {"ISO_1600", 24},
        {"ISO_3200", 30},
        {"ISO_6400", 36},
        {"ISO_12800", 42},
        {"ISO_25600", 48},
        {"ISO_51200", 54},
        {"ISO_102400", 60},
        {"ISO_204800", 66},
        {"ISO_409600", 72},
    }};
    return choices;
}

std::optional<int> ParseGain(std::string_view name) {
    if (EqualIgnoringCase(name, "DO_NOT_SET")) {
        return -1;
    }
    for (const GainChoice& choice : GainChoices()) {
        if (EqualIgnoringCase(name, choice.name)) {
            return choice.value;
        }
    }
    return std::nullopt;
}

Refusal CheckImageTuning(const ImageTuningParams& p) {
    if (p.mctf != -1 && !InRange(p.mctf, 0, 11)) {
        return {"MCTF ERROR", true};
    }
    if (p.shuttermax != -1 && !InRange(p.shuttermax, 1, 8000)) {
        return {"shutter error", true};
    }
    const auto& gains = GainChoices();
    if (std::none_of(gains.begin(), gains.end(), [&p](const GainChoice& choice) { return choice.value == p.gain; })) {
        return {ZK_TEXT_KEY("IDS_STR_ZH_CN_SET_FAILED")};
    }
    return {};
}

std::string ImageTuningRequest(const ImageTuningParams& p) {
    return Format("<REQUEST_PARAM mctf=\"%d\" gain=\"%d\" shuttermax=\"%d\" />", p.mctf, p.gain, p.shuttermax);
}

// ---- Motion detection ----------------------------------------------------------------------------

const std::vector<std::string>& MotionGrids() {
    static const std::vector<std::string> grids = {"1X1", "2X2", "3X2", "3X3", "4X3", "4X4", "8X8", "16X16", "22X18"};
    return grids;
}

std::optional<std::pair<int, int>> ParseGrid(std::string_view grid) {
    const auto cross = grid.find_first_of("xX");
    if (cross == std::string_view::npos) {
        return std::nullopt;
    }
    const auto columns = ParseInteger(grid.substr(0, cross));
    const auto rows = ParseInteger(grid.substr(cross + 1));
    if (!columns || !rows || *columns < 1 || *rows < 1) {
        return std::nullopt;
    }
    return std::pair<int, int>(static_cast<int>(std::min<long long>(*columns, kMaxGridColumns)),
                               static_cast<int>(std::min<long long>(*rows, kMaxGridRows)));
}

int BlockCount(int columns, int rows) {
    return (std::clamp(columns, 1, kMaxGridColumns) << 16) + std::clamp(rows, 1, kMaxGridRows);
}

std::string BlockConfig(int columns, int rows) {
    return std::string(
        static_cast<std::size_t>(std::clamp(columns, 1, kMaxGridColumns) * std::clamp(rows, 1, kMaxGridRows)), '1');
}

Refusal CheckMotionDetect(const MotionDetectParams& p) {
    if (!InRange(p.sensitivity, 0, 100)) {
        return {"灵敏度设置错误。", true};
    }
    if (!InRange(p.threshold, 0, 100)) {
        return {"阈值设置错误。", true};
    }
    return {};
}

std::string MotionDetectRequest(const MotionDetectParams& p) {
    const std::string blocks = BlockConfig(p.columns, p.rows);
    return Format(kMotionDetectFormat, p.enable != 0 ? 1 : 0, BlockCount(p.columns, p.rows), blocks.c_str(),
                  p.sensitivity, p.threshold);
}

// ---- Smart detection -----------------------------------------------------------------------------

const std::array<const char*, kScheduleCount>& ScheduleKeys() {
    static constexpr std::array<const char*, kScheduleCount> keys = {
        ZK_TEXT_KEY("DISABLE"), ZK_TEXT_KEY("IDS_DEFENCE_ALLDAY"), ZK_TEXT_KEY("IDS_DEFENCE_DAYTIME"),
        ZK_TEXT_KEY("IDS_DEFENCE_NIGHT")};
    return keys;
}

std::optional<int> ParseSchedule(std::string_view name) {
    const char* names[kScheduleCount] = {"disable", "allday", "daytime", "night"};
    for (int index = 0; index < kScheduleCount; ++index) {
        if (EqualIgnoringCase(name, names[index])) {
            return index;
        }
    }
    return std::nullopt;
}

Refusal CheckSmartDetect(const SmartDetectParams& p) {
    for (const int schedule :
         {p.enableSchedule, p.soundSchedule, p.pushSchedule, p.twinkleSchedule, p.blueRedSchedule}) {
        if (!InRange(schedule, 0, kScheduleCount - 1)) {
            return {ZK_TEXT_KEY("IDS_STR_ZH_CN_SET_FAILED")};
        }
    }
    return {};
}

void ApplySmartDetection(const SmartDetectParams& p, config::AlarmConfig& alarms) {
    const config::AlarmSchedules schedules{p.enableSchedule, p.soundSchedule, p.pushSchedule, p.twinkleSchedule,
                                           p.blueRedSchedule};
    const int objects = (p.person != 0 ? kObjectPerson : 0) | (p.vehicle != 0 ? kObjectVehicle : 0);
    alarms.pd.schedules = schedules;
    // Without an object to look for, the detection is off; the device keeps its last object choice.
    alarms.pd.Enable = p.enableSchedule > 0 && objects != 0 ? 1 : 0;
    if (objects != 0) {
        alarms.pd.ObjectType = objects;
    }
    if (p.resetRegion != 0) {
        alarms.pd.region = {{0, 0}, {100, 0}, {100, 100}, {0, 100}};
    }
    alarms.md.schedules = schedules;
    alarms.md.Enable = p.enableSchedule >= 1 && p.motion != 0 ? 1 : 0;
    alarms.audio.Enable = p.enableSchedule >= 1 && p.sound != 0 ? 1 : 0;
}

} // namespace zk::sdk::media

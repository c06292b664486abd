// SPDX-License-Identifier: GPL-3.0-or-later
#include "base/CSaveParam.h"

#include "base/DebugLog.h"
#include "base/FixedText.h"
#include "base/TitleCodec.h"
#include "platform/SpecialFolders.h"
#include "platform/TextCodec.h"

#include <QFile>

#include <tinyxml2.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <limits>
#include <optional>
#include <system_error>

namespace zk::base {
namespace {

using tinyxml2::XMLElement;

constexpr std::size_t kTitleMaxUtf8Bytes = (sizeof(TitleOverlayParam::TitleUtf8) - 1) / 2;

std::int32_t ClampToInt32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(value, std::numeric_limits<std::int32_t>::min(),
                                                              std::numeric_limits<std::int32_t>::max()));
}

// Reads a decimal number the way the C library's atoi does (leading blanks, a sign, digits up to
// the first other character), but saturating instead of overflowing. False when no digit follows.
bool ParseDecimal(const char* text, std::int32_t& value) {
    while (*text == ' ' || (*text >= '\t' && *text <= '\r')) {
        ++text;
    }
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+') {
        ++text;
    }
    if (*text < '0' || *text > '9') {
        return false;
    }
    std::int64_t magnitude = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        magnitude = std::min<std::int64_t>(magnitude * 10 + (*text - '0'), std::int64_t{1} << 32);
    }
    value = ClampToInt32(negative ? -magnitude : magnitude);
    return true;
}

// A switch or mode attribute: text that is no number reads as 0.
void ReadNumber(const XMLElement& element, const char* name, int& field) {
    if (const char* text = element.Attribute(name)) {
        std::int32_t value = 0;
        field = ParseDecimal(text, value) ? value : 0;
    }
}

// A block attribute: only a number changes the field. Narrower fields keep the low bits.
template <typename Field>
void QueryNumber(const XMLElement& element, const char* name, Field& field) {
    std::int32_t value = 0;
    if (const char* text = element.Attribute(name); text != nullptr && ParseDecimal(text, value)) {
        field = static_cast<Field>(value);
    }
}

void ReadWide(const XMLElement& element, const char* name, QString& field) {
    if (const char* text = element.Attribute(name)) {
        field = platform::AnsiToWide(text);
    }
}

// Narrow text goes into its fixed field as it stands, cut to the field.
template <std::size_t N>
void CopyText(const XMLElement& element, const char* name, char (&field)[N]) {
    if (const char* text = element.Attribute(name)) {
        CopyBounded(field, text);
    }
}

// "HH:MM:SS", each part at most two characters; the parts read before a mismatch are kept.
void ReadClock(const XMLElement& element, const char* name, ClockTime& time) {
    const char* text = element.Attribute(name);
    if (text == nullptr) {
        return;
    }
    int parts[3] = {};
    const int read = std::sscanf(text, "%2d:%2d:%2d", &parts[0], &parts[1], &parts[2]);
    std::uint8_t* fields[3] = {&time.hour, &time.minute, &time.second};
    for (int i = 0; i < read && i < 3; ++i) {
        *fields[i] = static_cast<std::uint8_t>(parts[i]);
    }
}

bool IsNamed(const XMLElement& element, const char* name) {
    return std::strcmp(element.Name(), name) == 0;
}

// The Present children fill the entries from the first on; entries the file does not reach keep
// their defaults.
void ReadPresets(const XMLElement& element, PresetConfigParam& config) {
    std::size_t index = 0;
    for (const XMLElement* child = element.FirstChildElement(); child != nullptr && index < kPresetEntryCount;
         child = child->NextSiblingElement()) {
        if (!IsNamed(*child, "Present")) {
            continue;
        }
        PresetEntry& entry = config.presets[index++];
        QueryNumber(*child, "enable", entry.enable);
        QueryNumber(*child, "presetNum", entry.presetNum);
        QueryNumber(*child, "functionType", entry.functionType);
    }
}

void WritePresets(XMLElement& parent, const PresetConfigParam& config) {
    for (const PresetEntry& entry : config.presets) {
        if (entry.presetNum == 0) {
            break;
        }
        XMLElement* present = parent.InsertNewChildElement("Present");
        present->SetAttribute("enable", entry.enable);
        present->SetAttribute("presetNum", entry.presetNum);
        present->SetAttribute("functionType", entry.functionType);
    }
}

std::string ClockText(const ClockTime& time) {
    char text[16];
    std::snprintf(text, sizeof(text), "%02d:%02d:%02d", time.hour, time.minute, time.second);
    return text;
}

std::string FileName(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

} // namespace

void SetOverlayTitle(TitleOverlayParam& overlay, const QString& title) {
    QByteArray utf8 = title.toUtf8();
    if (static_cast<std::size_t>(utf8.size()) > kTitleMaxUtf8Bytes) {
        // Cut before the character that no longer fits whole, never inside it.
        qsizetype cut = static_cast<qsizetype>(kTitleMaxUtf8Bytes);
        while (cut > 0 && (static_cast<unsigned char>(utf8[cut]) & 0xC0) == 0x80) {
            --cut;
        }
        utf8.truncate(cut);
    }
    CopyBounded(overlay.TitleUtf8, EncodeTitleHex(QString::fromUtf8(utf8)));
}

void SetOverlayTitleFromAnsi(TitleOverlayParam& overlay, std::string_view ansiTitle) {
    SetOverlayTitle(overlay, platform::AnsiToWide(ansiTitle));
}

QString OverlayTitle(const TitleOverlayParam& overlay) {
    return DecodeTitleHex(FieldText(overlay.TitleUtf8));
}

PresetConfigParam DefaultAFStudyConfig() {
    PresetConfigParam config;
    config.presets[0] = {1, 253, 0};
    config.presets[1] = {1, 252, 1};
    config.interval_sec = 2;
    config.nPtzSpeed = 5;
    config.nPtzZoomInterval = 500;
    config.nPtzZoomStayTime = 5000;
    config.nPtzZoomExecTimes = 20;
    return config;
}

PresetConfigParam DefaultPtzMultipleConfig() {
    PresetConfigParam config;
    config.presets[0] = {1, 226, 1};
    config.presets[1] = {1, 226, 1};
    config.presets[2] = {1, 30, 1};
    config.interval_sec = 2;
    return config;
}

CSaveParam::CSaveParam(const QString& documentsFolder, platform::FileWriteStep writeStep)
    : m_writeStep(std::move(writeStep)) {
    QString folder = documentsFolder;
    while (folder.size() > 1 && folder.endsWith(u'/')) {
        folder.chop(1);
    }
    m_configFilePath = folder.isEmpty()        ? QLatin1StringView(kSettingsFileName)
                       : folder.endsWith(u'/') ? folder + QLatin1StringView(kSettingsFileName)
                                               : folder + u'/' + QLatin1StringView(kSettingsFileName);
    m_upgradePath = m_upgradeFileName = m_uploadCfgFileName = m_mp3FilePath = m_appFilePath = folder;
    m_defaultUserName = QLatin1StringView(kDefaultUserName);
    m_defaultPassword = QLatin1StringView(kDefaultPassword);
    m_defaultFromIp = QLatin1StringView(kDefaultFromIp);
    Load();
}

CSaveParam::CSaveParam() : CSaveParam(QFile::decodeName(QByteArray::fromStdString(platform::DocumentsFolder()))) {}

CSaveParam::~CSaveParam() = default;

void CSaveParam::SetBlockDefaults() {
    m_overlay = OverlayParam();
    m_mediaLight = MediaLightParam();
    m_timeConfig = TimeConfigParam();
    m_afStudyConfig = DefaultAFStudyConfig();
    m_ptzMultipleConfig = DefaultPtzMultipleConfig();
}

int CSaveParam::Load() {
    const std::optional<std::string> bytes = platform::ReadWholeFile(FileName(m_configFilePath), kSettingsFileMaxBytes);
    if (!bytes) {
        SetBlockDefaults();
        return -1;
    }
    return LoadXml(*bytes);
}

int CSaveParam::LoadXml(std::string_view documentText) {
    SetBlockDefaults();
    tinyxml2::XMLDocument document;
    if (documentText.empty() || document.Parse(documentText.data(), documentText.size()) != tinyxml2::XML_SUCCESS) {
        return -1;
    }
    // The root's name is not checked: the first element holds the settings, whatever it is called.
    const XMLElement* root = document.FirstChildElement();
    if (root == nullptr) {
        return -1;
    }
    for (const XMLElement* element = root->FirstChildElement(); element != nullptr;
         element = element->NextSiblingElement()) {
        const XMLElement& e = *element;
        if (IsNamed(e, "UpgradePath")) {
            ReadWide(e, "name", m_upgradePath);
        } else if (IsNamed(e, "UpgradeFileName")) {
            ReadWide(e, "name", m_upgradeFileName);
        } else if (IsNamed(e, "UploadCfgFileName")) {
            ReadWide(e, "name", m_uploadCfgFileName);
        } else if (IsNamed(e, "Mp3FilePath")) {
            ReadWide(e, "name", m_mp3FilePath);
        } else if (IsNamed(e, "AppFilePath")) {
            ReadWide(e, "name", m_appFilePath);
        } else if (IsNamed(e, "FullSwitchStream")) {
            ReadNumber(e, "value", m_fullSwitchStream);
        } else if (IsNamed(e, "OpenAudio")) {
            ReadNumber(e, "value", m_openAudio);
        } else if (IsNamed(e, "VideoWindow")) {
            ReadNumber(e, "row", m_videoRow);
            ReadNumber(e, "col", m_videoCol);
            VideoRect& rect = m_videoWindowRect;
            QueryNumber(e, "left", rect.left);
            QueryNumber(e, "top", rect.top);
            std::int32_t size = 0;
            if (const char* width = e.Attribute("width"); width != nullptr && ParseDecimal(width, size)) {
                rect.right = ClampToInt32(std::int64_t{rect.left} + size);
            }
            if (const char* height = e.Attribute("height"); height != nullptr && ParseDecimal(height, size)) {
                rect.bottom = ClampToInt32(std::int64_t{rect.top} + size);
            }
        } else if (IsNamed(e, "PlayMode")) {
            ReadNumber(e, "mode", m_playMode);
        } else if (IsNamed(e, "DecodeMode")) {
            ReadNumber(e, "mode", m_decodeMode);
        } else if (IsNamed(e, "ScaleMode")) {
            ReadNumber(e, "mode", m_scaleMode);
        } else if (IsNamed(e, "QR")) {
            int show = m_qrShow;
            ReadNumber(e, "show", show);
            m_qrShow = show > 0 ? 1 : 0;
        } else if (IsNamed(e, "DefaultUser")) {
            ReadWide(e, "username", m_defaultUserName);
            ReadWide(e, "password", m_defaultPassword);
        } else if (IsNamed(e, "DefaultFromIP")) {
            ReadWide(e, "ip", m_defaultFromIp);
        } else if (IsNamed(e, "Overlay")) {
            OverlayParam& overlay = m_overlay;
            QueryNumber(e, "Enable", overlay.Enable);
            QueryNumber(e, "Transparency", overlay.Transparency);
            QueryNumber(e, "time24or12", overlay.time24or12);
            QueryNumber(e, "Week", overlay.Week);
            QueryNumber(e, "Fontsize", overlay.Fontsize);
            QueryNumber(e, "Style", overlay.Style);
            // The position types are written but deliberately not read back: they keep their defaults.
            for (const XMLElement* child = e.FirstChildElement(); child != nullptr;
                 child = child->NextSiblingElement()) {
                if (IsNamed(*child, "TimeOverlay")) {
                    QueryNumber(*child, "PosX", overlay.TimeOverlay.PosX);
                    QueryNumber(*child, "PosY", overlay.TimeOverlay.PosY);
                    CopyText(*child, "Format", overlay.TimeOverlay.Format);
                } else if (IsNamed(*child, "TitleOverlay")) {
                    QueryNumber(*child, "PosX", overlay.TitleOverlay.PosX);
                    QueryNumber(*child, "PosY", overlay.TitleOverlay.PosY);
                    CopyText(*child, "TitleUtf8", overlay.TitleOverlay.TitleUtf8);
                }
            }
        } else if (IsNamed(e, "MediaLight")) {
            MediaLightParam& light = m_mediaLight;
            QueryNumber(e, "ircut_mode", light.ircut_mode);
            QueryNumber(e, "ircut_openled_delay", light.ircut_openled_delay);
            QueryNumber(e, "led_brightness_mode", light.led_brightness_mode);
            QueryNumber(e, "led_brightness_value", light.led_brightness_value);
            QueryNumber(e, "led_brightness_alarm", light.led_brightness_alarm);
            ReadClock(e, "startTime", light.startTime);
            ReadClock(e, "endTime", light.endTime);
            QueryNumber(e, "led_mode", light.led_mode);
            QueryNumber(e, "ispadvmode", light.ispadvmode);
            QueryNumber(e, "light_off_sensitivity", light.light_off_sensitivity);
        } else if (IsNamed(e, "TimeConfig")) {
            CopyText(e, "TimeMode", m_timeConfig.TimeMode);
            QueryNumber(e, "TimeZone", m_timeConfig.TimeZone);
            // Only the first child counts; a server element further down is not looked for.
            const XMLElement* first = e.FirstChildElement();
            if (first != nullptr && IsNamed(*first, "NTPConfig")) {
                CopyText(*first, "ServerIP", m_timeConfig.NTPConfig.ServerIP);
                QueryNumber(*first, "ServerPort", m_timeConfig.NTPConfig.ServerPort);
                QueryNumber(*first, "RefreshInterval", m_timeConfig.NTPConfig.RefreshInterval);
            }
        } else if (IsNamed(e, "AFStudyConfig")) {
            QueryNumber(e, "interval_sec", m_afStudyConfig.interval_sec);
            QueryNumber(e, "nPtzSpeed", m_afStudyConfig.nPtzSpeed);
            QueryNumber(e, "nPtzZoomInterval", m_afStudyConfig.nPtzZoomInterval);
            QueryNumber(e, "nPtzZoomStayTime", m_afStudyConfig.nPtzZoomStayTime);
            QueryNumber(e, "nPtzZoomExecTimes", m_afStudyConfig.nPtzZoomExecTimes);
            ReadPresets(e, m_afStudyConfig);
        } else if (IsNamed(e, "PtzMultipleConfig")) {
            QueryNumber(e, "interval_sec", m_ptzMultipleConfig.interval_sec);
            ReadPresets(e, m_ptzMultipleConfig);
        }
    }
    return 0;
}

std::string CSaveParam::ToXml() const {
    tinyxml2::XMLDocument document;
    document.InsertEndChild(document.NewDeclaration("xml version=\"1.0\" encoding=\"gb2312\""));
    XMLElement* root = document.NewElement("root");
    document.InsertEndChild(root);
    auto add = [root](const char* name) { return root->InsertNewChildElement(name); };
    auto wide = [](const QString& text) { return platform::WideToAnsi(text); };

    add("UpgradePath")->SetAttribute("name", wide(m_upgradePath).c_str());
    add("UpgradeFileName")->SetAttribute("name", wide(m_upgradeFileName).c_str());
    add("UploadCfgFileName")->SetAttribute("name", wide(m_uploadCfgFileName).c_str());
    add("Mp3FilePath")->SetAttribute("name", wide(m_mp3FilePath).c_str());
    add("AppFilePath")->SetAttribute("name", wide(m_appFilePath).c_str());
    add("FullSwitchStream")->SetAttribute("value", m_fullSwitchStream);
    add("OpenAudio")->SetAttribute("value", m_openAudio);

    XMLElement* video = add("VideoWindow");
    video->SetAttribute("row", m_videoRow);
    video->SetAttribute("col", m_videoCol);
    video->SetAttribute("left", m_videoWindowRect.left);
    video->SetAttribute("top", m_videoWindowRect.top);
    video->SetAttribute("width", ClampToInt32(std::int64_t{m_videoWindowRect.right} - m_videoWindowRect.left));
    video->SetAttribute("height", ClampToInt32(std::int64_t{m_videoWindowRect.bottom} - m_videoWindowRect.top));

    add("PlayMode")->SetAttribute("mode", m_playMode);
    add("DecodeMode")->SetAttribute("mode", m_decodeMode);
    add("ScaleMode")->SetAttribute("mode", m_scaleMode);
    add("QR")->SetAttribute("show", m_qrShow);

    XMLElement* user = add("DefaultUser");
    user->SetAttribute("username", wide(m_defaultUserName).c_str());
    user->SetAttribute("password", wide(m_defaultPassword).c_str());
    add("DefaultFromIP")->SetAttribute("ip", wide(m_defaultFromIp).c_str());

    const std::string timeFormat(FieldText(m_overlay.TimeOverlay.Format));
    const std::string title(FieldText(m_overlay.TitleOverlay.TitleUtf8));
    XMLElement* overlay = add("Overlay");
    overlay->SetAttribute("Enable", m_overlay.Enable);
    overlay->SetAttribute("Transparency", m_overlay.Transparency);
    overlay->SetAttribute("time24or12", m_overlay.time24or12);
    overlay->SetAttribute("Week", m_overlay.Week);
    overlay->SetAttribute("Fontsize", m_overlay.Fontsize);
    overlay->SetAttribute("Style", m_overlay.Style);
    XMLElement* timeOverlay = overlay->InsertNewChildElement("TimeOverlay");
    timeOverlay->SetAttribute("PosX", m_overlay.TimeOverlay.PosX);
    timeOverlay->SetAttribute("PosY", m_overlay.TimeOverlay.PosY);
    timeOverlay->SetAttribute("Format", timeFormat.c_str());
    timeOverlay->SetAttribute("PosType", m_overlay.TimeOverlay.PosType);
    XMLElement* titleOverlay = overlay->InsertNewChildElement("TitleOverlay");
    titleOverlay->SetAttribute("PosX", m_overlay.TitleOverlay.PosX);
    titleOverlay->SetAttribute("PosY", m_overlay.TitleOverlay.PosY);
    titleOverlay->SetAttribute("PosType", m_overlay.TitleOverlay.PosType);
    titleOverlay->SetAttribute("TitleUtf8", title.c_str());

    XMLElement* light = add("MediaLight");
    light->SetAttribute("ircut_mode", m_mediaLight.ircut_mode);
    light->SetAttribute("ircut_openled_delay", m_mediaLight.ircut_openled_delay);
    light->SetAttribute("led_brightness_mode", m_mediaLight.led_brightness_mode);
    light->SetAttribute("led_brightness_value", m_mediaLight.led_brightness_value);
    light->SetAttribute("led_brightness_alarm", m_mediaLight.led_brightness_alarm);
    light->SetAttribute("startTime", ClockText(m_mediaLight.startTime).c_str());
    light->SetAttribute("endTime", ClockText(m_mediaLight.endTime).c_str());
    light->SetAttribute("led_mode", m_mediaLight.led_mode);
    light->SetAttribute("ispadvmode", m_mediaLight.ispadvmode);
    light->SetAttribute("light_off_sensitivity", m_mediaLight.light_off_sensitivity);

    const std::string timeMode(FieldText(m_timeConfig.TimeMode));
    const std::string server(FieldText(m_timeConfig.NTPConfig.ServerIP));
    XMLElement* time = add("TimeConfig");
    time->SetAttribute("TimeMode", timeMode.c_str());
    time->SetAttribute("TimeZone", m_timeConfig.TimeZone);
    XMLElement* ntp = time->InsertNewChildElement("NTPConfig");
    ntp->SetAttribute("ServerIP", server.c_str());
    ntp->SetAttribute("ServerPort", m_timeConfig.NTPConfig.ServerPort);
    ntp->SetAttribute("RefreshInterval", m_timeConfig.NTPConfig.RefreshInterval);

    XMLElement* study = add("AFStudyConfig");
    study->SetAttribute("interval_sec", m_afStudyConfig.interval_sec);
    study->SetAttribute("nPtzSpeed", m_afStudyConfig.nPtzSpeed);
    study->SetAttribute("nPtzZoomInterval", m_afStudyConfig.nPtzZoomInterval);
    study->SetAttribute("nPtzZoomStayTime", m_afStudyConfig.nPtzZoomStayTime);
    study->SetAttribute("nPtzZoomExecTimes", m_afStudyConfig.nPtzZoomExecTimes);
    WritePresets(*study, m_afStudyConfig);

    XMLElement* multiple = add("PtzMultipleConfig");
    multiple->SetAttribute("interval_sec", m_ptzMultipleConfig.interval_sec);
    WritePresets(*multiple, m_ptzMultipleConfig);

    tinyxml2::XMLPrinter printer;
    document.Print(&printer);
    return std::string(printer.CStr(), static_cast<std::size_t>(printer.CStrSize() - 1));
}

int CSaveParam::Save() {
    const std::string path = FileName(m_configFilePath);
    if (const auto slash = path.rfind('/'); slash != std::string::npos && slash > 0) {
        // A fresh account may have no documents folder yet.
        platform::EnsureFolder(path.substr(0, slash));
    }
    const int result = platform::WriteFileAtomically(path, ToXml(), kSettingsFileMode, m_writeStep);
    if (result != 0) {
        const int error = result > 0 ? result : errno;
        const std::string reason = std::error_code(error, std::generic_category()).message();
        Log("CSaveParam::Save %s failed: %s\n", path.c_str(), reason.c_str());
        return -1;
    }
    return 0;
}

int CSaveParam::SaveOverlay(const OverlayParam& overlay) {
    m_overlay = overlay;
    return Save();
}

int CSaveParam::SaveMediaLight(const MediaLightParam& light) {
    m_mediaLight = light;
    return Save();
}

std::string CSaveParam::DefaultUserNameAnsi() const {
    return platform::WideToAnsi(m_defaultUserName);
}

std::string CSaveParam::DefaultPasswordAnsi() const {
    return platform::WideToAnsi(m_defaultPassword);
}

} // namespace zk::base

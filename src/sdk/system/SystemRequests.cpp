// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/system/SystemRequests.h"

#include "base/LanguageTable.h"
#include "discovery/SearchMessage.h"
#include "platform/TextCodec.h"

#include <cctype>
#include <cstdio>

namespace zk::sdk::system {
namespace {

using discovery::EscapeXmlAttribute;

constexpr std::array<DeviceLanguage, kDeviceLanguageCount> kLanguages = {{
    {"zh-cn", ZK_TEXT_KEY("ID_LANGUAGE_zh_cn")},
    {"en-us", ZK_TEXT_KEY("ID_LANGUAGE_ENGLISH")},
    {"zh-tw", ZK_TEXT_KEY("ID_LANGUAGE_zh_tw")},
    {"ru-ru", ZK_TEXT_KEY("ID_LANGUAGE_ru_ru")},
    {"german", ZK_TEXT_KEY("ID_LANGUAGE_german")},
    {"italian", ZK_TEXT_KEY("ID_LANGUAGE_italian")},
    {"turkey", ZK_TEXT_KEY("ID_LANGUAGE_turkey")},
    {"croatian", ZK_TEXT_KEY("ID_LANGUAGE_croatian")},
    {"korean", ZK_TEXT_KEY("ID_LANGUAGE_korean")},
    {"pt-pt", ZK_TEXT_KEY("ID_LANGUAGE_pt_pt")},
    {"pl-pl", ZK_TEXT_KEY("ID_LANGUAGE_pl_pl")},
    {"Japanese", ZK_TEXT_KEY("ID_LANGUAGE_Japanese")},
    {"Ukraine", ZK_TEXT_KEY("ID_LANGUAGE_Ukraine")},
}};

constexpr const char* kDayKeys[] = {
    ZK_TEXT_KEY("IDS_STR_ZH_CN_MON"), ZK_TEXT_KEY("IDS_STR_ZH_CN_TUE"),  ZK_TEXT_KEY("IDS_STR_ZH_CN_WED"),
    ZK_TEXT_KEY("IDS_STR_ZH_CN_THU"), ZK_TEXT_KEY("IDS_STR_ZH_CN_FRI"),  ZK_TEXT_KEY("IDS_STR_ZH_CN_SAT"),
    ZK_TEXT_KEY("IDS_STR_ZH_CN_SUN"), ZK_TEXT_KEY("IDS_STR_ZH_CN_EDAY"),
};

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

const char* LanguageName(int offset) {
    return offset >= 0 && offset < kDeviceLanguageCount ? kLanguages[static_cast<std::size_t>(offset)].name : "en-us";
}

bool TwoDigits(std::string_view text, int limit) {
    return text.size() == 2 && std::isdigit(static_cast<unsigned char>(text[0])) != 0 &&
           std::isdigit(static_cast<unsigned char>(text[1])) != 0 && (text[0] - '0') * 10 + (text[1] - '0') <= limit;
}

} // namespace

const std::array<DeviceLanguage, kDeviceLanguageCount>& DeviceLanguages() {
    return kLanguages;
}

int DeviceLanguageOffset(std::string_view name) {
    for (int offset = 0; offset < kDeviceLanguageCount; ++offset) {
        if (EqualIgnoringCase(name, kLanguages[static_cast<std::size_t>(offset)].name)) {
            return offset;
        }
    }
    return -1;
}

const char* DevicePasswordProblem(const QString& password) {
    const std::string narrow = platform::WideToAnsi(password);
    if (platform::AnsiToWide(narrow) != password) {
        return ZK_TEXT_KEY("MSG_PASSWORD_CODEPAGE");
    }
    if (narrow.size() > kMaxDevicePasswordBytes) {
        return ZK_TEXT_KEY("MSG_PASSWORD_TOO_LONG");
    }
    return nullptr;
}

std::string PasswordRequest(std::string_view password) {
    return "<UserConfig><Account Username=\"admin\" Password=\"" + EscapeXmlAttribute(password) +
           "\" Group=\"Administrator\" Status=\"Enable\" /></UserConfig>";
}

std::string MiscLanguageRequest(int offset) {
    const std::string_view name = LanguageName(offset);
    const std::string_view misc = name == "zh-cn" || name == "zh-tw" ? name : std::string_view("en-us");
    return "<MiscConfig Language=\"" + std::string(misc) + "\" />";
}

std::string WebLanguageRequest(int offset, bool kc) {
    return "<REQUEST_PARAM web_defalut_language=\"" + std::to_string(offset) + "\" is_KC_web=\"" + (kc ? "1" : "0") +
           "\" Language=\"" + EscapeXmlAttribute(LanguageName(offset)) + "\" />";
}

std::string IoOutputRequest(int output) {
    // Devices read this text as it stands, without a blank before Output.
    return "<REQUEST_PARAM ChannelNo=\"0\"Output=\"" + std::to_string(output) + "\"/>\n";
}

std::string FactoryModeRequest(bool on) {
    return std::string("<REQUEST_PARAM Mode=\"") + (on ? "1" : "0") + "\"/>\n";
}

std::string TestSpeedRequest() {
    return "<REQUEST_PARAM manualspeed=\"5\" />";
}

const char* MaintenanceDayKey(int day) {
    return day >= 0 && day <= kMaintenanceEveryDay ? kDayKeys[day] : nullptr;
}

std::string MaintenanceTime(int hours, int minutes, int seconds) {
    if (hours < 0 || hours > 23 || minutes < 0 || minutes > 59 || seconds < 0 || seconds > 59) {
        return {};
    }
    char text[16];
    std::snprintf(text, sizeof(text), "%02d:%02d:%02d", hours, minutes, seconds);
    return text;
}

bool ValidMaintenance(const MaintenanceChoice& choice) {
    const std::string_view time = choice.time;
    return choice.day >= 0 && choice.day <= kMaintenanceEveryDay && time.size() == 8 && time[2] == ':' &&
           time[5] == ':' && TwoDigits(time.substr(0, 2), 23) && TwoDigits(time.substr(3, 2), 59) &&
           TwoDigits(time.substr(6, 2), 59);
}

std::string MaintenanceRequest(const MaintenanceChoice& choice) {
    return "<MaintainConfig\tEnable=\"" + std::to_string(choice.enable ? 1 : 0) + "\" Day=\"" +
           std::to_string(choice.day) + "\" Time=\"" + EscapeXmlAttribute(choice.time) + "\" />";
}

std::string P2pRequest(bool on) {
    // Written as the device's own configuration writer prints an element: indented by one tab.
    return std::string("\t<P2PConfig Enable=\"") + (on ? "1" : "0") + "\" Type=\"0\" />";
}

QString ThermalSummary(int preset, const QString& succeededText, int succeeded) {
    return QStringLiteral("[%1 preset ptz] %2%3").arg(preset).arg(succeededText).arg(succeeded);
}

} // namespace zk::sdk::system

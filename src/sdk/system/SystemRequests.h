// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <array>
#include <string>
#include <string_view>

// The request texts of the system-setting commands, exactly as devices expect them (narrow text,
// code page 936), and the tables behind their menus. Pure functions: any thread.
namespace zk::sdk::system {

// Configuration and control codes of the commands.
inline constexpr int kSetUser = 223;
inline constexpr int kSetMisc = 227;
inline constexpr int kSetMaintenance = 228;
inline constexpr int kSetP2p = 335;
inline constexpr int kControlRestoreSettings = 1002;
inline constexpr int kControlIoOutput = 1042;
inline constexpr int kControlFactoryMode = 1094;
inline constexpr int kControlAudioTest = 1102;
inline constexpr int kControlWebLanguage = 1119;
inline constexpr int kControlTestMcu = 1130;
inline constexpr int kControlTestSpeed = 122;

// The thermal sensor's two presets, stored with PTZPreset (kPtzSetPreset).
inline constexpr int kThermalScanPreset = 200;
inline constexpr int kThermalSavePreset = 201;

// The first ids of the device language menu's two sub-menus; an item's id minus its sub-menu's
// first id is the language's offset.
inline constexpr int kLanguageMenuNormal = 33360;
inline constexpr int kLanguageMenuKc = 33340;

// A language a device's web pages and menus can take.
struct DeviceLanguage {
    const char* name;       // the name the device knows it by
    const char* captionKey; // the menu item's text
};
inline constexpr int kDeviceLanguageCount = 13;
// In menu order: the offset is the index.
const std::array<DeviceLanguage, kDeviceLanguageCount>& DeviceLanguages();
// The offset of a language name (case-insensitive); -1 when there is none.
int DeviceLanguageOffset(std::string_view name);

// The longest password, in narrow bytes, that a login can carry.
inline constexpr std::size_t kMaxDevicePasswordBytes = 63;

// Why a new device password cannot be sent as typed; null when it can. A character code page 936
// cannot hold would reach the device as "?", and a longer password than a login carries would lock
// every device of the batch with a password nobody can type.
const char* DevicePasswordProblem(const QString& password);

// SetDVRConfig 223: the admin account with a new password (narrow text), XML-escaped.
std::string PasswordRequest(std::string_view password);
// SetDVRConfig 227: zh-cn and zh-tw as they are, en-us for every other language.
std::string MiscLanguageRequest(int offset);
// SystemControl 1119: the web language's offset, whether it is the KC variant, and its name.
std::string WebLanguageRequest(int offset, bool kc);
// SystemControl 1042: output 0 or 1 of the first alarm output.
std::string IoOutputRequest(int output);
// SystemControl 1094: factory mode on (1) or off (0).
std::string FactoryModeRequest(bool on);
// SystemControl 122: the speed test.
std::string TestSpeedRequest();

// The scheduled maintenance a device runs: whether, which day (0 Monday .. 6 Sunday, 7 every day)
// and when ("HH:MM:SS").
struct MaintenanceChoice {
    bool enable = true;
    int day = 7;
    std::string time = "03:00:00";
};
inline constexpr int kMaintenanceEveryDay = 7;
// The day's key in the maintenance dialog's list (Monday .. Sunday, every day).
const char* MaintenanceDayKey(int day);
// "HH:MM:SS" from its parts; empty when a part is out of range.
std::string MaintenanceTime(int hours, int minutes, int seconds);
// Whether the choice can be sent: a day 0..7 and a time "HH:MM:SS".
bool ValidMaintenance(const MaintenanceChoice& choice);
// SetDVRConfig 228.
std::string MaintenanceRequest(const MaintenanceChoice& choice);

// SetDVRConfig 335: the P2P services on or off.
std::string P2pRequest(bool on);

// The message after a thermal preset batch: "[preset preset ptz] <succeeded text><count>".
QString ThermalSummary(int preset, const QString& succeededText, int succeeded);

} // namespace zk::sdk::system

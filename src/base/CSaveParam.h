// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "platform/FileIo.h"

#include <QString>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The tool's user preferences and the parameter sets of several batch dialogs, kept in the XML file
// "zk_cfg.xml" in the documents folder (docs/settings-file.md). Every change is saved at once by
// whoever made it; there is no dirty flag.
namespace zk::base {

inline constexpr const char* kSettingsFileName = "zk_cfg.xml";
// A real settings file is a few kilobytes; anything far larger is not one and is not read.
inline constexpr std::size_t kSettingsFileMaxBytes = 4 * 1024 * 1024;
// The file holds the default device password, so only its owner may read it.
inline constexpr unsigned kSettingsFileMode = 0600;

inline constexpr const char* kDefaultUserName = "admin";
inline constexpr const char* kDefaultPassword = "507913";
inline constexpr const char* kDefaultFromIp = "0.0.0.0";
inline constexpr std::size_t kPresetEntryCount = 10;

// On-screen display of the time.
struct TimeOverlayParam {
    std::int32_t PosX = 1;
    std::int32_t PosY = 1;
    char Format[32] = "yyyy-mm-dd hh:mm:ss";
    std::int32_t PosType = 0;
    bool operator==(const TimeOverlayParam&) const = default;
};

// On-screen display of the title. TitleUtf8 holds the title as hexadecimal UTF-8 ("43616d657261"
// is "Camera"), so at most 99 UTF-8 bytes of title fit.
struct TitleOverlayParam {
    std::int32_t PosX = 0;
    std::int32_t PosY = 0;
    char TitleUtf8[200] = "43616d657261";
    std::int32_t PosType = 0;
    bool operator==(const TitleOverlayParam&) const = default;
};

// The on-screen display parameters of the title batch.
struct OverlayParam {
    std::int32_t Enable = 1;
    std::int32_t Transparency = 0;
    TimeOverlayParam TimeOverlay;
    TitleOverlayParam TitleOverlay;
    std::int16_t Style = 3;
    std::int16_t Week = 1;
    std::int16_t Fontsize = 0;
    std::int16_t time24or12 = 0;
    bool operator==(const OverlayParam&) const = default;
};

// Stores a title (wide text) into TitleUtf8, cut after the last whole character that fits.
void SetOverlayTitle(TitleOverlayParam& overlay, const QString& title);
// The same for a title held in code page 936.
void SetOverlayTitleFromAnsi(TitleOverlayParam& overlay, std::string_view ansiTitle);
// The title that TitleUtf8 holds.
QString OverlayTitle(const TitleOverlayParam& overlay);

// A time of day, hours 0-23.
struct ClockTime {
    std::uint8_t hour = 0;
    std::uint8_t minute = 0;
    std::uint8_t second = 0;
    bool operator==(const ClockTime&) const = default;
};

// Infrared-cut and illuminator parameters of the light batch.
struct MediaLightParam {
    std::int32_t ircut_mode = 0;
    std::uint8_t ircut_openled_delay = 12;
    std::uint8_t led_brightness_mode = 0;
    std::uint8_t led_brightness_value = 100;
    std::uint8_t led_brightness_alarm = 0;
    ClockTime startTime{18, 0, 0};
    ClockTime endTime{8, 0, 0};
    std::int32_t led_mode = 0;
    std::int32_t ispadvmode = 0;
    std::uint8_t light_off_sensitivity = 50;
    bool operator==(const MediaLightParam&) const = default;
};

// The time server that devices set to NTP mode ask; any public pool serves.
struct NtpParam {
    char ServerIP[64] = "pool.ntp.org";
    std::uint16_t ServerPort = 123;
    std::int32_t RefreshInterval = 60;
    bool operator==(const NtpParam&) const = default;
};

// The time dialog's parameters; TimeZone is the device's time-zone code.
struct TimeConfigParam {
    char TimeMode[32] = "MANUAL";
    std::int32_t TimeZone = 1200;
    NtpParam NTPConfig;
    bool operator==(const TimeConfigParam&) const = default;
};

// One PTZ preset step; a presetNum of 0 ends a preset list.
struct PresetEntry {
    std::int32_t enable = 0;
    std::int32_t presetNum = 0;
    std::int32_t functionType = 0;
    bool operator==(const PresetEntry&) const = default;
};

// The focus-study and the multi-preset programmes share this layout; the multi-preset one uses
// only the presets and interval_sec (seconds between steps).
struct PresetConfigParam {
    std::array<PresetEntry, kPresetEntryCount> presets{};
    std::int32_t interval_sec = 0;
    std::int32_t nPtzSpeed = 0;
    std::int32_t nPtzZoomInterval = 0;
    std::int32_t nPtzZoomStayTime = 0;
    std::int32_t nPtzZoomExecTimes = 0;
    bool operator==(const PresetConfigParam&) const = default;
};

PresetConfigParam DefaultAFStudyConfig();
PresetConfigParam DefaultPtzMultipleConfig();

// The video window's rectangle in screen pixels; right and bottom lie just outside it.
struct VideoRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
    bool operator==(const VideoRect&) const = default;
};

// The settings object. Used by the window thread only; saving runs synchronously in the caller.
class CSaveParam {
public:
    // Sets the defaults with the documents folder as every path, then loads the file
    // "<documentsFolder>/zk_cfg.xml". writeStep replaces how the file's bytes are written (tests).
    explicit CSaveParam(const QString& documentsFolder, platform::FileWriteStep writeStep = {});
    // The same with the user's documents folder.
    CSaveParam();
    virtual ~CSaveParam();
    CSaveParam(const CSaveParam&) = default;
    CSaveParam& operator=(const CSaveParam&) = default;

    // Sets the defaults of the four blocks, then reads the file over them. A missing, unreadable or
    // unparsable file leaves the defaults in force and creates nothing. 0 when the file was read,
    // -1 when it was not.
    int Load();
    // Does what Load does with the document given as bytes instead of the file.
    int LoadXml(std::string_view document);

    // Writes everything to the file, replacing it whole (a failed write leaves the old file); creates
    // the documents folder when it is missing. 0 on success, -1 on failure (logged; the values in
    // memory stay in force).
    int Save();
    // The document Save writes.
    std::string ToXml() const;

    // Store the block, then save; they return what Save returns.
    int SaveOverlay(const OverlayParam& overlay);
    int SaveMediaLight(const MediaLightParam& light);

    const QString& ConfigFilePath() const { return m_configFilePath; }

    const QString& UpgradePath() const { return m_upgradePath; }
    void SetUpgradePath(const QString& path) { m_upgradePath = path; }
    const QString& UpgradeFileName() const { return m_upgradeFileName; }
    void SetUpgradeFileName(const QString& path) { m_upgradeFileName = path; }
    const QString& UploadCfgFileName() const { return m_uploadCfgFileName; }
    void SetUploadCfgFileName(const QString& path) { m_uploadCfgFileName = path; }
    const QString& Mp3FilePath() const { return m_mp3FilePath; }
    void SetMp3FilePath(const QString& path) { m_mp3FilePath = path; }
    const QString& AppFilePath() const { return m_appFilePath; }
    void SetAppFilePath(const QString& path) { m_appFilePath = path; }

    // Switches are 0 or 1.
    int FullSwitchStream() const { return m_fullSwitchStream; }
    void SetFullSwitchStream(int on) { m_fullSwitchStream = on; }
    int OpenAudio() const { return m_openAudio; }
    void SetOpenAudio(int on) { m_openAudio = on; }
    int QrShow() const { return m_qrShow; }
    void SetQrShow(int on) { m_qrShow = on; }

    // The video grid; 0 rows or columns means the 1 x 1 grid.
    int VideoRow() const { return m_videoRow; }
    int VideoCol() const { return m_videoCol; }
    void SetVideoGrid(int row, int col) {
        m_videoRow = row;
        m_videoCol = col;
    }
    int PlayMode() const { return m_playMode; }
    void SetPlayMode(int mode) { m_playMode = mode; }
    int ScaleMode() const { return m_scaleMode; }
    void SetScaleMode(int mode) { m_scaleMode = mode; }
    int DecodeMode() const { return m_decodeMode; }
    void SetDecodeMode(int mode) { m_decodeMode = mode; }
    const VideoRect& VideoWindowRect() const { return m_videoWindowRect; }
    void SetVideoWindowRect(const VideoRect& rect) { m_videoWindowRect = rect; }

    const QString& DefaultUserName() const { return m_defaultUserName; }
    void SetDefaultUserName(const QString& name) { m_defaultUserName = name; }
    const QString& DefaultPassword() const { return m_defaultPassword; }
    void SetDefaultPassword(const QString& password) { m_defaultPassword = password; }
    // The default account in code page 936, as the device login takes it.
    std::string DefaultUserNameAnsi() const;
    std::string DefaultPasswordAnsi() const;

    const QString& DefaultFromIP() const { return m_defaultFromIp; }
    void SetDefaultFromIP(const QString& ip) { m_defaultFromIp = ip; }

    const OverlayParam& Overlay() const { return m_overlay; }
    const MediaLightParam& MediaLight() const { return m_mediaLight; }
    const TimeConfigParam& TimeConfig() const { return m_timeConfig; }
    void SetTimeConfig(const TimeConfigParam& config) { m_timeConfig = config; }
    const PresetConfigParam& AFStudyConfig() const { return m_afStudyConfig; }
    void SetAFStudyConfig(const PresetConfigParam& config) { m_afStudyConfig = config; }
    const PresetConfigParam& PtzMultipleConfig() const { return m_ptzMultipleConfig; }
    void SetPtzMultipleConfig(const PresetConfigParam& config) { m_ptzMultipleConfig = config; }

private:
    void SetBlockDefaults();

    platform::FileWriteStep m_writeStep;
    QString m_configFilePath;
    QString m_upgradePath;
    QString m_upgradeFileName;
    QString m_uploadCfgFileName;
    QString m_mp3FilePath;
    QString m_appFilePath;
    int m_fullSwitchStream = 1;
    int m_openAudio = 0;
    int m_videoRow = 0;
    int m_videoCol = 0;
    int m_playMode = 0;
    int m_scaleMode = 0;
    int m_decodeMode = 1;
    VideoRect m_videoWindowRect;
    QString m_defaultUserName;
    QString m_defaultPassword;
    QString m_defaultFromIp;
    int m_qrShow = 1;
    OverlayParam m_overlay;
    MediaLightParam m_mediaLight;
    TimeConfigParam m_timeConfig;
    PresetConfigParam m_afStudyConfig;
    PresetConfigParam m_ptzMultipleConfig;
};

} // namespace zk::base

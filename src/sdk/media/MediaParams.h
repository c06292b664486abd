// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/CSaveParam.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zk::sdk::config {
struct AlarmConfig;
struct VideoCaptureConfig;
} // namespace zk::sdk::config

// The parameter blocks of the media and detection batches, the rules their windows apply before
// closing, and the request texts the batches send. The windows are editors over these blocks and
// the command line fills them from its options; both check them with the same functions. Pure
// functions: any thread.
namespace zk::sdk::media {

inline constexpr int kSetVideoEncode = 523;
inline constexpr int kSetVideoCapture = 524;
inline constexpr int kSetAudioCapture = 527;
inline constexpr int kSetAudioEncode = 528;
inline constexpr int kImageTuningControl = 1081;
inline constexpr int kSetMotionDetect = 822;
inline constexpr int kReadAlarms = 800;
inline constexpr int kSetPdAlarm = 829;
inline constexpr int kSetAudioAlarm = 827;

// Why a window refuses its values: a language key, or a text shown as it stands (the motion and
// image windows have their own untranslated messages). Empty when the values are fine.
struct Refusal {
    const char* text = nullptr;
    bool literal = false;
    explicit operator bool() const { return text != nullptr; }
};

// Sets one value of a block by its attribute name, as `zkdevcli ... --set NAME=VALUE` gives it.
// Returns an English explanation when the name is unknown or the value is not of the field's kind
// (a number, a "HH:MM:SS" time); empty when set. Ranges are checked afterwards by Check*.
// (Overloads for each block below.)

// ---- Coding type (32907-32909) -------------------------------------------------------------------

enum class CodingType { H264, H265, H265Plus };
inline constexpr std::array<CodingType, 3> kCodingTypes = {CodingType::H264, CodingType::H265, CodingType::H265Plus};
// "H264", "H265", "H265+".
const char* CodingTypeName(CodingType type);
// The type of a name, any letter case; nothing for another text.
std::optional<CodingType> ParseCodingType(std::string_view name);
// SetDVRConfig 523: both streams get the format, their resolutions stay ("INVALID").
std::string CodingTypeDocument(CodingType type);

// ---- Video encoding (CMediaCode, button 17) ------------------------------------------------------

struct AdvanceEncode {
    int EncodeProfile = 2; // 0 baseline, 1 main, 2 high
    int DisablePrivateData = 0;
    int EncMode = 0;
    int NoiceLevel = 0;
    bool operator==(const AdvanceEncode&) const = default;
};

// One stream's encoding, every attribute the device takes.
struct EncodeStream {
    int Enable = 1;
    int Stream = 1;                     // 1-based
    std::string Resolution = "INVALID"; // "INVALID" keeps the device's resolution
    std::string EncodeFormat = "H264";  // "H264", "H265", "H265+"
    std::string BitRateControl = "VBR"; // "CBR" or "VBR"
    int Initquant = 100;
    int BitRate = 2048000; // bit/s
    int BitRateQuality = 4;
    int FrameRate = 25;
    int qp_enable = 0;
    int qp_min = 10;
    int qp_max = 51;
    int lbr_enable = 0;
    int lbr_style = 0;
    int lbr_bitratemode = 0;
    int lbr_bitrate = 0;
    int lbr_motionlevel = 0;
    int lbr_noicelevel = 0;
    AdvanceEncode advance;
    bool operator==(const EncodeStream&) const = default;
};

inline constexpr int kEncodeStreamCount = 2;
inline constexpr int kMinBitRate = 32000;
inline constexpr int kMaxBitRate = 16384000;
inline constexpr int kMinFrameRate = 1;
inline constexpr int kMaxFrameRate = 30;
inline constexpr int kMaxQp = 51;

// The window's values for a stream: stream 1 at 2048000 bit/s and 25 frames, stream 2 at 512000
// bit/s and 15 frames; both H264, VBR, the resolution kept.
EncodeStream DefaultEncodeStream(int stream);
// The resolutions the window offers ("INVALID" first: keep the device's).
const std::vector<std::string>& EncodeResolutions();

// The streams the window edits, each once, in stream order.
struct VideoEncodeChoice {
    std::vector<EncodeStream> streams;
};
std::string SetNamedValue(EncodeStream& stream, std::string_view name, std::string_view value);
// "IDS_STR_ZH_CN_MSG_TIPS25" a bit rate outside kMinBitRate..kMaxBitRate, "IDS_STR_ZH_CN_MSG_TIPS26"
// a frame rate outside 1..30, "IDS_QP_LIMIT" a QP outside 0..51 or a minimum above the maximum, and
// "IDS_STR_ZH_CN_SET_FAILED" for a stream number outside 1..2, a stream given twice, an unknown
// format or bit-rate control, or no stream at all.
Refusal CheckVideoEncode(const VideoEncodeChoice& choice);
// SetDVRConfig 523: root Encode with one EncodeConfig per edited stream.
std::string VideoEncodeDocument(const VideoEncodeChoice& choice);

// ---- Video capture (CMediaVCapture, item 33000) --------------------------------------------------

// Every attribute of the capture element, at the window's defaults.
struct VideoCaptureParams {
    int Brightness = 50;
    int Contrast = 50;
    int Saturation = 50;
    int Sharpness = 50;
    int BackLight = 0; // highlight compensation
    int TVSystem = 1;  // 1 PAL, 0 NTSC
    int forct_antiflicker = 0;
    int cropxpix = 0;
    int cropypix = 0;
    int HFlip = 0;
    int VFlip = 0;
    int rotate = 0;
    int bManualGain = 0;
    int gainValue = 50;
    int shutter_mode = 0;
    int shutter_mode_night = 0;
    int shutter_speed_day = 100;
    int shutter_speed_night = 25;
    int IrcutMode = 0;
    int IrcutSensitivity = 50;
    int IrcutOpenLedDelay = 12;
    int led_brightness_mode = 0;
    int led_brightness_value = 100;
    base::ClockTime IrcutNightStartTime{18, 0, 0};
    base::ClockTime IrcutNightEndTime{8, 0, 0};
    int IrcutKeepColor = 0;
    int WDRMode = 0;
    int WDRValue = 50;
    int DfrogFlag = 0;
    int DfrogValue = 50;
    base::ClockTime WDRStartTime{0, 0, 0};
    base::ClockTime WDREndTime{23, 59, 59};
    int WB_RGB = 0;
    int isp_mode_color = 0;
    int isp_mode_night = 0;
    int led_mode = 0;
    int ispadvmode = 0;
    int videoEncodeMode = 0;
    int face_exposure_sensitivity = 50;
    int light_off_sensitivity = 50;
    bool operator==(const VideoCaptureParams&) const = default;
};

inline constexpr int kMaxCropPixels = 200;
inline constexpr int kMaxShutterSpeed = 8000;

std::string SetNamedValue(VideoCaptureParams& params, std::string_view name, std::string_view value);
// Each refused value with its message: "IDS_STR_ZH_CN_MSG_TIPS47" brightness, "..._TIPS50"
// contrast, "..._TIPS53" saturation, "..._TIPS54" sharpness (each 0..100), "..._TIPS55" the wide
// dynamic range value, "..._TIPS56" the defog value (0..100), "IDS_STR_HLC_VALUE_INVALID" the
// highlight compensation (0..100), "IDC_MEDIA_VIDEOCAPTURE_CROP_INVALID" a crop outside
// 0..kMaxCropPixels, "IDS_STR_SHUTTER_SPEED_ERROR" a shutter speed outside 1..kMaxShutterSpeed;
// "IDS_STR_ZH_CN_ERROR" is the caption.
Refusal CheckVideoCapture(const VideoCaptureParams& params);
// SetDVRConfig 524: root Video with one Capture element carrying every attribute (times
// "%02d:%02d:%02d").
std::string VideoCaptureDocument(const VideoCaptureParams& params);

// ---- Audio (CMediaACapture 32974, CMediaAEncode 32924) -------------------------------------------

struct AudioCaptureParams {
    int Volume = 80;
    int VolumePlay = 80;
    int amplify = 0;
    int ra_answer = 0;
    bool operator==(const AudioCaptureParams&) const = default;
};
inline constexpr int kMaxVolume = 100;
// "IDS_AUDIO_VOLUME_RANGE" for a volume outside 0..100, "IDS_AUDIO_SWITCH_RANGE" for amplify or
// ra_answer other than 0 or 1.
Refusal CheckAudioCapture(const AudioCaptureParams& params);
// SetDVRConfig 527: a Capture element with Volume, VolumePlay, amplify, ra_answer.
std::string AudioCaptureDocument(const AudioCaptureParams& params);

enum class AudioEncoder { G711, Aac };
struct AudioEncodeParams {
    int Enable = 1;
    AudioEncoder encoder = AudioEncoder::G711;
    bool operator==(const AudioEncodeParams&) const = default;
};
// "G711" or "AAC"; the sample rate (8000 Hz, 16000 Hz) and bit rate (64000 bit/s) each implies.
const char* AudioEncoderName(AudioEncoder encoder);
int AudioSampleRate(AudioEncoder encoder);
int AudioBitRate(AudioEncoder encoder);
std::optional<AudioEncoder> ParseAudioEncoder(std::string_view name);
// SetDVRConfig 528: root Audio with an Encode element (Enable, SampleRate, EncodeType, BitRate).
std::string AudioEncodeDocument(const AudioEncodeParams& params);

// ---- Lights (CMediaLight, item 33388) ------------------------------------------------------------

std::string SetNamedValue(base::MediaLightParam& light, std::string_view name, std::string_view value);
// "IDS_LIGHT_VALUE_RANGE" for a brightness or light-off sensitivity above 100.
Refusal CheckLights(const base::MediaLightParam& light);
// Overwrites the light fields of a device's capture settings (IR-cut mode, LED delay, the three
// brightness values, night start and end, LED mode, advanced ISP mode, light-off sensitivity);
// everything else the device sent stays. True when a field changed.
bool ApplyLights(const base::MediaLightParam& light, config::VideoCaptureConfig& capture);

// ---- Manual image tuning (CImageParamDialog, button 18) ------------------------------------------

struct GainChoice {
    const char* name; // "DO NOT SET", "ISO_100", ...
    int value;        // -1, 0, 3, ...
};
inline constexpr int kGainChoiceCount = 17;
const std::array<GainChoice, kGainChoiceCount>& GainChoices();
// The gain value of a name (any letter case; "DO_NOT_SET" also names -1); nothing for another.
std::optional<int> ParseGain(std::string_view name);

struct ImageTuningParams {
    int mctf = -1;       // motion compensation 0..11, -1 leaves it
    int gain = 30;       // a GainChoices value ("ISO_3200")
    int shuttermax = -1; // maximum electronic shutter 1..8000, -1 leaves it
    bool operator==(const ImageTuningParams&) const = default;
};
// "MCTF ERROR", "shutter error" (texts as they stand); "IDS_STR_ZH_CN_SET_FAILED" for a gain that
// is not one of the choices.
Refusal CheckImageTuning(const ImageTuningParams& params);
// SystemControl 1081: <REQUEST_PARAM mctf="%d" gain="%d" shuttermax="%d" />.
std::string ImageTuningRequest(const ImageTuningParams& params);

// ---- Motion detection (CMdAlarmDialog, button 13) ------------------------------------------------

inline constexpr int kMaxGridColumns = 22;
inline constexpr int kMaxGridRows = 18;
// The region grids the window offers, columns x rows ("4X3" is the default).
const std::vector<std::string>& MotionGrids();

struct MotionDetectParams {
    int enable = 1;
    int sensitivity = 80;
    int threshold = 20;
    int columns = 4;
    int rows = 3;
    bool operator==(const MotionDetectParams&) const = default;
};
// Reads "CxR" or "CXR" (columns, rows, each at least 1); columns are capped at 22, rows at 18.
std::optional<std::pair<int, int>> ParseGrid(std::string_view grid);
// (columns << 16) + rows, after the caps.
int BlockCount(int columns, int rows);
// rows x columns characters "1", after the caps.
std::string BlockConfig(int columns, int rows);
// "灵敏度设置错误。" a sensitivity outside 0..100, "阈值设置错误。" a threshold outside 0..100 (texts
// as they stand).
Refusal CheckMotionDetect(const MotionDetectParams& params);
// SetDVRConfig 822: the motion detection element with its schedule and alarm actions.
std::string MotionDetectRequest(const MotionDetectParams& params);

// ---- Smart detection (CBatchSetPDDlg, button 1298) -----------------------------------------------

// Schedules: 0 "DISABLE", 1 "IDS_DEFENCE_ALLDAY", 2 "IDS_DEFENCE_DAYTIME", 3 "IDS_DEFENCE_NIGHT".
inline constexpr int kScheduleCount = 4;
const std::array<const char*, kScheduleCount>& ScheduleKeys();
// "disable", "allday", "daytime", "night" (any letter case) as the command line names them.
std::optional<int> ParseSchedule(std::string_view name);

// The detection block the rows keep until their read arrives, ten values in this order.
struct SmartDetectParams {
    std::int32_t enableSchedule = 0;
    std::int32_t soundSchedule = 1;
    std::int32_t pushSchedule = 0;
    std::int32_t twinkleSchedule = 0;
    std::int32_t blueRedSchedule = 0;
    std::int32_t person = 0;
    std::int32_t vehicle = 0;
    std::int32_t motion = 0;
    std::int32_t sound = 0;
    std::int32_t resetRegion = 0;
    bool operator==(const SmartDetectParams&) const = default;
};
static_assert(sizeof(SmartDetectParams) == 10 * sizeof(std::int32_t));

inline constexpr int kObjectPerson = 16;
inline constexpr int kObjectVehicle = 1;
// "IDS_STR_ZH_CN_SET_FAILED" for a schedule outside 0..3.
Refusal CheckSmartDetect(const SmartDetectParams& params);
// Changes a device's detection settings as the block asks: person/vehicle detection on when the
// enable schedule is above 0 and an object is chosen (flags 16 person, 1 vehicle), the five
// schedules copied into it and into motion detection, motion detection on when scheduled and
// motion is chosen, sound detection on when scheduled and sound is chosen; with the reset box the
// person/vehicle region becomes the whole picture (0,0) (100,0) (100,100) (0,100).
void ApplySmartDetection(const SmartDetectParams& params, config::AlarmConfig& alarms);

} // namespace zk::sdk::media

// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "base/CSaveParam.h"

#include <QString>

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

// The video title batch: the overlay request a device takes, the text added to each device's title,
// and the choices of the title dialog. Pure functions: any thread.
namespace zk::sdk::system {

inline constexpr int kSetOverlay = 525;

// The on-screen display styles the dialog offers; Style holds 1..7.
inline constexpr int kOverlayStyleCount = 7;
// The style's caption key ("IDC_OSD_STYLE_1" .. "IDC_OSD_STYLE_7"); null outside 1..7.
const char* OverlayStyleKey(int style);

// The ranges the dialog offers for the transparency and the font size, in the device's own units.
inline constexpr int kMaxOverlayTransparency = 255;
inline constexpr int kMaxOverlayFontSize = 255;

// The formats of the time shown in the picture that devices know, in the dialog's order.
inline constexpr int kTimeFormatCount = 6;
const std::array<const char*, kTimeFormatCount>& TimeFormats();
// Whether a format text is one of them.
bool KnownTimeFormat(std::string_view format);

// The position choices of the time and the title: 0 top left, 1 top right, 2 bottom left,
// 3 bottom right, 4 unchanged, 5 centre.
inline constexpr int kPositionChoiceCount = 6;
inline constexpr int kPositionUnchanged = 4;
// Sets the position a choice stands for; choice 4 and any unknown choice leave it as it is.
void ApplyPositionChoice(int choice, std::int32_t& x, std::int32_t& y);
// The choice that stands for a position; kPositionUnchanged when none does.
int PositionChoiceOf(std::int32_t x, std::int32_t y);

// Which of a device's own values each device adds to the title.
struct TitleExtras {
    bool model = false;  // "[" + DeviceType without "NVS-IPCAM-" + "]"
    bool ip = false;     // IpAddress
    bool serial = false; // "[" + SerialNumber + "]"
    bool operator==(const TitleExtras&) const = default;
};

// The longest title, in UTF-8 bytes, that the settings block keeps.
inline constexpr std::size_t kMaxTitleUtf8Bytes = (sizeof(base::TitleOverlayParam::TitleUtf8) - 1) / 2;
// Why a typed title cannot be kept as typed ("MSG_TITLE_TOO_LONG" beyond kMaxTitleUtf8Bytes); null
// when it can.
const char* TitleProblem(const QString& title);

// The text one device adds to the title (narrow text, code page 936 as the device's record holds
// it): the chosen pieces in the order model, address, serial number, each after a "^" when the
// text so far is not empty.
std::string TitleExtraText(std::string_view deviceType, std::string_view ipAddress, std::string_view serialNumber,
                           const TitleExtras& extras);
// The title a device gets, in hexadecimal UTF-8: the stored title (its hexadecimal form, used up to
// its last whole byte when a hand-edited file left an odd number of digits) followed by the extra
// text converted from code page 936.
std::string TitleHexFor(std::string_view storedTitleHex, std::string_view ansiExtraText);

// SetDVRConfig 525: the overlay parameters with the title given in hexadecimal UTF-8. Every value
// is XML-escaped.
std::string OverlayRequest(const base::OverlayParam& overlay, std::string_view titleHex);

} // namespace zk::sdk::system

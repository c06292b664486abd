// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/system/TitleRequests.h"

#include "base/FixedText.h"
#include "base/LanguageTable.h"
#include "base/TitleCodec.h"
#include "discovery/SearchMessage.h"

namespace zk::sdk::system {
namespace {

using discovery::EscapeXmlAttribute;

constexpr const char* kStyleKeys[kOverlayStyleCount] = {
    ZK_TEXT_KEY("IDC_OSD_STYLE_1"), ZK_TEXT_KEY("IDC_OSD_STYLE_2"), ZK_TEXT_KEY("IDC_OSD_STYLE_3"),
    ZK_TEXT_KEY("IDC_OSD_STYLE_4"), ZK_TEXT_KEY("IDC_OSD_STYLE_5"), ZK_TEXT_KEY("IDC_OSD_STYLE_6"),
    ZK_TEXT_KEY("IDC_OSD_STYLE_7"),
};

constexpr std::array<const char*, kTimeFormatCount> kTimeFormats = {
    "yyyy-mm-dd hh:mm:ss", "mm-dd-yyyy hh:mm:ss", "dd-mm-yyyy hh:mm:ss",
    "yyyy/mm/dd hh:mm:ss", "mm/dd/yyyy hh:mm:ss", "dd/mm/yyyy hh:mm:ss",
};

struct Position {
    std::int32_t x;
    std::int32_t y;
};
// Indexed by choice; the unchanged choice has no position of its own.
constexpr Position kPositions[kPositionChoiceCount] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}, {-1, -1}, {2, 2}};

constexpr std::string_view kModelPrefix = "NVS-IPCAM-";

std::string Quoted(std::string_view value) {
    return '"' + EscapeXmlAttribute(value) + '"';
}

std::string Quoted(int value) {
    return '"' + std::to_string(value) + '"';
}

std::string WithoutModelPrefix(std::string_view deviceType) {
    std::string type;
    for (std::size_t at = 0; at < deviceType.size();) {
        if (deviceType.substr(at, kModelPrefix.size()) == kModelPrefix) {
            at += kModelPrefix.size();
        } else {
            type.push_back(deviceType[at++]);
        }
    }
    return type;
}

void AddPiece(std::string& text, std::string_view piece) {
    if (!text.empty()) {
        text.push_back('^');
    }
    text += piece;
}

} // namespace

const char* OverlayStyleKey(int style) {
    return style >= 1 && style <= kOverlayStyleCount ? kStyleKeys[style - 1] : nullptr;
}

const std::array<const char*, kTimeFormatCount>& TimeFormats() {
    return kTimeFormats;
}

bool KnownTimeFormat(std::string_view format) {
    for (const char* known : kTimeFormats) {
        if (format == known) {
            return true;
        }
    }
    return false;
}

void ApplyPositionChoice(int choice, std::int32_t& x, std::int32_t& y) {
    if (choice < 0 || choice >= kPositionChoiceCount || choice == kPositionUnchanged) {
        return;
    }
    x = kPositions[choice].x;
    y = kPositions[choice].y;
}

int PositionChoiceOf(std::int32_t x, std::int32_t y) {
    for (int choice = 0; choice < kPositionChoiceCount; ++choice) {
        if (choice != kPositionUnchanged && kPositions[choice].x == x && kPositions[choice].y == y) {
            return choice;
        }
    }
    return kPositionUnchanged;
}

const char* TitleProblem(const QString& title) {
    return static_cast<std::size_t>(title.toUtf8().size()) > kMaxTitleUtf8Bytes ? ZK_TEXT_KEY("MSG_TITLE_TOO_LONG")
                                                                                : nullptr;
}

std::string TitleExtraText(std::string_view deviceType, std::string_view ipAddress, std::string_view serialNumber,
                           const TitleExtras& extras) {
    std::string text;
    if (extras.model) {
        AddPiece(text, '[' + WithoutModelPrefix(deviceType) + ']');
    }
    if (extras.ip) {
        AddPiece(text, ipAddress);
    }
    if (extras.serial) {
        AddPiece(text, '[' + std::string(serialNumber) + ']');
    }
    return text;
}

std::string TitleHexFor(std::string_view storedTitleHex, std::string_view ansiExtraText) {
    // A lone last digit would pair with the first digit of the extra text into a byte nobody typed.
    std::string hex(storedTitleHex.substr(0, storedTitleHex.size() & ~std::size_t{1}));
    hex += base::EncodeTitleHexFromAnsi(ansiExtraText);
    return hex;
}

std::string OverlayRequest(const base::OverlayParam& overlay, std::string_view titleHex) {
    const std::string tabs(7, '\t');
    return "<Overlay\tEnable=" + Quoted(overlay.Enable) + " Transparency=" + Quoted(overlay.Transparency) +
           " Style=" + Quoted(overlay.Style) + " Fontsize=" + Quoted(overlay.Fontsize) +
           " Week=" + Quoted(overlay.Week) + " > " + tabs + "<TimeOverlay PosX=" + Quoted(overlay.TimeOverlay.PosX) +
           " PosY=" + Quoted(overlay.TimeOverlay.PosY) +
           "\tFormat=" + Quoted(base::FieldText(overlay.TimeOverlay.Format)) + " /> " + tabs +
           "<TitleOverlay PosX=" + Quoted(overlay.TitleOverlay.PosX) + " PosY=" + Quoted(overlay.TitleOverlay.PosY) +
           "\tTitleUtf8=" + Quoted(titleHex) + "/> </Overlay>";
}

} // namespace zk::sdk::system

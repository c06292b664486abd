// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace zk::base {

// Ids by which single switches of the display table are asked for (the rest are control ids).
inline constexpr int kDisplayLayoutButtonsOnTop = 2067;
inline constexpr int kDisplayStyle = 32972;
inline constexpr int kDisplaySearchAutoStop = 32973;
inline constexpr int kDisplayShowP2pService = 33016;
inline constexpr int kDisplayListShowLess = 33421;
inline constexpr int kDisplayAfStudy = 33373;
inline constexpr int kDisplayPtzMultipleSet = 33374;
inline constexpr int kDisplayDzoomMultipleSet = 33375;
inline constexpr int kDisplayQrEncode = 1078;
inline constexpr int kDisplayPrintMode = 1008;
inline constexpr int kDisplayClearSoftSn = 1009;
inline constexpr int kDisplayOperatePassword = 1055;
inline constexpr int kDisplayLogoPng = 2065;
// Ids of the data strings.
inline constexpr int kDataCustXmlRoot = 33380;
inline constexpr int kDataCustCloudType = 33381;

inline constexpr std::size_t kDisplayEntryCount = 64;
inline constexpr std::size_t kDataStringCount = 2;
inline constexpr std::size_t kDataStringSize = 128;

struct DisplayEntry {
    std::int32_t id;
    const char* key;
    std::int32_t display;
};

struct DataStringEntry {
    std::int32_t id;
    const char* key;
    char data[kDataStringSize];
};

// The per-installation switches of display.xml: which controls and menu commands of the main
// window show, and a few feature values and texts. Loaded once while the main window is built and
// only read afterwards, so any thread may read it.
class CLoadDisplayCfg {
public:
    // The defaults, then the values of the display.xml shipped with the program.
    CLoadDisplayCfg();
    // The defaults, then the values of the given file (missing or broken: the defaults).
    explicit CLoadDisplayCfg(const std::string& displayXmlPath);
    virtual ~CLoadDisplayCfg() = default;

    // Applies a display.xml text over the current values; false when it does not parse.
    bool LoadText(std::string_view xml);

    // The display value of the first entry with the id; 1 when no entry has it.
    int GetDisplay(int id) const;
    // The data text of the entry with the id; empty when there is none.
    std::string GetDataString(int id) const;

    // Calls showOrHide(id, visible) for each of the 64 entries in order; visible is a display
    // value above 0. The window shows or hides its control with that id, when it has one.
    void ApplyDisplay(const std::function<void(int id, bool visible)>& showOrHide) const;

    const std::array<DisplayEntry, kDisplayEntryCount>& DisplayEntries() const { return m_display; }

private:
    std::array<DisplayEntry, kDisplayEntryCount> m_display;
    std::array<DataStringEntry, kDataStringCount> m_dataStrings;
};

} // namespace zk::base

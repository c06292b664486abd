// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <string_view>

// The tool's build identification, as devices' support staff and log readers know it.
namespace zk::base {

inline constexpr std::string_view kVersionString = "V5.9.2_20250106";
inline constexpr std::string_view kBuildDate = "Jan  6 2025";
inline constexpr std::string_view kBuildTime = "11:55:40";
// The debug log's "Build" line carries its own time stamp, two seconds later than the window's.
inline constexpr std::string_view kLogBuildTime = "11:55:42";

// Markers inside the version string that select build variants.
inline constexpr std::string_view kQuickSearchMarker = "QUICKSEARCH_";
inline constexpr std::string_view kHbMarker = "HB_";

// True when the version string selects the quick (100 ms) search timer.
constexpr bool IsQuickSearchBuild(std::string_view version = kVersionString) {
    return version.find(kQuickSearchMarker) != std::string_view::npos;
}

} // namespace zk::base

// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/batch/RowOutcome.h"

#include <array>
#include <utility>

namespace zk::sdk::batch {
namespace {

constexpr std::array<std::pair<RowResult, std::string_view>, 11> kNames = {{
    {RowResult::None, "none"},
    {RowResult::Ok, "ok"},
    {RowResult::Failed, "failed"},
    {RowResult::Refused, "refused"},
    {RowResult::NotChanged, "not-changed"},
    {RowResult::NoLogin, "no-login"},
    {RowResult::Offline, "offline"},
    {RowResult::NoAnswer, "no-answer"},
    {RowResult::Sent, "sent"},
    {RowResult::Skipped, "skipped"},
    {RowResult::Waiting, "waiting"},
}};

} // namespace

std::string_view RowResultName(RowResult result) {
    for (const auto& [value, name] : kNames) {
        if (value == result) {
            return name;
        }
    }
    return "none";
}

std::optional<RowResult> RowResultFromName(std::string_view name) {
    for (const auto& [value, text] : kNames) {
        if (text == name) {
            return value;
        }
    }
    return std::nullopt;
}

} // namespace zk::sdk::batch

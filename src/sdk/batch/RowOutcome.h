// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <optional>
#include <string_view>

namespace zk::sdk::batch {

// What a batch command did for one device, in one vocabulary for every front end.
enum class RowResult {
    None,       // the batch has not reached the row yet
    Ok,         // the device applied the request
    Failed,     // the device answered with a failure, or the request could not be made
    Refused,    // the device SDK refused to send the request
    NotChanged, // the device already had the requested value; nothing was sent
    NoLogin,    // the row has no session
    Offline,    // the row's session is not online; skipped without a text
    NoAnswer,   // the request went out but no answer came
    Sent,       // a search-protocol request went out (devices do not answer those)
    Skipped,    // the row left the list, or the command did not apply to it
    Waiting,    // the request went out and its answer is awaited
};

// The outcome's name in command-line output: "ok", "failed", "refused", "not-changed", "no-login",
// "offline", "no-answer", "sent", "skipped" ("waiting" and "none" only while a batch runs).
std::string_view RowResultName(RowResult result);
std::optional<RowResult> RowResultFromName(std::string_view name);

} // namespace zk::sdk::batch

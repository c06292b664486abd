// SPDX-License-Identifier: GPL-3.0-or-later
#include "devsim/BadKind.h"

#include <array>
#include <utility>

namespace zk::devsim {
namespace {

constexpr std::array<std::pair<BadKind, std::string_view>, 17> kNames = {{
    {BadKind::OtherRoot, "other-root"},
    {BadKind::RootAttributes, "root-attributes"},
    {BadKind::NoMsgFlag, "no-msg-flag"},
    {BadKind::IpcOnly, "ipc-only"},
    {BadKind::NoLanConfig, "no-lanconfig"},
    {BadKind::NoStreamConfig, "no-streamconfig"},
    {BadKind::Oversize, "oversize"},
    {BadKind::RandomBytes, "random-bytes"},
    {BadKind::Late, "late"},
    {BadKind::SessionRefuse, "session-refuse"},
    {BadKind::SessionStall, "session-stall"},
    {BadKind::SessionDrop, "session-drop"},
    {BadKind::SessionGarbage, "session-garbage"},
    {BadKind::SessionRefuseRequests, "session-refuse-requests"},
    {BadKind::SessionRefuseSets, "session-refuse-sets"},
    {BadKind::SessionRefuseControls, "session-refuse-controls"},
    {BadKind::SessionWrongElement, "session-wrong-element"},
}};

} // namespace

const std::vector<BadKind>& AllBadKinds() {
    static const std::vector<BadKind> kinds = [] {
        std::vector<BadKind> all;
        for (const auto& [kind, name] : kNames) {
            all.push_back(kind);
        }
        return all;
    }();
    return kinds;
}

std::string_view BadKindName(BadKind kind) {
    for (const auto& [candidate, name] : kNames) {
        if (candidate == kind) {
            return name;
        }
    }
    return "unknown";
}

std::optional<BadKind> BadKindFromName(std::string_view name) {
    for (const auto& [kind, candidate] : kNames) {
        if (candidate == name) {
            return kind;
        }
    }
    return std::nullopt;
}

} // namespace zk::devsim

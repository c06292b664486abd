// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/system/ParameterCommands.h"

#include "base/FixedText.h"
#include "base/LanguageTable.h"
#include "discovery/DeviceListModel.h"
#include "platform/TextCodec.h"
#include "sdk/batch/BatchRunner.h"
#include "sdk/batch/ConfigRequests.h"

#include <unordered_map>

namespace zk::sdk::system {
namespace {

batch::SdkRequest Document(int code, std::string text, const char* failure) {
    batch::SdkRequest request = batch::SetConfigRequest(code, std::move(text));
    request.texts.failure = failure;
    return request;
}

} // namespace

ParameterCommands::ParameterCommands(discovery::DeviceListModel& list, batch::BatchRunner& runner,
                                     base::CSaveParam& settings, ParameterHooks hooks, QObject* parent)
    : QObject(parent), m_list(list), m_runner(runner), m_settings(settings), m_hooks(std::move(hooks)) {}

ParameterCommands::~ParameterCommands() = default;

void ParameterCommands::Finish() {
    --m_active;
    emit commandFinished();
}

bool ParameterCommands::HaveRows(const std::vector<std::string>& keys) {
    ++m_active;
    if (keys.empty()) {
        m_runner.ShowError(ZK_TEXT_KEY("MSGTIP13"));
        Finish();
        return false;
    }
    return true;
}

bool ParameterCommands::Refuse(const char* problem) {
    if (problem == nullptr) {
        return false;
    }
    m_runner.ShowError(problem);
    Finish();
    return true;
}

void ParameterCommands::SetTitle(const std::vector<std::string>& keys) {
    if (!HaveRows(keys)) {
        return;
    }
    base::OverlayParam overlay = m_settings.Overlay();
    TitleExtras extras = m_extras;
    if (!m_hooks.editTitle || !m_hooks.editTitle(overlay, extras)) {
        Finish();
        return;
    }
    m_extras = extras;
    m_settings.SaveOverlay(overlay);
    const std::string storedTitle(base::FieldText(overlay.TitleOverlay.TitleUtf8));
    m_runner.Run(
        keys,
        [this, overlay, extras, storedTitle](int row) {
            const discovery::DeviceRow* device = m_list.RowAt(row);
            if (device == nullptr) {
                return -1;
            }
            const discovery::DeviceRecord& record = device->Record;
            const std::string extra =
                TitleExtraText(base::FieldText(record.DeviceType), base::FieldText(record.IpAddress),
                               base::FieldText(record.SerialNumber), extras);
            return m_runner.SdkRowWorker(row,
                                         Document(kSetOverlay, OverlayRequest(overlay, TitleHexFor(storedTitle, extra)),
                                                  ZK_TEXT_KEY("MSGTIP39")));
        },
        [this] { Finish(); });
}

void ParameterCommands::SetPlatform(const std::vector<std::string>& keys) {
    if (!HaveRows(keys)) {
        return;
    }
    PlatformChoice choice = m_platform;
    if (!m_hooks.editPlatform || !m_hooks.editPlatform(choice)) {
        Finish();
        return;
    }
    if (Refuse(PlatformProblem(choice))) {
        return;
    }
    m_platform = choice;
    // The n-th key keeps its number even when an earlier row is offline or has left the list, so a
    // device's user name does not depend on which of the others answered.
    std::unordered_map<std::string, std::int64_t> positions;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        positions.emplace(keys[i], static_cast<std::int64_t>(i));
    }
    const std::string user = platform::WideToAnsi(choice.user);
    m_runner.Run(
        keys,
        [this, choice, user, positions = std::move(positions)](int row) {
            const discovery::DeviceRow* device = m_list.RowAt(row);
            if (device == nullptr) {
                return -1;
            }
            const auto position = positions.find(std::string(base::FieldText(device->Key)));
            const std::string rowUser =
                choice.increaseUser && position != positions.end() ? IncreasedUserName(user, position->second) : user;
            return m_runner.SdkRowWorker(
                row, Document(kSetPlatform, PlatformRequest(choice, rowUser), ZK_TEXT_KEY("MSGTIP43")));
        },
        [this] { Finish(); });
}

void ParameterCommands::SetTime(const std::vector<std::string>& keys) {
    if (!HaveRows(keys)) {
        return;
    }
    TimeChoice choice = TimeChoiceFrom(m_settings.TimeConfig(), m_summer);
    if (!m_hooks.editTime || !m_hooks.editTime(choice)) {
        Finish();
        return;
    }
    if (Refuse(TimeProblem(choice))) {
        return;
    }
    if (!ValidSummerTime(choice.summer)) {
        Finish();
        return;
    }
    m_summer = choice.summer;
    m_settings.SetTimeConfig(TimeConfigOf(choice));
    m_settings.Save();
    const std::string request = TimeRequest(choice);
    m_runner.Run(
        keys,
        [this, request](int row) {
            return m_runner.SdkRowWorker(row, Document(kSetTime, request, ZK_TEXT_KEY("SET_TIMECONFIG_FAILED")));
        },
        [this] { Finish(); });
}

} // namespace zk::sdk::system

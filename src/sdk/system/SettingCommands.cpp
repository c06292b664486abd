// SPDX-License-Identifier: GPL-3.0-or-later
#include "sdk/system/SettingCommands.h"

#include "base/FixedText.h"
#include "base/LanguageTable.h"
#include "discovery/DeviceListModel.h"
#include "platform/TextCodec.h"
#include "sdk/DeviceSdk.h"
#include "sdk/SessionManager.h"
#include "sdk/batch/BatchRunner.h"
#include "sdk/batch/ConfigRequests.h"

#include <memory>

namespace zk::sdk::system {
namespace {

using batch::SdkRequest;

// A system control whose answer writes only a failure text (or nothing).
SdkRequest Control(int code, std::string text, const char* failure, const char* answerOk = ZK_TEXT_KEY("SET_OK")) {
    SdkRequest request = batch::SystemControlRequest(code, std::move(text));
    request.texts.failure = failure;
    request.answerOk = answerOk;
    request.answerFailed = failure;
    return request;
}

SdkRequest Document(int code, std::string text, const char* failure) {
    SdkRequest request = batch::SetConfigRequest(code, std::move(text));
    request.texts.failure = failure;
    return request;
}

} // namespace

SettingCommands::SettingCommands(discovery::DeviceListModel& list, SessionManager& sessions, batch::BatchRunner& runner,
                                 SettingHooks hooks, QObject* parent)
    : QObject(parent), m_list(list), m_sessions(sessions), m_runner(runner), m_hooks(std::move(hooks)) {}

SettingCommands::~SettingCommands() = default;

void SettingCommands::Finish() {
    --m_active;
    emit commandFinished();
}

bool SettingCommands::HaveRows(const std::vector<std::string>& keys, const char* emptyKey) {
    ++m_active;
    if (keys.empty()) {
        m_runner.ShowError(emptyKey);
        Finish();
        return false;
    }
    return true;
}

void SettingCommands::RunRequests(const std::vector<std::string>& keys, std::vector<SdkRequest> requests,
                                  std::function<void()> finished) {
    m_runner.Run(
        keys, [this, requests = std::move(requests)](int row) { return m_runner.SdkRowWorker(row, requests); },
        [this, finished = std::move(finished)] {
            if (finished) {
                finished();
            }
            Finish();
        });
}

void SettingCommands::SetPassword(const std::vector<std::string>& keys) {
    if (!HaveRows(keys)) {
        return;
    }
    const auto entries = m_hooks.editPassword ? m_hooks.editPassword() : std::nullopt;
    if (!entries) {
        Finish();
        return;
    }
    if (entries->first != entries->second) {
        m_runner.ShowError(ZK_TEXT_KEY("MSGTIP51"));
        Finish();
        return;
    }
    if (const char* problem = DevicePasswordProblem(entries->first)) {
        m_runner.ShowError(problem);
        Finish();
        return;
    }
    RunRequests(keys,
                {Document(kSetUser, PasswordRequest(platform::WideToAnsi(entries->first)), ZK_TEXT_KEY("MSGTIP41"))});
}

void SettingCommands::SetLanguage(const std::vector<std::string>& keys, int selectedRow, int offset, bool kc) {
    ++m_active;
    std::vector<std::string> rows = keys;
    if (rows.empty()) {
        m_runner.ShowError(ZK_TEXT_KEY("MSGTIP13"));
        if (const discovery::DeviceRow* device = m_list.RowAt(selectedRow)) {
            rows.emplace_back(base::FieldText(device->Key));
        }
    }
    if (rows.empty() || offset < 0 || offset >= kDeviceLanguageCount) {
        Finish();
        return;
    }
    RunRequests(rows, {Document(kSetMisc, MiscLanguageRequest(offset), ZK_TEXT_KEY("MSGTIP42")),
                       Control(kControlWebLanguage, WebLanguageRequest(offset, kc), ZK_TEXT_KEY("MSGTIP42"))});
}

void SettingCommands::SyncTime(const std::vector<std::string>& keys) {
    if (!HaveRows(keys, ZK_TEXT_KEY("MSGTIP17"))) {
        return;
    }
    SdkRequest request;
    request.texts.noLogin = ZK_TEXT_KEY("MSGTIP22");
    request.texts.failure = ZK_TEXT_KEY("MSGTIP36");
    // One reading of the PC's clock for the whole batch: the rows are sent within a second.
    request.send = [time = m_sessions.TimeRecord()](DeviceSdk& sdk, int handle) {
        return sdk.SET_TimeManualConfig(handle, time);
    };
    RunRequests(keys, {request});
}

void SettingCommands::Maintenance(const std::vector<std::string>& keys) {
    if (!HaveRows(keys)) {
        return;
    }
    MaintenanceChoice choice;
    if (!m_hooks.editMaintenance || !m_hooks.editMaintenance(choice) || !ValidMaintenance(choice)) {
        Finish();
        return;
    }
    RunRequests(keys,
                {Document(kSetMaintenance, MaintenanceRequest(choice), ZK_TEXT_KEY("SET_TIMINGMAINTANCE_FAILED"))});
}

void SettingCommands::P2p(const std::vector<std::string>& keys, bool on) {
    if (!HaveRows(keys)) {
        return;
    }
    RunRequests(keys, {Document(kSetP2p, P2pRequest(on), ZK_TEXT_KEY("SET_FAILED"))});
}

void SettingCommands::IoOutput(const std::vector<std::string>& keys, int output) {
    if (!HaveRows(keys)) {
        return;
    }
    RunRequests(keys,
                {Control(kControlIoOutput, IoOutputRequest(output != 0 ? 1 : 0), ZK_TEXT_KEY("SET_IOOUTPUT_FAILED"))});
}

void SettingCommands::ThermalPreset(const std::vector<std::string>& keys, int preset) {
    if (!HaveRows(keys)) {
        return;
    }
    auto succeeded = std::make_shared<int>(0);
    SdkRequest request;
    request.texts.failure = ZK_TEXT_KEY("SET_PRESET_FAILED");
    request.send = [preset, succeeded](DeviceSdk& sdk, int handle) {
        const int result = sdk.PTZPreset(handle, kPtzSetPreset, preset);
        *succeeded += result == 0 ? 1 : 0;
        return result;
    };
    RunRequests(keys, {request}, [this, preset, succeeded] {
        m_thermalSucceeded = *succeeded;
        m_runner.ShowInformation(ThermalSummary(preset, m_runner.Text(ZK_TEXT_KEY("SUCCEED_SET_NUM")), *succeeded));
    });
}

void SettingCommands::TestMcu(const std::vector<std::string>& keys) {
    if (!HaveRows(keys)) {
        return;
    }
    RunRequests(keys, {Control(kControlTestMcu, std::string(), nullptr, nullptr)});
}

void SettingCommands::TestSpeed(const std::vector<std::string>& keys) {
    if (!HaveRows(keys)) {
        return;
    }
    RunRequests(keys, {Control(kControlTestSpeed, TestSpeedRequest(), nullptr, nullptr)});
}

void SettingCommands::AudioTest(const std::vector<std::string>& keys) {
    if (!HaveRows(keys)) {
        return;
    }
    RunRequests(keys, {Control(kControlAudioTest, std::string(), ZK_TEXT_KEY("IDS_STR_ZH_CN_SET_FAILED"))});
}

} // namespace zk::sdk::system
